// INI commands: list sections and keys; rename sections and keys and move
// sections, the edited file going to standard output, back in place (-i) or
// to -o.
#include <string>

#include "quillet.h"
#include "tool.h"

namespace {

// Loads an INI file (file: what the library reads for operand): the number
// of sections, or -1 once the reason has been printed.
int loadINI(const std::string& file, const std::string& operand)
{
    if (byteOrderMarkHidesSection(file))
        warning(named(operand) + ": the first section is hidden behind a byte-order mark");
    int sections = loadINIFile(file.c_str());
    if (sections >= 0) return sections;
    if (!readProblem(file).empty())
        readFailure(file);
    else
        failure(named(operand) + " holds no section");
    return -1;
}

// Whether the loaded file has a section called name. Renaming a section to
// its own name changes no byte and answers exactly this.
bool hasSection(const std::string& name)
{
    return changeSectionName(name.c_str(), name.c_str()) == 1;
}

// Whether the section lists the key: a key line begins with it and then "=",
// a blank or a tab.
bool hasKey(const std::string& section, const std::string& key)
{
    std::string keys = std::string(getKeyList(section.c_str(), "", 0)) + "\n";
    for (std::size_t start = 0, end; (end = keys.find('\n', start)) != std::string::npos; start = end + 1) {
        std::string listed = keys.substr(start, end - start);
        if (listed.compare(0, key.size(), key) == 0 &&
            (listed.size() == key.size() || listed[key.size()] == ' ' || listed[key.size()] == '\t'))
            return true;
    }
    return false;
}

int noSection(const std::string& name, const std::string& operand)
{
    return failure("no section named " + quoted(name) + " in " + named(operand));
}

// Checks an edit's output options before anything is read.
int checkEdit(const Args& args)
{
    if (args.has("in-place") && args.has("output")) return usageError(args.command, "-i and -o exclude each other");
    if (args.has("in-place") && args.operands[0] == "-")
        return usageError(args.command, "standard input cannot be edited in place");
    return checkOutput(args);
}

// A new name goes into a line of the file as it is: a line break would cut
// that line in two.
int checkNewName(const Args& args, const std::string& name, const char* what)
{
    if (name.empty()) return usageError(args.command, std::string(what) + " names must not be empty");
    if (name.find_first_of("\r\n") != std::string::npos)
        return usageError(args.command, "the new name holds a line break, which would split its line in two");
    return exitOk;
}

// Writes the edited file: back over file with -i (refused where the
// library's rewrite would lose text; first copied to file + SUFFIX when one
// is given), else to -o or standard output.
int saveEdit(const Args& args, const std::string& file)
{
    if (args.has("in-place")) {
        std::string loss = rewriteLoss(file);
        if (!loss.empty())
            return failure("not writing " + quoted(file) + " back: " + loss + "; name an output with -o");
        std::string backup = file + args.value("in-place");
        if (backup != file) {
            std::string problem = copyFile(file, backup);
            if (!problem.empty())
                return failure("cannot copy " + quoted(file) + " to " + quoted(backup) + ": " + problem);
        }
        if (writeINIFile(file.c_str()) != 1) return writeFailure(file);
        return exitOk;
    }
    ResultFile result(outputTarget(args));
    if (result.name().empty()) return result.failed();
    if (writeINIFile(result.name().c_str()) != 1) return writeFailure(result.name());
    return result.deliver();
}

// The position of a section given as a number or by name (the first
// section so called), 0 once the reason has been printed.
int sectionPosition(const std::string& given, const std::vector<std::string>& heads, const std::string& operand)
{
    int number = 0;
    if (parseNumber(given, number)) {
        if (number >= 1 && number <= static_cast<int>(heads.size())) return number;
        failure("index " + given + " is out of range 1.." + std::to_string(heads.size()));
        return 0;
    }
    std::string header = "[" + given + "]";
    for (std::size_t i = 0; i < heads.size(); ++i)
        if (heads[i].compare(0, header.size(), header) == 0) return static_cast<int>(i) + 1;
    noSection(given, operand);
    return 0;
}

// The head lines of the loaded file's blocks, read again by the tool; false
// once a failure has been printed.
bool headsOf(const std::string& file, const std::string& operand, int sections, std::vector<std::string>& heads)
{
    if (readSectionHeads(file, heads) && static_cast<int>(heads.size()) == sections) return true;
    failure("cannot tell the positions of the sections of " + named(operand));
    return false;
}

}  // namespace

int runSections(const Args& args)
{
    if (int status = checkOutput(args)) return status;
    if (args.has("numbered") && args.has("output"))
        return usageError(args.command, "--numbered prints to standard output and takes no -o");
    const std::string& operand = args.operands[0];
    std::string file = inputFile(args, operand);
    if (file.empty()) return exitFailed;
    int sections = loadINI(file, operand);
    if (sections < 0) return exitFailed;
    if (args.has("numbered")) {
        std::vector<std::string> heads;
        if (!headsOf(file, operand, sections, heads)) return exitFailed;
        for (std::size_t i = 0; i < heads.size(); ++i) {
            std::string name;
            std::string shown = sectionNameOf(heads[i], name) ? name : heads[i];
            printText((std::to_string(i + 1) + "\t" + shown + "\n").c_str());
        }
        return exitOk;
    }
    return printOrWriteList(args, getSectionList);
}

int runKeys(const Args& args)
{
    if (int status = checkOutput(args)) return status;
    const std::string& operand = args.operands[0];
    const std::string& section = args.operands[1];
    std::string file = inputFile(args, operand);
    if (file.empty() || loadINI(file, operand) < 0) return exitFailed;
    // The list alone cannot tell a missing section from one without keys.
    if (!hasSection(section)) return noSection(section, operand);
    return printOrWriteList(args, [&section](const char* output, int append) {
        return getKeyList(section.c_str(), output, append);
    });
}

int runRenameSection(const Args& args)
{
    const std::string& operand = args.operands[0];
    const std::string& oldName = args.operands[1];
    const std::string& newName = args.operands[2];
    if (int status = checkEdit(args)) return status;
    if (oldName.empty()) return usageError(args.command, "section names must not be empty");
    if (int status = checkNewName(args, newName, "section")) return status;
    std::string file = inputFile(args, operand);
    if (file.empty() || loadINI(file, operand) < 0) return exitFailed;
    bool clash = oldName != newName && hasSection(newName);
    if (changeSectionName(oldName.c_str(), newName.c_str()) != 1) return noSection(oldName, operand);
    if (clash)
        warning("a section named " + quoted(newName) + " is in " + named(operand) + " already: there are two now");
    return saveEdit(args, file);
}

int runRenameKey(const Args& args)
{
    const std::string& operand = args.operands[0];
    const std::string& section = args.operands[1];
    const std::string& oldKey = args.operands[2];
    const std::string& newKey = args.operands[3];
    if (int status = checkEdit(args)) return status;
    if (oldKey.empty()) return usageError(args.command, "key names must not be empty");
    if (int status = checkNewName(args, newKey, "key")) return status;
    std::string file = inputFile(args, operand);
    if (file.empty() || loadINI(file, operand) < 0) return exitFailed;
    if (!hasSection(section)) return noSection(section, operand);
    bool clash = oldKey != newKey && hasKey(section, newKey);
    if (changeKeyName(section.c_str(), oldKey.c_str(), newKey.c_str()) != 1)
        return failure("no key " + quoted(oldKey) + " in section " + quoted(section) + " of " + named(operand));
    if (clash)
        warning("section " + quoted(section) + " of " + named(operand) + " has a key " + quoted(newKey) +
                " already: there are two now");
    return saveEdit(args, file);
}

int runMoveSection(const Args& args)
{
    const std::string& operand = args.operands[0];
    if (int status = checkEdit(args)) return status;
    std::string file = inputFile(args, operand);
    if (file.empty()) return exitFailed;
    int sections = loadINI(file, operand);
    if (sections < 0) return exitFailed;
    int from = 0, to = 0;
    std::vector<std::string> heads;
    if (!parseNumber(args.operands[1], from) || !parseNumber(args.operands[2], to)) {
        if (!headsOf(file, operand, sections, heads)) return exitFailed;
    } else {
        heads.resize(static_cast<std::size_t>(sections));  // numbers need only the count
    }
    if (!(from = sectionPosition(args.operands[1], heads, operand))) return exitFailed;
    if (!(to = sectionPosition(args.operands[2], heads, operand))) return exitFailed;
    if (moveSection(from, to) != 1) return failure("cannot move section " + std::to_string(from));
    return saveEdit(args, file);
}
