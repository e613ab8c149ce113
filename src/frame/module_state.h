// The module's working data: four stores and the one result text, shared by
// every call from load to unload.
#pragma once

#include <list>
#include <string>
#include <vector>

#include "frame/word_store.h"

// An ordered list of texts. A linked list, so that a block can be inserted or
// removed without moving the others.
using Store = std::list<std::string>;

extern Store csvLines;
extern Store multiLineDic;
extern WordStore oneLineDic;
extern Store iniSections;
extern std::string resultText;

// For walks that read every element's text: the element `lookahead` places
// after the first, to start with; then, at each step, prefetchAhead asks
// memory for that element and gives the next one, so that several reads
// are under way instead of each waited for in turn.
// Inline: they run once per element of walks over millions of elements.
inline Store::const_iterator firstAhead(const Store& store)
{
    auto ahead = store.cbegin();
    for (int i = 0; i < 16 && ahead != store.cend(); ++i) ++ahead;
    return ahead;
}

inline Store::const_iterator prefetchAhead(const Store& store, Store::const_iterator ahead)
{
    if (ahead == store.cend()) return ahead;
#if defined(__GNUC__)
    __builtin_prefetch(&*ahead);
    __builtin_prefetch(ahead->data());
#endif
    return ++ahead;
}

// Empties store, asking memory for the elements a few places ahead of the
// one being freed: freeing a large store is otherwise mostly waiting.
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

// Replaces resultText by a copy of text and returns a pointer to its first byte.
const char* setResultText(const std::string& text);

// Empties resultText and returns it: the result of a text export that failed.
const char* failedTextResult() noexcept;
