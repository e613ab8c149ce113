// The whole CSV table as an INI-style file, in two passes over the records:
// the first counts each record's fields for the "[csvinfo]" head, the second
// writes a numbered section per record behind it.
#include <cstdint>
#include <stdexcept>
#include <vector>

#include "csv/csv_convert.h"
#include "csv/csv_fields.h"
#include "text/decimal.h"
#include "text/file_io.h"
#include "text/numbered_list.h"
#include "text/output_buffer.h"

namespace quillet {
namespace {

// Each record's number of fields, in order; false when the file cannot be
// read.
bool countFields(CsvSource& source, CsvFields& fields, const CodePage& codePage, std::vector<std::uint32_t>& counts)
{
    LineReader reader(codePage);
    if (!source.startPass(reader)) return false;
    while (reader.nextPiece()) {
        std::string_view line;
        bool ended;
        while (reader.nextLine(line, ended)) {
            const std::size_t count = fields.count(line);
            if (count > UINT32_MAX) throw std::length_error("too many fields in a record");
            counts.push_back(static_cast<std::uint32_t>(count));
        }
    }
    return !reader.failed();
}

// Writes the head: "[csvinfo]", the number of records, and a row
// "k=fields-1" for each record k.
void writeHead(OutputBuffer& out, const std::vector<std::uint32_t>& counts)
{
    out.append("[csvinfo]");
    out.lineBreak();
    out.append("line=");
    char* w = out.reserve(maxDecimal);
    out.commit(writeDecimal(w, static_cast<long long>(counts.size())));
    out.lineBreak();
    for (std::size_t k = 0; k < counts.size(); ++k) {
        w = out.reserve(2 * maxDecimal + 3);
        w = writeDecimal(w, static_cast<long long>(k));
        *w++ = '=';
        w = writeDecimal(w, static_cast<long long>(counts[k]) - 1);
        out.commit(w);
        out.lineBreak();
    }
}

// Writes a section per record: an empty line, "[k]", then a row per field.
// False when the file cannot be read, or no longer holds the records that
// were counted.
bool writeSections(CsvSource& source, CsvFields& fields, const CodePage& codePage,
                   const std::vector<std::uint32_t>& counts, OutputBuffer& out)
{
    LineReader reader(codePage);
    if (!source.startPass(reader)) return false;
    std::size_t k = 0;
    while (reader.nextPiece()) {
        std::string_view line;
        bool ended;
        while (reader.nextLine(line, ended)) {
            if (k == counts.size()) return false;
            out.lineBreak();
            char* w = out.reserve(maxDecimal + 2);
            *w++ = '[';
            w = writeDecimal(w, static_cast<long long>(k));
            *w++ = ']';
            out.commit(w);
            // The line's buffer has room after it: rows may copy in blocks.
            NumberedList rows(out, "", codePage);
            if (fields.writeRows(line, rows) != counts[k]) return false;
            ++k;
        }
    }
    return !reader.failed() && k == counts.size();
}

}  // namespace

bool writeCsvTable(const char* csvFileName, const char* iniFileName, const CodePage& codePage)
{
    CsvSource source;
    if (!source.open(csvFileName, iniFileName)) return false;
    CsvFields fields(codePage);
    std::vector<std::uint32_t> counts;
    if (!countFields(source, fields, codePage, counts) || counts.empty()) return false;
    return writeTextFileBy(iniFileName, false, [&](OutputBuffer& out) {
        writeHead(out, counts);
        return writeSections(source, fields, codePage, counts, out);
    });
}

}  // namespace quillet
