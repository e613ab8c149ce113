// Converting CSV files, one record per line, into INI-style files: the whole
// table, or one section pairing a key column with a value column. Both read
// the CSV file as they write, so that memory does not grow with the file;
// the output replaces or extends its file only once complete.
#pragma once

#include <string>

#include "text/code_page.h"
#include "text/text_file.h"

namespace quillet {

// The whole table: a "[csvinfo]" section with the number of records and
// each record's last field number, then a numbered section per record with
// its fields unquoted. False, the output untouched, when the CSV file cannot
// be read or holds no line, or the output cannot be written.
bool writeCsvTable(const char* csvFileName, const char* iniFileName, const CodePage& codePage);

// One section: a line key="value" per record, the key and the value being
// the unquoted fields keyField and valueField (from 1); keyField 0 or less
// keys each line by its record's index, valueField 0 or less (or equal to
// keyField) leaves the values empty. Appended after a line break when
// append is set. False as writeCsvTable.
bool writeCsvSection(const char* csvFileName, const char* iniFileName, const std::string& section, int keyField,
                     int valueField, bool append, const CodePage& codePage);

// Where a conversion reads its CSV file from: the file itself, pass after
// pass; or, when it cannot be read twice (a pipe) or is also the output,
// its whole text read once up front.
class CsvSource {
public:
    CsvSource() = default;

    // False when the CSV file cannot be opened or read.
    bool open(const char* csvFileName, const char* outputFileName);

    // Starts a pass over the records with reader; false when the file can
    // no longer be opened.
    bool startPass(LineReader& reader);

private:
    std::string name_;
    bool whole_ = false;
    std::string text_;
};

}  // namespace quillet
