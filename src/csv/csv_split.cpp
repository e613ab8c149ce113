#include <cstddef>
#include <string>

#include "csv/csv_records.h"
#include "frame/export.h"
#include "text/code_page.h"
#include "text/string_ops.h"

namespace {

// Whether b can never change the splitter's state by itself.
inline bool isPlainByte(unsigned char b)
{
    return b != ',' && b != '"' && !isLeadByte(b);
}

}  // namespace

void splitCSVLine(std::string& text)
{
    const std::size_t n = text.size();
    const bool endsWithComma = n > 0 && text[n - 1] == ',';
    // Room for the final "\n" up front, so that nothing can throw once the
    // record has been rewritten.
    if (endsWithComma) text.reserve(n + 1);
    char* data = &text[0];

    // The split text is the record up to the last separator that closed a
    // field, each such separator turned into "\n"; a separator at s closes
    // the field before it and leaves a split text of s bytes.
    std::size_t splitSize = 0, fieldStart = 0, i = 0;
    bool quoted = false;
    for (;;) {
        while (i < n && isPlainByte(static_cast<unsigned char>(data[i]))) ++i;
        if (i >= n) {
            // The end of the record closes the last field unless its quotes
            // are still open.
            if (!quoted) splitSize = n;
            break;
        }
        const unsigned char b = static_cast<unsigned char>(data[i]);
        if (isLeadByte(b)) {
            // Never pair with a byte beyond the record: a lone lead byte at
            // the end would otherwise swallow the end of the last field.
            i += i + 1 < n ? 2 : 1;
        } else if (b == '"') {
            if (quoted) {
                const char next = i + 1 < n ? data[i + 1] : ',';
                if (next == '"') {
                    ++i;  // a doubled quote, taken as a pair
                } else if (next == ',') {
                    quoted = false;
                }
            } else if (i == fieldStart) {
                quoted = true;
            }
            ++i;
        } else {
            if (!quoted) {
                data[i] = '\n';
                splitSize = i;
                fieldStart = i + 1;
            }
            ++i;
        }
    }
    text.resize(splitSize);
    if (endsWithComma) text.push_back('\n');
}

void splitCSVLines(Store& store)
{
    for (std::string& record : store) splitCSVLine(record);
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
