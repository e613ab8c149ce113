// Text commands (replace, escapes) and file removal.
#include "quillet.h"
#include "tool.h"

int runReplace(const Args& args)
{
    int count = -1;
    if (args.has("count") && !parseNumber(args.value("count"), count))
        return usageError(args.command, "--count needs a number, not " + quoted(args.value("count")));
    const std::vector<std::string>& given = args.operands;
    printText(replace(given[0].c_str(), given[1].c_str(), given[2].c_str(), count));
    return exitOk;
}

int runEscapes(const Args& args)
{
    printText(parseBackSlashString(args.operands[0].c_str()));
    return exitOk;
}

int runRemove(const Args& args)
{
    int status = exitOk;
    for (const std::string& fileName : args.operands) {
        if (removeFile(fileName.c_str()) == 1) continue;
        std::string reason = removeProblem(fileName);
        status = failure("cannot remove " + quoted(fileName) + (reason.empty() ? "" : ": " + reason));
    }
    return status;
}
