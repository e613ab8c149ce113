// Shared pieces of the quillet tool: the table of commands and what each row
// holds, parsed arguments, messages, files, and the way results leave.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <utility>
#include <vector>

const int exitOk = 0;
const int exitFailed = 1;
const int exitUsage = 2;

// ---- The table of commands (commands.cpp) ---------------------------------

// Whether an option takes a value: never, always (the next word or "=VALUE"),
// or only when attached ("-i.bak", "--in-place=.bak").
enum class ValueKind { none, required, optional };

// What a word is, for completion: any text, a file name, a code page.
enum class WordKind { text, file, codePage };

struct OptionSpec {
    char shortName;  // 0 when there is none
    const char* longName;
    ValueKind value;
    const char* valueName;  // "OUT"; "" for a flag
    WordKind kind;          // of the value
    const char* help;       // one line
};

struct Args;

// One row of the table: everything the tool, its help, its manual page and
// its shell completion know about a command.
struct Command {
    const char* name;
    int (*run)(const Args&);
    const char* group;     // heading printed before the command, or null
    const char* summary;   // one line
    const char* usage;     // what follows "quillet NAME"; one line per form
    const char* operands;  // "FILE SECTION"; a name ending in "..." repeats
    std::size_t leastOperands;
    std::size_t mostOperands;
    std::vector<OptionSpec> options;
    const char* description;  // paragraphs parted by blank lines
    const char* example;      // the arguments after "quillet "
};

// Options every command takes, also before the command name.
extern const std::vector<OptionSpec> globalOptions;

// Options taken only before a command (or, for --help, instead of its
// arguments): --help and --version.
extern const std::vector<OptionSpec> toolOptions;

// The commands, in the order of the help page.
const std::vector<Command>& commandTable();

// The command called name, or null.
const Command* findCommand(const std::string& name);

// The tool's one-line description and the notes its help and manual share.
extern const char* const toolSummary;
extern const char* const toolDescription;
extern const char* const exitStatusNote;
extern const char* const toolExample;

// ---- Help (help.cpp) -------------------------------------------------------

void printToolHelp();
void printCommandHelp(const Command& command);

// An option as its help shows it: "-o, --output OUT", "    --at N",
// "-i, --in-place[=SUFFIX]".
std::string optionLabel(const OptionSpec& option);

// ---- Arguments (args.cpp) --------------------------------------------------

// A command's arguments: options (long name and value, "" for a flag) and
// operands (name "") in command-line order, and the operands alone.
struct Args {
    const Command* command = nullptr;
    std::vector<std::pair<std::string, std::string>> items;
    std::vector<std::string> operands;

    bool has(const std::string& longName) const;
    // The value of the last longName given, or fallback.
    std::string value(const std::string& longName, const std::string& fallback = "") const;
};

// Splits the words after the command name into options and operands ("--"
// ends the options) and checks the operand count; global options are applied
// at once. Prints the usage message and returns false on wrong usage.
bool parseArgs(const Command& command, const std::vector<std::string>& words, Args& args);

// Applies the global option named longName with its value; false after a
// usage message (command may be null).
bool applyGlobalOption(const Command* command, const std::string& longName, const std::string& value);

// Reads text as a whole decimal int (a leading '-' allowed); false otherwise.
bool parseNumber(const std::string& text, int& number);

// ---- Messages (messages.cpp) -----------------------------------------------

// Whether warnings are silenced (-q).
extern bool quietWarnings;

// "quillet: text" on standard error; returns exitFailed.
int failure(const std::string& text);

// "quillet: warning: text" on standard error unless -q was given.
void warning(const std::string& text);

// A one-line usage message for command (null: the tool); returns exitUsage.
int usageError(const Command* command, const std::string& text);

// As usageError, for checks that answer yes or no: returns false.
bool usageRefused(const Command* command, const std::string& text);

// text in single quotes, for messages.
std::string quoted(const std::string& text);

// An input operand as messages name it: 'name', or standard input for "-".
std::string named(const std::string& operand);

// ---- Files (files.cpp) -----------------------------------------------------

// The system's reason why fileName cannot be read, or "" when it can.
std::string readProblem(const std::string& fileName);

// The system's reason why fileName cannot be written, or "" when none is seen.
std::string writeProblem(const std::string& fileName);

// The system's reason why fileName cannot be removed, or "" when none is seen.
std::string removeProblem(const std::string& fileName);

// Whether fileName is a file of zero bytes.
bool isEmptyFile(const std::string& fileName);

// Why the library's rewrite of fileName would lose text (a NUL or 0x1A byte,
// carriage returns without a line feed), or "" when it would not.
std::string rewriteLoss(const std::string& fileName);

// Copies fileName to copyName byte for byte; "" or the system's reason.
std::string copyFile(const std::string& fileName, const std::string& copyName);

// "cannot read 'name': reason"; returns exitFailed.
int readFailure(const std::string& fileName);

// "cannot write 'name': reason" where a reason is found; returns exitFailed.
int writeFailure(const std::string& fileName);

// ---- Files as the library reads them (library_text.cpp) --------------------

// The head line of every block of an INI file as the library loads it (the
// blocks that move-section counts, in order); false when unreadable.
bool readSectionHeads(const std::string& fileName, std::vector<std::string>& heads);

// The name in a head line ("[name]..." gives name), or false when the line
// has no "]" and the library lists no section for it.
bool sectionNameOf(const std::string& head, std::string& name);

// Whether fileName begins with a UTF-8 byte-order mark right before a "[".
bool byteOrderMarkHidesSection(const std::string& fileName);

// The lines (from 1) of a CSV file whose last quoted field is never closed.
std::vector<long> unclosedQuoteLines(const std::string& fileName);

// ---- Standard input and the private folder (private_folder.cpp) -----------

// Sets up the removal of the private folder on SIGINT, SIGTERM, SIGHUP and
// SIGPIPE (those the caller did not ignore) and on a console's Ctrl+C.
void installCleanup();

// The path of name in the tool's private folder in the temporary folder,
// made on first use; "" when it cannot be made.
std::string privateFile(const char* name);

// Why the private folder could not be made (after privateFile gave "").
std::string privateFolderProblem();

// Removes the private folder and everything in it.
void removePrivateFolder();

// The file the library is to read for an input operand: the operand itself,
// or for "-" standard input copied into the private folder. "" once the
// reason has been printed.
std::string inputFile(const Args& args, const std::string& operand);

// ---- Standard output and result files (output.cpp) ------------------------

// Whether lines on standard output end with CR LF (--crlf; always on Windows).
extern bool crlfOnStandardOutput;

// Writes a text result: its bytes, plus "\n" when it is not empty and does
// not end with one; "\n" ends lines as the platform's text does.
void printText(const char* text);

// Flushes standard output; false (with errno set) when it failed.
bool flushStandardOutput();

// Where a command's file-shaped result goes: -o FILE, "-o -" or no -o
// (standard output), or a name that denotes an open descriptor.
struct OutputTarget {
    enum Kind { standardOutput, descriptor, file } kind = standardOutput;
    std::string name;    // as given
    int number = -1;     // the descriptor; -1 for a device opened by name
};

// The target of args' -o option (standard output when there is none).
OutputTarget outputTarget(const Args& args);

// Hands the library a file name for a result and brings the bytes it writes
// to the target: straight for a file and a descriptor's name; for standard
// output through a pipe the tool copies (see output.cpp for the build
// without them, which passes both through a file in the private folder).
class ResultFile {
public:
    explicit ResultFile(const OutputTarget& target);
    ~ResultFile();
    ResultFile(const ResultFile&) = delete;
    ResultFile& operator=(const ResultFile&) = delete;

    // The name for the library; "" when none could be made (then failed()
    // prints why).
    const std::string& name() const { return name_; }
    int failed() const;
    // Brings what the library wrote to the target: exitOk or the failure printed.
    int deliver();

private:
    OutputTarget target_;
    std::string name_;
    struct Copier;  // the pipe and its reading thread, when there is one
    Copier* copier_ = nullptr;
};

// Checks -o and --append: a name after -o, and --append only with -o.
// exitOk, or the usage error printed.
int checkOutput(const Args& args);

// Prints a list the library returns as text (list("", 0)), or with -o has
// the library write it as a numbered list (list(name, append), "-1" when the
// file failed) to the target.
int printOrWriteList(const Args& args, const std::function<const char*(const char* fileName, int append)>& list);

// ---- The commands, one function each --------------------------------------

int runSections(const Args& args);
int runKeys(const Args& args);
int runRenameSection(const Args& args);
int runRenameKey(const Args& args);
int runMoveSection(const Args& args);
int runWords(const Args& args);
int runTitles(const Args& args);
int runEntry(const Args& args);
int runCount(const Args& args);
int runField(const Args& args);
int runCSVTable(const Args& args);
int runCSVSection(const Args& args);
int runReplace(const Args& args);
int runEscapes(const Args& args);
int runRemove(const Args& args);
