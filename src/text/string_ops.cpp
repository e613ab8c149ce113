#include "text/string_ops.h"

#include <cstring>
#include <functional>
#include <string_view>
#include <vector>

#include "frame/export.h"
#include "frame/module_state.h"
#include "text/code_page.h"
#include "text/text_file.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

const std::size_t npos = std::string::npos;

// First occurrence of needle lying wholly in data[from, size), or npos, by
// the platform's search.
std::size_t searchBytes(const char* data, std::size_t size, std::size_t from, const char* needle,
                        std::size_t needleSize)
{
#if defined(__GLIBC__)
    const void* hit = memmem(data + from, size - from, needle, needleSize);
    return hit ? static_cast<const char*>(hit) - data : npos;
#else
    return std::string_view(data, size).find(std::string_view(needle, needleSize), from);
#endif
}

// First occurrence of needle lying wholly in data[from, size), or npos.
std::size_t findBytes(const char* data, std::size_t size, std::size_t from,
                      const char* needle, std::size_t needleSize)
{
    if (needleSize > size || from > size - needleSize) return npos;
    if (needleSize == 1) {
        const void* hit = std::memchr(data + from, needle[0], size - from);
        return hit ? static_cast<const char*>(hit) - data : npos;
    }
#if defined(__SSE2__) && defined(__GNUC__)
    // Sixteen places at a time, those whose first and last bytes match are
    // compared whole. Should the comparisons cost more than the scan (a text
    // made to defeat the filter), the platform's linear search takes over.
    const __m128i first = _mm_set1_epi8(needle[0]), last = _mm_set1_epi8(needle[needleSize - 1]);
    const std::size_t start = from;
    std::size_t compared = 0;
    while (size - from >= needleSize - 1 + 16) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + from));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + from + needleSize - 1));
        unsigned mask = static_cast<unsigned>(
            _mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(a, first), _mm_cmpeq_epi8(b, last))));
        while (mask != 0) {
            const std::size_t at = from + static_cast<std::size_t>(__builtin_ctz(mask));
            if (std::memcmp(data + at + 1, needle + 1, needleSize - 2) == 0) return at;
            compared += needleSize;
            mask &= mask - 1;
        }
        from += 16;
        if (compared > 2 * (from - start) + 256) return searchBytes(data, size, from, needle, needleSize);
    }
#endif
    return searchBytes(data, size, from, needle, needleSize);
}

// Parity of the run of lead-byte values that ends just before p, given
// `odd`, the parity of the run that ends just before q (q <= p). Looks at no
// byte before q, so walking forward costs one look per byte in all.
bool leadRunParity(const unsigned char* data, std::size_t q, std::size_t p, bool odd)
{
    std::size_t j = p;
    while (j > q && isLeadByte(data[j - 1])) --j;
    bool runOdd = ((p - j) & 1) != 0;
    return j == q ? (odd != runOdd) : runOdd;
}

}  // namespace

bool isTrailByteAt(const std::string& text, long long pos)
{
    if (pos <= 0 || pos > static_cast<long long>(text.size())) return false;
    std::size_t k = 0;
    for (std::size_t i = static_cast<std::size_t>(pos); i > 0; --i) {
        if (!isLeadByte(static_cast<unsigned char>(text[i - 1]))) break;
        ++k;
    }
    return (k & 1) != 0;
}

std::size_t findTokenEnd(const char* data, std::size_t size, std::size_t from,
                         const char* delim, std::size_t delimSize)
{
    if (delimSize == 0) return size;
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(data);
    std::size_t scanned = from;  // parity below is that of data[from, scanned)
    bool odd = false;
    for (std::size_t start = from;;) {
        std::size_t p = findBytes(data, size, start, delim, delimSize);
        if (p == npos) return size;
        odd = leadRunParity(bytes, scanned, p, odd);
        scanned = p;
        if (!odd) return p;
        start = p + 1;
    }
}

std::size_t findLineEnd(const char* data, std::size_t size, std::size_t from)
{
    if (!anyLeadBytes) {
        const void* hit = from < size ? std::memchr(data + from, '\n', size - from) : nullptr;
        return hit ? static_cast<const char*>(hit) - data : size;
    }
    return findTokenEnd(data, size, from, "\n", 1);
}

std::size_t findLineEnds(const char* data, std::size_t size, std::size_t from, std::size_t* ends,
                         std::size_t room)
{
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(data);
    const bool leads = anyLeadBytes;
    std::size_t found = 0;
    // The parity of the lead run ending at `scanned`, within the current line.
    std::size_t lineStart = from, scanned = from;
    bool odd = false;
    std::size_t pos = from;
    // Takes the line feed at p: a line end unless it is a trail byte.
    auto take = [&](std::size_t p) {
        if (leads) {
            odd = leadRunParity(bytes, scanned, p, odd);
            scanned = p;
            if (odd) return;
        }
        ends[found++] = p;
        lineStart = scanned = p + 1;
        odd = false;
    };
#if defined(__SSE2__) && defined(__GNUC__)
    // Sixteen bytes at a time: each line feed in them is a candidate.
    const __m128i lineFeed = _mm_set1_epi8('\n');
    while (found < room && size - pos >= 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + pos));
        unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, lineFeed)));
        while (mask != 0 && found < room) {
            take(pos + static_cast<std::size_t>(__builtin_ctz(mask)));
            mask &= mask - 1;
        }
        if (mask != 0) return found;  // room used up inside this block
        pos += 16;
    }
#endif
    for (; found < room && pos < size; ++pos)
        if (data[pos] == '\n') take(pos);
    if (found < room && lineStart < size) ends[found++] = size;
    return found;
}

std::string takeToken(std::string& text, const std::string& delimiter)
{
    std::size_t p = findTokenEnd(text.data(), text.size(), 0, delimiter.data(), delimiter.size());
    std::string token(text, 0, p);
    text.erase(0, std::min(text.size(), p + delimiter.size()));
    return token;
}

namespace {

// Appends data[0, size) to out with pattern replaced as replaceText replaces
// it: one pass that writes as it finds. out keeps the room it already has,
// and gets at least size bytes more to begin with.
void appendReplaced(const char* data, std::size_t size, const std::string& pattern,
                    const std::string& replacement, int count, std::string& out)
{
    if (out.capacity() < out.size() + size) reserveLarge(out, out.size() + size + size / 8);
    std::size_t p = count == 0 || pattern.empty() ? npos : findBytes(data, size, 0, pattern.data(), pattern.size());
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(data);
    // A replacement is only made where the parity before it is even; this is
    // the parity it leaves at its end.
    const unsigned char* rep = reinterpret_cast<const unsigned char*>(replacement.data());
    const bool oddAfterReplacement = leadRunParity(rep, 0, replacement.size(), false);

    // The current text is always the replaced text up to i, then data[i..];
    // `odd` is the parity of the lead run that ends at i in it. Bytes from
    // `copied` on are not in out yet.
    std::size_t i = 0, copied = 0;
    bool odd = false;
    while (p != npos) {
        odd = leadRunParity(bytes, i, p, odd);
        if (!odd) {
            out.append(data + copied, p - copied).append(replacement);
            odd = oddAfterReplacement;
            i = copied = p + pattern.size();
        } else {
            // Not a real occurrence: look again after its first byte, which
            // closes a double-byte character, so the run parity after it is
            // even whatever its value.
            odd = false;
            i = p + 1;
        }
        if (count > 0 && --count == 0) break;
        p = findBytes(data, size, i, pattern.data(), pattern.size());
    }
    out.append(data + copied, size - copied);
}

// Whether p points into resultText's buffer.
bool insideResultText(const char* p)
{
    const char* begin = resultText.data();
    std::less<const char*> before;
    return !before(p, begin) && before(p, begin + resultText.capacity() + 1);
}

// Makes resultText `size` bytes long, to be written over; its old bytes are
// not kept, so growing it copies nothing.
char* resultTextOfSize(std::size_t size)
{
    if (size > resultText.capacity()) {
        resultText.clear();
        reserveLarge(resultText, size);
    }
    resultText.resize(size);
    return &resultText[0];
}

}  // namespace

std::string& replaceText(std::string& text, const std::string& pattern,
                         const std::string& replacement, int count)
{
    if (count == 0 || pattern.empty() || findBytes(text.data(), text.size(), 0, pattern.data(), pattern.size()) == npos)
        return text;
    std::string out;
    appendReplaced(text.data(), text.size(), pattern, replacement, count, out);
    text.swap(out);
    return text;
}

void unquoteField(std::string& text)
{
    if (text.empty() || text[0] != '"') return;
    if (text.size() == 1) {
        text.clear();
        return;
    }
    text.pop_back();
    text.erase(0, 1);
    static const std::string doubled("\"\""), single("\"");
    replaceText(text, doubled, single, -1);
}

extern "C" QUILLET_API const char* QUILLET_CALL replace(const char* text, const char* pattern,
                                                        const char* replacement, int count)
{
    return guardedText([&] {
        // Any argument may point into resultText: the pattern and the
        // replacement are copied, and a text inside it is written apart.
        const std::string patternCopy(pattern), replacementCopy(replacement);
        const std::size_t n = std::strlen(text);
        if (insideResultText(text)) {
            std::string out;
            appendReplaced(text, n, patternCopy, replacementCopy, count, out);
            resultText.swap(out);
        } else {
            // Written straight into the room resultText has from earlier
            // calls: a large result then needs no fresh memory.
            resultText.clear();
            appendReplaced(text, n, patternCopy, replacementCopy, count, resultText);
        }
        return resultText.c_str();
    });
}
QUILLET_TWIN(const char*, replace,
             (const char* text, const char* pattern, const char* replacement, int count));

namespace {

// Where the next byte at or after p that is a backslash or a lead byte
// stands, or end. Sixteen bytes at a time where lead bytes, if any, are all
// above 0x7F (so only such bytes need the table).
const char* nextEscapeOrLead(const char* p, const char* end, bool leads, bool highLeadsOnly)
{
    if (!leads) {
        const void* hit = std::memchr(p, '\\', end - p);
        return hit ? static_cast<const char*>(hit) : end;
    }
#if defined(__SSE2__) && defined(__GNUC__)
    if (highLeadsOnly) {
        const __m128i backslash = _mm_set1_epi8('\\');
        while (end - p >= 16) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
            unsigned mask =
                static_cast<unsigned>(_mm_movemask_epi8(_mm_or_si128(v, _mm_cmpeq_epi8(v, backslash))));
            while (mask != 0) {
                const char* at = p + __builtin_ctz(mask);
                if (*at == '\\' || isLeadByte(static_cast<unsigned char>(*at))) return at;
                mask &= mask - 1;
            }
            p += 16;
        }
    }
#else
    (void)highLeadsOnly;
#endif
    while (p < end && *p != '\\' && !isLeadByte(static_cast<unsigned char>(*p))) ++p;
    return p;
}

// Whether every lead byte of the code page in use is above 0x7F.
bool leadBytesAllHigh()
{
    for (int b = 0; b < 0x80; ++b)
        if (isLeadByte(static_cast<unsigned char>(b))) return false;
    return true;
}

// Writes text[0, n) with its backslash escapes resolved to out (room for n
// bytes) and returns the length written: a lead byte takes the next byte
// with it unlooked at; a backslash and the byte after it give that byte, or
// 0x0A, 0x0D, 0x09 for n, r, t. When a lead byte or a backslash is the last
// byte, the terminating NUL that it would take ends the result.
std::size_t resolveEscapes(const char* text, std::size_t n, char* out)
{
    const bool leads = anyLeadBytes;
    const bool highLeadsOnly = leads && leadBytesAllHigh();
    const char* p = text;
    const char* const end = text + n;
    char* w = out;
    while (p < end) {
        const char* stop = nextEscapeOrLead(p, end, leads, highLeadsOnly);
        std::memcpy(w, p, stop - p);
        w += stop - p;
        p = stop;
        if (p == end) break;
        if (p + 1 == end) {
            if (*p != '\\') *w++ = *p;
            break;
        }
        if (*p == '\\') {
            const char c = p[1];
            *w++ = c == 'n' ? '\n' : c == 'r' ? '\r' : c == 't' ? '\t' : c;
        } else {
            w[0] = p[0];
            w[1] = p[1];
            w += 2;
        }
        p += 2;
    }
    return static_cast<std::size_t>(w - out);
}

}  // namespace

extern "C" QUILLET_API const char* QUILLET_CALL parseBackSlashString(const char* text)
{
    return guardedText([&] {
        // text may point into resultText, which stays untouched until the new
        // text is complete.
        if (text[0] == '\0') {
            resultText.clear();
            return text;
        }
        // The result is never longer than the text. A text inside resultText
        // is resolved apart.
        const std::size_t n = std::strlen(text);
        if (insideResultText(text)) {
            std::string out(n, '\0');
            out.resize(resolveEscapes(text, n, &out[0]));
            resultText.swap(out);
        } else {
            char* out = resultTextOfSize(n);
            resultText.resize(resolveEscapes(text, n, out));
        }
        return resultText.c_str();
    });
}
QUILLET_TWIN(const char*, parseBackSlashString, (const char* text));
