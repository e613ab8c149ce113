// The word list command: words from files and arguments, sorted and freed of
// repeats on request, written as a "[word]" list.
#include "quillet.h"
#include "tool.h"

int runWords(const std::vector<std::string>& words)
{
    Args args;
    if (!parseArgs("words", words,
                   {{'w', "word", true},
                    {'s', "sort", false},
                    {'u', "unique", false},
                    {'p', "prefix", true},
                    outputOption},
                   args))
        return exitUsage;
    bool anySource = false;
    for (const auto& item : args.items)
        if (item.first.empty() || item.first == "word") anySource = true;
    if (!anySource) return usageError(args.command, "no word file or word (-w WORD) given");
    ScratchFile scratch(!hasOption(args, "output"));
    std::string target;
    if (int status = listTarget(args, scratch, target)) return status;

    clearOneLineDic();
    // Files and single words go in in the order given.
    for (const auto& item : args.items) {
        if (item.first == "word") {
            appendToOneLineDic(item.second.c_str());
        } else if (item.first.empty() && appendFileToOneLineDic(item.second.c_str()) != 1) {
            // 0 also answers an empty file read into a still empty list.
            if (!readProblem(item.second).empty()) return readFailure(item.second);
        }
    }
    if (hasOption(args, "sort")) sortOneLineDic();
    if (hasOption(args, "unique")) uniqueOneLineDic();
    if (makeINIDB(target.c_str(), optionValue(args, "prefix").c_str()) < 0) return writeFailure(target);
    return finishListTarget(args, scratch);
}
