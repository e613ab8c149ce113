// The scanning layer's plain twins: a byte at a time, or the C library's
// own search. Included by byte_scan.h only; contracts there.
#pragma once

#include <cstring>

namespace quillet {
namespace scan {
namespace plain {

inline std::size_t findByte(const char* data, std::size_t from, std::size_t size, char c)
{
    if (from >= size) return size;
    const void* hit = std::memchr(data + from, c, size - from);
    return hit ? static_cast<std::size_t>(static_cast<const char*>(hit) - data) : size;
}

inline std::size_t findEitherByte(const char* data, std::size_t from, std::size_t size, char a, char b)
{
    for (; from < size; ++from)
        if (data[from] == a || data[from] == b) return from;
    return size;
}

inline const char* findByteOrHigh(const char* p, const char* end, char c)
{
    while (p < end && *p != c && static_cast<unsigned char>(*p) < 0x80) ++p;
    return p;
}

inline const char* findByteCounting(const char* p, const char* end, char stop, char counted, std::size_t& count)
{
    count = 0;
    for (; p < end && *p != stop; ++p) count += *p == counted;
    return p;
}

inline std::size_t collectByte(const char* data, std::size_t from, std::size_t size, char c, std::size_t* at,
                               std::size_t room, std::size_t* scanned)
{
    std::size_t found = 0;
    while (found < room) {
        from = findByte(data, from, size, c);
        if (from == size) break;
        at[found++] = from++;
    }
    *scanned = from;
    return found;
}

inline ByteMarks markBytes(const char* p, std::size_t avail, char a, char b, char c)
{
    ByteMarks marks{0, 0, 0, 0};
    const std::size_t n = avail < 64 ? avail : 64;
    for (std::size_t i = 0; i < n; ++i) {
        marks.a |= std::uint64_t(p[i] == a) << i;
        marks.b |= std::uint64_t(p[i] == b) << i;
        marks.c |= std::uint64_t(p[i] == c) << i;
        marks.high |= std::uint64_t(static_cast<unsigned char>(p[i]) >> 7) << i;
    }
    return marks;
}

inline char* copyShort(char* out, const char* in, std::size_t n)
{
    std::memcpy(out, in, n);
    return out + n;
}

}  // namespace plain
}  // namespace scan
}  // namespace quillet
