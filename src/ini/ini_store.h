// The INI section store: element 0 holds the lines before the first section
// (empty when there are none), each further element one whole section, its
// header line first. Every line of a block ends with "\n".
#pragma once

#include <string>

#include "frame/module_state.h"

// Appends to store the blocks that the text of an INI file (lines split at
// real "\n") loads as: the preamble, then one block per header line. Appends
// nothing when no line is a header line.
void groupINIText(const std::string& text, Store& store);

// The first section block of iniSections that begins with "[" + name + "]",
// or its end().
Store::iterator findSectionBlock(const std::string& name);

// Walks iniSections from begin() to end() while asking memory for the text
// of the block a few places ahead, so that a walk that reads every block's
// text keeps several reads under way instead of waiting for each in turn.
// Give it the block about to be read; it returns the next block to ask for.
Store::const_iterator prefetchAhead(Store::const_iterator ahead);

// The block `lookahead` places after the first, to start prefetchAhead with.
Store::const_iterator firstAhead();

// Where the line that starts at block[from] ends: its real "\n", or the end
// of the block.
std::size_t lineEndIn(const std::string& block, std::size_t from);
