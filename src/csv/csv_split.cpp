#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__) && defined(__GNUC__)
#include <emmintrin.h>
#endif
#include <string>

#include "csv/csv_records.h"
#include "frame/export.h"
#include "text/code_page.h"
#include "text/string_ops.h"

namespace {

// The splitter's states, each the offset of its 6-bit slot in a transition
// word: unquoted at the start of a field, unquoted inside one, quoted,
// quoted right after a quote (which the next byte decides on), and right
// after a lead byte, unquoted or quoted.
enum : unsigned {
    atFieldStart = 0,
    unquoted = 6,
    quoted = 12,
    afterQuote = 18,
    leadUnquoted = 24,
    leadQuoted = 30,
};

// A transition word: for each state, the state that a byte leads to.
std::uint64_t transitions(unsigned fromStart, unsigned fromUnquoted, unsigned fromQuoted,
                          unsigned fromAfterQuote)
{
    // After a lead byte, the next byte passes whatever it is.
    return std::uint64_t(fromStart) << atFieldStart | std::uint64_t(fromUnquoted) << unquoted |
           std::uint64_t(fromQuoted) << quoted | std::uint64_t(fromAfterQuote) << afterQuote |
           std::uint64_t(unquoted) << leadUnquoted | std::uint64_t(quoted) << leadQuoted;
}

}  // namespace

void makeSplitTable(std::uint64_t table[256])
{
    // A quote after a quote inside quotes is the second of a pair; a comma
    // after one ends the quoted part and separates; anything else leaves
    // that quote an ordinary byte. Only a quote at the start of a field opens
    // quotes. Entering atFieldStart always means a separator.
    const std::uint64_t other = transitions(unquoted, unquoted, quoted, quoted);
    const std::uint64_t quote = transitions(quoted, unquoted, afterQuote, quoted);
    const std::uint64_t comma = transitions(atFieldStart, atFieldStart, quoted, atFieldStart);
    const std::uint64_t lead = transitions(leadUnquoted, leadUnquoted, leadQuoted, leadQuoted);
    for (unsigned b = 0; b < 256; ++b)
        table[b] = isLeadByte(static_cast<unsigned char>(b)) ? lead
                   : b == '"'                                 ? quote
                   : b == ','                                 ? comma
                                                              : other;
}

namespace {

// Whether the record needs the lead-byte rule: some byte of it is a lead
// byte of the code page in use.
bool holdsLeadBytes(const std::string& text)
{
    if (!anyLeadBytes) return false;
    for (unsigned char c : text)
        if (isLeadByte(c)) return true;
    return false;
}

// Position of the first byte c in text[from, n), or n. Fields are short, so
// a few blocks of sixteen bytes in line beat a call to the library's search.
std::size_t nextByte(const char* text, std::size_t from, std::size_t n, char c)
{
#if defined(__SSE2__) && defined(__GNUC__)
    const __m128i wanted = _mm_set1_epi8(c);
    for (; from < n && n - from >= 16; from += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + from));
        const unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, wanted)));
        if (mask != 0) return from + static_cast<std::size_t>(__builtin_ctz(mask));
    }
#endif
    const void* hit = from < n ? std::memchr(text + from, c, n - from) : nullptr;
    return hit ? static_cast<std::size_t>(static_cast<const char*>(hit) - text) : n;
}

// Where the quoted field that opens at text[s] closes: the last quote of the
// first run of quotes after s that is of odd length (its pairs taken from
// the left) and is followed by "," or by the end. n when it never closes.
std::size_t quotedFieldClose(const char* text, std::size_t s, std::size_t n)
{
    for (std::size_t q = nextByte(text, s + 1, n, '"'); q < n; q = nextByte(text, q, n, '"')) {
        std::size_t run = q;
        while (run < n && text[run] == '"') ++run;
        if ((run - q) % 2 == 1 && (run == n || text[run] == ',')) return run - 1;
        q = run;
    }
    return n;
}

// splitRecord for a record without lead bytes: field by field, each found
// with a search instead of a step per byte. Same result as the table walk.
void splitPlainRecord(std::string& text)
{
    const std::size_t n = text.size();
    const bool endsWithComma = n > 0 && text[n - 1] == ',';
    if (endsWithComma) text.reserve(n + 1);
    char* data = &text[0];
    for (std::size_t s = 0; s < n;) {
        std::size_t separator;
        if (data[s] == '"') {
            const std::size_t close = quotedFieldClose(data, s, n);
            if (close == n) {
                // Never closed: the record's split ends at the separator
                // before this field.
                text.resize(s > 0 ? s - 1 : 0);
                break;
            }
            separator = close + 1;
        } else {
            separator = nextByte(data, s, n, ',');
        }
        if (separator == n) break;
        data[separator] = '\n';
        s = separator + 1;
    }
    if (endsWithComma) text.push_back('\n');
}

}  // namespace

void splitRecord(std::string& text, const std::uint64_t table[256])
{
    if (!holdsLeadBytes(text)) {
        splitPlainRecord(text);
        return;
    }
    const std::size_t n = text.size();
    const bool endsWithComma = n > 0 && text[n - 1] == ',';
    // Room for the final "\n" up front, so that nothing can throw once the
    // record has been rewritten.
    if (endsWithComma) text.reserve(n + 1);
    unsigned char* data = reinterpret_cast<unsigned char*>(&text[0]);

    // The split text is the record up to the last separator, each separator
    // turned into "\n". The walk does one table step per byte and no branch
    // on the data, since separators and quotes are too dense in CSV for the
    // branch predictor; it notes the states, and a second loop over them,
    // simple enough to run on whole vectors, turns the separators into "\n".
    std::size_t splitSize = 0;
    unsigned state = atFieldStart;
    unsigned char states[512];
    for (std::size_t base = 0; base < n; base += sizeof states) {
        const std::size_t count = std::min(n - base, sizeof states);
        unsigned char* chunk = data + base;
        for (std::size_t i = 0; i < count; ++i) {
            state = static_cast<unsigned>(table[chunk[i]] >> state) & 63;
            states[i] = static_cast<unsigned char>(state);
        }
        for (std::size_t i = 0; i < count; ++i)
            chunk[i] = states[i] == atFieldStart ? '\n' : chunk[i];
        for (std::size_t i = count; i-- > 0;)
            if (states[i] == atFieldStart) {
                splitSize = base + i;
                break;
            }
    }
    // The end of the record closes the last field unless quotes are still
    // open. A lead byte that ends the record has nothing to pair with and
    // counts as an ordinary byte.
    if (state != quoted && state != leadQuoted) splitSize = n;
    text.resize(splitSize);
    if (endsWithComma) text.push_back('\n');
}

void splitCSVLine(std::string& text)
{
    std::uint64_t table[256];
    makeSplitTable(table);
    splitRecord(text, table);
}

void splitCSVLines(Store& store)
{
    std::uint64_t table[256];
    makeSplitTable(table);
    for (std::string& record : store) splitRecord(record, table);
}

extern "C" QUILLET_API const char* QUILLET_CALL getCSVField(const char* record, int fieldNo)
{
    return guardedText([&] {
        if (fieldNo < 1) return setResultText(std::string());
        std::string text(record);  // record may point into resultText
        splitCSVLine(text);
        const char* data = text.data();
        const std::size_t size = text.size();
        // Take lines from the front until the field is reached or the text
        // is used up; every take after that would yield "".
        std::size_t from = 0, to = 0, pos = 0;
        int taken = 0;
        while (taken < fieldNo && pos < size) {
            from = pos;
            to = findLineEnd(data, size, pos);
            pos = to + 1;
            ++taken;
        }
        std::string field;
        if (taken == fieldNo) field.assign(data + from, to - from);
        unquoteField(field);
        resultText.swap(field);
        return resultText.c_str();
    });
}
QUILLET_TWIN(const char*, getCSVField, (const char* record, int fieldNo));
