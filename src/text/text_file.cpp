#include "text/text_file.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>
#include <sys/stat.h>

#include "text/string_ops.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>
#endif

namespace {

// Removes every '\r' from text in one pass.
void dropCarriageReturns(std::string& text)
{
    char* begin = &text[0];
    char* end = begin + text.size();
    char* out = static_cast<char*>(std::memchr(begin, '\r', text.size()));
    if (!out) return;
    for (char* in = out; in < end;) {
        if (*in == '\r') {
            ++in;
            continue;
        }
        char* next = static_cast<char*>(std::memchr(in, '\r', end - in));
        std::size_t run = (next ? next : end) - in;
        std::memmove(out, in, run);
        out += run;
        in += run;
    }
    text.resize(out - begin);
}

// Cuts text at the first byte equal to b, if any.
void cutAt(std::string& text, char b)
{
    const void* hit = std::memchr(text.data(), b, text.size());
    if (hit) text.resize(static_cast<const char*>(hit) - text.data());
}

// Closes f when it goes out of scope.
struct FileCloser {
    std::FILE* f;
    ~FileCloser() { std::fclose(f); }
};

const std::size_t writeChunk = 1 << 16;

#if defined(_WIN32)
using OsFile = HANDLE;
const OsFile noFile = INVALID_HANDLE_VALUE;

bool writeBytes(OsFile f, const char* p, std::size_t n)
{
    while (n > 0) {
        DWORD part = static_cast<DWORD>(std::min<std::size_t>(n, 1u << 30)), written = 0;
        if (!WriteFile(f, p, part, &written, nullptr) || written == 0) return false;
        p += written;
        n -= written;
    }
    return true;
}

bool closeFile(OsFile f)
{
    return CloseHandle(f) != 0;
}

void removePath(const std::string& path)
{
    DeleteFileA(path.c_str());
}
#else
using OsFile = int;
const OsFile noFile = -1;

bool writeBytes(OsFile f, const char* p, std::size_t n)
{
    while (n > 0) {
        ssize_t written = ::write(f, p, n);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        p += written;
        n -= static_cast<std::size_t>(written);
    }
    return true;
}

bool closeFile(OsFile f)
{
    return ::close(f) == 0;
}

void removePath(const std::string& path)
{
    ::unlink(path.c_str());
}
#endif

// Writes text to f with every "\n" as "\r\n", after a "\r\n" when
// leadingBreak is set. False at the first failed write.
bool writeConverted(OsFile f, const std::string& text, bool leadingBreak)
{
    // Two bytes of slack: a line break may overrun the chunk by one.
    std::vector<char> buffer(writeChunk + 2);
    char* const begin = buffer.data();
    char* const limit = begin + writeChunk;
    char* out = begin;
    if (leadingBreak) {
        *out++ = '\r';
        *out++ = '\n';
    }
    // A plain byte loop: lines are often short, and a search call per line
    // would cost more than it saves.
    for (const char *p = text.data(), *end = p + text.size(); p < end; ++p) {
        if (*p == '\n') *out++ = '\r';
        *out++ = *p;
        if (out >= limit) {
            if (!writeBytes(f, begin, out - begin)) return false;
            out = begin;
        }
    }
    return writeBytes(f, begin, out - begin);
}

// The folder part of path, with its separator ("" for a bare name).
std::string folderOf(const std::string& path)
{
    std::size_t cut = path.find_last_of(
#if defined(_WIN32)
        "/\\:"
#else
        "/"
#endif
    );
    return cut == std::string::npos ? std::string() : path.substr(0, cut + 1);
}

// A name for a temporary file beside target; a new one on every call.
std::string tempNameBeside(const std::string& target)
{
    static unsigned counter = 0;
#if defined(_WIN32)
    unsigned long pid = GetCurrentProcessId();
#else
    unsigned long pid = static_cast<unsigned long>(getpid());
#endif
    return folderOf(target) + ".quillet-" + std::to_string(pid) + "-" + std::to_string(++counter) +
           ".tmp";
}

// What a replacing write finds at its target.
enum class Target { missing, regular, other, unwritable };

#if defined(_WIN32)
// Looks at the target; for a device or pipe, inPlace receives it opened.
Target probeTarget(const char* fileName, std::string& path, OsFile& inPlace)
{
    path = fileName;
    HANDLE h = CreateFileA(fileName, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return GetLastError() == ERROR_FILE_NOT_FOUND ? Target::missing : Target::unwritable;
    if (GetFileType(h) != FILE_TYPE_DISK) {
        inPlace = h;
        return Target::other;
    }
    CloseHandle(h);
    return Target::regular;
}

OsFile createTemp(const std::string& tempPath)
{
    return CreateFileA(tempPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                       nullptr);
}

bool moveOver(const std::string& tempPath, const std::string& target)
{
    return MoveFileExA(tempPath.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
}

// Opens for appending; created tells whether the file is new, oldSize its
// length before (-1 when it cannot be cut back).
OsFile openForAppend(const char* fileName, bool& created, long long& oldSize)
{
    HANDLE h = CreateFileA(fileName, GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return noFile;
    created = GetLastError() != ERROR_ALREADY_EXISTS;
    oldSize = -1;
    LARGE_INTEGER size, zero;
    zero.QuadPart = 0;
    if (GetFileType(h) == FILE_TYPE_DISK && GetFileSizeEx(h, &size)) {
        oldSize = size.QuadPart;
        SetFilePointerEx(h, zero, nullptr, FILE_END);
    }
    return h;
}

void cutBack(OsFile f, long long oldSize)
{
    LARGE_INTEGER at;
    at.QuadPart = oldSize;
    if (SetFilePointerEx(f, at, nullptr, FILE_BEGIN)) SetEndOfFile(f);
}
#else
Target probeTarget(const char* fileName, std::string& path, OsFile& inPlace, mode_t& mode,
                   struct stat& old)
{
    path = fileName;
    int fd = ::open(fileName, O_WRONLY | O_CLOEXEC);
    if (fd < 0) return errno == ENOENT ? Target::missing : Target::unwritable;
    if (fstat(fd, &old) != 0 || !S_ISREG(old.st_mode)) {
        inPlace = fd;
        return Target::other;
    }
    ::close(fd);
    mode = old.st_mode & 07777;
    // Through a symbolic link, replace the file it points to, not the link.
    char resolved[PATH_MAX];
    if (realpath(fileName, resolved)) path = resolved;
    return Target::regular;
}

OsFile createTemp(const std::string& tempPath)
{
    return ::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
}

bool moveOver(const std::string& tempPath, const std::string& target)
{
    return ::rename(tempPath.c_str(), target.c_str()) == 0;
}

OsFile openForAppend(const char* fileName, bool& created, long long& oldSize)
{
    created = false;
    int fd = ::open(fileName, O_WRONLY | O_APPEND | O_CLOEXEC);
    if (fd < 0 && errno == ENOENT) {
        fd = ::open(fileName, O_WRONLY | O_APPEND | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        created = fd >= 0;
    }
    if (fd < 0) return noFile;
    struct stat st;
    oldSize = (fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) ? static_cast<long long>(st.st_size) : -1;
    return fd;
}

void cutBack(OsFile f, long long oldSize)
{
    if (ftruncate(f, static_cast<off_t>(oldSize)) != 0) {
        // Nothing more can be done: the write already failed.
    }
}
#endif

bool appendToFile(const char* fileName, const std::string& text)
{
    bool created = false;
    long long oldSize = -1;
    OsFile f = openForAppend(fileName, created, oldSize);
    if (f == noFile) return false;
    bool ok = writeConverted(f, text, true);
    if (!ok && oldSize >= 0) cutBack(f, oldSize);
    ok = closeFile(f) && ok;
    if (!ok && created) removePath(fileName);
    return ok;
}

bool replaceFile(const char* fileName, const std::string& text)
{
    std::string target;
    OsFile inPlace = noFile;
#if defined(_WIN32)
    Target kind = probeTarget(fileName, target, inPlace);
#else
    mode_t mode = 0;
    struct stat old;
    Target kind = probeTarget(fileName, target, inPlace, mode, old);
#endif
    if (kind == Target::unwritable) return false;
    if (kind == Target::other) {
        // A device or pipe: there is no file to keep, and nothing may be
        // renamed over it.
        bool ok = writeConverted(inPlace, text, false);
        return closeFile(inPlace) && ok;
    }

    std::string tempPath = tempNameBeside(target);
    OsFile f = createTemp(tempPath);
    if (f == noFile) return false;
#if !defined(_WIN32)
    if (kind == Target::regular) {
        if (fchown(f, old.st_uid, old.st_gid) != 0) {
            // Only the owner or root may give the file away; keep our own.
        }
        fchmod(f, mode);
    }
#endif
    bool ok = writeConverted(f, text, false);
    ok = closeFile(f) && ok;
    if (ok) ok = moveOver(tempPath, target);
    if (!ok) removePath(tempPath);
    return ok;
}

}  // namespace

bool readTextFile(const char* fileName, std::string& text)
{
    std::FILE* f = std::fopen(fileName, "rb");
    if (!f) return false;
    FileCloser closer{f};
    struct stat st;
    if (fstat(fileno(f), &st) != 0 || (st.st_mode & S_IFMT) == S_IFDIR) return false;

    // The size is a first guess only: a pipe has none, and a file may grow.
    std::size_t capacity = 1 << 16;
    if ((st.st_mode & S_IFMT) == S_IFREG && st.st_size > 0)
        capacity = static_cast<std::size_t>(st.st_size) + 1;
    text.resize(capacity);
    std::size_t used = 0;
    for (;;) {
        if (used == text.size()) text.resize(text.size() * 2);
        std::size_t got = std::fread(&text[used], 1, text.size() - used, f);
        used += got;
        if (got == 0) break;
    }
    if (std::ferror(f)) return false;
    text.resize(used);
    cutAt(text, '\x1A');
    cutAt(text, '\0');
    dropCarriageReturns(text);
    return true;
}

void appendLines(const std::string& text, Store& store)
{
    const char* data = text.data();
    const std::size_t size = text.size();
    for (std::size_t pos = 0; pos < size;) {
        std::size_t end = findLineEnd(data, size, pos);
        store.emplace_back(data + pos, end - pos);
        pos = end + 1;
    }
}

bool readFileLines(const char* fileName, Store& store)
{
    std::string text;
    if (!readTextFile(fileName, text)) return false;
    // Built apart and spliced in, so that running out of memory half way
    // leaves the store as it was.
    Store lines;
    appendLines(text, lines);
    store.splice(store.end(), lines);
    return !store.empty();
}

bool writeTextFile(const char* fileName, const std::string& text, bool append)
{
    if (fileName[0] == '\0') return false;
    return append ? appendToFile(fileName, text) : replaceFile(fileName, text);
}
