// Command-line parsing: options (short, bundled, long, with or without
// values) and operands, checked against a command's row of the table.
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <string>

#include "quillet.h"
#include "tool.h"

namespace {

// The option among the command's and the global ones with this long name
// (shortName 0) or this short name; null when there is none.
const OptionSpec* findOption(const Command& command, const std::string& longName, char shortName)
{
    for (const std::vector<OptionSpec>* list : {&command.options, &globalOptions})
        for (const OptionSpec& option : *list)
            if (shortName ? option.shortName == shortName : longName == option.longName) return &option;
    return nullptr;
}

bool isGlobal(const OptionSpec& option)
{
    return &option >= globalOptions.data() && &option < globalOptions.data() + globalOptions.size();
}

// Whether word is an option rather than an operand: "-" alone (standard
// input) and negative numbers are operands.
bool looksLikeOption(const std::string& word)
{
    return word.size() >= 2 && word[0] == '-' && !(word[1] >= '0' && word[1] <= '9');
}

// Files a global option at once, any other into args.
bool takeOption(const Command& command, const OptionSpec& option, const std::string& value, Args& args)
{
    if (isGlobal(option)) return applyGlobalOption(&command, option.longName, value);
    args.items.emplace_back(option.longName, value);
    return true;
}

bool checkOperandCount(const Command& command, std::size_t count)
{
    std::string expected = std::string("expected ") + command.operands;
    if (count < command.leastOperands) return usageRefused(&command, "missing arguments: " + expected);
    if (count > command.mostOperands) return usageRefused(&command, "too many arguments: " + expected);
    return true;
}

}  // namespace

bool Args::has(const std::string& longName) const
{
    for (const auto& item : items)
        if (item.first == longName) return true;
    return false;
}

std::string Args::value(const std::string& longName, const std::string& fallback) const
{
    std::string found = fallback;
    for (const auto& item : items)
        if (item.first == longName) found = item.second;
    return found;
}

bool parseArgs(const Command& command, const std::vector<std::string>& words, Args& args)
{
    args.command = &command;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < words.size(); ++i) {
        const std::string& word = words[i];
        if (!optionsEnded && word == "--") {
            optionsEnded = true;
            continue;
        }
        if (optionsEnded || !looksLikeOption(word)) {
            args.items.emplace_back("", word);
            args.operands.push_back(word);
            continue;
        }
        if (word[1] == '-') {
            std::size_t equals = word.find('=');
            std::string name = word.substr(2, equals == std::string::npos ? std::string::npos : equals - 2);
            const OptionSpec* option = findOption(command, name, 0);
            if (!option) return usageRefused(&command, "unknown option '--" + name + "'");
            std::string value;
            if (equals != std::string::npos) {
                if (option->value == ValueKind::none)
                    return usageRefused(&command, "option '--" + name + "' takes no value");
                value = word.substr(equals + 1);
            } else if (option->value == ValueKind::required) {
                if (i + 1 == words.size()) return usageRefused(&command, "option '--" + name + "' needs a value");
                value = words[++i];
            }
            if (!takeOption(command, *option, value, args)) return false;
            continue;
        }
        // Short options may be bundled ("-su"); one that takes a value takes
        // the rest of the word, or when required and nothing is left, the
        // next word.
        for (std::size_t k = 1; k < word.size(); ++k) {
            const OptionSpec* option = findOption(command, "", word[k]);
            if (!option) return usageRefused(&command, std::string("unknown option '-") + word[k] + "'");
            if (option->value == ValueKind::none) {
                if (!takeOption(command, *option, "", args)) return false;
                continue;
            }
            std::string value = word.substr(k + 1);
            if (value.empty() && option->value == ValueKind::required) {
                if (i + 1 == words.size())
                    return usageRefused(&command, std::string("option '-") + word[k] + "' needs a value");
                value = words[++i];
            }
            if (!takeOption(command, *option, value, args)) return false;
            break;
        }
    }
    return checkOperandCount(command, args.operands.size());
}

bool applyGlobalOption(const Command* command, const std::string& longName, const std::string& value)
{
    if (longName == "quiet") {
        quietWarnings = true;
    } else if (longName == "crlf") {
        crlfOnStandardOutput = true;
    } else if (longName == "codepage") {
        int codePage = 0;
        if (!parseNumber(value, codePage))
            return usageRefused(command, "--codepage needs a number, not " + quoted(value));
        if (setCodePage(codePage) != 1) return usageRefused(command, "unknown code page " + value);
    }
    return true;
}

bool parseNumber(const std::string& text, int& number)
{
    if (text.empty() || !(text[0] == '-' || (text[0] >= '0' && text[0] <= '9'))) return false;
    errno = 0;
    char* end = nullptr;
    long value = std::strtol(text.c_str(), &end, 10);
    if (errno != 0 || end == text.c_str() || *end != '\0' || value < INT_MIN || value > INT_MAX) return false;
    number = static_cast<int>(value);
    return true;
}
