// The multi-line dictionary: entries that each begin at a head line (a line
// that, with "\n" appended, begins with the caller's marker) and run up to
// the next, listed by title (an entry's first line) and looked up by title
// or position. The dictionary owns its index.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include <string_view>

#include "text/code_page.h"
#include "text/text_arena.h"

namespace quillet {

class Dictionary {
public:
    // How much of a file a load reads at a time: a piece stays in the cache
    // while it is cut.
    static constexpr std::size_t defaultPiece = 1 << 18;

    // Empties the dictionary and fills it with the entries of the file, read
    // pieceSize bytes at a time: the number of entries; -1 when headMarker
    // is empty (nothing changes) or the file gives no text (the dictionary
    // stays empty).
    int load(const char* fileName, const std::string& headMarker, const CodePage& codePage,
             std::size_t pieceSize = defaultPiece);

    // The entries in order, their texts in the dictionary's arena.
    const std::vector<std::string_view>& entries() const { return entries_; }
    bool empty() const { return entries_.empty(); }

    // Each entry's title followed by "\n", in order.
    std::string titles(const CodePage& codePage) const;

    // The body (all but the first line) of the number-th entry that begins
    // with searchText + "\n", or of the number-th entry when searchText is
    // empty; with number -1, how many entries begin with searchText + "\n",
    // as decimal text. "" for every miss and when the dictionary is empty.
    std::string search(const std::string& searchText, int number, const CodePage& codePage) const;

private:
    void clearIndex() noexcept;
    void buildChains(const std::vector<std::uint32_t>& titleHashes);
    std::uint32_t chainOf(const std::string& key) const;

    std::vector<std::string_view> entries_;
    TextArena arena_;
    // Per hash of the bytes before an entry's first line-feed byte, a chain
    // of the positions that share it, in order. An entry that begins with a
    // search key has the same bytes before its first line feed as the key,
    // so it is in the key's chain.
    std::vector<std::uint32_t> chainNext_;
    std::vector<std::uint32_t> chainHead_;  // a power of two of them
};

}  // namespace quillet
