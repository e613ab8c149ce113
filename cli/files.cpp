// Files as the tool checks them: the system's reason when one cannot be read,
// written or removed, what a rewrite by the library would lose, and copies.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <sys/stat.h>

#include "tool.h"

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

std::string rewriteLoss(const std::string& fileName)
{
    std::FILE* f = std::fopen(fileName.c_str(), "rb");
    if (!f) return "";
    char buffer[65536];
    bool unread = false, bareReturn = false, afterReturn = false;
    for (std::size_t got; !unread && (got = std::fread(buffer, 1, sizeof buffer, f)) > 0;) {
        for (std::size_t i = 0; i < got && !unread; ++i) {
            char c = buffer[i];
            unread = c == '\0' || c == '\x1A';
            if (afterReturn && c != '\n') bareReturn = true;
            afterReturn = c == '\r';
        }
    }
    // A carriage return at the very end ends no line that could run on.
    std::fclose(f);
    if (unread) return "it holds a NUL or 0x1A byte, after which nothing is read";
    if (bareReturn)
        return "it holds carriage returns without a line feed after them, which are dropped, so the lines "
               "they end would run together";
    return "";
}

std::string copyFile(const std::string& fileName, const std::string& copyName)
{
    std::FILE* from = std::fopen(fileName.c_str(), "rb");
    if (!from) return systemReason(errno);
    std::FILE* to = std::fopen(copyName.c_str(), "wb");
    if (!to) {
        std::string reason = systemReason(errno);
        std::fclose(from);
        // The same reason on every platform where one is seen (a folder).
        std::string seen = writeProblem(copyName);
        return seen.empty() ? reason : seen;
    }
    char buffer[65536];
    int error = 0;
    for (std::size_t got; !error && (got = std::fread(buffer, 1, sizeof buffer, from)) > 0;)
        if (std::fwrite(buffer, 1, got, to) != got) error = errno ? errno : EIO;
    if (!error && std::ferror(from)) error = EIO;
    if (std::fclose(to) != 0 && !error) error = errno ? errno : EIO;
    std::fclose(from);
    return error ? systemReason(error) : "";
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
