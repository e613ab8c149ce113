// The module: all the state the library keeps between calls, in one object
// that exists once per loaded library. It is created when the library is
// loaded, before any export can run, and destroyed at unload.
#pragma once

#include "frame/result_text.h"
#include "ini/ini_store.h"
#include "multilinedic/dictionary.h"
#include "onelinedic/word_list.h"
#include "text/code_page.h"

namespace quillet {

struct Module {
    CodePage codePage;      // how texts and files are read, for every store
    Dictionary dictionary;  // the multi-line dictionary
    WordList words;         // the one-line dictionary
    IniStore ini;           // the INI file loaded
    ResultText result;      // what text exports hand back
};

Module& module();

}  // namespace quillet
