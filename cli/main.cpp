// The quillet tool: global options, then one command that calls the library.
#include <cerrno>
#include <cstdio>
#include <cstring>
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

int runCommand(const std::string& command, const std::vector<std::string>& words)
{
    if (command == "sections") return runSections(words);
    if (command == "keys") return runKeys(words);
    if (command == "rename-section") return runRenameSection(words);
    if (command == "rename-key") return runRenameKey(words);
    if (command == "move-section") return runMoveSection(words);
    if (command == "words") return runWords(words);
    if (command == "titles") return runTitles(words);
    if (command == "entry") return runEntry(words);
    if (command == "count") return runCount(words);
    if (command == "field") return runField(words);
    if (command == "csv-table") return runCSVTable(words);
    if (command == "csv-section") return runCSVSection(words);
    if (command == "replace") return runReplace(words);
    if (command == "escapes") return runEscapes(words);
    if (command == "remove") return runRemove(words);
    return usageError("", "unknown command " + quoted(command));
}

// Takes the options before the command; sets done (with the status) when
// one of them was all there is to do.
int takeGlobalOptions(const std::vector<std::string>& all, std::size_t& next, bool& done)
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
        if (word == "--codepage" || word.compare(0, 11, "--codepage=") == 0) {
            std::string value;
            if (word.size() > 10) {
                value = word.substr(11);
            } else if (next + 1 < all.size()) {
                value = all[++next];
            } else {
                return usageError("", "option '--codepage' needs a value");
            }
            if (!applyCodePage("", value)) return exitUsage;
            ++next;
            continue;
        }
        return usageError("", "unknown option " + quoted(word));
    }
    done = false;
    return exitOk;
}

}  // namespace

int main(int argc, char** argv)
{
#if defined(_WIN32)
    // Results go out byte for byte, with no "\r" added before each "\n";
    // messages likewise, so that they read the same on every platform.
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
#endif
    std::vector<std::string> all(argv + 1, argv + argc);
    std::size_t next = 0;
    bool done = false;
    int status = takeGlobalOptions(all, next, done);
    if (!done) {
        if (next == all.size()) return usageError("", "missing command");
        std::string command = all[next];
        std::vector<std::string> words(all.begin() + static_cast<std::ptrdiff_t>(next) + 1, all.end());
        if (command == "help") {
            if (words.empty())
                printToolHelp();
            else if (!printCommandHelp(words[0]))
                return usageError("", "unknown command " + quoted(words[0]));
        } else if (!isCommand(command)) {
            return usageError("", "unknown command " + quoted(command));
        } else if (wantsHelp(words)) {
            printCommandHelp(command);
        } else {
            status = runCommand(command, words);
        }
    }
    if (std::fflush(stdout) != 0 || std::ferror(stdout))
        return failure(std::string("cannot write to standard output: ") + std::strerror(errno));
    return status;
}
