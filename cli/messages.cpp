// Messages on standard error: failures, warnings and usage errors, one line
// each, after whatever standard output holds so far.
#include <cstdio>
#include <string>

#include "tool.h"

bool quietWarnings = false;

namespace {

void printMessage(const std::string& text)
{
    flushStandardOutput();
    std::fprintf(stderr, "quillet: %s\n", text.c_str());
}

}  // namespace

int failure(const std::string& text)
{
    printMessage(text);
    return exitFailed;
}

void warning(const std::string& text)
{
    if (!quietWarnings) printMessage("warning: " + text);
}

int usageError(const Command* command, const std::string& text)
{
    flushStandardOutput();
    if (!command)
        std::fprintf(stderr, "quillet: %s (see 'quillet --help')\n", text.c_str());
    else
        std::fprintf(stderr, "quillet %s: %s (see 'quillet %s --help')\n", command->name, text.c_str(),
                     command->name);
    return exitUsage;
}

bool usageRefused(const Command* command, const std::string& text)
{
    usageError(command, text);
    return false;
}

std::string quoted(const std::string& text)
{
    return "'" + text + "'";
}

std::string named(const std::string& operand)
{
    return operand == "-" ? "standard input" : quoted(operand);
}
