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

// Where the line that starts at block[from] ends: its real "\n", or the end
// of the block.
std::size_t lineEndIn(const std::string& block, std::size_t from);
