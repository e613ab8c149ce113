// CSV commands: one field of a record, a file as a "[csvinfo]" table, and a
// key and value section from two columns.
#include "quillet.h"
#include "tool.h"

namespace {

// Says why a conversion of csvFile (read for operand) into target was not
// written; exitFailed.
int conversionFailure(const std::string& csvFile, const std::string& operand, const std::string& target)
{
    if (!readProblem(csvFile).empty()) return readFailure(csvFile);
    if (isEmptyFile(csvFile)) return failure(named(operand) + " holds no line");
    if (!writeProblem(target).empty()) return writeFailure(target);
    return failure("cannot convert " + named(operand) + " into " + quoted(target));
}

// Warns of the lines whose quoted field is never closed: such a field would
// need the next line, and the library's records are one line each.
void warnOfUnclosedQuotes(const std::string& csvFile, const std::string& operand)
{
    if (quietWarnings) return;
    std::vector<long> lines = unclosedQuoteLines(csvFile);
    if (lines.empty()) return;
    std::size_t others = lines.size() - 1;
    std::string more = others == 0 ? "" : " (and " + std::to_string(others) + (others == 1 ? " more line)" : " more lines)");
    warning(named(operand) + " line " + std::to_string(lines[0]) + more +
            ": a quoted field is not closed on its line, so it and the rest of the line are left out "
            "(records are one line each)");
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

int runField(const Args& args)
{
    int number = 0;
    if (!parseNumber(args.operands[1], number) || number < 1)
        return usageError(args.command,
                          "N must be a field number (1 is the first), not " + quoted(args.operands[1]));
    printText(getCSVField(args.operands[0].c_str(), number));
    return exitOk;
}

int runCSVTable(const Args& args)
{
    if (int status = checkOutput(args)) return status;
    const std::string& operand = args.operands[0];
    std::string csvFile = inputFile(args, operand);
    if (csvFile.empty()) return exitFailed;
    warnOfUnclosedQuotes(csvFile, operand);
    ResultFile result(outputTarget(args));
    if (result.name().empty()) return result.failed();
    if (transCSVToINI(csvFile.c_str(), result.name().c_str()) != 1)
        return conversionFailure(csvFile, operand, result.name());
    return result.deliver();
}

int runCSVSection(const Args& args)
{
    if (int status = checkOutput(args)) return status;
    const std::vector<std::string>& given = args.operands;
    int keyField = 0, valueField = 0;
    if (!columnNumber(args, given[2], keyField) || !columnNumber(args, given[3], valueField)) return exitUsage;
    std::string csvFile = inputFile(args, given[0]);
    if (csvFile.empty()) return exitFailed;
    warnOfUnclosedQuotes(csvFile, given[0]);
    ResultFile result(outputTarget(args));
    if (result.name().empty()) return result.failed();
    if (createINIFromCSVElement(csvFile.c_str(), result.name().c_str(), given[1].c_str(), keyField, valueField,
                                args.has("append") ? 1 : 0) != 1)
        return conversionFailure(csvFile, given[0], result.name());
    return result.deliver();
}
