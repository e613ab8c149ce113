// Multi-line dictionary commands: titles, an entry by title or position, and
// the count of entries with a title.
#include "quillet.h"
#include "tool.h"

namespace {

std::string markerOf(const Args& args)
{
    return args.value("marker", "#");
}

// Loads the dictionary (file: what the library reads for operand): the
// number of entries, or -1 once the reason has been printed. A file without
// any entry is of no use to any command.
int loadDic(const Args& args, const std::string& file, const std::string& operand)
{
    std::string marker = markerOf(args);
    int entries = loadMultiLineDic(file.c_str(), marker.c_str());
    if (entries > 0) return entries;
    if (entries == 0)
        failure("no line of " + named(operand) + " begins with the marker " + quoted(marker));
    else if (!readProblem(file).empty())
        readFailure(file);
    else
        failure(named(operand) + " holds no line");
    return -1;
}

// Checks the marker and takes the dictionary's file: "" once a message has
// been printed (status tells which kind).
std::string dictionaryFile(const Args& args, int& status)
{
    status = exitUsage;
    if (markerOf(args).empty()) {
        usageError(args.command, "the marker must not be empty");
        return "";
    }
    status = exitFailed;
    return inputFile(args, args.operands[0]);
}

// Reads an entry number: 1 or more, else a usage error is printed.
bool entryNumber(const Args& args, const std::string& text, int& number)
{
    if (parseNumber(text, number) && number >= 1) return true;
    return usageRefused(args.command, "N must be an entry number (1 is the first), not " + quoted(text));
}

}  // namespace

int runTitles(const Args& args)
{
    if (int status = checkOutput(args)) return status;
    int status = exitOk;
    std::string file = dictionaryFile(args, status);
    if (file.empty()) return status;
    if (loadDic(args, file, args.operands[0]) < 0) return exitFailed;
    return printOrWriteList(args, [](const char* output, int) { return getMultiLineDicTitle(output); });
}

int runEntry(const Args& args)
{
    bool byPosition = args.has("at");
    if (byPosition && args.operands.size() != 1)
        return usageError(args.command, "too many arguments: expected FILE with --at N");
    if (!byPosition && args.operands.size() < 2)
        return usageError(args.command, "missing arguments: expected FILE TITLE [N]");
    int number = 1;
    if (byPosition && !entryNumber(args, args.value("at"), number)) return exitUsage;
    if (!byPosition) {
        if (args.operands[1].empty())
            return usageError(args.command, "TITLE must not be empty (--at N takes an entry by position)");
        if (args.operands.size() == 3 && !entryNumber(args, args.operands[2], number)) return exitUsage;
    }
    int status = exitOk;
    std::string file = dictionaryFile(args, status);
    if (file.empty()) return status;
    const std::string& operand = args.operands[0];
    int entries = loadDic(args, file, operand);
    if (entries < 0) return exitFailed;
    if (byPosition) {
        if (number > entries)
            return failure("index " + std::to_string(number) + " is out of range 1.." + std::to_string(entries));
        printText(searchInMultiLineDic("", number));
        return exitOk;
    }
    const std::string& title = args.operands[1];
    // An empty text is both a miss and an entry without body lines; the
    // count tells them apart.
    int matches = 0;
    parseNumber(searchInMultiLineDic(title.c_str(), -1), matches);
    if (matches == 0) return failure("no entry titled " + quoted(title) + " in " + named(operand));
    if (number > matches)
        return failure("entry " + std::to_string(number) + " of " + quoted(title) + " is out of range 1.." +
                       std::to_string(matches));
    printText(searchInMultiLineDic(title.c_str(), number));
    return exitOk;
}

int runCount(const Args& args)
{
    int status = exitOk;
    std::string file = dictionaryFile(args, status);
    if (file.empty()) return status;
    if (loadDic(args, file, args.operands[0]) < 0) return exitFailed;
    printText(searchInMultiLineDic(args.operands[1].c_str(), -1));
    return exitOk;
}
