#include <algorithm>
#include <cstdint>
#include <cstring>
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

// Number of lines that taking lines from the front of text until it is
// empty yields.
std::size_t countLines(const std::string& text, bool leads)
{
    const char* p = text.data();
    const char* end = p + text.size();
    if (p == end) return 0;
    if (!leads) {
        std::size_t breaks = 0;
        const char* q = p;
#if defined(__SSE2__) && defined(__GNUC__)
        const __m128i lineFeed = _mm_set1_epi8('\n');
        for (; end - q >= 16; q += 16)
            breaks += bitCount16(static_cast<unsigned>(
                _mm_movemask_epi8(_mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(q)), lineFeed))));
#endif
        breaks += std::count(q, end, '\n');
        return breaks + (end[-1] != '\n' ? 1 : 0);
    }
    std::size_t breaks = 0;
    bool endsWithBreak = false;
    while (p < end) {
        const unsigned char c = static_cast<unsigned char>(*p);
        endsWithBreak = c == '\n';
        if (endsWithBreak) ++breaks;
        p += !endsWithBreak && isLeadByte(c) && end - p > 1 ? 2 : 1;
    }
    return breaks + (endsWithBreak ? 0 : 1);
}

// The bytes of a line of a split record: from its first byte to its end.
using Span = std::pair<const char*, const char*>;

// Finds lines `first` and `second` (from 1) of text in one walk, lines taken
// from the front as countLines takes them; a number below 1 or past the last
// line gives an empty span.
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

void csvTableText(const Store& records, std::string& out)
{
    static const char head[] = "[csvinfo]\nline=";
    const long long recordCount = static_cast<long long>(records.size());
    const LeadBytes leadBytes = leadBytesInUse();

    // First the row count of every record, which the head needs before the
    // sections, and a size that the text cannot exceed (unquoting only
    // shortens a field), so that it is written in one piece.
    std::vector<std::size_t> rowCounts;
    rowCounts.reserve(records.size());
    unsigned long long bound = sizeof head - 1 + decimalWidth(recordCount) + 1;
    long long k = 0;
    auto ahead = firstAhead(records);
    for (const std::string& record : records) {
        ahead = prefetchAhead(records, ahead);
        const std::size_t rows = countLines(record, needsLeadRule(record, leadBytes));
        rowCounts.push_back(rows);
        const unsigned long long indexWidth = decimalWidth(k++);
        bound += indexWidth + decimalWidth(static_cast<long long>(rows) - 1) + 2;
        bound += indexWidth + 4 + record.size() +
                 static_cast<unsigned long long>(rows) * (decimalWidth(static_cast<long long>(rows)) + 4);
    }

    prepareBuffer(out, bound);
    char* w = &out[0];
    w = putBytes(w, head, sizeof head - 1);
    w = putDecimal(w, recordCount);
    *w++ = '\n';
    k = 0;
    for (std::size_t rows : rowCounts) {
        w = putDecimal(w, k++);
        *w++ = '=';
        w = putDecimal(w, static_cast<long long>(rows) - 1);
        *w++ = '\n';
    }
    k = 0;
    ahead = firstAhead(records);
    for (const std::string& record : records) {
        ahead = prefetchAhead(records, ahead);
        w = putBytes(w, "\n[", 2);
        w = putDecimal(w, k++);
        w = putBytes(w, "]\n", 2);
        const char* p = record.data();
        const char* end = p + record.size();
        const bool leads = needsLeadRule(record, leadBytes);
        for (long long row = 0; p < end; ++row) {
            const char* stop;
            bool innerQuotes = true;
            if (!leads) {
                std::size_t quotes;
                stop = scanPlainLine(p, end, quotes);
                innerQuotes = quotes > (p < stop && *p == '"' ? 1u : 0u) + (stop - p >= 2 && stop[-1] == '"' ? 1u : 0u);
            } else {
                stop = lineEnd(p, end, leads);
            }
            w = putDecimal(w, row);
            w = putBytes(w, "=\"", 2);
            w = putUnquoted(w, p, stop - p, innerQuotes);
            w = putBytes(w, "\"\n", 2);
            p = stop + 1;
        }
    }
    out.resize(w - out.data());
}

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
        if (!loadCSVRecords(csvFileName, text)) return 0;
        csvTableText(csvLines, text);
        return writeTextFile(iniFileName, text, false) ? 1 : 0;
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
