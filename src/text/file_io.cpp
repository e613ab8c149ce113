// The operating system's file calls: reading, replacing and appending.
//
// Divisions: the platform's calls (Windows, then POSIX), each behind the same
// small set of helpers; then reading; then writing, replacing or appending.
#include "text/file_io.h"

#include <algorithm>
#include <cerrno>
#include <limits>

#if defined(_WIN32)
#include <windows.h>
#else
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace quillet {
namespace {

#if defined(_WIN32)
using OsFile = HANDLE;
const OsFile noFile = INVALID_HANDLE_VALUE;

OsFile handleOf(std::intptr_t handle)
{
    return reinterpret_cast<OsFile>(handle);
}

std::intptr_t handleValue(OsFile f)
{
    return reinterpret_cast<std::intptr_t>(f);
}

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

unsigned long processId()
{
    return GetCurrentProcessId();
}

// What a replacing write finds at its target.
enum class Target { missing, regular, other, unwritable };

// Looks at the target; for a device or pipe, inPlace receives it opened.
Target probeTarget(const char* fileName, OutputFile& file, OsFile& inPlace)
{
    file.target = fileName;
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

// Gives the new file what it must keep of the old one: nothing here.
void takeOverTarget(OsFile, const OutputFile&) {}

bool moveOver(const std::string& tempPath, const std::string& target)
{
    return MoveFileExA(tempPath.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
}

// Opens for appending: created tells whether the file is new, oldSize its
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

void allocateBytes(OsFile, unsigned long long) {}

bool openForReading(const char* fileName, OsFile& f, std::size_t& sizeHint)
{
    f = CreateFileA(fileName, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (f == INVALID_HANDLE_VALUE) return false;  // a folder too: it needs backup semantics
    LARGE_INTEGER size;
    sizeHint = 0;
    if (GetFileType(f) == FILE_TYPE_DISK && GetFileSizeEx(f, &size) && size.QuadPart > 0 &&
        static_cast<unsigned long long>(size.QuadPart) <= std::numeric_limits<std::size_t>::max())
        sizeHint = static_cast<std::size_t>(size.QuadPart);
    return true;
}

long long readBytes(OsFile f, char* buffer, std::size_t size)
{
    DWORD got = 0;
    const DWORD part = static_cast<DWORD>(std::min<std::size_t>(size, 1u << 30));
    if (!ReadFile(f, buffer, part, &got, nullptr)) return GetLastError() == ERROR_BROKEN_PIPE ? 0 : -1;
    return got;
}
#else
using OsFile = int;
const OsFile noFile = -1;

OsFile handleOf(std::intptr_t handle)
{
    return static_cast<OsFile>(handle);
}

std::intptr_t handleValue(OsFile f)
{
    return f;
}

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

unsigned long processId()
{
    return static_cast<unsigned long>(getpid());
}

enum class Target { missing, regular, other, unwritable };

// What probeTarget learnt of a regular target, for the file replacing it.
struct TargetFacts {
    mode_t mode;
    uid_t owner;
    gid_t group;
};
TargetFacts targetFacts;

Target probeTarget(const char* fileName, OutputFile& file, OsFile& inPlace)
{
    file.target = fileName;
    int fd = ::open(fileName, O_WRONLY | O_CLOEXEC);
    if (fd < 0) return errno == ENOENT ? Target::missing : Target::unwritable;
    struct stat old;
    if (fstat(fd, &old) != 0 || !S_ISREG(old.st_mode)) {
        inPlace = fd;
        return Target::other;
    }
    ::close(fd);
    targetFacts = {static_cast<mode_t>(old.st_mode & 07777), old.st_uid, old.st_gid};
    // Through a symbolic link, replace the file it points to, not the link.
    char resolved[PATH_MAX];
    if (realpath(fileName, resolved)) file.target = resolved;
    return Target::regular;
}

OsFile createTemp(const std::string& tempPath)
{
    return ::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
}

// Gives the new file the old one's owner and mode.
void takeOverTarget(OsFile f, const OutputFile&)
{
    if (fchown(f, targetFacts.owner, targetFacts.group) != 0) {
        // Only the owner or root may give the file away; keep our own.
    }
    fchmod(f, targetFacts.mode);
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

// Gives the new file f its `total` bytes of blocks up front: the file system
// then allocates them in one go instead of page by page as they are written.
// A refusal changes nothing; the write then finds out for itself.
void allocateBytes(OsFile f, unsigned long long total)
{
#if defined(__linux__)
    if (total > 0 && total <= static_cast<unsigned long long>(std::numeric_limits<off_t>::max()))
        (void)fallocate(f, 0, 0, static_cast<off_t>(total));
#else
    (void)f;
    (void)total;
#endif
}

bool openForReading(const char* fileName, OsFile& f, std::size_t& sizeHint)
{
    f = ::open(fileName, O_RDONLY | O_CLOEXEC);
    if (f < 0) return false;
    struct stat st;
    if (fstat(f, &st) != 0 || S_ISDIR(st.st_mode)) {
        ::close(f);
        f = noFile;
        return false;
    }
    sizeHint = S_ISREG(st.st_mode) && st.st_size > 0 &&
                       static_cast<unsigned long long>(st.st_size) <= std::numeric_limits<std::size_t>::max()
                   ? static_cast<std::size_t>(st.st_size)
                   : 0;
    return true;
}

long long readBytes(OsFile f, char* buffer, std::size_t size)
{
    for (;;) {
        const ssize_t got = ::read(f, buffer, std::min<std::size_t>(size, 1u << 30));
        if (got < 0 && errno == EINTR) continue;
        return got;
    }
}
#endif

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
    return folderOf(target) + ".quillet-" + std::to_string(processId()) + "-" + std::to_string(++counter) +
           ".tmp";
}

bool openReplacement(const char* fileName, OutputFile& file, unsigned long long diskSize)
{
    OsFile inPlace = noFile;
    const Target kind = probeTarget(fileName, file, inPlace);
    if (kind == Target::unwritable) return false;
    if (kind == Target::other) {
        // A device or pipe is written in place: there is no file to keep,
        // and nothing may be renamed over it.
        file.handle = handleValue(inPlace);
        return true;
    }
    file.tempPath = tempNameBeside(file.target);
    OsFile f = createTemp(file.tempPath);
    if (f == noFile) return false;
    if (kind == Target::regular) takeOverTarget(f, file);
    allocateBytes(f, diskSize);
    file.handle = handleValue(f);
    return true;
}

}  // namespace

bool openInputFile(const char* fileName, InputFile& file, std::size_t& sizeHint)
{
    OsFile f = noFile;
    sizeHint = 0;
    if (!openForReading(fileName, f, sizeHint)) return false;
    file.handle = handleValue(f);
    return true;
}

long long readInputBytes(InputFile& file, char* buffer, std::size_t size)
{
    return readBytes(handleOf(file.handle), buffer, size);
}

void closeInputFile(InputFile& file) noexcept
{
    if (handleOf(file.handle) != noFile) closeFile(handleOf(file.handle));
    file.handle = handleValue(noFile);
}

#if defined(_WIN32)
namespace {

// The volume and file index of name, which identify a file; false when it
// cannot be opened.
bool fileIdentity(const char* name, BY_HANDLE_FILE_INFORMATION& info)
{
    HANDLE h = CreateFileA(name, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    const bool ok = GetFileInformationByHandle(h, &info) != 0;
    CloseHandle(h);
    return ok;
}

}  // namespace

bool sameFile(const char* a, const char* b)
{
    BY_HANDLE_FILE_INFORMATION x, y;
    return fileIdentity(a, x) && fileIdentity(b, y) && x.dwVolumeSerialNumber == y.dwVolumeSerialNumber &&
           x.nFileIndexHigh == y.nFileIndexHigh && x.nFileIndexLow == y.nFileIndexLow;
}

bool isRegularFile(const char* name)
{
    HANDLE h = CreateFileA(name, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    const bool disk = GetFileType(h) == FILE_TYPE_DISK;
    CloseHandle(h);
    return disk;
}
#else
bool sameFile(const char* a, const char* b)
{
    struct stat x, y;
    return ::stat(a, &x) == 0 && ::stat(b, &y) == 0 && x.st_dev == y.st_dev && x.st_ino == y.st_ino;
}

bool isRegularFile(const char* name)
{
    struct stat st;
    return ::stat(name, &st) == 0 && S_ISREG(st.st_mode);
}
#endif

bool openOutputFile(const char* fileName, bool append, OutputFile& file, unsigned long long diskSize)
{
    file = OutputFile();
    file.append = append;
    if (fileName[0] == '\0') return false;
    if (!append) return openReplacement(fileName, file, diskSize);
    OsFile f = openForAppend(fileName, file.created, file.oldSize);
    if (f == noFile) return false;
    file.target = fileName;
    file.handle = handleValue(f);
    return true;
}

void writeOutputBytes(OutputFile& file, const char* data, std::size_t size)
{
    if (!file.failed && !writeBytes(handleOf(file.handle), data, size)) file.failed = true;
}

bool finishOutputFile(OutputFile& file)
{
    const OsFile f = handleOf(file.handle);
    if (file.append) {
        if (file.failed && file.oldSize >= 0) cutBack(f, file.oldSize);
        const bool ok = closeFile(f) && !file.failed;
        if (!ok && file.created) removePath(file.target);
        return ok;
    }
    bool ok = closeFile(f) && !file.failed;
    if (file.tempPath.empty()) return ok;
    if (ok) ok = moveOver(file.tempPath, file.target);
    if (!ok) removePath(file.tempPath);
    return ok;
}

void abandonOutputFile(OutputFile& file) noexcept
{
    file.failed = true;
    finishOutputFile(file);
}

}  // namespace quillet
