// Text commands (replace, escapes) and file removal.
#include "quillet.h"
#include "tool.h"

int runReplace(const std::vector<std::string>& words)
{
    Args args;
    if (!parseArgs("replace", words, {{'n', "count", true}}, args) ||
        !expectPositionals(args, 3, 3, "TEXT PATTERN REPLACEMENT"))
        return exitUsage;
    int count = -1;
    if (hasOption(args, "count") && !parseNumber(optionValue(args, "count"), count))
        return usageError(args.command, "--count needs a number, not " + quoted(optionValue(args, "count")));
    std::vector<std::string> given = positionals(args);
    printText(replace(given[0].c_str(), given[1].c_str(), given[2].c_str(), count));
    return exitOk;
}

int runEscapes(const std::vector<std::string>& words)
{
    Args args;
    if (!parseArgs("escapes", words, {}, args) || !expectPositionals(args, 1, 1, "TEXT")) return exitUsage;
    printText(parseBackSlashString(positionals(args)[0].c_str()));
    return exitOk;
}

int runRemove(const std::vector<std::string>& words)
{
    Args args;
    if (!parseArgs("remove", words, {}, args) ||
        !expectPositionals(args, 1, static_cast<std::size_t>(-1), "FILE..."))
        return exitUsage;
    int status = exitOk;
    for (const std::string& fileName : positionals(args)) {
        if (removeFile(fileName.c_str()) == 1) continue;
        std::string reason = removeProblem(fileName);
        status = failure("cannot remove " + quoted(fileName) + (reason.empty() ? "" : ": " + reason));
    }
    return status;
}
