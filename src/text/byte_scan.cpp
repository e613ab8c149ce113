// The scanning layer's larger kernels, each twin in turn, and the growing of
// large buffers.
#include "text/byte_scan.h"

#include <string_view>

namespace quillet {
namespace scan {

void reserveLarge(std::string& text, std::size_t size)
{
    text.reserve(size);
}

namespace plain {

std::size_t countByte(const char* data, std::size_t size, char c)
{
    std::size_t count = 0;
    for (std::size_t i = 0; i < size; ++i) count += data[i] == c;
    return count;
}

bool anyHighByte(const char* data, std::size_t size)
{
    unsigned char any = 0;
    for (std::size_t i = 0; i < size; ++i) any |= static_cast<unsigned char>(data[i]);
    return (any & 0x80) != 0;
}

std::size_t findPattern(const char* data, std::size_t size, std::size_t from, const char* needle,
                        std::size_t needleSize)
{
    if (needleSize > size || from > size - needleSize) return size;
#if defined(__GLIBC__)
    const void* hit = memmem(data + from, size - from, needle, needleSize);
    return hit ? static_cast<std::size_t>(static_cast<const char*>(hit) - data) : size;
#else
    const std::size_t at = std::string_view(data, size).find(std::string_view(needle, needleSize), from);
    return at == std::string_view::npos ? size : at;
#endif
}

CopyEnd copyTextBytes(const char* in, const char* end, char* out)
{
    for (; in < end; ++in) {
        const char c = *in;
        if (c == '\x1A' || c == '\0') return {out, true};
        if (c != '\r') *out++ = c;
    }
    return {out, false};
}

ExpandEnd expandLineFeeds(const char* in, const char* end, char* out, const char* limit)
{
    for (; in < end && out < limit; ++in) {
        if (*in == '\n') *out++ = '\r';
        *out++ = *in;
    }
    return {in, out};
}

}  // namespace plain

#if defined(QUILLET_SSE2)
namespace sse2 {

std::size_t countByte(const char* data, std::size_t size, char c)
{
    std::size_t count = 0, pos = 0;
    // Each match subtracts one (-1) from its byte's counter; the counters
    // are summed before any could wrap.
    while (size - pos >= 16) {
        __m128i counters = _mm_setzero_si128();
        for (int round = 0; round < 255 && size - pos >= 16; ++round, pos += 16)
            counters = Block16::countEqual(counters, Block16::load(data + pos), c);
        const __m128i sums = _mm_sad_epu8(counters, _mm_setzero_si128());
        count += static_cast<std::size_t>(_mm_cvtsi128_si32(sums)) +
                 static_cast<std::size_t>(_mm_cvtsi128_si32(_mm_srli_si128(sums, 8)));
    }
    return count + plain::countByte(data + pos, size - pos, c);
}

bool anyHighByte(const char* data, std::size_t size)
{
    std::size_t pos = 0;
    for (; size - pos >= 16; pos += 16)
        if (Block16::load(data + pos).high() != 0) return true;
    return plain::anyHighByte(data + pos, size - pos);
}

std::size_t findPattern(const char* data, std::size_t size, std::size_t from, const char* needle,
                        std::size_t needleSize)
{
    if (needleSize > size || from > size - needleSize) return size;
    // Sixteen places at a time, those whose first and last bytes match are
    // compared whole. Should the comparisons cost more than the scan (a text
    // made to defeat the filter), the plain search takes over.
    const std::size_t start = from;
    std::size_t compared = 0;
    while (size - from >= needleSize - 1 + 16) {
        const Block16 a = Block16::load(data + from), b = Block16::load(data + from + needleSize - 1);
        unsigned mask = a.equal(needle[0]) & b.equal(needle[needleSize - 1]);
        while (mask != 0) {
            const std::size_t at = from + lowestBit(mask);
            if (std::memcmp(data + at + 1, needle + 1, needleSize - 2) == 0) return at;
            compared += needleSize;
            mask &= mask - 1;
        }
        from += 16;
        if (compared > 2 * (from - start) + 256) break;
    }
    return plain::findPattern(data, size, from, needle, needleSize);
}

namespace {

// The bytes that copyTextBytes drops or stops at, within a block.
unsigned textSpecials(const Block16& v)
{
    return v.equal('\r') | v.equal('\x1A') | v.equal('\0');
}

// Copies in[0, n) to out in 16-byte blocks and returns out + n: reads and
// writes up to 15 bytes past both ends.
char* copyBlocks(char* out, const char* in, std::size_t n)
{
    for (std::size_t k = 0; k < n; k += 16) Block16::load(in + k).store(out + k);
    return out + n;
}

}  // namespace

CopyEnd copyTextBytes(const char* in, const char* end, char* out)
{
    // Thirty-two bytes a round while they last: most rounds hold no special
    // byte, and one with a few is copied in the runs between them. The runs'
    // blocks read up to 15 bytes past the round, hence the margin.
    while (end - in >= 32 + 16) {
        const Block16 a = Block16::load(in), b = Block16::load(in + 16);
        unsigned specials = textSpecials(a) | textSpecials(b) << 16;
        if (specials == 0) {
            a.store(out);
            b.store(out + 16);
            in += 32;
            out += 32;
            continue;
        }
        std::size_t from = 0;
        for (; specials != 0; specials &= specials - 1) {
            const std::size_t at = lowestBit(specials);
            out = copyBlocks(out, in + from, at - from);
            if (in[at] != '\r') return {out, true};
            from = at + 1;
        }
        out = copyBlocks(out, in + from, 32 - from);
        in += 32;
    }
    while (end - in >= 16) {
        const Block16 v = Block16::load(in);
        v.store(out);
        const unsigned crs = v.equal('\r');
        const unsigned stops = v.equal('\x1A') | v.equal('\0');
        if (stops == 0 && (crs & (crs - 1)) == 0 && end - in >= 33) {
            // No carriage return or one (the usual line end): the bytes after
            // it move back by one, with no branch on where it stands.
            const unsigned at = crs != 0 ? lowestBit(crs) : 16;
            Block16::load(in + at + 1).store(out + at);
            in += 16;
            out += 16 - (crs != 0);
            continue;
        }
        const unsigned mask = crs | stops;
        if (mask == 0) {
            in += 16;
            out += 16;
            continue;
        }
        // Keep what stands before the first special byte, then deal with it.
        const unsigned at = lowestBit(mask);
        in += at;
        out += at;
        if (*in != '\r') return {out, true};
        ++in;
    }
    return plain::copyTextBytes(in, end, out);
}

ExpandEnd expandLineFeeds(const char* in, const char* end, char* out, const char* limit)
{
    while (end - in >= 16 && out < limit) {
        const Block16 v = Block16::load(in);
        v.store(out);
        const unsigned mask = v.equal('\n');
        if ((mask & (mask - 1)) == 0 && end - in >= 32) {
            // No line feed or one (lines are mostly longer than 16 bytes):
            // "\r" goes before it and the rest moves on by one, with no
            // branch on where it stands. Bytes written past the block are
            // written again by the next one.
            const unsigned at = mask != 0 ? lowestBit(mask) : 16;
            out[at] = '\r';
            Block16::load(in + at).store(out + at + 1);
            in += 16;
            out += 16 + (mask != 0);
            continue;
        }
        if (mask == 0) {
            in += 16;
            out += 16;
            continue;
        }
        const unsigned at = lowestBit(mask);
        in += at + 1;
        out += at;
        *out++ = '\r';
        *out++ = '\n';
    }
    // A plain byte loop for the rest; lines are often short, and a search
    // call per line would cost more than it saves.
    return plain::expandLineFeeds(in, end, out, limit);
}

}  // namespace sse2
#endif

}  // namespace scan
}  // namespace quillet
