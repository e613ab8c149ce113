// The multi-line dictionary's routines behind its exports.
#pragma once

#include <cstddef>
#include <string>

// How much of a dictionary file is read and cut into entries at a time: a
// piece this large stays in the cache while it is cut.
const std::size_t dictionaryPiece = 1 << 18;

// Empties multiLineDic and fills it with the entries of the file, each from a
// head line (a line that, with "\n" appended, begins with headMarker) up to
// the next. The number of entries; -1 when headMarker is empty (nothing
// changes) or the file gives no lines (the store stays empty). The file is
// read and cut pieceSize bytes at a time, so that its whole text is never
// held; the result does not depend on pieceSize.
int loadDictionary(const char* fileName, const std::string& headMarker,
                   std::size_t pieceSize = dictionaryPiece);

// Each entry's title (its first line) followed by "\n", in store order.
std::string dictionaryTitles();

// The body of the number-th entry that begins with searchText + "\n", or of
// the number-th entry when searchText is empty; with number -1, the count of
// entries that begin with searchText + "\n" as decimal text (also for an
// empty searchText). "" for every miss and on an empty store.
std::string searchDictionary(const std::string& searchText, int number);
