// The scanning layer's SSE2 twins: sixteen bytes at a time. Included by
// byte_scan.h only, when the build has SSE2; contracts there.
#pragma once

#include <cstring>
#include <emmintrin.h>

namespace quillet {
namespace scan {
namespace sse2 {

// Sixteen bytes in a register: the one wrapper of the SSE2 intrinsics.
struct Block16 {
    __m128i v;

    static Block16 load(const char* p) { return {_mm_loadu_si128(reinterpret_cast<const __m128i*>(p))}; }
    void store(char* p) const { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v); }
    // Bit i set where byte i equals c.
    unsigned equal(char c) const { return static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, _mm_set1_epi8(c)))); }
    // Bit i set where byte i is above 0x7F.
    unsigned high() const { return static_cast<unsigned>(_mm_movemask_epi8(v)); }
    // Each byte minus one where it equals c: a counter per byte position.
    static __m128i countEqual(__m128i counters, const Block16& b, char c)
    {
        return _mm_sub_epi8(counters, _mm_cmpeq_epi8(b.v, _mm_set1_epi8(c)));
    }
};

inline std::size_t findByte(const char* data, std::size_t from, std::size_t size, char c)
{
    // Short distances are the common case (fields, names): a few blocks in
    // line beat a call to the C library's search, which is quicker over
    // long ones.
    for (int blocks = 0; blocks < 4 && from < size && size - from >= 16; ++blocks, from += 16) {
        const unsigned mask = Block16::load(data + from).equal(c);
        if (mask != 0) return from + lowestBit(mask);
    }
    if (from < size && size - from < 16) {
        for (; from < size; ++from)
            if (data[from] == c) return from;
        return size;
    }
    return plain::findByte(data, from, size, c);
}

inline std::size_t findEitherByte(const char* data, std::size_t from, std::size_t size, char a, char b)
{
    for (; from < size && size - from >= 16; from += 16) {
        const Block16 v = Block16::load(data + from);
        const unsigned mask = v.equal(a) | v.equal(b);
        if (mask != 0) return from + lowestBit(mask);
    }
    return plain::findEitherByte(data, from, size, a, b);
}

inline const char* findByteOrHigh(const char* p, const char* end, char c)
{
    for (; end - p >= 16; p += 16) {
        const Block16 v = Block16::load(p);
        const unsigned mask = v.equal(c) | v.high();
        if (mask != 0) return p + lowestBit(mask);
    }
    return plain::findByteOrHigh(p, end, c);
}

inline const char* findByteCounting(const char* p, const char* end, char stop, char counted, std::size_t& count)
{
    count = 0;
    for (; end - p >= 16; p += 16) {
        const Block16 v = Block16::load(p);
        const unsigned stops = v.equal(stop), hits = v.equal(counted);
        if (stops != 0) {
            const unsigned at = lowestBit(stops);
            count += countBits(hits & ((1u << at) - 1));
            return p + at;
        }
        count += countBits(hits);
    }
    std::size_t rest = 0;
    p = plain::findByteCounting(p, end, stop, counted, rest);
    count += rest;
    return p;
}

inline std::size_t collectByte(const char* data, std::size_t from, std::size_t size, char c, std::size_t* at,
                               std::size_t room, std::size_t* scanned)
{
    std::size_t found = 0;
    // 64 bytes a round while they last: the loop over a round's positions
    // then ends (and mispredicts) once per 64 bytes, not once per 16.
    for (; found < room && from < size && size - from >= 64; from += 64) {
        std::uint64_t mask = 0;
        for (int i = 0; i < 64; i += 16) mask |= std::uint64_t(Block16::load(data + from + i).equal(c)) << i;
        while (mask != 0) {
            at[found++] = from + lowestBit(mask);
            mask &= mask - 1;
            if (found == room) {
                *scanned = at[found - 1] + 1;
                return found;
            }
        }
    }
    for (; found < room && from < size && size - from >= 16; from += 16) {
        unsigned mask = Block16::load(data + from).equal(c);
        while (mask != 0) {
            at[found++] = from + lowestBit(mask);
            mask &= mask - 1;
            if (found == room) {
                *scanned = at[found - 1] + 1;
                return found;
            }
        }
    }
    std::size_t rest = found < room ? plain::collectByte(data, from, size, c, at + found, room - found, scanned) : 0;
    if (found == room) *scanned = from;
    return found + rest;
}

inline ByteMarks markBytes(const char* p, std::size_t avail, char a, char b, char c)
{
    if (avail >= 64) {
        // A whole word, the usual case: unrolled, every shift a constant.
        const Block16 v0 = Block16::load(p), v1 = Block16::load(p + 16), v2 = Block16::load(p + 32),
                      v3 = Block16::load(p + 48);
        const auto word = [](unsigned m0, unsigned m1, unsigned m2, unsigned m3) {
            return std::uint64_t(m0) | std::uint64_t(m1) << 16 | std::uint64_t(m2) << 32 | std::uint64_t(m3) << 48;
        };
        return {word(v0.equal(a), v1.equal(a), v2.equal(a), v3.equal(a)),
                word(v0.equal(b), v1.equal(b), v2.equal(b), v3.equal(b)),
                word(v0.equal(c), v1.equal(c), v2.equal(c), v3.equal(c)),
                word(v0.high(), v1.high(), v2.high(), v3.high())};
    }
    // Fewer: block by block, then the bits past them cleared.
    ByteMarks marks{0, 0, 0, 0};
    for (std::size_t i = 0; i < avail; i += 16) {
        const Block16 v = Block16::load(p + i);
        marks.a |= std::uint64_t(v.equal(a)) << i;
        marks.b |= std::uint64_t(v.equal(b)) << i;
        marks.c |= std::uint64_t(v.equal(c)) << i;
        marks.high |= std::uint64_t(v.high()) << i;
    }
    const std::uint64_t kept = avail == 0 ? 0 : ~std::uint64_t(0) >> (64 - avail);
    marks.a &= kept;
    marks.b &= kept;
    marks.c &= kept;
    marks.high &= kept;
    return marks;
}

inline char* copyShort(char* out, const char* in, std::size_t n)
{
    for (std::size_t i = 0; i < n; i += 16) Block16::load(in + i).store(out + i);
    return out + n;
}

}  // namespace sse2
}  // namespace scan
}  // namespace quillet
