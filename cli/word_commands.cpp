// The word list command: words from files and arguments, sorted and freed of
// repeats on request, written as a "[word]" list.
#include <algorithm>

#include "quillet.h"
#include "tool.h"

int runWords(const Args& args)
{
    if (args.operands.empty() && !args.has("word"))
        return usageError(args.command, "no word file or word (-w WORD) given");
    if (int status = checkOutput(args)) return status;
    if (std::count(args.operands.begin(), args.operands.end(), "-") > 1)
        return usageError(args.command, "standard input ('-') can be read only once");
    clearOneLineDic();
    // Files and single words go in in the order given.
    for (const auto& item : args.items) {
        if (item.first == "word") {
            appendToOneLineDic(item.second.c_str());
        } else if (item.first.empty()) {
            std::string file = inputFile(args, item.second);
            if (file.empty()) return exitFailed;
            // 0 also answers an empty file read into a still empty list.
            if (appendFileToOneLineDic(file.c_str()) != 1 && !readProblem(file).empty()) return readFailure(file);
        }
    }
    if (args.has("sort")) sortOneLineDic();
    if (args.has("unique")) uniqueOneLineDic();
    ResultFile result(outputTarget(args));
    if (result.name().empty()) return result.failed();
    if (makeINIDB(result.name().c_str(), args.value("prefix").c_str()) < 0) return writeFailure(result.name());
    return result.deliver();
}
