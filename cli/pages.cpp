// quillet_pages: writes the tool's manual page (quillet.1) and its bash
// completion script from the table of commands, at build time.
//   quillet_pages man FILE | quillet_pages bash FILE
#include <cstdio>
#include <string>

#include "tool.h"

namespace {

// text for roff: backslashes and minus signs escaped, a "." or "'" at the
// start of a line kept from being read as a request.
std::string roff(const std::string& text)
{
    std::string out;
    bool lineStart = true;
    for (char c : text) {
        if (lineStart && (c == '.' || c == '\'')) out += "\\&";
        if (c == '\\')
            out += "\\e";
        else if (c == '-')
            out += "\\-";
        else
            out += c;
        lineStart = c == '\n';
    }
    return out;
}

// text's lines joined into one.
std::string oneLine(std::string text)
{
    for (char& c : text)
        if (c == '\n') c = ' ';
    return text;
}

// Paragraphs (parted by blank lines) as roff paragraphs.
std::string paragraphs(const std::string& text)
{
    std::string out;
    for (std::size_t start = 0; start < text.size();) {
        std::size_t end = text.find("\n\n", start);
        if (end == std::string::npos) end = text.size();
        std::string paragraph = text.substr(start, end - start);
        while (!paragraph.empty() && paragraph.back() == '\n') paragraph.pop_back();
        if (!paragraph.empty()) out += ".PP\n" + roff(paragraph) + "\n";
        start = end + 2;
    }
    return out;
}

std::string optionItems(const std::vector<OptionSpec>& options)
{
    std::string out;
    for (const OptionSpec& option : options) {
        std::string label = optionLabel(option);
        label = label.substr(label.find_first_not_of(' '));
        out += ".TP\n\\fB" + roff(label) + "\\fR\n" + roff(oneLine(option.help)) + "\n";
    }
    return out;
}

std::string manualPage()
{
    // Left-adjusted and unhyphenated: usage lines and option names stay whole.
    std::string page = ".TH QUILLET 1 \"\" \"quillet " QUILLET_TOOL_VERSION "\" \"User Commands\"\n"
                       ".ad l\n"
                       ".nh\n"
                       ".SH NAME\n"
                       "quillet \\- " +
                       roff(toolSummary) +
                       "\n"
                       ".SH SYNOPSIS\n"
                       "\\fBquillet\\fR [\\fIGLOBAL OPTIONS\\fR] \\fICOMMAND\\fR [\\fIARGUMENTS\\fR]\n"
                       ".br\n"
                       "\\fBquillet\\fR \\fICOMMAND\\fR \\fB\\-\\-help\\fR\n"
                       ".br\n"
                       "\\fBquillet \\-\\-version\\fR\n"
                       ".SH DESCRIPTION\n" +
                       paragraphs(toolDescription) + ".SH COMMANDS\n";
    for (const Command& command : commandTable()) {
        if (command.group) page += ".SS " + roff(command.group) + "\n";
        page += ".PP\n";
        std::string usage = command.usage;
        for (std::size_t start = 0; start < usage.size();) {
            std::size_t end = usage.find('\n', start);
            if (end == std::string::npos) end = usage.size();
            if (start > 0) page += ".br\n";
            page += "\\fBquillet " + roff(command.name) + "\\fR " + roff(usage.substr(start, end - start)) + "\n";
            start = end + 1;
        }
        page += ".RS\n" + paragraphs(command.description) + optionItems(command.options);
        page += ".PP\nExample: \\fBquillet " + roff(command.example) + "\\fR\n.RE\n";
    }
    std::vector<OptionSpec> options = globalOptions;
    options.insert(options.end(), toolOptions.begin(), toolOptions.end());
    page += ".SH GLOBAL OPTIONS\nThese go before the command; all but \\-\\-version may also follow it.\n" +
            optionItems(options);
    page += ".SH EXIT STATUS\n" + roff(exitStatusNote) + "\n";
    page += ".SH ENVIRONMENT\n.TP\n.B TMPDIR\nthe temporary folder, which holds the tool's private folder while it runs\n";
    page += ".SH EXAMPLE\n\\fBquillet " + roff(toolExample) + "\\fR\n";
    return page;
}

// A bash word list of the options' names, or of those whose value is kind.
std::string optionWords(const std::vector<OptionSpec>& options, bool valuedOnly, bool filesOnly)
{
    std::string words;
    for (const OptionSpec& option : options) {
        if (valuedOnly && option.value != ValueKind::required) continue;
        if (filesOnly && option.kind != WordKind::file) continue;
        if (option.shortName) words += std::string(" -") + option.shortName;
        words += std::string(" --") + option.longName;
    }
    return words;
}

// The kinds of a command's operands, "file text+": "+" when the last repeats.
std::string operandKinds(const std::string& operands)
{
    std::string kinds;
    std::size_t start = 0;
    while (start < operands.size()) {
        std::size_t end = operands.find(' ', start);
        if (end == std::string::npos) end = operands.size();
        std::string name = operands.substr(start, end - start);
        if (!kinds.empty()) kinds += ' ';
        kinds += name.find("FILE") != std::string::npos ? "file" : "text";
        if (name.size() > 3 && name.compare(name.size() - 3, 3, "...") == 0) kinds += '+';
        start = end + 1;
    }
    return kinds;
}

std::string completionScript()
{
    std::string commandNames;
    std::string cases;
    for (const Command& command : commandTable()) {
        commandNames += std::string(commandNames.empty() ? "" : " ") + command.name;
        std::string options = optionWords(command.options, false, false);
        cases += std::string("                ") + command.name + ")\n                    options='" +
                 (options.empty() ? "" : options.substr(1)) + "'\n                    valued='" +
                 optionWords(command.options, true, false) + "'\n                    files='" +
                 optionWords(command.options, true, true) + "'\n                    operands='" +
                 operandKinds(command.operands) + "' ;;\n";
    }
    std::string globals = optionWords(globalOptions, false, false).substr(1);
    std::string globalValued = optionWords(globalOptions, true, false).substr(1);
    return "# bash completion for quillet, made from the tool's table of commands.\n"
           "_quillet_files()\n"
           "{\n"
           "    local IFS=$'\\n'\n"
           "    compopt -o filenames 2>/dev/null\n"
           "    COMPREPLY=($(compgen -f -- \"$1\"))\n"
           "}\n"
           "\n"
           "_quillet()\n"
           "{\n"
           "    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD-1]}\n"
           "    local commands='" + commandNames + "'\n"
           "    local globals='" + globals + "' global_valued='" + globalValued + "'\n"
           "    local codepages='0 932 936 949 950 1252 65001'\n"
           "    local command='' options='' valued='' files='' operands='' ended='' count=0 i=1 word\n"
           "    COMPREPLY=()\n"
           "    # The command is the first word that is no option or option value.\n"
           "    while ((i < COMP_CWORD)); do\n"
           "        word=${COMP_WORDS[i]}\n"
           "        i=$((i + 1))\n"
           "        if [[ -z $command ]]; then\n"
           "            if [[ \" $global_valued \" == *\" $word \"* ]]; then\n"
           "                i=$((i + 1))\n"
           "            elif [[ $word != -* ]]; then\n"
           "                command=$word\n"
           "                case $command in\n" +
           cases +
           "                esac\n"
           "            fi\n"
           "        elif [[ -z $ended && $word == -- ]]; then\n"
           "            ended=1\n"
           "        elif [[ -z $ended && $word == -?* ]]; then\n"
           "            [[ \" $valued $global_valued \" == *\" $word \"* ]] && i=$((i + 1))\n"
           "        else\n"
           "            count=$((count + 1))\n"
           "        fi\n"
           "    done\n"
           "    if [[ -z $ended && \" $global_valued $valued \" == *\" $prev \"* ]]; then\n"
           "        if [[ $prev == --codepage ]]; then\n"
           "            COMPREPLY=($(compgen -W \"$codepages\" -- \"$cur\"))\n"
           "        elif [[ \" $files \" == *\" $prev \"* ]]; then\n"
           "            _quillet_files \"$cur\"\n"
           "        fi\n"
           "        return 0\n"
           "    fi\n"
           "    if [[ -z $command ]]; then\n"
           "        if [[ $cur == -* ]]; then\n"
           "            COMPREPLY=($(compgen -W \"$globals -h --help --version\" -- \"$cur\"))\n"
           "        else\n"
           "            COMPREPLY=($(compgen -W \"$commands help\" -- \"$cur\"))\n"
           "        fi\n"
           "    elif [[ $command == help ]]; then\n"
           "        ((count == 0)) && COMPREPLY=($(compgen -W \"$commands\" -- \"$cur\"))\n"
           "    elif [[ -z $ended && $cur == -* ]]; then\n"
           "        COMPREPLY=($(compgen -W \"$options $globals -h --help\" -- \"$cur\"))\n"
           "    else\n"
           "        local kinds=($operands) kind=''\n"
           "        if ((count < ${#kinds[@]})); then\n"
           "            kind=${kinds[count]}\n"
           "        elif ((${#kinds[@]} > 0)) && [[ ${kinds[${#kinds[@]}-1]} == *+ ]]; then\n"
           "            kind=${kinds[${#kinds[@]}-1]}\n"
           "        fi\n"
           "        [[ $kind == file* ]] && _quillet_files \"$cur\"\n"
           "    fi\n"
           "    return 0\n"
           "}\n"
           "complete -F _quillet quillet\n";
}

}  // namespace

int main(int argc, char** argv)
{
    std::string what = argc == 3 ? argv[1] : "";
    if (what != "man" && what != "bash") {
        std::fprintf(stderr, "usage: quillet_pages man|bash FILE\n");
        return exitUsage;
    }
    std::string text = what == "man" ? manualPage() : completionScript();
    std::FILE* out = std::fopen(argv[2], "wb");
    if (!out || std::fwrite(text.data(), 1, text.size(), out) != text.size() || std::fclose(out) != 0) {
        std::perror(argv[2]);
        return exitFailed;
    }
    return exitOk;
}
