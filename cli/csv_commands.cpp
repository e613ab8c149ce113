// CSV commands: one field of a record, a file as a "[csvinfo]" table, and a
// key and value section from two columns.
#include "quillet.h"
#include "tool.h"

namespace {

// Says why a conversion of csvFile into target was not written; exitFailed.
int conversionFailure(const std::string& csvFile, const std::string& target)
{
    if (!readProblem(csvFile).empty()) return readFailure(csvFile);
    if (isEmptyFile(csvFile)) return failure(quoted(csvFile) + " holds no line");
    if (!writeProblem(target).empty()) return writeFailure(target);
    return failure("cannot convert " + quoted(csvFile) + " into " + quoted(target));
}

// Reads a column number: 0 or more (0 has a meaning of its own), else prints
// a usage error.
bool columnNumber(const Args& args, const std::string& text, int& number)
{
    if (parseNumber(text, number) && number >= 0) return true;
    return usageRefused(
        args.command, "KEYFIELD and VALUEFIELD must be column numbers (1 is the first), not " + quoted(text));
}

}  // namespace

int runField(const std::vector<std::string>& words)
{
    Args args;
    if (!parseArgs("field", words, {}, args) || !expectPositionals(args, 2, 2, "RECORD N")) return exitUsage;
    std::vector<std::string> given = positionals(args);
    int number = 0;
    if (!parseNumber(given[1], number) || number < 1)
        return usageError(args.command, "N must be a field number (1 is the first), not " + quoted(given[1]));
    printText(getCSVField(given[0].c_str(), number));
    return exitOk;
}

int runCSVTable(const std::vector<std::string>& words)
{
    Args args;
    if (!parseArgs("csv-table", words, {outputOption}, args) || !expectPositionals(args, 1, 1, "CSVFILE"))
        return exitUsage;
    ScratchFile scratch(!hasOption(args, "output"));
    std::string target;
    if (int status = listTarget(args, scratch, target)) return status;
    const std::string csvFile = positionals(args)[0];
    if (transCSVToINI(csvFile.c_str(), target.c_str()) != 1) return conversionFailure(csvFile, target);
    return finishListTarget(args, scratch);
}

int runCSVSection(const std::vector<std::string>& words)
{
    Args args;
    if (!parseArgs("csv-section", words, {outputOption, appendOption}, args) ||
        !expectPositionals(args, 4, 4, "CSVFILE SECTION KEYFIELD VALUEFIELD"))
        return exitUsage;
    std::vector<std::string> given = positionals(args);
    int keyField = 0, valueField = 0;
    if (!columnNumber(args, given[2], keyField) || !columnNumber(args, given[3], valueField))
        return exitUsage;
    ScratchFile scratch(!hasOption(args, "output"));
    std::string target;
    if (int status = listTarget(args, scratch, target)) return status;
    if (createINIFromCSVElement(given[0].c_str(), target.c_str(), given[1].c_str(), keyField, valueField,
                                hasOption(args, "append") ? 1 : 0) != 1)
        return conversionFailure(given[0], target);
    return finishListTarget(args, scratch);
}
