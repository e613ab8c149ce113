// Where CSV conversions read their records from.
#include "csv/csv_convert.h"

#include "text/file_io.h"

namespace quillet {

bool CsvSource::open(const char* csvFileName, const char* outputFileName)
{
    name_ = csvFileName;
    whole_ = !isRegularFile(csvFileName) || sameFile(csvFileName, outputFileName);
    if (!whole_) return true;
    // Read once, with room after the text for the scans that read in blocks.
    if (!readTextFile(csvFileName, text_)) return false;
    text_.reserve(text_.size() + scan::overRead);
    return true;
}

bool CsvSource::startPass(LineReader& reader)
{
    if (!whole_) return reader.open(name_.c_str());
    reader.openText(text_);
    return true;
}

}  // namespace quillet
