// Plain, slow transcriptions of the CSV algorithms, step by step, for
// checking the library's routines against on many generated inputs.
#pragma once

#include <list>
#include <string>

namespace reference {

// The record splitter word for word, including its pairing of a lead byte at
// the end of the record with the closing separator.
void splitCSVLine(std::string& text);

// The split text that the library gives: as splitCSVLine, except that a
// lead byte left alone at the end of the record is an ordinary byte there.
// loneLead, when given, tells whether the record ends with such a byte.
std::string librarySplit(const std::string& record, bool* loneLead = nullptr);

// The text that transCSVToINI builds from these split records.
std::string csvTableText(const std::list<std::string>& records);

// The text that createINIFromCSVElement builds from these split records.
std::string csvElementText(const std::list<std::string>& records, const std::string& section,
                           int keyField, int valueField);

}  // namespace reference
