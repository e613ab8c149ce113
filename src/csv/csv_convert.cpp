#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include <sys/stat.h>

#if defined(__SSE2__) && defined(__GNUC__)
#include <emmintrin.h>
#endif

#include "csv/csv_records.h"
#include "frame/export.h"
#include "text/code_page.h"
#include "text/string_ops.h"
#include "text/text_file.h"

namespace {

// Number of bytes that "%d" gives for value.
std::size_t decimalWidth(long long value)
{
    std::size_t width = value < 0 ? 2 : 1;
    for (unsigned long long rest = value < 0 ? 0ULL - value : value; rest >= 10; rest /= 10) ++width;
    return width;
}

// Writes value as "%d" does at w; returns the end.
char* putDecimal(char* w, long long value)
{
    if (value >= 0 && value < 10) {
        *w++ = static_cast<char>('0' + value);
        return w;
    }
    unsigned long long rest = value < 0 ? 0ULL - static_cast<unsigned long long>(value) : value;
    if (value < 0) *w++ = '-';
    char digits[24];
    char* d = digits + sizeof digits;
    do {
        *--d = static_cast<char>('0' + rest % 10);
        rest /= 10;
    } while (rest != 0);
    const std::size_t width = digits + sizeof digits - d;
    std::memcpy(w, d, width);
    return w + width;
}

char* putBytes(char* w, const char* bytes, std::size_t size)
{
    std::memcpy(w, bytes, size);
    return w + size;
}

// Writes field as unquoteField leaves it at w; returns the end. A caller
// that knows that no quote stands between the first and the last byte says
// so with innerQuotes false.
char* putUnquoted(char* w, const char* field, std::size_t size, bool innerQuotes = true)
{
    if (size == 0 || field[0] != '"') return putBytes(w, field, size);
    if (size < 2) return w;
    const char* p = field + 1;
    const char* end = field + size - 1;
    // Without an inner quote there is no pair to halve.
    if (!innerQuotes || !std::memchr(p, '"', end - p)) return putBytes(w, p, end - p);
    while (p < end) {
        if (isLeadByte(static_cast<unsigned char>(*p))) {
            // The byte after a lead byte is never half of a pair of quotes.
            *w++ = *p++;
            if (p < end) *w++ = *p++;
        } else if (*p == '"' && p + 1 < end && p[1] == '"') {
            *w++ = '"';
            p += 2;
        } else {
            *w++ = *p++;
        }
    }
    return w;
}

#if !defined(__SSE2__) && defined(__GNUC__) && defined(__BYTE_ORDER__) && \
    __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
// The high bit of each byte of word that equals b, and no other bit.
inline std::uint64_t bytesEqual(std::uint64_t word, unsigned char b)
{
    const std::uint64_t low7 = 0x7F7F7F7F7F7F7F7FULL;
    const std::uint64_t x = word ^ (0x0101010101010101ULL * b);
    return ~(((x & low7) + low7) | x | low7);
}

// The number of bytes marked in a mask that bytesEqual gave.
inline unsigned markedBytes(std::uint64_t mask)
{
    return static_cast<unsigned>(((mask >> 7) * 0x0101010101010101ULL) >> 56);
}
#endif

// The number of bits set in a 16-bit mask, without a library call on
// processors that have no instruction for it.
inline unsigned bitCount16(unsigned x)
{
    x = x - ((x >> 1) & 0x5555u);
    x = (x & 0x3333u) + ((x >> 2) & 0x3333u);
    x = (x + (x >> 4)) & 0x0F0Fu;
    return (x + (x >> 8)) & 0x1Fu;
}

// Where the line that starts at p ends (at its "\n", or at end) under a code
// page without lead bytes; quotes receives the number of quotes in the line.
// Sixteen or eight bytes at a time where the platform allows.
inline const char* scanPlainLine(const char* p, const char* end, std::size_t& quotes)
{
    quotes = 0;
#if defined(__SSE2__) && defined(__GNUC__)
    const __m128i lineFeed = _mm_set1_epi8('\n'), quote = _mm_set1_epi8('"');
    while (end - p >= 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const unsigned breaks = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, lineFeed)));
        const unsigned quoteBits = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, quote)));
        if (breaks != 0) {
            const unsigned at = static_cast<unsigned>(__builtin_ctz(breaks));
            quotes += static_cast<std::size_t>(bitCount16(quoteBits & ((1u << at) - 1)));
            return p + at;
        }
        quotes += static_cast<std::size_t>(bitCount16(quoteBits));
        p += 16;
    }
#elif defined(__GNUC__) && defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    while (end - p >= 8) {
        std::uint64_t word;
        std::memcpy(&word, p, 8);
        const std::uint64_t breaks = bytesEqual(word, '\n');
        const std::uint64_t quoteBits = bytesEqual(word, '"');
        if (breaks != 0) {
            const unsigned at = static_cast<unsigned>(__builtin_ctzll(breaks));  // 8 * index + 7
            quotes += markedBytes(quoteBits & ((std::uint64_t(1) << at) - 1));
            return p + at / 8;
        }
        quotes += markedBytes(quoteBits);
        p += 8;
    }
#endif
    for (; p < end && *p != '\n'; ++p) quotes += *p == '"';
    return p;
}

// Where the code page in use has lead bytes: nowhere, only above 0x7F (so
// that a text without such bytes has none), or anywhere.
enum LeadBytes { noLeadBytes, highLeadBytes, lowLeadBytes };

LeadBytes leadBytesInUse()
{
    LeadBytes found = noLeadBytes;
    for (unsigned b = 0; b < 256; ++b)
        if (isLeadByte(static_cast<unsigned char>(b))) {
            if (b < 0x80) return lowLeadBytes;
            found = highLeadBytes;
        }
    return found;
}

// Whether text needs the lead-byte rule when it is read.
bool needsLeadRule(const std::string& text, LeadBytes leads)
{
    if (leads != highLeadBytes) return leads == lowLeadBytes;
    std::uint64_t any = 0;
    std::size_t i = 0;
    for (; i + 8 <= text.size(); i += 8) {
        std::uint64_t word;
        std::memcpy(&word, text.data() + i, 8);
        any |= word;
    }
    for (; i < text.size(); ++i) any |= static_cast<unsigned char>(text[i]);
    return (any & 0x8080808080808080ULL) != 0;
}

// Where the line that starts at p ends: at its "\n", or at end. A lead byte
// takes the next byte with it, as findLineEnd has it; leads tells whether
// the code page has any.
inline const char* lineEnd(const char* p, const char* end, bool leads)
{
    if (!leads) {
        std::size_t quotes;
        return scanPlainLine(p, end, quotes);
    }
    while (p < end && *p != '\n') p += isLeadByte(static_cast<unsigned char>(*p)) && end - p > 1 ? 2 : 1;
    return p;
}

// The bytes of a line of a split record: from its first byte to its end.
using Span = std::pair<const char*, const char*>;

// Finds lines `first` and `second` (from 1) of text in one walk, lines taken
// from the front one after the other; a number below 1 or past the last line
// gives an empty span.
void findTwoLines(const std::string& text, int first, int second, bool leads, Span& a, Span& b)
{
    const char* p = text.data();
    const char* end = p + text.size();
    a = b = Span(end, end);
    const int last = std::max(first, second);
    for (int number = 1; number <= last && p < end; ++number) {
        const char* stop = lineEnd(p, end, leads);
        if (number == first) a = Span(p, stop);
        if (number == second) b = Span(p, stop);
        p = stop + 1;
    }
}

// Makes out exactly `size` bytes long, to be written over; throws when no
// string can be that long (a size computed in 64 bits may not fit a 32-bit
// size_t).
void prepareBuffer(std::string& out, unsigned long long size)
{
    if (size > out.max_size()) throw std::bad_alloc();
    // Only bytes past the old length are filled: all of them are written
    // over anyway. Growing past the room copies nothing.
    if (size > out.capacity()) out.clear();
    out.resize(static_cast<std::size_t>(size));
}

// Gives buffer room for about twice the file's size: the file is read into
// it and the output then written over it, so that the pages the file filled
// are not asked for again. Not in a 32-bit address space, where holding that
// much room unused could leave too little for the records.
void reserveRoomFor(const char* fileName, std::string& buffer)
{
    if (sizeof(std::size_t) < 8) return;
    struct stat st;
    if (stat(fileName, &st) != 0 || (st.st_mode & S_IFMT) != S_IFREG) return;
    const unsigned long long room = 2ULL * static_cast<unsigned long long>(st.st_size) + 4096;
    if (room > buffer.max_size()) return;
    try {
        reserveLarge(buffer, static_cast<std::size_t>(room));
    } catch (const std::bad_alloc&) {
        // Then the output gets a buffer of its own.
    }
}

// Clears csvLines and fills it with the split records of the file: its
// lines as readFileLines gives them, each split while it is fresh in the
// cache. buffer is left with its room, for the output. False, the
// store left empty, when the file cannot be read or holds no line.
bool loadCSVRecords(const char* fileName, std::string& buffer)
{
    clearStore(csvLines);
    reserveRoomFor(fileName, buffer);
    if (!readTextFile(fileName, buffer)) return false;
    Store records;
    std::uint64_t splitTable[256];
    makeSplitTable(splitTable);
    const char* data = buffer.data();
    const std::size_t size = buffer.size();
    std::size_t ends[64];
    for (std::size_t pos = 0; pos < size;) {
        const std::size_t count = findLineEnds(data, size, pos, ends, 64);
        for (std::size_t i = 0; i < count; ++i) {
            const std::size_t length = ends[i] - pos;
            std::string& record = *records.emplace(records.end());
            // A record that ends with "," grows by a "\n" when it is split.
            record.reserve(length + (length > 0 && data[ends[i] - 1] == ',' ? 1 : 0));
            record.assign(data + pos, length);
            splitRecord(record, splitTable);
            pos = ends[i] + 1;
        }
    }
    // The file's text stays in buffer only as room for the output.
    csvLines.swap(records);
    return !csvLines.empty();
}

// Room for bytes that are written once and never read before: unlike a
// string's, it is not filled when it grows.
struct ByteBuffer {
    std::unique_ptr<char[]> bytes;
    std::size_t used = 0;
    std::size_t room = 0;
};

// Where `more` bytes go after what buffer already holds, growing it when
// needed; throws when no buffer can be that large.
char* roomFor(ByteBuffer& buffer, unsigned long long more)
{
    if (buffer.room - buffer.used >= more) return buffer.bytes.get() + buffer.used;
    const unsigned long long wanted =
        std::max<unsigned long long>(buffer.room + buffer.room / 2, buffer.used + more);
    if (wanted > static_cast<std::size_t>(-1) / 2) throw std::bad_alloc();
    std::unique_ptr<char[]> bigger(new char[static_cast<std::size_t>(wanted)]);
    adviseLargePages(bigger.get(), static_cast<std::size_t>(wanted));
    if (buffer.used > 0) std::memcpy(bigger.get(), buffer.bytes.get(), buffer.used);
    buffer.bytes.swap(bigger);
    buffer.room = static_cast<std::size_t>(wanted);
    return buffer.bytes.get() + buffer.used;
}

// Turns each "\n" of [begin, end) into "\r\n" in place; the room past end
// must take one more byte per "\n". Returns the new end.
char* expandLineBreaks(char* begin, char* end)
{
    const std::size_t breaks = static_cast<std::size_t>(std::count(begin, end, '\n'));
    char* to = end + breaks;
    char* const newEnd = to;
    for (char* from = end; from != begin && to != from;) {
        const char c = *--from;
        *--to = c;
        if (c == '\n') *--to = '\r';
    }
    return newEnd;
}

// The most bytes that putDiskSection writes for a split record of `size`
// bytes: it has at most size + 1 rows, and a field may double when its line
// feeds become "\r\n".
unsigned long long diskSectionBound(std::size_t size)
{
    const unsigned long long n = size;
    return 26 + 2 * n + (n + 1) * (decimalWidth(static_cast<long long>(size)) + 5);
}

// Writes at w the section of record number k of transCSVToINI's text, as it
// goes on disk; rows receives its number of rows. leads: whether the record
// needs the lead-byte rule.
char* putDiskSection(char* w, long long k, const std::string& record, bool leads, long long& rows)
{
    w = putBytes(w, "\r\n[", 3);
    w = putDecimal(w, k);
    w = putBytes(w, "]\r\n", 3);
    const char* p = record.data();
    const char* end = p + record.size();
    long long row = 0;
    for (; p < end; ++row) {
        w = putDecimal(w, row);
        w = putBytes(w, "=\"", 2);
        if (!leads) {
            std::size_t quotes;
            const char* stop = scanPlainLine(p, end, quotes);
            const bool innerQuotes =
                quotes > (p < stop && *p == '"' ? 1u : 0u) + (stop - p >= 2 && stop[-1] == '"' ? 1u : 0u);
            w = putUnquoted(w, p, stop - p, innerQuotes);
            p = stop + 1;
        } else {
            // A trail byte may be a line feed, which the disk form doubles.
            const char* stop = lineEnd(p, end, true);
            char* const field = w;
            w = putUnquoted(w, p, stop - p);
            if (std::memchr(field, '\n', w - field)) w = expandLineBreaks(field, w);
            p = stop + 1;
        }
        w = putBytes(w, "\"\r\n", 3);
    }
    rows = row;
    return w;
}

// Appends to records an element for a record of `size` bytes, moved over
// from old when it has one: its node and text room are taken again, which
// spares the allocator a free and a request per record and the memory a
// fresh fault for them. A room far larger than needed is given up.
std::string& recordFor(Store& records, Store& old, std::size_t size)
{
    if (old.empty()) {
        std::string& record = *records.emplace(records.end());
        record.reserve(size);
        return record;
    }
    records.splice(records.end(), old, old.begin());
    std::string& record = records.back();
    if (record.capacity() > 2 * size + 64) std::string().swap(record);
    record.reserve(size);
    return record;
}

// The longest record that splitAndPutRows takes; longer ones, rare, take
// the general walk.
const std::size_t maskedRecordLimit = 4096;

// Bit i of commas[i / 64] is set for each byte line[i], i < n, that is ",",
// and of quotes[i / 64] for each '"'; no other bit. n <= maskedRecordLimit,
// and up to 15 bytes past line[n] may be read.
void markSpecialBytes(const char* line, std::size_t n, std::uint64_t* commas, std::uint64_t* quotes)
{
    const std::size_t words = (n + 63) / 64;
#if defined(__SSE2__) && defined(__GNUC__)
    const __m128i comma = _mm_set1_epi8(','), quote = _mm_set1_epi8('"');
    for (std::size_t word = 0; word < words; ++word) {
        std::uint64_t c = 0, q = 0;
        for (std::size_t i = 0; i < 64 && word * 64 + i < n; i += 16) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(line + word * 64 + i));
            c |= std::uint64_t(static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, comma)))) << i;
            q |= std::uint64_t(static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, quote)))) << i;
        }
        commas[word] = c;
        quotes[word] = q;
    }
    // Bytes read past the end mark nothing.
    if (n % 64 != 0) {
        const std::uint64_t kept = (std::uint64_t(1) << (n % 64)) - 1;
        commas[words - 1] &= kept;
        quotes[words - 1] &= kept;
    }
#else
    std::memset(commas, 0, words * sizeof *commas);
    std::memset(quotes, 0, words * sizeof *quotes);
    for (std::size_t i = 0; i < n; ++i) {
        if (line[i] == ',') commas[i / 64] |= std::uint64_t(1) << (i % 64);
        if (line[i] == '"') quotes[i / 64] |= std::uint64_t(1) << (i % 64);
    }
#endif
}

// Where no byte is a lead byte: marks the line that starts at line as
// markSpecialBytes does, and returns its length, up to its first "\n" or to
// avail; more than maskedRecordLimit, the marks then unusable, for a longer
// line. Up to 15 bytes past line[avail] may be read.
std::size_t markLine(const char* line, std::size_t avail, std::uint64_t* commas, std::uint64_t* quotes)
{
    for (std::size_t word = 0; word < maskedRecordLimit / 64; ++word) {
        const std::size_t base = word * 64;
        std::uint64_t c = 0, q = 0, breaks = 0;
#if defined(__SSE2__) && defined(__GNUC__)
        const __m128i comma = _mm_set1_epi8(','), quote = _mm_set1_epi8('"'), lineFeed = _mm_set1_epi8('\n');
        for (std::size_t i = 0; i < 64 && base + i < avail; i += 16) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(line + base + i));
            c |= std::uint64_t(static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, comma)))) << i;
            q |= std::uint64_t(static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, quote)))) << i;
            breaks |= std::uint64_t(static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, lineFeed)))) << i;
        }
#else
        for (std::size_t i = 0; i < 64 && base + i < avail; ++i) {
            c |= std::uint64_t(line[base + i] == ',') << i;
            q |= std::uint64_t(line[base + i] == '"') << i;
            breaks |= std::uint64_t(line[base + i] == '\n') << i;
        }
#endif
        // The end of the text ends the line too.
        if (avail - base < 64) breaks |= ~std::uint64_t(0) << (avail - base);
        if (breaks != 0) {
            const unsigned end = static_cast<unsigned>(__builtin_ctzll(breaks));
            const std::uint64_t kept = end == 0 ? 0 : ~std::uint64_t(0) >> (64 - end);
            commas[word] = c & kept;
            quotes[word] = q & kept;
            return base + end;
        }
        commas[word] = c;
        quotes[word] = q;
    }
    return maskedRecordLimit + 1;
}

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
    return word * 64 + static_cast<std::size_t>(__builtin_ctzll(bits));
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
    // Past n every bit is clear.
    return std::min(n, word * 64 + static_cast<std::size_t>(__builtin_ctzll(bits)));
}

// putBytes for short runs, sixteen bytes at a time where the platform
// allows: up to 15 bytes past the end of either side may be read or
// written.
inline char* putBytesOver(char* w, const char* bytes, std::size_t size)
{
#if defined(__SSE2__) && defined(__GNUC__)
    for (std::size_t i = 0; i < size; i += 16)
        _mm_storeu_si128(reinterpret_cast<__m128i*>(w + i),
                         _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + i)));
    return w + size;
#else
    return putBytes(w, bytes, size);
#endif
}

// Writes at w the row `row` for the field line[s, e) of a record without lead
// bytes, unquoted; quotes marks the record's quotes. putBytesOver's
// allowances hold for line and w.
inline char* putPlainRow(char* w, long long row, const char* line, std::size_t s, std::size_t e,
                         const std::uint64_t* quotes)
{
    w = putDecimal(w, row);
    *w++ = '=';
    *w++ = '"';
    if (s < e && line[s] == '"') {
        // Between the enclosing quotes, each pair of quotes from the left
        // gives one.
        std::size_t p = s + 1;
        const std::size_t end = e - 1;
        for (std::size_t q = nextMarked(quotes, p, end); q < end; q = nextMarked(quotes, p, end)) {
            w = putBytesOver(w, line + p, q + 1 - p);
            p = q + 1 < end && line[q + 1] == '"' ? q + 2 : q + 1;
        }
        if (p < end) w = putBytesOver(w, line + p, end - p);
    } else {
        w = putBytesOver(w, line + s, e - s);
    }
    *w++ = '"';
    *w++ = '\r';
    *w++ = '\n';
    return w;
}

// For a record without lead bytes and at most maskedRecordLimit bytes long,
// line[0, n), which text holds a copy of, its bytes marked as
// markSpecialBytes marks them: splits text in place as splitRecord does and,
// in the same walk, writes at w the rows that putDiskSection writes for the
// split text; rows receives their number. putBytesOver's allowances hold for
// line and w. Returns the end of the rows.
char* splitAndPutRows(const char* line, std::size_t n, const std::uint64_t* commas,
                      const std::uint64_t* quotes, std::string& text, char* w, long long& rows)
{
    const bool endsWithComma = n > 0 && line[n - 1] == ',';
    if (endsWithComma) text.reserve(n + 1);
    char* data = &text[0];

    // Each field found becomes a row; the split text's reader sees the same
    // fields, except as fixed up after the walk.
    long long row = 0;
    char* lastRow = w;
    bool lastEmpty = false, unclosed = false;
    for (std::size_t s = 0; s < n;) {
        std::size_t separator;
        if (line[s] == '"') {
            // The quoted field closes at the last quote of the first run of
            // odd length that "," or the end follows.
            std::size_t close = n;
            for (std::size_t q = nextMarked(quotes, s + 1, n); q < n;) {
                const std::size_t run = nextUnmarked(quotes, q, n);
                if ((run - q) % 2 == 1 && (run == n || line[run] == ',')) {
                    close = run - 1;
                    break;
                }
                q = nextMarked(quotes, run, n);
            }
            if (close == n) {
                // Never closed: the split ends at the separator before it.
                text.resize(s > 0 ? s - 1 : 0);
                unclosed = true;
                break;
            }
            separator = close + 1;
        } else {
            separator = nextMarked(commas, s, n);
        }
        lastRow = w;
        lastEmpty = separator == s;
        w = putPlainRow(w, row++, line, s, separator, quotes);
        if (separator == n) break;
        data[separator] = '\n';
        s = separator + 1;
    }
    if (unclosed) {
        // The split text ends with the fields before the unclosed one. Its
        // reader drops a last empty field, which a "\n" would then end, and
        // finds one empty field in the "\n" that a final "," adds alone.
        if (!endsWithComma && lastEmpty) {
            w = lastRow;
            --row;
        } else if (endsWithComma && row == 0) {
            w = putPlainRow(w, row++, line, 0, 0, quotes);
        }
    } else if (endsWithComma) {
        // The empty field after the final ",".
        w = putPlainRow(w, row++, line, n, n, quotes);
    }
    if (endsWithComma) text.push_back('\n');
    rows = row;
    return w;
}

// The state of buildDiskTable's walk.
struct TableWalk {
    Store& records;
    Store& old;
    ByteBuffer& head;
    ByteBuffer& body;
    char* data;
    std::size_t size;
    std::size_t frontUsed;
    bool inFront;
    LeadBytes leadBytes;
    long long k;
    std::uint64_t splitTable[256];
};

// Takes the line data[at, at + length) into buildDiskTable's walk: its
// record, its section and its head row. commas and quotes: its bytes marked
// as markSpecialBytes marks them, or null.
void putRecord(TableWalk& walk, std::size_t at, std::size_t length, const std::uint64_t* commas,
               const std::uint64_t* quotes)
{
    const char* line = walk.data + at;
    // A record that ends with "," grows by a "\n" when it is split.
    std::string& record =
        recordFor(walk.records, walk.old, length + (length > 0 && line[length - 1] == ',' ? 1 : 0));
    record.assign(line, length);

    long long rows;
    const unsigned long long bound = diskSectionBound(length + 1) + 16;
    char* w;
    if (walk.inFront && walk.frontUsed + bound <= at) {
        w = walk.data + walk.frontUsed;
    } else {
        // Once behind, the sections stay in body, which is then sized for
        // the rest at the rate of this data so far.
        const std::size_t rest = walk.size - at;
        if (walk.inFront) roomFor(walk.body, rest + rest / 2 + bound);
        walk.inFront = false;
        w = roomFor(walk.body, bound);
    }
    std::uint64_t ownCommas[maskedRecordLimit / 64], ownQuotes[maskedRecordLimit / 64];
    if (!commas && length <= maskedRecordLimit && !needsLeadRule(record, walk.leadBytes)) {
        markSpecialBytes(line, length, ownCommas, ownQuotes);
        commas = ownCommas;
        quotes = ownQuotes;
    }
    if (commas) {
        w = putBytes(w, "\r\n[", 3);
        w = putDecimal(w, walk.k);
        w = putBytes(w, "]\r\n", 3);
        w = splitAndPutRows(line, length, commas, quotes, record, w, rows);
    } else {
        splitRecord(record, walk.splitTable);
        w = putDiskSection(w, walk.k, record, needsLeadRule(record, walk.leadBytes), rows);
    }
    if (walk.inFront)
        walk.frontUsed = static_cast<std::size_t>(w - walk.data);
    else
        walk.body.used = static_cast<std::size_t>(w - walk.body.bytes.get());
    w = roomFor(walk.head, 48);
    w = putDecimal(w, walk.k++);
    *w++ = '=';
    w = putDecimal(w, rows - 1);
    w = putBytes(w, "\r\n", 2);
    walk.head.used = static_cast<std::size_t>(w - walk.head.bytes.get());
}

// transCSVToINI's text for the lines of text[from, size), in its disk form,
// built in one walk while each record is fresh in the cache: head receives
// the rows of the "[csvinfo]" section that follow its "line=" row; the
// sections go to text[0, frontUsed), the room before the lines, as long as
// they stay behind the line being read, and the rest to body. Writing behind
// the reading spares the memory (and its faults) of most of a separate
// buffer. records receives the split records, in elements taken from old as
// far as it has them; what old has left over is freed.
void buildDiskTable(std::string& text, std::size_t from, Store& records, Store& old,
                    ByteBuffer& head, std::size_t& frontUsed, ByteBuffer& body)
{
    roomFor(head, (text.size() - from) / 8 + 64);
    // Room past the end, for the walks that read sixteen bytes at a time.
    text.reserve(text.size() + 16);
    TableWalk walk{records, old, head, body, &text[0], text.size(), 0, true, leadBytesInUse(), 0, {}};
    makeSplitTable(walk.splitTable);
    const std::size_t size = text.size();
    if (!anyLeadBytes) {
        // Each line found and marked in one walk.
        std::uint64_t commas[maskedRecordLimit / 64], quotes[maskedRecordLimit / 64];
        for (std::size_t pos = from; pos < size;) {
            std::size_t length = markLine(walk.data + pos, size - pos, commas, quotes);
            const bool marked = length <= maskedRecordLimit;
            if (!marked) length = findLineEnd(walk.data, size, pos) - pos;
            putRecord(walk, pos, length, marked ? commas : nullptr, marked ? quotes : nullptr);
            pos += length + 1;
        }
    } else {
        std::size_t ends[64];
        for (std::size_t pos = from; pos < size;) {
            const std::size_t count = findLineEnds(walk.data, size, pos, ends, 64);
            for (std::size_t i = 0; i < count; ++i) {
                putRecord(walk, pos, ends[i] - pos, nullptr, nullptr);
                pos = ends[i] + 1;
            }
        }
    }
    frontUsed = walk.frontUsed;
    clearStore(old);
}

// Runs a conversion as an export; should anything throw, csvLines is left
// empty rather than half split.
template <class Body>
int guardedConversion(Body&& body) noexcept
{
    return guarded(0, [&] {
        try {
            return body();
        } catch (...) {
            clearStore(csvLines);
            throw;
        }
    });
}

}  // namespace

void csvElementText(const Store& records, const std::string& section, int keyField,
                    int valueField, std::string& out)
{
    // A field is tried as key before value, so equal numbers fill the key only.
    const int valueLine = valueField != keyField ? valueField : 0;
    const LeadBytes leadBytes = leadBytesInUse();

    // A size that the text cannot exceed, so that it is written in one piece.
    unsigned long long bound = section.size() + 3;
    long long index = 0;
    Span key, value;
    auto ahead = firstAhead(records);
    for (const std::string& record : records) {
        ahead = prefetchAhead(records, ahead);
        findTwoLines(record, keyField, valueLine, needsLeadRule(record, leadBytes), key, value);
        bound += 4 + (keyField >= 1 ? key.second - key.first : decimalWidth(index)) +
                 (value.second - value.first);
        ++index;
    }

    prepareBuffer(out, bound);
    char* w = &out[0];
    *w++ = '[';
    w = putBytes(w, section.data(), section.size());
    w = putBytes(w, "]\n", 2);
    index = 0;
    ahead = firstAhead(records);
    for (const std::string& record : records) {
        ahead = prefetchAhead(records, ahead);
        findTwoLines(record, keyField, valueLine, needsLeadRule(record, leadBytes), key, value);
        if (keyField >= 1)
            w = putUnquoted(w, key.first, key.second - key.first);
        else
            w = putDecimal(w, index);
        w = putBytes(w, "=\"", 2);
        w = putUnquoted(w, value.first, value.second - value.first);
        w = putBytes(w, "\"\n", 2);
        ++index;
    }
    out.resize(w - out.data());
}

extern "C" QUILLET_API int QUILLET_CALL transCSVToINI(const char* csvFileName, const char* iniFileName)
{
    return guardedConversion([&] {
        // The CSV file is read whole before the output is opened, so the two
        // may be the same file.
        std::string text;
        std::size_t from;
        if (!readTextFileAfterRoom(csvFileName, text, from)) {
            clearStore(csvLines);
            return 0;
        }
        Store records;
        ByteBuffer head, body;
        std::size_t frontUsed;
        buildDiskTable(text, from, records, csvLines, head, frontUsed, body);
        csvLines.swap(records);
        if (csvLines.empty()) return 0;
        std::string first = "[csvinfo]\r\nline=";
        first += std::to_string(csvLines.size());
        first += "\r\n";
        const DiskBytes pieces[] = {{first.data(), first.size()},
                                    {head.bytes.get(), head.used},
                                    {text.data(), frontUsed},
                                    {body.bytes.get(), body.used}};
        return replaceWithDiskBytes(iniFileName, pieces, 4) ? 1 : 0;
    });
}
QUILLET_TWIN(int, transCSVToINI, (const char* csvFileName, const char* iniFileName));

extern "C" QUILLET_API int QUILLET_CALL createINIFromCSVElement(const char* csvFileName,
                                                                const char* iniFileName,
                                                                const char* section, int keyField,
                                                                int valueField, int append)
{
    return guardedConversion([&] {
        std::string text;
        if (!loadCSVRecords(csvFileName, text)) return 0;
        csvElementText(csvLines, section, keyField, valueField, text);
        return writeTextFile(iniFileName, text, append != 0) ? 1 : 0;
    });
}
QUILLET_TWIN(int, createINIFromCSVElement,
             (const char* csvFileName, const char* iniFileName, const char* section, int keyField,
              int valueField, int append));
