// Grouping lines into blocks, finding elements by prefix, and the
// numbered-list section in which lists are written to files.
#pragma once

#include <string>

#include "frame/module_state.h"

// Regroups the lines of store into blocks, each beginning at a head line (a
// line that, with "\n" appended, begins with marker). Every line of a block
// ends with "\n". iniMode strips leading blanks and tabs from lines that hold
// anything else and keeps the lines before the first head line as a leading
// block; otherwise those lines are dropped. No head line: the store ends empty.
void groupBlocks(Store& store, const std::string& marker, bool iniMode);

// Whether text begins with prefix, byte for byte.
bool hasPrefix(const std::string& text, const std::string& prefix);

// Position of the n-th element (from 1) that begins with prefix, or -1; then
// n becomes the number of such elements (0 when n was 0 or less).
int findNthPrefix(const Store& store, const std::string& prefix, int& n);

// Turns text (lines separated by "\n") into the section: title, then one row
// 'N="line"' per line, numbered from 0, each line unquoted first if asked.
// Writes it to fileName unless that is empty. Returns the number of rows, or
// -1 when the file could not be written; text holds the section either way.
int formatNumberedList(const std::string& title, const char* fileName, std::string& text,
                       bool append, bool unquote);
