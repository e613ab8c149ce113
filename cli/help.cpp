// The help pages of the tool and of each command, made from the table of
// commands.
#include <algorithm>
#include <cstdio>
#include <string>

#include "tool.h"

namespace {

// Prints options as "  -o, --output OUT  help", the help texts in one
// column; a help text's further lines are indented to that column.
void printOptions(const std::vector<OptionSpec>& options)
{
    std::size_t width = 0;
    for (const OptionSpec& option : options) width = std::max(width, optionLabel(option).size());
    for (const OptionSpec& option : options) {
        std::string label = optionLabel(option);
        std::string help = option.help;
        std::string indent(2 + width + 2, ' ');
        for (std::size_t cut = 0; (cut = help.find('\n', cut)) != std::string::npos; cut += indent.size() + 1)
            help.insert(cut + 1, indent);
        std::printf("  %-*s  %s\n", static_cast<int>(width), label.c_str(), help.c_str());
    }
}

}  // namespace

std::string optionLabel(const OptionSpec& option)
{
    std::string label = option.shortName ? std::string("-") + option.shortName + ", " : "    ";
    label += std::string("--") + option.longName;
    if (option.value == ValueKind::required) label += std::string(" ") + option.valueName;
    if (option.value == ValueKind::optional) label += std::string("[=") + option.valueName + "]";
    return label;
}

void printToolHelp()
{
    std::printf("Usage: quillet [GLOBAL OPTIONS] COMMAND [ARGUMENTS]\n"
                "       quillet COMMAND --help\n"
                "       quillet --version\n"
                "\n"
                "%s",
                toolDescription);
    for (const Command& command : commandTable()) {
        if (command.group) std::printf("\n%s\n", command.group);
        std::printf("  %-15s %s\n", command.name, command.summary);
    }
    std::printf("\nGlobal options (all but --version may also follow the command)\n");
    std::vector<OptionSpec> options = globalOptions;
    options.insert(options.end(), toolOptions.begin(), toolOptions.end());
    printOptions(options);
    std::printf("\nExit status: %s\n\nExample: quillet %s\n", exitStatusNote, toolExample);
}

void printCommandHelp(const Command& command)
{
    std::string usage = command.usage;
    const char* lead = "Usage:";
    for (std::size_t start = 0; start < usage.size();) {
        std::size_t end = usage.find('\n', start);
        if (end == std::string::npos) end = usage.size();
        std::printf("%-6s quillet %s %s\n", lead, command.name, usage.substr(start, end - start).c_str());
        lead = "";
        start = end + 1;
    }
    std::printf("\n%s", command.description);
    if (!command.options.empty()) {
        std::printf("\nOptions\n");
        printOptions(command.options);
    }
    std::string global;
    for (const OptionSpec& option : globalOptions) {
        global += global.empty() ? "" : ", ";
        global += option.shortName ? std::string("-") + option.shortName : std::string("--") + option.longName;
        if (option.value == ValueKind::required) global += std::string(" ") + option.valueName;
    }
    std::printf("\nExample: quillet %s\n\nGlobal options: %s (see 'quillet --help').\n", command.example,
                global.c_str());
}
