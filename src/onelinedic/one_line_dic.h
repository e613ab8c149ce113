// The one-line dictionary's routines behind its exports.
#pragma once

#include <string>

#include "frame/module_state.h"

// Puts store in ascending byte order (bytes unsigned, then the shorter text
// first). The nodes keep their places; the texts are exchanged between them,
// never copied.
void sortEntries(Store& store);

// Writes the entries of store that begin with prefix, each followed by "\n",
// as a "[word]" section to fileName (nothing is written when it is empty).
// Returns the number of rows, or -1 when the file could not be written.
int writeWordSection(const Store& store, const char* fileName, const std::string& prefix);
