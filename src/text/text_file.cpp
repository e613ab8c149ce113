#include "text/text_file.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>
#include <vector>

#include "text/file_io.h"
#include "text/string_ops.h"

#if defined(__SSE2__) && defined(__GNUC__)
#include <emmintrin.h>
#define QUILLET_SSE2 1
#endif

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace {

// Copies the bytes [in, end) to out by the text-file rules: every '\r'
// dropped, and the data over at the first 0x1A or NUL byte, which sets
// `over`. Returns the end of what was written. out may receive up to 16 bytes
// beyond that end.
char* copyTextBytes(const char* in, const char* end, char* out, bool& over)
{
#if defined(QUILLET_SSE2)
    const __m128i cr = _mm_set1_epi8('\r'), eof = _mm_set1_epi8('\x1A'), nul = _mm_setzero_si128();
    while (end - in >= 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out), v);
        const unsigned crs = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, cr)));
        const unsigned ends =
            static_cast<unsigned>(_mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(v, eof), _mm_cmpeq_epi8(v, nul))));
        if (ends == 0 && (crs & (crs - 1)) == 0 && end - in >= 33) {
            // No carriage return or one (the usual line end): the bytes after
            // it move back by one, with no branch on where it stands.
            const unsigned at = crs != 0 ? static_cast<unsigned>(__builtin_ctz(crs)) : 16;
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + at),
                             _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + at + 1)));
            in += 16;
            out += 16 - (crs != 0);
            continue;
        }
        const unsigned mask = crs | ends;
        if (mask == 0) {
            in += 16;
            out += 16;
            continue;
        }
        // Keep what stands before the first special byte, then deal with it.
        const unsigned at = static_cast<unsigned>(__builtin_ctz(mask));
        in += at;
        out += at;
        if (*in != '\r') {
            over = true;
            return out;
        }
        ++in;
    }
#endif
    for (; in < end; ++in) {
        const char c = *in;
        if (c == '\x1A' || c == '\0') {
            over = true;
            return out;
        }
        if (c != '\r') *out++ = c;
    }
    return out;
}

const std::size_t writeChunk = 1 << 18;

// How much of a file is read at a time: small enough to stay in the cache
// while its bytes are copied by the text-file rules.
const std::size_t readChunk = 1 << 18;

// Writes text to file with every "\n" as "\r\n", after a "\r\n" when
// leadingBreak is set.
void writeConverted(quillet::OutputFile& file, const std::string& text, bool leadingBreak)
{
    // Slack past the limit: a block of 16 bytes may overrun it, a line break
    // adds one byte, and a block with a line feed writes up to 33 bytes.
    std::vector<char> buffer(writeChunk + 48);
    char* const begin = buffer.data();
    char* const limit = begin + writeChunk;
    char* out = begin;
    if (leadingBreak) {
        *out++ = '\r';
        *out++ = '\n';
    }
    const char* p = text.data();
    const char* const end = p + text.size();
    while (p < end) {
#if defined(QUILLET_SSE2)
        // Sixteen bytes at a time up to the next line feed.
        const __m128i lineFeed = _mm_set1_epi8('\n');
        while (end - p >= 16 && out < limit) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out), v);
            const unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, lineFeed)));
            if ((mask & (mask - 1)) == 0 && end - p >= 32) {
                // No line feed or one (lines are mostly longer than 16
                // bytes): "\r" goes before it and the rest moves on by one,
                // with no branch on where it stands. Bytes written past the
                // block are written again by the next one.
                const unsigned at = mask != 0 ? static_cast<unsigned>(__builtin_ctz(mask)) : 16;
                out[at] = '\r';
                _mm_storeu_si128(reinterpret_cast<__m128i*>(out + at + 1),
                                 _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + at)));
                p += 16;
                out += 16 + (mask != 0);
                continue;
            }
            if (mask == 0) {
                p += 16;
                out += 16;
                continue;
            }
            const unsigned at = static_cast<unsigned>(__builtin_ctz(mask));
            p += at + 1;
            out += at;
            *out++ = '\r';
            *out++ = '\n';
        }
#endif
        // A plain byte loop for the rest; lines are often short, and a search
        // call per line would cost more than it saves.
        for (; p < end && out < limit; ++p) {
            if (*p == '\n') *out++ = '\r';
            *out++ = *p;
        }
        if (out >= limit) {
            quillet::writeOutputBytes(file, begin, out - begin);
            if (file.failed) return;
            out = begin;
        }
    }
    quillet::writeOutputBytes(file, begin, out - begin);
}

std::size_t countLineFeeds(const char* data, std::size_t size);

// The size of text on disk, where every "\n" takes two bytes.
unsigned long long diskSizeOf(const std::string& text)
{
    return text.size() + static_cast<unsigned long long>(countLineFeeds(text.data(), text.size()));
}

// The size of the pieces on disk.
unsigned long long diskSizeOf(const DiskBytes* pieces, std::size_t count)
{
    unsigned long long total = 0;
    for (std::size_t i = 0; i < count; ++i) total += pieces[i].size;
    return total;
}

}  // namespace

void adviseLargePages(const void* data, std::size_t bytes)
{
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    const std::size_t page = std::size_t(1) << 21;
    if (bytes < 4 * page) return;
    const std::uintptr_t begin = reinterpret_cast<std::uintptr_t>(data);
    const std::uintptr_t from = (begin + page - 1) & ~(page - 1);
    const std::uintptr_t to = (begin + bytes) & ~(page - 1);
    if (to > from) madvise(reinterpret_cast<void*>(from), to - from, MADV_HUGEPAGE);
#else
    (void)data;
    (void)bytes;
#endif
}

void reserveLarge(std::string& text, std::size_t size)
{
    if (size <= text.capacity()) return;
    text.reserve(size);
    // Only the room past the old content is untouched.
    adviseLargePages(text.data(), text.capacity());
}

bool openTextFile(const char* fileName, TextFileReader& reader, std::size_t& sizeGuess)
{
    reader.ended = false;
    return quillet::openInputFile(fileName, reader.file, sizeGuess);
}

bool readTextPiece(TextFileReader& reader, std::string& text, std::size_t size)
{
    if (reader.piece.size() < size) reader.piece.resize(size);
    const long long got = quillet::readInputBytes(reader.file, reader.piece.data(), size);
    if (got <= 0) {
        reader.ended = true;
        return got == 0;
    }
    const std::size_t used = text.size();
    text.resize(used + static_cast<std::size_t>(got) + 16);
    char* start = &text[0];
    bool over = false;
    text.resize(copyTextBytes(reader.piece.data(), reader.piece.data() + got, start + used, over) - start);
    if (over) reader.ended = true;
    return true;
}

void closeTextFile(TextFileReader& reader)
{
    quillet::closeInputFile(reader.file);
}

namespace {

// readTextFile, the text starting at text[front]: 0, or with roomInFront
// half the file's size.
bool readTextAt(const char* fileName, std::string& text, bool roomInFront, std::size_t& front)
{
    TextFileReader reader;
    std::size_t sizeGuess = 0;
    if (!openTextFile(fileName, reader, sizeGuess)) return false;
    quillet::InputFileCloser closer{reader.file};
    front = roomInFront ? sizeGuess / 2 : 0;
    text.clear();
    reserveLarge(text, front + std::max<std::size_t>(sizeGuess, 1 << 16) + 16);
    text.resize(front);
    while (!reader.ended)
        if (!readTextPiece(reader, text, readChunk)) return false;
    return true;
}

}  // namespace

bool readTextFile(const char* fileName, std::string& text)
{
    std::size_t front;
    return readTextAt(fileName, text, false, front);
}

bool readTextFileAfterRoom(const char* fileName, std::string& text, std::size_t& front)
{
    return readTextAt(fileName, text, true, front);
}

namespace {

// Appends the lines of data[0, size) to store, as many at a time as the
// line search hands back.
template <class Lines>
void appendLinesTo(const char* data, std::size_t size, Lines& store)
{
    std::size_t ends[64];
    for (std::size_t pos = 0; pos < size;) {
        const std::size_t count = findLineEnds(data, size, pos, ends, 64);
        for (std::size_t i = 0; i < count; ++i) {
            store.emplace_back(data + pos, ends[i] - pos);
            pos = ends[i] + 1;
        }
    }
}

// The number of line feeds in data[0, size): with one more, at least as many
// as the lines there (a line feed after a lead byte ends none).
std::size_t countLineFeeds(const char* data, std::size_t size)
{
    std::size_t count = 0, pos = 0;
#if defined(QUILLET_SSE2)
    const __m128i lineFeed = _mm_set1_epi8('\n');
    // Each line feed subtracts one (-1) from its byte's counter; the counters
    // are summed before any could wrap.
    while (size - pos >= 16) {
        __m128i counters = _mm_setzero_si128();
        for (int round = 0; round < 255 && size - pos >= 16; ++round, pos += 16) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + pos));
            counters = _mm_sub_epi8(counters, _mm_cmpeq_epi8(v, lineFeed));
        }
        const __m128i sums = _mm_sad_epu8(counters, _mm_setzero_si128());
        count += static_cast<std::size_t>(_mm_cvtsi128_si32(sums)) +
                 static_cast<std::size_t>(_mm_cvtsi128_si32(_mm_srli_si128(sums, 8)));
    }
#endif
    for (; pos < size; ++pos) count += data[pos] == '\n';
    return count;
}

// Appends to spans the lines of data[from, size), without their line feeds,
// by appendLinesTo's rules. spans must have room for them all.
void appendLineSpans(const char* data, std::size_t size, std::size_t from, std::vector<WordSpan>& spans)
{
    std::size_t ends[64];
    for (std::size_t pos = from; pos < size;) {
        const std::size_t count = findLineEnds(data, size, pos, ends, 64);
        for (std::size_t i = 0; i < count; ++i) {
            spans.push_back({pos, ends[i] - pos});
            pos = ends[i] + 1;
        }
    }
}

}  // namespace

void appendLines(const std::string& text, Store& store)
{
    appendLinesTo(text.data(), text.size(), store);
}

void appendLines(std::string& text, WordStore& store)
{
    if (text.empty()) return;
    // Room for every span at once: no doubling steps, each of which would
    // hold the old and the new array together.
    std::vector<WordSpan>& spans = store.spans();
    const std::size_t needed = spans.size() + countLineFeeds(text.data(), text.size()) + 1;
    if (needed > spans.capacity()) {
        spans.reserve(std::max(needed, spans.capacity() + spans.capacity() / 2));
        adviseLargePages(spans.data(), spans.capacity() * sizeof(WordSpan));
    }
    std::string& bytes = store.bytes();
    std::size_t base = 0;
    if (store.empty()) {
        // The text itself becomes the store's bytes: nothing is copied.
        bytes.swap(text);
    } else {
        base = bytes.size();
        if (bytes.capacity() - base < text.size())
            reserveLarge(bytes, std::max(base + text.size(), bytes.capacity() + bytes.capacity() / 2));
        bytes.append(text);
    }
    // Nothing asks for memory from here on.
    appendLineSpans(bytes.data(), bytes.size(), base, spans);
}

bool readFileLines(const char* fileName, Store& store)
{
    std::string text;
    if (!readTextFile(fileName, text)) return false;
    // Built apart and spliced in, so that running out of memory half way
    // leaves the store as it was.
    Store lines;
    appendLines(text, lines);
    store.splice(store.end(), lines);
    return !store.empty();
}

bool readFileLines(const char* fileName, WordStore& store)
{
    std::string text;
    if (!readTextFile(fileName, text)) return false;
    appendLines(text, store);
    return !store.empty();
}

bool writeTextFile(const char* fileName, const std::string& text, bool append)
{
    quillet::OutputFile file;
    if (!quillet::openOutputFile(fileName, append, file, append ? 0 : diskSizeOf(text))) return false;
    try {
        writeConverted(file, text, append);
    } catch (...) {
        quillet::abandonOutputFile(file);
        throw;
    }
    return quillet::finishOutputFile(file);
}

bool replaceWithDiskBytes(const char* fileName, const DiskBytes* pieces, std::size_t count)
{
    quillet::OutputFile file;
    if (!quillet::openOutputFile(fileName, false, file, diskSizeOf(pieces, count))) return false;
    for (std::size_t i = 0; i < count; ++i)
        for (std::size_t at = 0; at < pieces[i].size; at += writeChunk)
            quillet::writeOutputBytes(file, pieces[i].data + at, std::min(writeChunk, pieces[i].size - at));
    return quillet::finishOutputFile(file);
}
