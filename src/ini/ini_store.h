// The INI store: an INI file held as blocks. Element 0 holds the lines before
// the first section (empty when there are none), each further element one
// whole section, its header line first; every line of a block ends with "\n".
// The store owns the index beside its blocks and keeps it up to date itself.
#pragma once

#include <cstddef>
#include <string>
#include <utility>

#include "ini/section_index.h"
#include "text/code_page.h"
#include "text/store.h"

namespace quillet {

class IniStore {
public:
    // How much of a file a load reads at a time: the text being cut stays in
    // the processor's cache.
    static constexpr std::size_t defaultPiece = 1 << 18;

    IniStore() = default;
    // A store of these blocks, in any shape.
    explicit IniStore(Store blocks) : blocks_(std::move(blocks)) {}

    // Empties the store and loads fileName into it, reading pieceSize bytes
    // at a time: the number of sections, or -1 when the file cannot be read
    // or holds no header line (the store is then empty).
    int load(const char* fileName, const CodePage& codePage, std::size_t pieceSize = defaultPiece);

    // The blocks, the preamble first (none when nothing is loaded).
    const Store& blocks() const { return blocks_; }

    // The first block that begins with "[" + name + "]", or null.
    const std::string* findSection(const std::string& name, const CodePage& codePage);

    // Appends the section names, each after a "\n" unless list is empty.
    void appendSectionNames(std::string& list, const CodePage& codePage);

    // Appends the keys of the first section named section, as the section
    // names are appended; false when there is no such section.
    bool appendKeys(const std::string& section, std::string& list, const CodePage& codePage);

    // Renames the first section named oldName; false when there is none.
    bool renameSection(const std::string& oldName, const std::string& newName, const CodePage& codePage);

    // Renames the first line of oldKey in the first section named section;
    // false when there is no such section or line.
    bool renameKey(const std::string& section, const std::string& oldKey, const std::string& newKey,
                   const CodePage& codePage);

    // Moves the section at position from to position to (1: the first
    // section), after copying its block into moved; false, nothing changed,
    // when a position is out of range.
    bool moveSection(int from, int to, std::string& moved);

private:
    Store blocks_;
    SectionIndex index_;
};

// Replaces text by the blocks joined in order, each made to end with "\n".
// The room that text already has is used first.
void joinBlocks(const Store& blocks, std::string& text);

// Appends to store the blocks of the INI file fileName, read pieceSize bytes
// at a time: the preamble, then one block per header line; nothing when no
// line is a header line. The elements of old are used for the new blocks
// where their room fits, and are gone afterwards. index, when given, gets
// the added blocks. False when the file cannot be opened or read; store then
// has nothing added.
bool loadINIBlocks(const char* fileName, Store& store, Store& old, const CodePage& codePage,
                   std::size_t pieceSize, SectionIndex* index = nullptr);

}  // namespace quillet
