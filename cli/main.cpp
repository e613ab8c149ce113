// The quillet tool: global options, then one command from the table of
// commands, which calls the library.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>
#include <vector>

#include "tool.h"

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#endif

namespace {

// Whether -h or --help stands among a command's options (before any "--").
bool wantsHelp(const std::vector<std::string>& words)
{
    for (const std::string& word : words) {
        if (word == "--") return false;
        if (word == "-h" || word == "--help") return true;
    }
    return false;
}

// The global option that word names before the command ("--codepage=N",
// "-q"), or null.
const OptionSpec* globalOption(const std::string& word, std::string& value)
{
    for (const OptionSpec& option : globalOptions) {
        std::string longForm = std::string("--") + option.longName;
        if (word == longForm || (option.shortName && word == std::string("-") + option.shortName)) return &option;
        if (option.value != ValueKind::none && word.compare(0, longForm.size() + 1, longForm + "=") == 0) {
            value = word.substr(longForm.size() + 1);
            return &option;
        }
    }
    return nullptr;
}

// Takes the options before the command; sets done (with the status) when
// one of them was all there is to do.
int takeToolOptions(const std::vector<std::string>& all, std::size_t& next, bool& done)
{
    done = true;
    while (next < all.size() && all[next].size() > 1 && all[next][0] == '-') {
        const std::string& word = all[next];
        if (word == "-h" || word == "--help") {
            printToolHelp();
            return exitOk;
        }
        if (word == "--version") {
            std::printf("quillet %s\n", QUILLET_TOOL_VERSION);
            return exitOk;
        }
        std::string value;
        const OptionSpec* option = globalOption(word, value);
        if (!option) return usageError(nullptr, "unknown option " + quoted(word));
        bool attached = word.find('=') != std::string::npos;
        if (option->value == ValueKind::required && !attached) {
            if (next + 1 == all.size()) return usageError(nullptr, "option " + quoted(word) + " needs a value");
            value = all[++next];
        }
        if (!applyGlobalOption(nullptr, option->longName, value)) return exitUsage;
        ++next;
    }
    done = false;
    return exitOk;
}

int runTool(const std::vector<std::string>& all)
{
    std::size_t next = 0;
    bool done = false;
    int status = takeToolOptions(all, next, done);
    if (done) return status;
    if (next == all.size()) return usageError(nullptr, "missing command");
    std::string name = all[next];
    std::vector<std::string> words(all.begin() + static_cast<std::ptrdiff_t>(next) + 1, all.end());
    if (name == "help") {
        if (words.empty()) {
            printToolHelp();
            return exitOk;
        }
        name = words[0];
        words = {"--help"};
    }
    const Command* command = findCommand(name);
    if (!command) return usageError(nullptr, "unknown command " + quoted(name));
    if (wantsHelp(words)) {
        printCommandHelp(*command);
        return exitOk;
    }
    Args args;
    if (!parseArgs(*command, words, args)) return exitUsage;
    return command->run(args);
}

}  // namespace

int main(int argc, char** argv)
{
#if defined(_WIN32)
    // The tool writes the line ends of standard output itself, and messages
    // read the same on every platform.
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
#endif
    installCleanup();
    int status;
    try {
        status = runTool(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const std::exception& problem) {
        status = failure(problem.what());
    }
    if (!flushStandardOutput()) status = failure(std::string("cannot write to standard output: ") + std::strerror(errno));
    removePrivateFolder();
    return status;
}
