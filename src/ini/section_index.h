// An index kept beside iniSections, so that neither a lookup by name nor a
// list of names walks the linked list: for every block, in store order, its
// node, its lookup key and the name that getSectionList lists for it; and,
// built when a lookup first asks, a hash table of where each key first
// appears. Every routine that changes the store keeps it up to date; any
// other change to iniSections must be followed by forgetSectionIndex().
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "frame/module_state.h"

// What the index knows of one block.
struct IndexedBlock {
    Store::iterator node;
    // The bytes between the block's "[" (its first byte) and its first "]":
    // a name without "]" finds the block exactly when it equals them.
    std::size_t keyLength;  // npos: the block has no such key
    std::size_t keyHash;
    // The name getSectionList lists for the block: nameLength bytes of the
    // index's nameBytes from nameAt; nameLength npos when it lists none.
    std::size_t nameAt;
    std::size_t nameLength;
};

struct SectionIndex {
    std::vector<IndexedBlock> blocks;  // plain values: a move shifts them as bytes
    std::string nameBytes;             // the listed names side by side
    std::size_t unusedNameBytes = 0;   // of names that blocks have since lost
};

// Adds block, the text of the next block of the store, to index; its node
// is set by the caller.
void indexBlock(SectionIndex& index, const std::string& block);

// Makes index, which describes iniSections block for block, the index in use.
void useSectionIndex(SectionIndex& index) noexcept;

// Marks the index out of date and hands its room to spare, emptied, for the
// index of a store being loaded: a reload then asks for no memory.
void reclaimSectionIndex(SectionIndex& spare) noexcept;

// Marks the index out of date: it is built again from iniSections when next
// needed.
void forgetSectionIndex() noexcept;

// The first block of iniSections that begins with "[" + name + "]", or its
// end(); position, when given, gets its index in the store.
Store::iterator findSectionBlock(const std::string& name, std::size_t* position = nullptr);

// The block at position has new text (its node is the same); before is
// its text before the change. Never fails: without memory for the new name,
// the index is forgotten instead.
void sectionChanged(std::size_t position, const std::string& before) noexcept;

// The block at from has been moved to to (positions in the store).
void sectionMoved(std::size_t from, std::size_t to) noexcept;

// Appends the listed names of the section blocks (the preamble never lists
// one), each after a "\n" unless the list is empty.
void appendSectionNames(std::string& list);
