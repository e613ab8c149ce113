// One field of a CSV record, for getCSVField: the fields as the cursor cuts
// them, or, where the record holds a line break (which ends a field too), the
// lines of its split text.
#include <string>

#include "csv/csv_fields.h"
#include "text/byte_scan.h"
#include "text/line_cursor.h"
#include "text/string_ops.h"

namespace quillet {

std::string CsvFields::splitText() const
{
    std::string text;
    for (std::size_t i = 0; i < fields_.size(); ++i) {
        if (i > 0) text += '\n';
        text.append(record_, fields_[i].begin, fields_[i].end - fields_[i].begin);
    }
    if (!record_.empty() && record_.back() == ',') text += '\n';
    return text;
}

std::string csvField(std::string_view record, int fieldNo, const CodePage& codePage)
{
    if (fieldNo < 1) return std::string();
    // A copy with room after it: the marks are read in blocks.
    std::string copy;
    copy.reserve(record.size() + scan::overRead);
    copy.assign(record.data(), record.size());
    CsvFields fields(codePage);
    fields.split(copy);
    std::string field;
    if (scan::findByte(copy.data(), 0, copy.size(), '\n') == copy.size()) {
        if (static_cast<std::size_t>(fieldNo) <= fields.size()) field.assign(fields.text(fieldNo - 1));
    } else {
        // A line break in the record ends a field too: the split text is read
        // line by line.
        const std::string text = fields.splitText();
        LineCursor lines(text.data(), text.size(), codePage);
        Line line{0, 0, false};
        int taken = 0;
        while (taken < fieldNo && lines.next(line)) ++taken;
        if (taken == fieldNo) field.assign(text, line.begin, line.end - line.begin);
    }
    unquoteField(field, codePage);
    return field;
}

}  // namespace quillet
