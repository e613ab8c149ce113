// The blocks of an INI file in order, their texts side by side in an arena,
// each with the key that a lookup by name finds it by and the name that the
// section list shows for it; and, built when a lookup first asks, a hash
// table of where each key first appears. Every change goes through here, so
// the keys and names never fall behind the texts.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "text/code_page.h"
#include "text/text_arena.h"

namespace quillet {

class IniBlocks {
public:
    static constexpr std::size_t none = std::string::npos;

    std::size_t size() const { return blocks_.size(); }
    bool empty() const { return blocks_.empty(); }
    std::string_view text(std::size_t position) const { return blocks_[position].text; }

    // Empties the list; its memory stays for the next load.
    void clear() noexcept;

    // The arena that a load builds the next block in (add its bytes, then
    // append).
    TextArena& arena() { return arena_; }

    // Expects a file of about bytes to be loaded: room for its blocks is
    // taken up front (untouched until used).
    void expect(std::size_t bytes);

    // Appends the block just built in the arena (closed here).
    void append(const CodePage& codePage);

    // Appends a copy of text as the next block.
    void appendCopy(std::string_view text, const CodePage& codePage);

    // Gives the block at position a new text.
    void replace(std::size_t position, std::string_view text, const CodePage& codePage);

    // Moves the block at from to position to; the blocks between shift by one.
    void move(std::size_t from, std::size_t to) noexcept;

    // The position of the first block that begins with "[" + name + "]", or none.
    std::size_t find(const std::string& name, const CodePage& codePage);

    // Appends the listed names of the section blocks (the first block, the
    // preamble, never lists one), each after a "\n" unless list is empty.
    void appendNames(std::string& list, const CodePage& codePage);

private:
    struct Block {
        std::string_view text;
        // The bytes between the block's "[" (its first byte) and its first
        // "]": a name without "]" finds the block exactly when it equals them.
        std::size_t keyLength;  // none: the block has no such key
        std::size_t keyHash;
        // The name the section list shows: nameLength bytes of names_ from
        // nameAt; nameLength none when it shows none.
        std::size_t nameAt;
        std::size_t nameLength;
    };

    void describe(Block& block, const CodePage& codePage);
    void renameAll(const CodePage& codePage);
    void packNames();
    void packTexts();
    bool hasKey(const Block& block, std::string_view key, std::size_t hash) const;
    void buildSlots();

    std::vector<Block> blocks_;  // plain values: a move shifts them as bytes
    TextArena arena_;
    std::size_t deadBytes_ = 0;       // of texts that blocks have since replaced
    std::string names_;               // the listed names side by side
    std::size_t deadNameBytes_ = 0;   // of names that blocks have since lost
    unsigned namesUnder_ = 0;         // the code page generation the names were worked out under
    // Open addressing over blocks_: position + 1 of the first block with each
    // key (0: an empty slot). Empty until a lookup needs it after a change.
    std::vector<std::size_t> slots_;
};

}  // namespace quillet
