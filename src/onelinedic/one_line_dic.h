// The one-line dictionary's routines behind its exports.
#pragma once

#include <string>

#include "frame/module_state.h"

// Puts store in ascending byte order (bytes unsigned, then the shorter text
// first). Only the spans move; the bytes stay where they are.
void sortEntries(WordStore& store);

// Removes every entry that equals the one kept before it.
void removeAdjacentRepeats(WordStore& store);

// Removes every entry and gives back the memory of the store.
void clearEntries(WordStore& store);

// Sets section to the "[word]" numbered-list section of the entries of store
// that begin with prefix (each entry followed by "\n", cut into rows as
// formatNumberedList cuts its text), in the form a file receives it (every
// "\n" as "\r\n"), and returns the number of rows.
int buildWordSection(const WordStore& store, const std::string& prefix, std::string& section);

// Writes that section to fileName (nothing is written when it is empty), as
// writeTextFile would. Returns the number of rows, or -1 when the file could
// not be written.
int writeWordSection(const WordStore& store, const char* fileName, const std::string& prefix);
