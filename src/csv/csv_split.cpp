#include <algorithm>
#include <cstddef>
#include <cstdint>
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

void splitRecord(std::string& text, const std::uint64_t table[256])
{
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
