// An index kept beside the INI store's blocks, so that neither a lookup by
// name nor a list of names walks the linked list: for every block, in store
// order, its node, its lookup key and the name that the section list shows
// for it; and, built when a lookup first asks, a hash table of where each
// key first appears. The INI store tells it of every change it makes.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "text/code_page.h"
#include "text/store.h"

namespace quillet {

class SectionIndex {
public:
    // Adds block, the text of the next block of a store being built; its
    // node follows with setNode.
    void add(const std::string& block, const CodePage& codePage);
    void setNode(std::size_t position, Store::iterator node) { blocks_[position].node = node; }
    std::size_t size() const { return blocks_.size(); }

    // Empties the index but keeps its room, for the blocks of a new load.
    void restart() noexcept;

    // Marks the index out of date: it is worked out again from the store
    // when next needed.
    void forget() noexcept;

    // Marks it as describing store, block for block, under codePage.
    void describes(const Store& store, const CodePage& codePage) noexcept;

    // The first block of store that begins with "[" + name + "]", or end();
    // position, when given, gets its index in the store.
    Store::iterator find(Store& store, const std::string& name, const CodePage& codePage,
                         std::size_t* position = nullptr);

    // The block at position has new text (its node is the same); before is
    // its text before the change. Never fails: without memory for the new
    // name, the index is forgotten instead.
    void changed(std::size_t position, const std::string& before, const CodePage& codePage) noexcept;

    // The block at from has been moved to to (positions in the store).
    void moved(std::size_t from, std::size_t to) noexcept;

    // Appends the listed names of the section blocks (the preamble never
    // lists one), each after a "\n" unless the list is empty.
    void appendNames(Store& store, const CodePage& codePage, std::string& list);

private:
    // What the index knows of one block.
    struct Entry {
        Store::iterator node;
        // The bytes between the block's "[" (its first byte) and its first
        // "]": a name without "]" finds the block exactly when it equals them.
        std::size_t keyLength;  // npos: the block has no such key
        std::size_t keyHash;
        // The name the section list shows for the block: nameLength bytes
        // of nameBytes_ from nameAt; nameLength npos when it shows none.
        std::size_t nameAt;
        std::size_t nameLength;
    };

    void describe(const std::string& block, Entry& entry, const CodePage& codePage);
    void packNames();
    bool hasKey(const Entry& entry, const char* data, std::size_t size, std::size_t hash) const;
    void refresh(Store& store, const CodePage& codePage);
    void buildSlots();

    std::vector<Entry> blocks_;  // plain values: a move shifts them as bytes
    std::string nameBytes_;      // the listed names side by side
    std::size_t unusedNameBytes_ = 0;  // of names that blocks have since lost
    bool upToDate_ = false;      // blocks_ describes the store block for block
    unsigned namesUnder_ = 0;    // the code page generation the names were worked out under
    // Open addressing over blocks_: position + 1 of the first block with each
    // key (0: an empty slot). Empty until a lookup needs it after a change.
    std::vector<std::size_t> slots_;
};

}  // namespace quillet
