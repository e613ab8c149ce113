// The table of the tool's commands: one row per command with its function,
// operands, options and help text. Dispatch, --help, COMMAND --help, the
// manual page and the bash completion are all made from it.
#include "tool.h"

namespace {

using V = ValueKind;
using W = WordKind;

const OptionSpec listOutput = {'o', "output", V::required, "OUT", W::file,
                               "write a numbered list to OUT (replaced); - for standard output"};
const OptionSpec resultOutput = {'o', "output", V::required, "OUT", W::file,
                                 "write to OUT (replaced) instead of standard output"};
const OptionSpec appendOutput = {'a', "append", V::none, "", W::text,
                                 "add to the end of OUT instead of replacing it"};
const OptionSpec editOutput = {'o', "output", V::required, "OUT", W::file,
                               "write the edited file to OUT; FILE stays as it is"};
const OptionSpec inPlace = {'i', "in-place", V::optional, "SUFFIX", W::text,
                            "write the edited file back over FILE; with a\n"
                            "SUFFIX (-i.bak) keep the old file as FILE.bak"};
const OptionSpec marker = {'m', "marker", V::required, "MARKER", W::text,
                           "the text that begins each entry's first line (\"#\")"};

// How an edit is written, for every edit's page.
#define EDIT_NOTE                                                                      \
    "The edited file goes to standard output, or with -i back over FILE, or\n"         \
    "with -o to OUT. It is written as the library loads it: every line ends with\n"    \
    "CR LF (on standard output as the platform's lines end); leading blanks and\n"     \
    "tabs of every line are dropped (lines of blanks only keep them); the last\n"      \
    "line gets a line break; carriage returns are dropped wherever they stand,\n"      \
    "so lines ended by a bare CR run together; nothing after a NUL or 0x1A byte\n"     \
    "is read. Comments, empty lines and trailing blanks stay. -i refuses a file\n"     \
    "that would lose text that way; standard output and -o take the edit.\n"

const std::vector<Command> commands = {
    {"sections", runSections, "INI files", "list the sections of an INI file",
     "FILE [--numbered | -o OUT [--append]]", "FILE", 1, 1,
     {{'n', "numbered", V::none, "", W::text, "put each section's position (as move-section\ncounts) and a tab before it"},
      listOutput, appendOutput},
     "Prints the section names of the INI file FILE, one per line. A section\n"
     "whose header line has no \"]\" is not listed. With -o the names go to OUT\n"
     "as a \"[sectionlist]\" numbered list instead.\n"
     "\n"
     "With --numbered every section is there, each after its position: the\n"
     "position that move-section takes, and for a header line without \"]\" that\n"
     "whole line instead of a name.\n"
     "\n"
     "A warning says when the first header line stands behind a UTF-8 byte-order\n"
     "mark: the library then takes that section for text before the first one.\n",
     "sections settings.ini"},
    {"keys", runKeys, nullptr, "list the keys of a section", "FILE SECTION [-o OUT [--append]]",
     "FILE SECTION", 2, 2, {listOutput, appendOutput},
     "Prints the keys of the section SECTION (its name without brackets) of the\n"
     "INI file FILE, one per line: the text before the first \"=\" of every line\n"
     "that holds one and does not begin with \";\". With -o the keys go to OUT as\n"
     "a \"[keylist]\" numbered list instead.\n",
     "keys settings.ini window"},
    {"rename-section", runRenameSection, nullptr, "rename a section", "FILE OLD NEW [-i[SUFFIX] | -o OUT]",
     "FILE OLD NEW", 3, 3, {inPlace, editOutput},
     "Renames the first section called OLD to NEW; a comment after the header's\n"
     "\"]\" stays. A warning says when a section called NEW is there already (the\n"
     "file then holds two); a NEW holding a line break is refused.\n"
     "\n" EDIT_NOTE,
     "rename-section -i settings.ini window main-window"},
    {"rename-key", runRenameKey, nullptr, "rename a key of a section",
     "FILE SECTION OLD NEW [-i[SUFFIX] | -o OUT]", "FILE SECTION OLD NEW", 4, 4, {inPlace, editOutput},
     "Renames the first key OLD of the section SECTION to NEW (a key is followed\n"
     "by \"=\", a blank or a tab). A warning says when the section has a key NEW\n"
     "already; a NEW holding a line break is refused.\n"
     "\n" EDIT_NOTE,
     "rename-key settings.ini window width columns -o new.ini"},
    {"move-section", runMoveSection, nullptr, "move a section to another position",
     "FILE FROM TO [-i[SUFFIX] | -o OUT]", "FILE FROM TO", 3, 3, {inPlace, editOutput},
     "Moves the section at position FROM to position TO. Positions count every\n"
     "block that begins with a \"[\" line, 1 being the first; the text before it\n"
     "never moves ('quillet sections --numbered FILE' shows the positions). FROM\n"
     "and TO may also be section names, each standing for the position of the\n"
     "first section so called; a number is always a position.\n"
     "\n" EDIT_NOTE,
     "move-section -i.bak settings.ini display 1"},
    {"words", runWords, "Word lists", "collect words and write the \"[word]\" list",
     "[-s] [-u] [-p PREFIX] [-o OUT] [-w WORD]... [FILE]...", "FILE...", 0, static_cast<std::size_t>(-1),
     {{'w', "word", V::required, "WORD", W::text, "add WORD as one entry (may be repeated)"},
      {'s', "sort", V::none, "", W::text, "sort the words in byte order"},
      {'u', "unique", V::none, "", W::text, "drop a word equal to the one before it (after -s:\nevery repeat)"},
      {'p', "prefix", V::required, "PREFIX", W::text, "keep only the words that begin with PREFIX"},
      resultOutput},
     "Collects the lines of each word FILE and each single WORD, in the order\n"
     "given, and writes them as a \"[word]\" numbered list.\n",
     "words -su -p ap words.txt -w apricot"},
    {"titles", runTitles, "Multi-line dictionaries", "list the titles of a dictionary", "FILE [-m MARKER] [-o OUT]",
     "FILE", 1, 1, {marker, listOutput},
     "Loads the multi-line dictionary FILE, where each entry begins with a line\n"
     "that starts with MARKER, and prints the entries' titles (their first lines,\n"
     "marker included). With -o the titles go to OUT as a \"[titlelist]\"\n"
     "numbered list instead.\n",
     "titles glossary.txt"},
    {"entry", runEntry, nullptr, "show an entry by title or by position",
     "FILE TITLE [N] [-m MARKER]\nFILE --at N [-m MARKER]", "FILE TITLE [N]", 1, 3,
     {marker, {0, "at", V::required, "N", W::text, "the entry at position N (1 is the first)"}},
     "Prints the text of an entry of the multi-line dictionary FILE, without its\n"
     "title line: the N-th entry titled TITLE (N defaults to 1; the title includes\n"
     "the marker), or with --at the N-th entry of the file.\n",
     "entry glossary.txt '#section' 2"},
    {"count", runCount, nullptr, "count the entries with a title", "FILE TITLE [-m MARKER]", "FILE TITLE", 2, 2,
     {marker},
     "Prints how many entries of the multi-line dictionary FILE have the title\n"
     "TITLE (marker included).\n",
     "count glossary.txt '#section'"},
    {"field", runField, "CSV files", "one field of a CSV record", "RECORD N", "RECORD N", 2, 2, {},
     "Prints field N (1 is the first) of the CSV record RECORD, without its\n"
     "enclosing quotes and with doubled quotes made single. A field beyond the\n"
     "last one prints nothing.\n",
     "field '7,\"Pear, green\",120' 2"},
    {"csv-table", runCSVTable, nullptr, "convert a CSV file to a \"[csvinfo]\" table", "CSVFILE [-o OUT]",
     "CSVFILE", 1, 1, {resultOutput},
     "Converts CSVFILE (one record per line) to an INI-style table: a \"[csvinfo]\"\n"
     "section with the number of records and each record's last field number,\n"
     "then one section per record with its fields. A warning names the lines\n"
     "whose quoted field is never closed: records are one line each, so such a\n"
     "field and the rest of its line are left out.\n",
     "csv-table products.csv -o products.ini"},
    {"csv-section", runCSVSection, nullptr, "make a key and value section from two columns",
     "CSVFILE SECTION KEYFIELD VALUEFIELD [-o OUT [--append]]", "CSVFILE SECTION KEYFIELD VALUEFIELD", 4, 4,
     {resultOutput, appendOutput},
     "Makes the section [SECTION] with one line KEY=\"VALUE\" per record of\n"
     "CSVFILE, KEY taken from column KEYFIELD and VALUE from column VALUEFIELD\n"
     "(1 is the first column). KEYFIELD 0 numbers the records from 0 instead;\n"
     "VALUEFIELD 0 leaves every value empty. Lines whose quoted field is never\n"
     "closed get a warning, as with csv-table.\n",
     "csv-section products.csv prices 2 3 -o prices.ini"},
    {"replace", runReplace, "Texts and files", "replace a pattern in a text", "TEXT PATTERN REPLACEMENT [-n COUNT]",
     "TEXT PATTERN REPLACEMENT", 3, 3,
     {{'n', "count", V::required, "COUNT", W::text, "how many occurrences to replace"}},
     "Prints TEXT with PATTERN replaced by REPLACEMENT, from left to right: all\n"
     "occurrences, or the first COUNT of them (0: none; negative: all). Put \"--\"\n"
     "before arguments that begin with \"-\".\n",
     "replace 'a-b-c' - + -n 1"},
    {"escapes", runEscapes, nullptr, "resolve backslash escapes", "TEXT", "TEXT", 1, 1, {},
     "Prints TEXT with its backslash escapes resolved: \\n, \\r and \\t become a line\n"
     "feed, a carriage return and a tab; a backslash before any other character\n"
     "gives that character.\n",
     "escapes 'one\\ttwo\\\\three'"},
    {"remove", runRemove, nullptr, "delete files", "FILE...", "FILE...", 1, static_cast<std::size_t>(-1), {},
     "Deletes each FILE. Folders are never removed.\n", "remove old-settings.ini"},
};

}  // namespace

const std::vector<OptionSpec> globalOptions = {
    {0, "codepage", V::required, "N", W::codePage,
     "the code page of texts and files: 0 (the system's),\n932, 936, 949, 950 (double-byte) or a single-byte\npage (1252...)"},
    {'q', "quiet", V::none, "", W::text, "print no warnings"},
    {0, "crlf", V::none, "", W::text, "end lines on standard output with CR LF, as files\nwritten with -o end them"},
};

const std::vector<OptionSpec> toolOptions = {
    {'h', "help", V::none, "", W::text, "this help; 'quillet COMMAND --help' for one command"},
    {0, "version", V::none, "", W::text, "the tool's version"},
};

const char* const toolSummary = "text utilities for settings data: INI files, word lists, dictionaries, CSV";

const char* const toolDescription =
    "Text utilities for settings data, from the shell: INI files, word lists,\n"
    "multi-line dictionaries, CSV files and texts, through the Quillet library.\n"
    "\n"
    "Every FILE operand may be - for standard input, and -o - is standard\n"
    "output. Results go to standard output, where lines end as the platform's\n"
    "text lines do (LF, or CR LF on Windows); a file written with -o holds the\n"
    "library's bytes exactly (CR LF). An edit prints the edited file unless -i\n"
    "writes it back in place, as sed does. Messages and warnings go to standard\n"
    "error.\n"
    "\n"
#if QUILLET_CLI_DIRECT_RESULTS && !defined(_WIN32)
    "Standard input is kept in a private folder in the temporary folder\n"
    "(TMPDIR), which the tool removes on every exit it can catch: errors,\n"
    "SIGINT, SIGTERM, SIGHUP and SIGPIPE. Results reach standard output\n"
    "through a pipe, with no temporary file.\n";
#else
    "Standard input and results on their way to standard output are kept in a\n"
    "private folder in the temporary folder (TMPDIR; TMP or TEMP on Windows),\n"
    "which the tool removes on every exit it can catch: errors, SIGINT, SIGTERM,\n"
    "SIGHUP and SIGPIPE.\n";
#endif

const char* const exitStatusNote = "0 done, 1 the operation failed, 2 wrong usage.";

const char* const toolExample = "sections settings.ini";

const std::vector<Command>& commandTable()
{
    return commands;
}

const Command* findCommand(const std::string& name)
{
    for (const Command& command : commands)
        if (name == command.name) return &command;
    return nullptr;
}
