// Sort keys of the word list's sort: eleven bytes of an entry's text and
// their count packed into two integers; the radix sort of items by them, and
// the gathering of items whose keys hold equal whole texts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

namespace quillet {

// Text bytes per sort key; the key's last byte counts how many the text had.
constexpr std::size_t keyBytes = 11;

// An entry while it is sorted: a key that orders like its next bytes (bytes
// 0 to 7 in high; 8 to 10 and the count in low) and its place in the store.
struct SortItem {
    std::uint64_t high;
    std::uint32_t low;
    std::uint32_t position;
};

// A range of items that agree on the key bytes before level.
struct KeyRange {
    SortItem* first;
    SortItem* last;
    unsigned level;
};

// The bytes that setKey reads from where it starts: more than the key holds.
constexpr std::size_t keyReach = 12;

// Sets the key of item to up to eleven bytes of text from depth on, padded
// with zeros, and their count. Keys order as the texts do as far as they
// reach; equal keys with a count under eleven belong to equal texts. Reads
// keyReach bytes from depth on, past the text's end when it is shorter: the
// caller sees that they are readable.
inline void setKey(SortItem& item, std::string_view text, std::size_t depth)
{
    const std::size_t left = text.size() - depth;
    const std::size_t take = left < keyBytes ? left : keyBytes;
    // Always the same loads, then the bytes past the text masked off: the
    // lengths of words vary at random, and a loop over them would mispredict.
    unsigned char bytes[keyReach];
    std::memcpy(bytes, text.data() + depth, keyReach);
    std::uint64_t high = 0;
    for (std::size_t i = 0; i < 8; ++i) high = high << 8 | bytes[i];
    const std::uint32_t low =
        std::uint32_t(bytes[8]) << 24 | std::uint32_t(bytes[9]) << 16 | std::uint32_t(bytes[10]) << 8;
    const std::uint64_t highMask = take >= 8 ? ~std::uint64_t(0) : ~(~std::uint64_t(0) >> (8 * take));
    const std::uint32_t lowMask = take <= 8 ? 0 : ~(0xFFFFFFFFu >> (8 * (take - 8)));
    item.high = high & highMask;
    item.low = (low & lowMask) | static_cast<std::uint32_t>(take);
}

inline bool sameKey(const SortItem& a, const SortItem& b)
{
    return a.high == b.high && a.low == b.low;
}

inline bool keyLess(const SortItem& a, const SortItem& b)
{
    return a.high != b.high ? a.high < b.high : a.low < b.low;
}

// Sorts items[first, last) by key, most significant byte first, each level
// of a range put in order through room, which takes last - first items.
// pending is its work stack: it never holds more ranges than there are pairs
// of items, nor more than 255 per key byte.
void radixSortByKey(SortItem* first, SortItem* last, std::vector<KeyRange>& pending, SortItem* room);

// Gathers the copies among items, whose keys are set and whose positions
// are 0 to items.size() - 1: of the items whose keys hold their whole texts,
// only the first of each text stays, and copies[its position] counts the
// entries it stands for; the others all stay, each for one entry. Keeps the
// order of the items that stay. slots is room for the table of keys seen.
void gatherCopies(std::vector<SortItem>& items, std::vector<std::uint32_t>& copies,
                  std::vector<std::uint32_t>& slots);

}  // namespace quillet
