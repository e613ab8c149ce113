// INI commands: list sections and keys; rename sections and keys and move
// sections, writing the file back.
#include <cstring>

#include "quillet.h"
#include "tool.h"

namespace {

// Loads fileName into the library's INI store: the number of sections, or -1
// once the reason has been printed.
int loadINI(const std::string& fileName)
{
    int sections = loadINIFile(fileName.c_str());
    if (sections >= 0) return sections;
    if (!readProblem(fileName).empty())
        readFailure(fileName);
    else
        failure(quoted(fileName) + " holds no section");
    return -1;
}

// Whether the loaded file has a section called name. Renaming a section to
// its own name changes no byte and answers exactly this.
bool hasSection(const std::string& name)
{
    return changeSectionName(name.c_str(), name.c_str()) == 1;
}

int noSection(const std::string& name, const std::string& fileName)
{
    return failure("no section named " + quoted(name) + " in " + quoted(fileName));
}

// Writes the edited file to -o when given, else back over fileName. A file
// holding a NUL or 0x1A byte is not written back: the library reads nothing
// after such a byte, so everything behind it would be lost.
int saveINI(const Args& args, const std::string& fileName)
{
    if (!hasOption(args, "output") && holdsUnreadBytes(fileName))
        return failure("not writing " + quoted(fileName) +
                       " back: it holds a NUL or 0x1A byte, after which nothing is read; name an output "
                       "with -o");
    std::string target = optionValue(args, "output", fileName);
    if (writeINIFile(target.c_str()) != 1) return writeFailure(target);
    return exitOk;
}

// Finishes a listing: prints the list, or with -o checks the row count that
// the library returned for the file ("-1": not written).
int finishList(const Args& args, const char* result)
{
    if (!hasOption(args, "output")) {
        printText(result);
        return exitOk;
    }
    if (std::strcmp(result, "-1") == 0) return writeFailure(optionValue(args, "output"));
    return exitOk;
}

}  // namespace

int runSections(const std::vector<std::string>& words)
{
    Args args;
    if (!parseArgs("sections", words, {outputOption, appendOption}, args) ||
        !expectPositionals(args, 1, 1, "FILE"))
        return exitUsage;
    if (int status = checkOutput(args)) return status;
    std::string fileName = positionals(args)[0];
    if (loadINI(fileName) < 0) return exitFailed;
    std::string output = optionValue(args, "output");
    return finishList(args, getSectionList(output.c_str(), hasOption(args, "append") ? 1 : 0));
}

int runKeys(const std::vector<std::string>& words)
{
    Args args;
    if (!parseArgs("keys", words, {outputOption, appendOption}, args) ||
        !expectPositionals(args, 2, 2, "FILE SECTION"))
        return exitUsage;
    if (int status = checkOutput(args)) return status;
    std::vector<std::string> given = positionals(args);
    const std::string& fileName = given[0];
    const std::string& section = given[1];
    if (loadINI(fileName) < 0) return exitFailed;
    // The list alone cannot tell a missing section from one without keys.
    if (!hasSection(section)) return noSection(section, fileName);
    std::string output = optionValue(args, "output");
    return finishList(args, getKeyList(section.c_str(), output.c_str(), hasOption(args, "append") ? 1 : 0));
}

int runRenameSection(const std::vector<std::string>& words)
{
    Args args;
    if (!parseArgs("rename-section", words, {outputOption}, args) ||
        !expectPositionals(args, 3, 3, "FILE OLD NEW"))
        return exitUsage;
    if (int status = checkOutput(args)) return status;
    std::vector<std::string> given = positionals(args);
    const std::string& fileName = given[0];
    if (given[1].empty() || given[2].empty())
        return usageError(args.command, "section names must not be empty");
    if (loadINI(fileName) < 0) return exitFailed;
    if (changeSectionName(given[1].c_str(), given[2].c_str()) != 1) return noSection(given[1], fileName);
    return saveINI(args, fileName);
}

int runRenameKey(const std::vector<std::string>& words)
{
    Args args;
    if (!parseArgs("rename-key", words, {outputOption}, args) ||
        !expectPositionals(args, 4, 4, "FILE SECTION OLD NEW"))
        return exitUsage;
    if (int status = checkOutput(args)) return status;
    std::vector<std::string> given = positionals(args);
    const std::string& fileName = given[0];
    const std::string& section = given[1];
    if (given[2].empty() || given[3].empty()) return usageError(args.command, "key names must not be empty");
    if (loadINI(fileName) < 0) return exitFailed;
    if (!hasSection(section)) return noSection(section, fileName);
    if (changeKeyName(section.c_str(), given[2].c_str(), given[3].c_str()) != 1)
        return failure("no key " + quoted(given[2]) + " in section " + quoted(section) + " of " +
                       quoted(fileName));
    return saveINI(args, fileName);
}

int runMoveSection(const std::vector<std::string>& words)
{
    Args args;
    if (!parseArgs("move-section", words, {outputOption}, args) ||
        !expectPositionals(args, 3, 3, "FILE FROM TO"))
        return exitUsage;
    if (int status = checkOutput(args)) return status;
    std::vector<std::string> given = positionals(args);
    const std::string& fileName = given[0];
    int from = 0, to = 0;
    if (!parseNumber(given[1], from) || !parseNumber(given[2], to))
        return usageError(args.command, "FROM and TO must be section numbers (1 is the first)");
    int sections = loadINI(fileName);
    if (sections < 0) return exitFailed;
    for (int index : {from, to})
        if (index < 1 || index > sections)
            return failure("index " + std::to_string(index) + " is out of range 1.." +
                           std::to_string(sections));
    if (moveSection(from, to) != 1) return failure("cannot move section " + std::to_string(from));
    return saveINI(args, fileName);
}
