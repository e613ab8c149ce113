// The help pages of the tool and of each command.
#include <cstdio>
#include <string>

#include "tool.h"

namespace {

// How the library writes a file it has loaded; true of every edit.
#define EDITED_FILE_NOTE                                                         \
    "The file is written as the library holds it: lines lose their leading\n" \
    "blanks and tabs, and every line ends with CR LF.\n"

struct CommandHelp {
    const char* group;  // printed before the first command of each group
    const char* name;
    const char* summary;
    const char* page;  // usage, details, options, example
};

const CommandHelp commands[] = {
    {"INI files", "sections", "list the sections of an INI file",
     "Usage: quillet sections FILE [-o OUT [--append]]\n"
     "\n"
     "Prints the section names of the INI file FILE, one per line. With -o the\n"
     "names go to OUT as a \"[sectionlist]\" numbered list instead.\n"
     "\n"
     "  -o, --output OUT  write the list to OUT (replaced)\n"
     "  -a, --append      add the list to the end of OUT instead\n"
     "\n"
     "Example: quillet sections settings.ini\n"},
    {nullptr, "keys", "list the keys of a section",
     "Usage: quillet keys FILE SECTION [-o OUT [--append]]\n"
     "\n"
     "Prints the keys of the section SECTION (its name without brackets) of the\n"
     "INI file FILE, one per line. With -o the keys go to OUT as a \"[keylist]\"\n"
     "numbered list instead.\n"
     "\n"
     "  -o, --output OUT  write the list to OUT (replaced)\n"
     "  -a, --append      add the list to the end of OUT instead\n"
     "\n"
     "Example: quillet keys settings.ini window\n"},
    {nullptr, "rename-section", "rename a section",
     "Usage: quillet rename-section FILE OLD NEW [-o OUT]\n"
     "\n"
     "Renames the first section called OLD to NEW and writes the file back in\n"
     "place, or to OUT. Comments after the header's \"]\" stay.\n"
     EDITED_FILE_NOTE
     "\n"
     "  -o, --output OUT  write the result to OUT and leave FILE as it is\n"
     "\n"
     "Example: quillet rename-section settings.ini window main-window\n"},
    {nullptr, "rename-key", "rename a key of a section",
     "Usage: quillet rename-key FILE SECTION OLD NEW [-o OUT]\n"
     "\n"
     "Renames the first key OLD of the section SECTION to NEW (a key is followed\n"
     "by \"=\", a blank or a tab) and writes the file back in place, or to OUT.\n"
     EDITED_FILE_NOTE
     "\n"
     "  -o, --output OUT  write the result to OUT and leave FILE as it is\n"
     "\n"
     "Example: quillet rename-key settings.ini window width columns\n"},
    {nullptr, "move-section", "move a section to another position",
     "Usage: quillet move-section FILE FROM TO [-o OUT]\n"
     "\n"
     "Moves the section at position FROM to position TO (1 is the first section;\n"
     "the text before the first section never moves) and writes the file back\n"
     "in place, or to OUT.\n"
     EDITED_FILE_NOTE
     "\n"
     "  -o, --output OUT  write the result to OUT and leave FILE as it is\n"
     "\n"
     "Example: quillet move-section settings.ini 3 1\n"},
    {"Word lists", "words", "collect words and write the \"[word]\" list",
     "Usage: quillet words [-s] [-u] [-p PREFIX] [-o OUT] [-w WORD]... [FILE]...\n"
     "\n"
     "Collects the lines of each word FILE and each single WORD, in the order\n"
     "given, and writes them as a \"[word]\" numbered list: to OUT with -o,\n"
     "otherwise to standard output, byte for byte as the file would hold it\n"
     "(lines end with CR LF).\n"
     "\n"
     "  -w, --word WORD      add WORD as one entry (may be repeated)\n"
     "  -s, --sort           sort the words in byte order\n"
     "  -u, --unique         drop a word equal to the one before it (after -s:\n"
     "                       every repeat)\n"
     "  -p, --prefix PREFIX  keep only the words that begin with PREFIX\n"
     "  -o, --output OUT     write the list to OUT (replaced)\n"
     "\n"
     "Example: quillet words -su -p ap words.txt -w apricot\n"},
    {"Multi-line dictionaries", "titles", "list the titles of a dictionary",
     "Usage: quillet titles FILE [-m MARKER] [-o OUT]\n"
     "\n"
     "Loads the multi-line dictionary FILE, where each entry begins with a line\n"
     "that starts with MARKER (default \"#\"), and prints the entries' titles (their\n"
     "first lines, marker included). With -o the titles go to OUT as a\n"
     "\"[titlelist]\" numbered list instead.\n"
     "\n"
     "  -m, --marker MARKER  the text that begins each entry's first line\n"
     "  -o, --output OUT     write the list to OUT (replaced)\n"
     "\n"
     "Example: quillet titles glossary.txt\n"},
    {nullptr, "entry", "show an entry by title or by position",
     "Usage: quillet entry FILE TITLE [N] [-m MARKER]\n"
     "       quillet entry FILE --at N [-m MARKER]\n"
     "\n"
     "Prints the text of an entry of the multi-line dictionary FILE, without its\n"
     "title line: the N-th entry titled TITLE (N defaults to 1; the title includes\n"
     "the marker), or with --at the N-th entry of the file.\n"
     "\n"
     "  -m, --marker MARKER  the text that begins each entry's first line (\"#\")\n"
     "      --at N           the entry at position N (1 is the first)\n"
     "\n"
     "Example: quillet entry glossary.txt '#section' 2\n"},
    {nullptr, "count", "count the entries with a title",
     "Usage: quillet count FILE TITLE [-m MARKER]\n"
     "\n"
     "Prints how many entries of the multi-line dictionary FILE have the title\n"
     "TITLE (marker included).\n"
     "\n"
     "  -m, --marker MARKER  the text that begins each entry's first line (\"#\")\n"
     "\n"
     "Example: quillet count glossary.txt '#section'\n"},
    {"CSV files", "field", "one field of a CSV record",
     "Usage: quillet field RECORD N\n"
     "\n"
     "Prints field N (1 is the first) of the CSV record RECORD, without its\n"
     "enclosing quotes and with doubled quotes made single. A field beyond the\n"
     "last one prints nothing.\n"
     "\n"
     "Example: quillet field '7,\"Pear, green\",120' 2\n"},
    {nullptr, "csv-table", "convert a CSV file to a \"[csvinfo]\" table",
     "Usage: quillet csv-table CSVFILE [-o OUT]\n"
     "\n"
     "Converts CSVFILE (one record per line) to an INI-style table: a \"[csvinfo]\"\n"
     "section with the number of records and each record's last field number,\n"
     "then one section per record with its fields. The table goes to OUT with\n"
     "-o, otherwise to standard output as the file would hold it (CR LF).\n"
     "\n"
     "  -o, --output OUT  write the table to OUT (replaced)\n"
     "\n"
     "Example: quillet csv-table products.csv -o products.ini\n"},
    {nullptr, "csv-section", "make a key and value section from two columns",
     "Usage: quillet csv-section CSVFILE SECTION KEYFIELD VALUEFIELD [-o OUT [--append]]\n"
     "\n"
     "Makes the section [SECTION] with one line KEY=\"VALUE\" per record of\n"
     "CSVFILE, KEY taken from column KEYFIELD and VALUE from column VALUEFIELD\n"
     "(1 is the first column). KEYFIELD 0 numbers the records from 0 instead;\n"
     "VALUEFIELD 0 leaves every value empty. The section goes to OUT with -o,\n"
     "otherwise to standard output as the file would hold it (CR LF).\n"
     "\n"
     "  -o, --output OUT  write the section to OUT (replaced)\n"
     "  -a, --append      add the section to the end of OUT instead\n"
     "\n"
     "Example: quillet csv-section products.csv prices 2 3 -o prices.ini\n"},
    {"Texts and files", "replace", "replace a pattern in a text",
     "Usage: quillet replace TEXT PATTERN REPLACEMENT [-n COUNT]\n"
     "\n"
     "Prints TEXT with PATTERN replaced by REPLACEMENT, from left to right: all\n"
     "occurrences, or the first COUNT of them (0: none; negative: all).\n"
     "Put \"--\" before arguments that begin with \"-\".\n"
     "\n"
     "  -n, --count COUNT  how many occurrences to replace\n"
     "\n"
     "Example: quillet replace 'a-b-c' - + -n 1\n"},
    {nullptr, "escapes", "resolve backslash escapes",
     "Usage: quillet escapes TEXT\n"
     "\n"
     "Prints TEXT with its backslash escapes resolved: \\n, \\r and \\t become a line\n"
     "feed, a carriage return and a tab; a backslash before any other character\n"
     "gives that character.\n"
     "\n"
     "Example: quillet escapes 'one\\ttwo\\\\three'\n"},
    {nullptr, "remove", "delete files",
     "Usage: quillet remove FILE...\n"
     "\n"
     "Deletes each FILE. Folders are never removed.\n"
     "\n"
     "Example: quillet remove old-settings.ini\n"},
};

const CommandHelp* findCommand(const std::string& name)
{
    for (const CommandHelp& command : commands)
        if (name == command.name) return &command;
    return nullptr;
}

}  // namespace

bool isCommand(const std::string& command)
{
    return findCommand(command) != nullptr;
}

void printToolHelp()
{
    std::fputs("Usage: quillet [--codepage N] COMMAND [ARGUMENTS]\n"
               "       quillet COMMAND --help\n"
               "       quillet --version\n"
               "\n"
               "Text utilities for settings data, from the shell: INI files, word lists,\n"
               "multi-line dictionaries, CSV files and texts.\n",
               stdout);
    for (const CommandHelp& command : commands) {
        if (command.group) std::printf("\n%s\n", command.group);
        std::printf("  %-15s %s\n", command.name, command.summary);
    }
    std::fputs("\n"
               "Options\n"
               "  --codepage N   the code page of texts and files: 0 (the system's), 932,\n"
               "                 936, 949, 950 (double-byte) or a single-byte page (1252...)\n"
               "  -h, --help     this help; 'quillet COMMAND --help' for one command\n"
               "  --version      the tool's version\n"
               "\n"
               "Results go to standard output and messages to standard error. Exit status:\n"
               "0 done, 1 the operation failed, 2 wrong usage.\n"
               "\n"
               "Example: quillet sections settings.ini\n",
               stdout);
}

bool printCommandHelp(const std::string& name)
{
    const CommandHelp* command = findCommand(name);
    if (!command) return false;
    std::fputs(command->page, stdout);
    std::fputs("\nGlobal option: --codepage N (see 'quillet --help').\n", stdout);
    return true;
}
