#include "tool.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <sys/stat.h>

#include "quillet.h"

#if defined(_WIN32)
#include <io.h>
#define QUILLET_ACCESS _access
#else
#include <unistd.h>
#define QUILLET_ACCESS access
#endif

#ifndef W_OK
#define W_OK 2
#endif

namespace {

// The option of options named by a long name, or null.
const OptionSpec* findLong(const std::vector<OptionSpec>& options, const std::string& name)
{
    for (const OptionSpec& option : options)
        if (name == option.longName) return &option;
    return nullptr;
}

// The option of options named by a short letter, or null.
const OptionSpec* findShort(const std::vector<OptionSpec>& options, char name)
{
    for (const OptionSpec& option : options)
        if (option.shortName != 0 && option.shortName == name) return &option;
    return nullptr;
}

// Whether word is an option rather than a positional argument: "-" alone and
// negative numbers are positional.
bool looksLikeOption(const std::string& word)
{
    return word.size() >= 2 && word[0] == '-' && !(word[1] >= '0' && word[1] <= '9');
}

// Takes one option's value into args, or applies --codepage at once.
bool takeOption(const std::string& command, const OptionSpec& option, const std::string& value, Args& args)
{
    if (std::strcmp(option.longName, "codepage") == 0) return applyCodePage(command, value);
    args.items.emplace_back(option.longName, value);
    return true;
}

const OptionSpec codePageOption = {0, "codepage", true};

// The folder part of path ("." for a bare name).
std::string folderOf(const std::string& path)
{
#if defined(_WIN32)
    std::size_t cut = path.find_last_of("/\\:");
#else
    std::size_t cut = path.find_last_of('/');
#endif
    if (cut == std::string::npos) return ".";
    if (cut == 0) return path.substr(0, 1);
#if defined(_WIN32)
    if (path[cut] == ':') return path.substr(0, cut + 1) + ".";
#endif
    return path.substr(0, cut);
}

bool isFolder(const struct stat& st)
{
    return (st.st_mode & S_IFMT) == S_IFDIR;
}

std::string systemReason(int error)
{
    return std::strerror(error);
}

}  // namespace

bool parseArgs(const std::string& command, const std::vector<std::string>& words,
               const std::vector<OptionSpec>& options, Args& args)
{
    std::vector<OptionSpec> known = options;
    known.push_back(codePageOption);
    args.command = command;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < words.size(); ++i) {
        const std::string& word = words[i];
        if (!optionsEnded && word == "--") {
            optionsEnded = true;
            continue;
        }
        if (optionsEnded || !looksLikeOption(word)) {
            args.items.emplace_back("", word);
            continue;
        }
        if (word[1] == '-') {
            std::size_t equals = word.find('=');
            std::string name = word.substr(2, equals == std::string::npos ? std::string::npos : equals - 2);
            const OptionSpec* option = findLong(known, name);
            if (!option) return usageRefused(command, "unknown option '--" + name + "'");
            std::string value;
            if (!option->takesValue) {
                if (equals != std::string::npos)
                    return usageRefused(command, "option '--" + name + "' takes no value");
            } else if (equals != std::string::npos) {
                value = word.substr(equals + 1);
            } else if (i + 1 < words.size()) {
                value = words[++i];
            } else {
                return usageRefused(command, "option '--" + name + "' needs a value");
            }
            if (!takeOption(command, *option, value, args)) return false;
            continue;
        }
        // Short options may be bundled ("-su"); one that takes a value takes
        // the rest of the word or the next word.
        for (std::size_t k = 1; k < word.size(); ++k) {
            const OptionSpec* option = findShort(known, word[k]);
            if (!option) return usageRefused(command, std::string("unknown option '-") + word[k] + "'");
            if (!option->takesValue) {
                args.items.emplace_back(option->longName, "");
                continue;
            }
            std::string value;
            if (k + 1 < word.size())
                value = word.substr(k + 1);
            else if (i + 1 < words.size())
                value = words[++i];
            else
                return usageRefused(command, std::string("option '-") + word[k] + "' needs a value");
            if (!takeOption(command, *option, value, args)) return false;
            break;
        }
    }
    return true;
}

std::vector<std::string> positionals(const Args& args)
{
    std::vector<std::string> found;
    for (const auto& item : args.items)
        if (item.first.empty()) found.push_back(item.second);
    return found;
}

bool hasOption(const Args& args, const std::string& longName)
{
    for (const auto& item : args.items)
        if (item.first == longName) return true;
    return false;
}

std::string optionValue(const Args& args, const std::string& longName, const std::string& fallback)
{
    std::string value = fallback;
    for (const auto& item : args.items)
        if (item.first == longName) value = item.second;
    return value;
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

bool applyCodePage(const std::string& command, const std::string& text)
{
    int codePage = 0;
    if (!parseNumber(text, codePage))
        return usageRefused(command, "--codepage needs a number, not " + quoted(text));
    if (setCodePage(codePage) != 1) return usageRefused(command, "unknown code page " + text);
    return true;
}

int failure(const std::string& text)
{
    std::fflush(stdout);
    std::fprintf(stderr, "quillet: %s\n", text.c_str());
    return exitFailed;
}

int usageError(const std::string& command, const std::string& text)
{
    std::fflush(stdout);
    if (command.empty())
        std::fprintf(stderr, "quillet: %s (see 'quillet --help')\n", text.c_str());
    else
        std::fprintf(stderr, "quillet %s: %s (see 'quillet %s --help')\n", command.c_str(), text.c_str(),
                     command.c_str());
    return exitUsage;
}

bool usageRefused(const std::string& command, const std::string& text)
{
    usageError(command, text);
    return false;
}

bool expectPositionals(const Args& args, std::size_t least, std::size_t most, const char* names)
{
    std::size_t count = positionals(args).size();
    if (count < least) return usageRefused(args.command, std::string("missing arguments: expected ") + names);
    if (count > most) return usageRefused(args.command, std::string("too many arguments: expected ") + names);
    return true;
}

std::string quoted(const std::string& text)
{
    return "'" + text + "'";
}

std::string readProblem(const std::string& fileName)
{
    struct stat st;
    if (stat(fileName.c_str(), &st) != 0) return systemReason(errno);
    if (isFolder(st)) return systemReason(EISDIR);
    std::FILE* f = std::fopen(fileName.c_str(), "rb");
    if (!f) return systemReason(errno);
    std::fclose(f);
    return "";
}

std::string writeProblem(const std::string& fileName)
{
    if (fileName.empty()) return systemReason(ENOENT);
    struct stat st;
    if (stat(fileName.c_str(), &st) == 0) {
        if (isFolder(st)) return systemReason(EISDIR);
        // "r+" opens for writing without changing the file.
        std::FILE* f = std::fopen(fileName.c_str(), "r+b");
        if (!f) return systemReason(errno);
        std::fclose(f);
        // A file we may write is written even in a folder we may not.
        return "";
    }
    if (errno != ENOENT) return systemReason(errno);
    // A new file needs a folder we may write.
    std::string folder = folderOf(fileName);
    if (stat(folder.c_str(), &st) != 0) return systemReason(errno);
    if (!isFolder(st)) return systemReason(ENOTDIR);
    if (QUILLET_ACCESS(folder.c_str(), W_OK) != 0) return systemReason(errno);
    return "";
}

std::string removeProblem(const std::string& fileName)
{
    struct stat st;
    if (stat(fileName.c_str(), &st) != 0) return systemReason(errno);
    if (isFolder(st)) return systemReason(EISDIR);
#if defined(_WIN32)
    // A read-only file cannot be deleted on Windows.
    if (QUILLET_ACCESS(fileName.c_str(), W_OK) != 0) return systemReason(errno);
#endif
    if (QUILLET_ACCESS(folderOf(fileName).c_str(), W_OK) != 0) return systemReason(errno);
    return "";
}

bool isEmptyFile(const std::string& fileName)
{
    struct stat st;
    return stat(fileName.c_str(), &st) == 0 && !isFolder(st) && st.st_size == 0;
}

bool holdsUnreadBytes(const std::string& fileName)
{
    std::FILE* f = std::fopen(fileName.c_str(), "rb");
    if (!f) return false;
    char buffer[65536];
    bool found = false;
    for (std::size_t got; !found && (got = std::fread(buffer, 1, sizeof buffer, f)) > 0;)
        found = std::memchr(buffer, '\0', got) || std::memchr(buffer, '\x1A', got);
    std::fclose(f);
    return found;
}

int readFailure(const std::string& fileName)
{
    std::string reason = readProblem(fileName);
    return failure("cannot read " + quoted(fileName) + (reason.empty() ? "" : ": " + reason));
}

int writeFailure(const std::string& fileName)
{
    std::string reason = writeProblem(fileName);
    return failure("cannot write " + quoted(fileName) + (reason.empty() ? "" : ": " + reason));
}

void printText(const char* text)
{
    std::size_t length = std::strlen(text);
    std::fwrite(text, 1, length, stdout);
    if (length > 0 && text[length - 1] != '\n') std::fputc('\n', stdout);
}

bool printFileBytes(const std::string& fileName)
{
    std::FILE* f = std::fopen(fileName.c_str(), "rb");
    if (!f) return false;
    char buffer[1 << 16];
    bool ok = true;
    for (;;) {
        std::size_t got = std::fread(buffer, 1, sizeof buffer, f);
        if (got > 0 && std::fwrite(buffer, 1, got, stdout) != got) ok = false;
        if (got < sizeof buffer) break;
    }
    if (std::ferror(f)) ok = false;
    std::fclose(f);
    return ok;
}

ScratchFile::ScratchFile(bool wanted)
{
    if (!wanted) return;
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::path base = fs::temp_directory_path(ec);
    if (ec) return;
    std::random_device seed;
    std::mt19937 random(seed());
    // A new folder of our own: nobody else can have placed a file or a link
    // where the library is about to write.
    for (int attempt = 0; attempt < 100; ++attempt) {
        char name[32];
        std::snprintf(name, sizeof name, "quillet-%08x", static_cast<unsigned>(random()));
        fs::path candidate = base / name;
        if (fs::create_directory(candidate, ec) && !ec) {
#if !defined(_WIN32)
            fs::permissions(candidate, fs::perms::owner_all, ec);
#endif
            folder = candidate.string();
            path = (candidate / "list.ini").string();
            return;
        }
    }
}

ScratchFile::~ScratchFile()
{
    if (folder.empty()) return;
    std::remove(path.c_str());
    std::error_code ec;
    std::filesystem::remove(folder, ec);
}

int checkOutput(const Args& args)
{
    if (hasOption(args, "output") && optionValue(args, "output").empty())
        return usageError(args.command, "the output file name is empty");
    if (hasOption(args, "append") && !hasOption(args, "output"))
        return usageError(args.command, "--append needs an output file (-o FILE)");
    return exitOk;
}

int listTarget(const Args& args, const ScratchFile& scratch, std::string& target)
{
    if (int status = checkOutput(args)) return status;
    if (hasOption(args, "output")) {
        target = optionValue(args, "output");
        return exitOk;
    }
    if (scratch.path.empty()) return failure("cannot make a temporary folder");
    target = scratch.path;
    return exitOk;
}

int finishListTarget(const Args& args, const ScratchFile& scratch)
{
    if (hasOption(args, "output")) return exitOk;
    if (!printFileBytes(scratch.path)) return readFailure(scratch.path);
    return exitOk;
}
