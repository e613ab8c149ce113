// A store: an ordered list of texts, linked so that an element can be
// inserted or removed without moving the others; and the two ways the
// library handles large ones quickly: building a new store on the elements
// of the old one, and walking or freeing one while reading ahead.
#pragma once

#include <list>
#include <string>

#include "text/byte_scan.h"

namespace quillet {

using Store = std::list<std::string>;

// Asks memory for the elements a few places ahead of a walk over a store, so
// that several reads are under way instead of each waited for in turn.
class ReadAhead {
public:
    explicit ReadAhead(const Store& store) : end_(store.cend()), ahead_(store.cbegin())
    {
        for (int i = 0; i < distance && ahead_ != end_; ++i) ++ahead_;
    }

    // Called once per step of the walk.
    void step()
    {
        if (ahead_ == end_) return;
        scan::prefetch(&*ahead_);
        scan::prefetch(ahead_->data());
        ++ahead_;
    }

private:
    static constexpr int distance = 16;
    Store::const_iterator end_, ahead_;
};

// Empties store while reading ahead: freeing a large store is otherwise
// mostly waiting.
void clearStore(Store& store) noexcept;

// A store being built to replace an old one, on the old one's elements: they
// become the new elements one for one, keeping their room when it fits, so
// that a reload hardly asks the heap for anything. Old bytes beyond those of
// the new elements so far are freed as the new ones grow (owed: new bytes not
// yet matched), so that both stores together stay within the larger one.
struct StoreRebuild {
    Store built;
    Store old;
    long long owed = 0;
};

// Moves the next old element, emptied, to the end of rebuild.built for a
// text of size bytes and returns it (its room kept when that is not much more
// than size); null when no old element is left.
std::string* reuseOldElement(StoreRebuild& rebuild, std::size_t size);

}  // namespace quillet
