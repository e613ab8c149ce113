// Multi-line dictionary commands: titles, an entry by title or position, and
// the count of entries with a title.
#include <cstring>

#include "quillet.h"
#include "tool.h"

namespace {

const OptionSpec markerOption = {'m', "marker", true};

std::string markerOf(const Args& args)
{
    return optionValue(args, "marker", "#");
}

// Checks the marker before anything is loaded: exitOk or the usage error.
int checkMarker(const Args& args)
{
    if (markerOf(args).empty()) return usageError(args.command, "the marker must not be empty");
    return exitOk;
}

// Loads the dictionary: the number of entries, or -1 once the reason has
// been printed. A file without any entry is of no use to any command.
int loadDic(const Args& args, const std::string& fileName)
{
    std::string marker = markerOf(args);
    int entries = loadMultiLineDic(fileName.c_str(), marker.c_str());
    if (entries > 0) return entries;
    if (entries == 0)
        failure("no line of " + quoted(fileName) + " begins with the marker " + quoted(marker));
    else if (!readProblem(fileName).empty())
        readFailure(fileName);
    else
        failure(quoted(fileName) + " holds no line");
    return -1;
}

// Reads an entry number: 1 or more, else a usage error is printed.
bool entryNumber(const Args& args, const std::string& text, int& number)
{
    if (parseNumber(text, number) && number >= 1) return true;
    return usageRefused(args.command, "N must be an entry number (1 is the first), not " + quoted(text));
}

}  // namespace

int runTitles(const std::vector<std::string>& words)
{
    Args args;
    if (!parseArgs("titles", words, {markerOption, outputOption}, args) ||
        !expectPositionals(args, 1, 1, "FILE"))
        return exitUsage;
    if (int status = checkOutput(args)) return status;
    if (int status = checkMarker(args)) return status;
    if (loadDic(args, positionals(args)[0]) < 0) return exitFailed;
    if (!hasOption(args, "output")) {
        printText(getMultiLineDicTitle(""));
        return exitOk;
    }
    std::string output = optionValue(args, "output");
    if (std::strcmp(getMultiLineDicTitle(output.c_str()), "-1") == 0) return writeFailure(output);
    return exitOk;
}

int runEntry(const std::vector<std::string>& words)
{
    Args args;
    if (!parseArgs("entry", words, {markerOption, {0, "at", true}}, args)) return exitUsage;
    bool byPosition = hasOption(args, "at");
    if (!(byPosition ? expectPositionals(args, 1, 1, "FILE with --at N")
                     : expectPositionals(args, 2, 3, "FILE TITLE [N]")))
        return exitUsage;
    if (int status = checkMarker(args)) return status;
    std::vector<std::string> given = positionals(args);
    const std::string& fileName = given[0];
    int number = 1;
    if (byPosition) {
        if (!entryNumber(args, optionValue(args, "at"), number)) return exitUsage;
        int entries = loadDic(args, fileName);
        if (entries < 0) return exitFailed;
        if (number > entries)
            return failure("index " + std::to_string(number) + " is out of range 1.." +
                           std::to_string(entries));
        printText(searchInMultiLineDic("", number));
        return exitOk;
    }
    const std::string& title = given[1];
    if (title.empty())
        return usageError(args.command, "TITLE must not be empty (--at N takes an entry by position)");
    if (given.size() == 3 && !entryNumber(args, given[2], number)) return exitUsage;
    if (loadDic(args, fileName) < 0) return exitFailed;
    // An empty text is both a miss and an entry without body lines; the
    // count tells them apart.
    int matches = 0;
    parseNumber(searchInMultiLineDic(title.c_str(), -1), matches);
    if (matches == 0) return failure("no entry titled " + quoted(title) + " in " + quoted(fileName));
    if (number > matches)
        return failure("entry " + std::to_string(number) + " of " + quoted(title) + " is out of range 1.." +
                       std::to_string(matches));
    printText(searchInMultiLineDic(title.c_str(), number));
    return exitOk;
}

int runCount(const std::vector<std::string>& words)
{
    Args args;
    if (!parseArgs("count", words, {markerOption}, args) || !expectPositionals(args, 2, 2, "FILE TITLE"))
        return exitUsage;
    if (int status = checkMarker(args)) return status;
    std::vector<std::string> given = positionals(args);
    if (loadDic(args, given[0]) < 0) return exitFailed;
    printText(searchInMultiLineDic(given[1].c_str(), -1));
    return exitOk;
}
