// Shared pieces of the quillet tool: argument parsing, messages, the
// system's reasons for failures, and output.
#pragma once

#include <string>
#include <utility>
#include <vector>

const int exitOk = 0;
const int exitFailed = 1;
const int exitUsage = 2;

// One option a command accepts: "-o" / "--output", with or without a value.
struct OptionSpec {
    char shortName;  // 0 when there is none
    const char* longName;
    bool takesValue;
};

// Options that several commands share.
const OptionSpec outputOption = {'o', "output", true};
const OptionSpec appendOption = {'a', "append", false};

// A command's arguments in command-line order: each item is an option's long
// name and its value ("" for a flag), or "" and a positional argument.
struct Args {
    std::string command;
    std::vector<std::pair<std::string, std::string>> items;
};

// Splits words (the arguments after the command name) into options and
// positional arguments; "--" ends the options. Also takes the global
// --codepage here. Prints a usage message and returns false on an unknown or
// incomplete option.
bool parseArgs(const std::string& command, const std::vector<std::string>& words,
               const std::vector<OptionSpec>& options, Args& args);

// The positional arguments of args, in order.
std::vector<std::string> positionals(const Args& args);

// Whether the option longName was given.
bool hasOption(const Args& args, const std::string& longName);

// The value of the last longName given, or fallback.
std::string optionValue(const Args& args, const std::string& longName, const std::string& fallback = "");

// Reads text as a whole decimal int (a leading '-' allowed); false otherwise.
bool parseNumber(const std::string& text, int& number);

// Selects the code page named by text through the library; prints a usage
// message and returns false when it is no number or the library refuses it.
bool applyCodePage(const std::string& command, const std::string& text);

// Prints "quillet: <text>" on standard error; returns exitFailed.
int failure(const std::string& text);

// Prints a one-line usage message for command on standard error; returns exitUsage.
int usageError(const std::string& command, const std::string& text);

// As usageError, for checks that answer yes or no: returns false.
bool usageRefused(const std::string& command, const std::string& text);

// Checks that args has between least and most positional arguments, else
// prints a usage message; names describes them for that message.
bool expectPositionals(const Args& args, std::size_t least, std::size_t most, const char* names);

// text in single quotes, for messages.
std::string quoted(const std::string& text);

// The system's reason why fileName cannot be read, or "" when it can.
std::string readProblem(const std::string& fileName);

// The system's reason why fileName cannot be written, or "" when none is seen.
std::string writeProblem(const std::string& fileName);

// The system's reason why fileName cannot be removed, or "" when none is seen.
std::string removeProblem(const std::string& fileName);

// Whether fileName is a file of zero bytes.
bool isEmptyFile(const std::string& fileName);

// Whether the file holds a NUL or 0x1A byte (the library reads no further).
bool holdsUnreadBytes(const std::string& fileName);

// "cannot read 'name': reason" (reason from readProblem); returns exitFailed.
int readFailure(const std::string& fileName);

// "cannot write 'name': reason" where a reason is found; returns exitFailed.
int writeFailure(const std::string& fileName);

// Writes a text result: its bytes as they are, plus "\n" when it is not empty
// and does not end with one.
void printText(const char* text);

// Copies the bytes of fileName to standard output; false when unreadable.
bool printFileBytes(const std::string& fileName);

// A file in a new private folder, for results the library only writes to a
// file; both are removed when it goes out of scope. path is "" when not
// wanted or when no folder could be made.
struct ScratchFile {
    std::string folder;
    std::string path;
    explicit ScratchFile(bool wanted);
    ~ScratchFile();
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;
};

// Checks -o and --append: a named output file, and --append only with one.
// exitOk, or the usage error printed.
int checkOutput(const Args& args);

// Where a command writes a list the library only writes to disk: the -o file
// when given, else scratch.path. exitOk, or the failure printed.
int listTarget(const Args& args, const ScratchFile& scratch, std::string& target);

// Finishes such a command: prints the scratch file when no -o file was given.
int finishListTarget(const Args& args, const ScratchFile& scratch);

// The commands, one per function; words are the arguments after the name.
int runSections(const std::vector<std::string>& words);
int runKeys(const std::vector<std::string>& words);
int runRenameSection(const std::vector<std::string>& words);
int runRenameKey(const std::vector<std::string>& words);
int runMoveSection(const std::vector<std::string>& words);
int runWords(const std::vector<std::string>& words);
int runTitles(const std::vector<std::string>& words);
int runEntry(const std::vector<std::string>& words);
int runCount(const std::vector<std::string>& words);
int runField(const std::vector<std::string>& words);
int runCSVTable(const std::vector<std::string>& words);
int runCSVSection(const std::vector<std::string>& words);
int runReplace(const std::vector<std::string>& words);
int runEscapes(const std::vector<std::string>& words);
int runRemove(const std::vector<std::string>& words);

// Help: the tool's overview, and one command's page (false when unknown).
void printToolHelp();
bool printCommandHelp(const std::string& command);
// Whether command is one the tool knows.
bool isCommand(const std::string& command);
