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

// Each record's number of fields, in order, kept as runs of records with the
// same number: the records of a table mostly agree, so this stays small
// however long the file.
class FieldCounts {
    struct Run {
        std::uint32_t fields;
        std::size_t records;
    };

public:
    void add(std::size_t fields)
    {
        if (fields > UINT32_MAX) throw std::length_error("too many fields in a record");
        if (runs_.empty() || runs_.back().fields != fields) runs_.push_back({static_cast<std::uint32_t>(fields), 0});
        ++runs_.back().records;
        ++records_;
    }

    std::size_t records() const { return records_; }

    // Calls visit(fields) for each record in order.
    template <class Visit>
    void forEach(Visit visit) const
    {
        for (const Run& run : runs_)
            for (std::size_t i = 0; i < run.records; ++i) visit(run.fields);
    }

    // Reads the numbers back in order, one record at a time.
    class Cursor {
    public:
        explicit Cursor(const FieldCounts& counts) : runs_(counts.runs_) {}
        // The next record's number of fields; false when none is left.
        bool next(std::uint32_t& fields)
        {
            while (run_ < runs_.size() && used_ == runs_[run_].records) {
                ++run_;
                used_ = 0;
            }
            if (run_ == runs_.size()) return false;
            ++used_;
            fields = runs_[run_].fields;
            return true;
        }

    private:
        const std::vector<Run>& runs_;
        std::size_t run_ = 0, used_ = 0;
    };

private:
    std::vector<Run> runs_;
    std::size_t records_ = 0;
};

// Counts each record's fields; false when the file cannot be read.
bool countFields(CsvSource& source, CsvFields& fields, const CodePage& codePage, FieldCounts& counts)
{
    LineReader reader(codePage);
    if (!source.startPass(reader)) return false;
    std::vector<std::size_t> marked;
    while (reader.nextPiece()) {
        std::string_view lines, line;
        if (reader.nextLines(lines, CsvFields::markedTextLimit)) {
            fields.markLines(lines);
            marked.clear();
            fields.countMarkedLines(marked);
            for (std::size_t fieldCount : marked) counts.add(fieldCount);
        }
        bool ended;
        while (reader.nextLine(line, ended)) counts.add(fields.count(line));
    }
    return !reader.failed();
}

// Writes the head: "[csvinfo]", the number of records, and a row
// "k=fields-1" for each record k.
void writeHead(OutputBuffer& out, const FieldCounts& counts)
{
    out.append("[csvinfo]");
    out.lineBreak();
    out.append("line=");
    char* w = out.reserve(maxDecimal);
    out.commit(writeDecimal(w, static_cast<long long>(counts.records())));
    out.lineBreak();
    long long k = 0;
    counts.forEach([&](std::uint32_t fields) {
        char* at = out.reserve(2 * maxDecimal + 3);
        at = writeDecimal(at, k++);
        *at++ = '=';
        at = writeDecimal(at, static_cast<long long>(fields) - 1);
        out.commit(at);
        out.lineBreak();
    });
}

// Writes a section per record: an empty line, "[k]", then a row per field.
// False when the file cannot be read, or no longer holds the records that
// were counted.
bool writeSections(CsvSource& source, CsvFields& fields, const CodePage& codePage,
                   const FieldCounts& counts, OutputBuffer& out)
{
    LineReader reader(codePage);
    if (!source.startPass(reader)) return false;
    FieldCounts::Cursor expected(counts);
    std::size_t k = 0;
    // The section of the next record, whose rows writeRows(rows) writes,
    // returning their number.
    const auto section = [&](auto writeRows) {
        std::uint32_t fieldsCounted;
        if (!expected.next(fieldsCounted)) return false;
        out.lineBreak();
        char* w = out.reserve(maxDecimal + 2);
        *w++ = '[';
        w = writeDecimal(w, static_cast<long long>(k));
        *w++ = ']';
        out.commit(w);
        // The line's buffer has room after it: rows may copy in blocks.
        NumberedList rows(out, "", codePage);
        if (writeRows(rows) != fieldsCounted) return false;
        ++k;
        return true;
    };
    while (reader.nextPiece()) {
        std::string_view lines, line;
        if (reader.nextLines(lines, CsvFields::markedTextLimit)) {
            fields.markLines(lines);
            while (fields.nextMarkedLine())
                if (!section([&](NumberedList& rows) { return fields.writeMarkedLineRows(rows); })) return false;
        }
        bool ended;
        while (reader.nextLine(line, ended))
            if (!section([&](NumberedList& rows) { return fields.writeRows(line, rows); })) return false;
    }
    return !reader.failed() && k == counts.records();
}

}  // namespace

bool writeCsvTable(const char* csvFileName, const char* iniFileName, const CodePage& codePage)
{
    CsvSource source;
    if (!source.open(csvFileName, iniFileName)) return false;
    CsvFields fields(codePage);
    FieldCounts counts;
    if (!countFields(source, fields, codePage, counts) || counts.records() == 0) return false;
    return writeTextFileBy(iniFileName, false, [&](OutputBuffer& out) {
        writeHead(out, counts);
        return writeSections(source, fields, codePage, counts, out);
    });
}

}  // namespace quillet
