// The scanning layer: every routine that reads or copies bytes faster than
// one at a time, and the only place that uses SIMD or prefetch or decides
// how large buffers grow. Each routine has a plain twin that gives the same
// results; the two sets are `plain` and `sse2`, and `active` below picks one
// for the build.
//
// Divisions: the over-read allowance; bit helpers; prefetch and large
// buffers; the kernels (declared here, plain ones in byte_scan_plain.h, SSE2
// ones in byte_scan_sse2.h); the choice of twin.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <string>
#include <vector>

#if defined(__SSE2__) && defined(__GNUC__) && !defined(QUILLET_NO_SIMD)
#define QUILLET_SSE2 1
#endif

namespace quillet {
namespace scan {

// How many bytes past the end of its data a routine that says so may read
// (and, for copyShort, write): a block of 16 bytes started at the last byte.
constexpr std::size_t overRead = 16;
static_assert(overRead >= 16, "a 16-byte block started at the last byte must fit");

// The position of the lowest set bit of a non-zero mask.
inline unsigned lowestBit(std::uint64_t mask)
{
    return static_cast<unsigned>(__builtin_ctzll(mask));
}

// The number of set bits of mask, without a library call on processors
// that have no instruction for it.
inline unsigned countBits(std::uint64_t mask)
{
    mask = mask - ((mask >> 1) & 0x5555555555555555ULL);
    mask = (mask & 0x3333333333333333ULL) + ((mask >> 2) & 0x3333333333333333ULL);
    mask = (mask + (mask >> 4)) & 0x0F0F0F0F0F0F0F0FULL;
    return static_cast<unsigned>((mask * 0x0101010101010101ULL) >> 56);
}

// Asks memory for the line that holds p, to be read soon.
inline void prefetch(const void* p)
{
#if defined(__GNUC__)
    __builtin_prefetch(p);
#else
    (void)p;
#endif
}

// Asks memory for the bytes data[0, size): the line of the first byte, and
// that of the last where it is another (a short text straddles two lines
// now and then).
inline void prefetchBytes(const char* data, std::size_t size)
{
    prefetch(data);
    const char* last = data + (size > 0 ? size - 1 : 0);
    if ((reinterpret_cast<std::uintptr_t>(data) ^ reinterpret_cast<std::uintptr_t>(last)) >= 64) prefetch(last);
}

// Large buffers are grown here, in plain pages. Advised as large pages, they
// made a fresh process several times slower wherever the kernel had to
// gather 2 MB of free memory first, as on a virtual machine that has handed
// freed memory back to its host.

// Gives text room for size bytes at once (no doubling steps, each of which
// would hold the old and the new buffer together); the content is kept.
void reserveLarge(std::string& text, std::size_t size);

// Gives items room for count of them at once; the items are kept.
template <class T>
void reserveLarge(std::vector<T>& items, std::size_t count)
{
    items.reserve(count);
}

// Makes room for one more item: when items are full, room for twice as many.
template <class T>
void roomForOne(std::vector<T>& items)
{
    if (items.size() == items.capacity()) reserveLarge(items, 2 * items.size() + 16);
}

// Where copyTextBytes stopped: the end of what it wrote, and whether it met a
// byte that ends the data.
struct CopyEnd {
    char* out;
    bool over;
};

// Where expandLineFeeds stopped, in its input and its output.
struct ExpandEnd {
    const char* in;
    char* out;
};

// The bytes of a run of up to 64 that equal a, b and c, and those above
// 0x7F: bit i for byte i.
struct ByteMarks {
    std::uint64_t a, b, c, high;
};

// The kernels, each twin in its own namespace with these contracts:
//
// findByte(data, from, size, c): the first position >= from of byte c in
//   data[0, size), or size.
// findEitherByte(data, from, size, a, b): the same for the first a or b.
// findByteOrHigh(p, end, c): the first byte in [p, end) that is c or above
//   0x7F, or end.
// findByteCounting(p, end, stop, counted, count): the first byte stop in
//   [p, end), or end; count gets the number of bytes `counted` before it.
// countByte(data, size, c): how many bytes of data[0, size) are c.
// anyHighByte(data, size): whether some byte of data[0, size) is above 0x7F.
// findPattern(data, size, from, needle, needleSize): the first position
//   >= from where needle (at least 2 bytes) lies wholly in data[0, size),
//   or size.
// collectByte(data, from, size, c, at, room): the positions of byte c in
//   data[from, size), in order, into at[]; stops when room are stored.
//   Returns how many were stored; *scanned gets where the search stopped
//   (size, or one past the last position stored when room ran out).
// markBytes(p, avail, a, b, c): marks the bytes of p[0, min(avail, 64))
//   that equal a, b and c, and those above 0x7F; reads up to overRead bytes
//   past them.
// copyShort(out, in, n): copies n bytes; reads and writes up to overRead
//   bytes past both ends.
// copyTextBytes(in, end, out): copies [in, end) dropping every '\r' and
//   stopping at the first 0x1A or NUL byte (over is then set); out, apart
//   from the input, may receive up to overRead bytes past the end it returns.
// expandLineFeeds(in, end, out, limit): copies [in, end) with "\r" before
//   every "\n" until in reaches end or out reaches limit; out, apart from the
//   input, may go up to 2 * overRead + 2 bytes past limit.
namespace plain {
std::size_t countByte(const char* data, std::size_t size, char c);
bool anyHighByte(const char* data, std::size_t size);
std::size_t findPattern(const char* data, std::size_t size, std::size_t from, const char* needle,
                        std::size_t needleSize);
CopyEnd copyTextBytes(const char* in, const char* end, char* out);
ExpandEnd expandLineFeeds(const char* in, const char* end, char* out, const char* limit);
}  // namespace plain

#if defined(QUILLET_SSE2)
namespace sse2 {
std::size_t countByte(const char* data, std::size_t size, char c);
bool anyHighByte(const char* data, std::size_t size);
std::size_t findPattern(const char* data, std::size_t size, std::size_t from, const char* needle,
                        std::size_t needleSize);
CopyEnd copyTextBytes(const char* in, const char* end, char* out);
ExpandEnd expandLineFeeds(const char* in, const char* end, char* out, const char* limit);
}  // namespace sse2
#endif

}  // namespace scan
}  // namespace quillet

#include "text/byte_scan_plain.h"
#if defined(QUILLET_SSE2)
#include "text/byte_scan_sse2.h"
#endif

namespace quillet {
namespace scan {

// The one place where the twin is chosen.
#if defined(QUILLET_SSE2)
namespace active = sse2;
#else
namespace active = plain;
#endif

using active::anyHighByte;
using active::collectByte;
using active::copyShort;
using active::copyTextBytes;
using active::countByte;
using active::expandLineFeeds;
using active::findByte;
using active::findByteCounting;
using active::findByteOrHigh;
using active::findEitherByte;
using active::findPattern;
using active::markBytes;

}  // namespace scan
}  // namespace quillet
