// One INI section from a CSV file: a line key="value" per record, written as
// the records are read.
#include <cstring>

#include "csv/csv_convert.h"
#include "csv/csv_fields.h"
#include "text/decimal.h"
#include "text/file_io.h"
#include "text/output_buffer.h"
#include "text/string_ops.h"

namespace quillet {
namespace {

// Writes field fieldNo (from 1) of the record, unquoted, as text whose line
// feeds are line breaks; nothing when the record has no such field.
void writeField(OutputBuffer& out, const CsvFields& fields, int fieldNo, const CodePage& codePage)
{
    if (fieldNo < 1 || static_cast<std::size_t>(fieldNo) > fields.size()) return;
    const std::string_view text = fields.text(static_cast<std::size_t>(fieldNo) - 1);
    char* w = out.reserve(text.size());
    char* end = writeUnquoted(w, text.data(), text.size(), codePage);
    // The second byte of a character may be a line feed, which a file gets
    // as a line break.
    if (codePage.anyLeads() && std::memchr(w, '\n', static_cast<std::size_t>(end - w))) {
        std::string field(w, end);
        out.appendText(field);
        return;
    }
    out.commit(end);
}

}  // namespace

bool writeCsvSection(const char* csvFileName, const char* iniFileName, const std::string& section, int keyField,
                     int valueField, bool append, const CodePage& codePage)
{
    CsvSource source;
    if (!source.open(csvFileName, iniFileName)) return false;
    LineReader reader(codePage);
    if (!source.startPass(reader)) return false;
    // The first piece tells whether the file holds a line at all: only then
    // is the output opened.
    const bool any = reader.nextPiece();
    if (reader.failed() || !any || reader.empty()) return false;
    // A field is tried as key before value, so equal numbers fill the key only.
    const int valueLine = valueField != keyField ? valueField : 0;
    return writeTextFileBy(iniFileName, append, [&](OutputBuffer& out) {
        out.append("[");
        out.appendText(section);
        out.append("]");
        out.lineBreak();
        CsvFields fields(codePage);
        long long index = 0;
        // The line of the record just cut into fields.
        const auto writeLine = [&] {
            if (keyField >= 1)
                writeField(out, fields, keyField, codePage);
            else
                out.commit(writeDecimal(out.reserve(maxDecimal), index));
            out.append("=\"");
            writeField(out, fields, valueLine, codePage);
            out.append("\"");
            out.lineBreak();
            ++index;
        };
        do {
            std::string_view lines, line;
            if (reader.nextLines(lines, CsvFields::markedTextLimit)) {
                fields.markLines(lines);
                while (fields.nextMarkedLine()) {
                    fields.splitMarkedLine();
                    writeLine();
                }
            }
            bool ended;
            while (reader.nextLine(line, ended)) {
                fields.split(line);
                writeLine();
            }
        } while (reader.nextPiece());
        return !reader.failed();
    });
}

}  // namespace quillet
