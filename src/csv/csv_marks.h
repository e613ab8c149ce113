// Marks of a CSV text's bytes, 64 to a word (bit i of word w for byte
// 64w + i), and the small helpers that search and pair them. For the
// field cursor's files only.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "text/byte_scan.h"

namespace quillet {
namespace csvmarks {

// Records up to this long are cut by marks; longer ones, rare, by searches.
constexpr std::size_t markedLimit = 4096;

// The first position at or after from whose bit is set in masks, or n.
inline std::size_t nextMarked(const std::uint64_t* masks, std::size_t from, std::size_t n)
{
    if (from >= n) return n;
    std::size_t word = from / 64;
    std::uint64_t bits = masks[word] & (~std::uint64_t(0) << (from % 64));
    while (bits == 0) {
        if (++word * 64 >= n) return n;
        bits = masks[word];
    }
    return std::min(n, word * 64 + scan::lowestBit(bits));
}

// The first position at or after from whose bit is clear in masks, or n.
inline std::size_t nextUnmarked(const std::uint64_t* masks, std::size_t from, std::size_t n)
{
    if (from >= n) return n;
    std::size_t word = from / 64;
    std::uint64_t bits = ~masks[word] & (~std::uint64_t(0) << (from % 64));
    while (bits == 0) {
        if (++word * 64 >= n) return n;
        bits = ~masks[word];
    }
    return std::min(n, word * 64 + scan::lowestBit(bits));
}

// Whether a quote is marked strictly between the first and the last byte of
// the field at [begin, end).
inline bool innerQuote(const std::uint64_t* quotes, std::size_t begin, std::size_t end)
{
    return end - begin >= 3 && nextMarked(quotes, begin + 1, end - 1) < end - 1;
}

// Bit i of the result: the parity of the bits 0 to i of x (an odd count
// gives 1), after carry, the parity of the words before.
inline std::uint64_t prefixParity(std::uint64_t x, std::uint64_t carry)
{
    x ^= x << 1;
    x ^= x << 2;
    x ^= x << 4;
    x ^= x << 8;
    x ^= x << 16;
    x ^= x << 32;
    return carry ? ~x : x;
}

}  // namespace csvmarks
}  // namespace quillet
