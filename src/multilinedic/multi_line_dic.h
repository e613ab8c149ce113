// The multi-line dictionary's routines behind its exports.
#pragma once

#include <cstddef>
#include <string>

#include "frame/module_state.h"

// Appends to store the entries of the file, exactly as its lines (as
// readFileLines gives them) regrouped at head lines by groupBlocks without
// INI mode. The text is read and cut pieceSize bytes at a time, so that the
// whole text is never held. False, store unchanged, when the file cannot be
// opened or read or gives no line.
bool readDictionaryEntries(const char* fileName, const std::string& marker, Store& store,
                           std::size_t pieceSize);

// Empties multiLineDic and fills it with the entries of the file, each from a
// head line (a line that, with "\n" appended, begins with headMarker) up to
// the next. The number of entries; -1 when headMarker is empty (nothing
// changes) or the file gives no lines (the store stays empty).
int loadDictionary(const char* fileName, const std::string& headMarker);

// Each entry's title (its first line) followed by "\n", in store order.
std::string dictionaryTitles();

// The body of the number-th entry that begins with searchText + "\n", or of
// the number-th entry when searchText is empty; with number -1, the count of
// entries that begin with searchText + "\n" as decimal text (also for an
// empty searchText). "" for every miss and on an empty store.
std::string searchDictionary(const std::string& searchText, int number);
