// The INI store: an INI file held as blocks. Block 0 holds the lines before
// the first section (empty when there are none), each further block one
// whole section, its header line first; every line of a block ends with "\n".
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "ini/ini_blocks.h"
#include "text/code_page.h"

namespace quillet {

class IniStore {
public:
    // How much of a file a load reads at a time: the text being cut stays in
    // the processor's cache.
    static constexpr std::size_t defaultPiece = 1 << 18;

    IniStore() = default;

    // A store of these blocks (texts), in any shape.
    template <class Texts>
    IniStore(const Texts& texts, const CodePage& codePage)
    {
        for (const auto& text : texts) blocks_.appendCopy(text, codePage);
    }

    // Empties the store and loads fileName into it, reading pieceSize bytes
    // at a time: the number of sections, or -1 when the file cannot be read
    // or holds no header line (the store is then empty).
    int load(const char* fileName, const CodePage& codePage, std::size_t pieceSize = defaultPiece);

    std::size_t size() const { return blocks_.size(); }
    std::string_view block(std::size_t position) const { return blocks_.text(position); }

    // The position of the first block that begins with "[" + name + "]", or
    // IniBlocks::none.
    std::size_t findSection(const std::string& name, const CodePage& codePage)
    {
        return blocks_.find(name, codePage);
    }

    // Appends the section names, each after a "\n" unless list is empty.
    void appendSectionNames(std::string& list, const CodePage& codePage) { blocks_.appendNames(list, codePage); }

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

    // Replaces text by the blocks joined in order, each made to end with "\n".
    // The room that text already has is used first: it is not reallocated
    // when it has joinedBound() bytes of room.
    void join(std::string& text) const;
    std::size_t joinedBound() const;

private:
    IniBlocks blocks_;
};

// Appends to blocks the blocks of the INI file fileName, read pieceSize bytes
// at a time: the preamble, then one block per header line; nothing when no
// line is a header line. False when the file cannot be opened or read.
bool loadINIBlocks(const char* fileName, IniBlocks& blocks, const CodePage& codePage, std::size_t pieceSize);

}  // namespace quillet
