// The INI section store: element 0 holds the lines before the first section
// (empty when there are none), each further element one whole section, its
// header line first. Every line of a block ends with "\n".
#pragma once

#include <string>

#include "frame/module_state.h"
#include "ini/section_index.h"

// Appends to store the blocks that the text of an INI file (lines split at
// real "\n") loads as: the preamble, then one block per header line. Appends
// nothing when no line is a header line.
void groupINIText(const std::string& text, Store& store);

// How much of an INI file is read at a time: the text being cut stays in
// the processor's cache.
const std::size_t iniPiece = 1 << 18;

// Appends to store the blocks of the INI file fileName, as groupINIText cuts
// its text, reading pieceSize bytes at a time. The elements of old are used
// for the new blocks where their room fits, and are gone afterwards. index,
// when given, gets the added blocks. False when the file cannot be opened or
// read; store then has nothing added.
bool loadINIBlocks(const char* fileName, Store& store, Store& old, std::size_t pieceSize = iniPiece,
                   SectionIndex* index = nullptr);

// Where the line that starts at block[from] ends: its real "\n", or the end
// of the block.
std::size_t lineEndIn(const std::string& block, std::size_t from);
