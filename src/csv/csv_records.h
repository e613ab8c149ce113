// CSV records: cutting them into fields and turning whole files of them into
// INI-style texts.
#pragma once

#include <cstdint>
#include <string>

#include "frame/module_state.h"

// Rewrites a record in place as its split text: the fields, quotes and all,
// joined by "\n", plus one more "\n" when the record ends with ",". A quoted
// field that is never closed is dropped. A lead byte takes the next byte of
// the record with it; a lead byte that ends the record is an ordinary byte.
void splitCSVLine(std::string& text);

// Fills table with the splitter's step for each byte value under the code
// page in use, for splitRecord.
void makeSplitTable(std::uint64_t table[256]);

// splitCSVLine with a table that makeSplitTable filled under the code page
// still in use.
void splitRecord(std::string& text, const std::uint64_t table[256]);

// splitCSVLine on every element of store, in order.
void splitCSVLines(Store& store);

// Replaces out by the text that createINIFromCSVElement writes for these
// split records: the section head, then one 'key="value"' line per record.
// Field numbers count from 1; keyField <= 0 takes the record's index as key,
// valueField <= 0 (or equal to keyField) leaves every value empty. The room
// that out already has is used first.
void csvElementText(const Store& records, const std::string& section, int keyField,
                    int valueField, std::string& out);
