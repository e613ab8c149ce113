// The operating system's file calls: reading, replacing and appending.
//
// Divisions: the platform's calls (Windows, then POSIX), each behind the same
// small set of helpers; then reading; then writing, in its four ways.
#include "text/file_io.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <limits>

#if defined(_WIN32)
#include <windows.h>
#else
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#if defined(__linux__)
#include <sys/xattr.h>
#endif
#endif

namespace quillet {
namespace {

// What a replacing write finds at its target.
enum class Target { missing, regular, stream, unusable };

// What probeTarget learnt; file is open for writing unless missing or unusable.
struct Found {
    Target kind = Target::unusable;
    std::intptr_t file = -1;
    bool readable = false;      // regular: file is open for reading too
    bool shared = false;        // regular: a new file under its name would differ for others
    long long size = 0;         // regular: its length, a hint for reading it
    long long cutTo = -1;       // stream: the length to cut back to if the write fails
    long long owner = -1, group = -1;
    int mode = -1;
};

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

long long readBytes(OsFile f, char* buffer, std::size_t size)
{
    DWORD got = 0;
    const DWORD part = static_cast<DWORD>(std::min<std::size_t>(size, 1u << 30));
    if (!ReadFile(f, buffer, part, &got, nullptr)) return GetLastError() == ERROR_BROKEN_PIPE ? 0 : -1;
    return got;
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

bool seekTo(OsFile f, long long at)
{
    LARGE_INTEGER to;
    to.QuadPart = at;
    return SetFilePointerEx(f, to, nullptr, FILE_BEGIN) != 0;
}

// Cuts the file at length (the position moves there too).
bool truncateAt(OsFile f, long long length)
{
    return seekTo(f, length) && SetEndOfFile(f) != 0;
}

bool flushFile(OsFile f)
{
    return FlushFileBuffers(f) != 0;
}

// A console, a pipe or another device is written through the handle that its
// name opens; a file on disk is opened again to be read as well, for a write
// in place.
Found probeTarget(const char* fileName, OutputFile& file)
{
    Found found;
    file.target = fileName;
    const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    HANDLE h = CreateFileA(fileName, GENERIC_WRITE, share, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        found.kind = GetLastError() == ERROR_FILE_NOT_FOUND ? Target::missing : Target::unusable;
        return found;
    }
    found.kind = GetFileType(h) == FILE_TYPE_DISK ? Target::regular : Target::stream;
    if (found.kind == Target::regular) {
        BY_HANDLE_FILE_INFORMATION info;
        LARGE_INTEGER size;
        found.shared = !GetFileInformationByHandle(h, &info) || info.nNumberOfLinks != 1;
        found.size = GetFileSizeEx(h, &size) ? size.QuadPart : 0;
        HANDLE both = CreateFileA(fileName, GENERIC_READ | GENERIC_WRITE, share, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (both != INVALID_HANDLE_VALUE) {
            CloseHandle(h);
            h = both;
            found.readable = true;
        }
    }
    found.file = handleValue(h);
    return found;
}

// Creates a file that nobody else has open, under tempPath.
OsFile createTempFile(const std::string& tempPath, bool)
{
    HANDLE h = CreateFileA(tempPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                           nullptr);
    if (h == INVALID_HANDLE_VALUE)
        errno = GetLastError() == ERROR_FILE_EXISTS || GetLastError() == ERROR_ALREADY_EXISTS ? EEXIST : EACCES;
    return h;
}

OsFile createUnnamed(const std::string&, bool)
{
    return noFile;
}

// The new file keeps what the old one had: nothing to do here.
bool keepOwner(OsFile, const Found&)
{
    return true;
}

// Makes the complete new file ready to take the target's place.
bool sealReplacement(OsFile f, OutputFile&)
{
    return flushFile(f);
}

bool moveOver(const std::string& tempPath, const std::string& target)
{
    return MoveFileExA(tempPath.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

// Opens for appending: created tells whether the file is new, oldSize its
// length before (-1 when it cannot be cut back).
OsFile openForAppend(const char* fileName, OutputFile& file)
{
    file.target = fileName;
    HANDLE h = CreateFileA(fileName, GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                           nullptr);
    if (h == INVALID_HANDLE_VALUE && GetLastError() == ERROR_FILE_NOT_FOUND) {
        h = CreateFileA(fileName, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                        nullptr);
        file.created = h != INVALID_HANDLE_VALUE;
    }
    if (h == INVALID_HANDLE_VALUE) return noFile;
    LARGE_INTEGER size, zero;
    zero.QuadPart = 0;
    if (GetFileType(h) == FILE_TYPE_DISK && GetFileSizeEx(h, &size)) {
        file.oldSize = size.QuadPart;
        SetFilePointerEx(h, zero, nullptr, FILE_END);
    }
    return h;
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

long long readBytes(OsFile f, char* buffer, std::size_t size)
{
    for (;;) {
        const ssize_t got = ::read(f, buffer, std::min<std::size_t>(size, 1u << 30));
        if (got < 0 && errno == EINTR) continue;
        return got;
    }
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

bool seekTo(OsFile f, long long at)
{
    return lseek(f, static_cast<off_t>(at), SEEK_SET) == static_cast<off_t>(at);
}

bool truncateAt(OsFile f, long long length)
{
    return ftruncate(f, static_cast<off_t>(length)) == 0;
}

bool flushFile(OsFile f)
{
    return fsync(f) == 0;
}

std::string folderOf(const std::string& path);

// The descriptor that path names ("/dev/stdout", "/dev/fd/3",
// "/proc/self/fd/3"), or -1.
int descriptorNamed(std::string path)
{
    path.erase(std::unique(path.begin(), path.end(), [](char a, char b) { return a == '/' && b == '/'; }),
               path.end());
    const char* const streams[] = {"/dev/stdin", "/dev/stdout", "/dev/stderr"};
    for (int i = 0; i < 3; ++i)
        if (path == streams[i]) return i;
    const std::string folders[] = {"/dev/fd/", "/proc/self/fd/", "/proc/thread-self/fd/",
                                   "/proc/" + std::to_string(getpid()) + "/fd/"};
    for (const std::string& folder : folders)
        if (path.size() > folder.size() && path.size() <= folder.size() + 9 &&
            path.compare(0, folder.size(), folder) == 0 &&
            path.find_first_not_of("0123456789", folder.size()) == std::string::npos)
            return std::atoi(path.c_str() + folder.size());
    return -1;
}

// Follows the symbolic links that the last part of name leads through, as
// opening it would: the path where they end (a missing file for a dangling
// link), or descriptor >= 0 when one of them names an open descriptor.
std::string followLinks(const char* name, int& descriptor)
{
    std::string path = name;
    char link[PATH_MAX];
    for (int hop = 0; hop < 40; ++hop) {
        if ((descriptor = descriptorNamed(path)) >= 0) break;
        const ssize_t size = readlink(path.c_str(), link, sizeof link);
        if (size <= 0 || size == static_cast<ssize_t>(sizeof link)) break;
        path = link[0] == '/' ? std::string(link, size) : folderOf(path) + std::string(link, size);
    }
    return path;
}

// Whether the file carries extended attributes that a new file would not get
// (an access list, a user's own); security labels are the system's.
bool hasOwnAttributes(int fd)
{
#if defined(__linux__)
    char names[4096];
    const ssize_t size = flistxattr(fd, names, sizeof names);
    if (size < 0) return errno == ERANGE;
    for (ssize_t at = 0; at < size; at += static_cast<ssize_t>(std::strlen(names + at)) + 1)
        if (std::strncmp(names + at, "security.", 9) != 0) return true;
#else
    (void)fd;
#endif
    return false;
}

// The descriptor n made ours, written where it stands: a regular file it
// writes at the end of is cut back there if the write fails.
Found throughDescriptor(int n)
{
    Found found;
    const int flags = fcntl(n, F_GETFL);
    if (flags < 0 || (flags & O_ACCMODE) == O_RDONLY) return found;
    const int fd = fcntl(n, F_DUPFD_CLOEXEC, 0);
    if (fd < 0) return found;
    found.kind = Target::stream;
    found.file = fd;
    struct stat st;
    const off_t at = lseek(fd, 0, SEEK_CUR);
    if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && ((flags & O_APPEND) || at >= st.st_size))
        found.cutTo = st.st_size;
    return found;
}

Found probeTarget(const char* fileName, OutputFile& file)
{
    int descriptor = -1;
    file.target = followLinks(fileName, descriptor);
    if (descriptor >= 0) return throughDescriptor(descriptor);
    Found found;
    // A regular file is opened to be read as well (a write in place keeps its
    // bytes); anything else only for writing, so that a FIFO waits for its
    // reader.
    struct stat st;
    int fd = -1;
    if (stat(fileName, &st) == 0 && S_ISREG(st.st_mode)) {
        fd = ::open(fileName, O_RDWR | O_CLOEXEC);
        found.readable = fd >= 0;
    }
    if (fd < 0) fd = ::open(fileName, O_WRONLY | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        found.kind = errno == ENOENT ? Target::missing : Target::unusable;
        return found;
    }
    found.file = fd;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        found.kind = Target::stream;
        return found;
    }
    found.kind = Target::regular;
    found.shared = st.st_nlink != 1 || hasOwnAttributes(fd);
    found.size = st.st_size;
    found.owner = st.st_uid;
    found.group = st.st_gid;
    found.mode = static_cast<int>(st.st_mode & 07777);
    return found;
}

// A new file under tempPath, private to us when it will replace a file
// (it gets that file's mode once complete); a new file gets the usual mode.
OsFile createTempFile(const std::string& tempPath, bool replacing)
{
    return ::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, replacing ? 0600 : 0666);
}

// The same, without a name, where the file system allows and a name can be
// given later (through /proc): a kill then leaves nothing behind.
OsFile createUnnamed(const std::string& folder, bool replacing)
{
#if defined(O_TMPFILE)
    const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC,
                          replacing ? 0600 : 0666);
    if (fd < 0) return noFile;
    char self[40];
    std::snprintf(self, sizeof self, "/proc/self/fd/%d", fd);
    if (access(self, F_OK) == 0) return fd;
    ::close(fd);
#else
    (void)folder;
    (void)replacing;
#endif
    return noFile;
}

// Gives the new file the old one's owner and group: false when we may not,
// for then the replacement would change them.
bool keepOwner(OsFile f, const Found& found)
{
    return found.owner < 0 ||
           fchown(f, static_cast<uid_t>(found.owner), static_cast<gid_t>(found.group)) == 0;
}

std::string tempNameIn(const std::string& folder);

// Links the unnamed file f into folder under a new temporary name.
bool nameUnnamed(OsFile f, const std::string& folder, std::string& tempPath)
{
    const std::string self = "/proc/self/fd/" + std::to_string(f);
    for (int attempt = 0; attempt < 100000; ++attempt) {
        const std::string name = tempNameIn(folder);
        if (linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0) {
            tempPath = name;
            return true;
        }
        if (errno != EEXIST) return false;
    }
    return false;
}

// Makes the complete new file ready to take the target's place: the old
// mode, its bytes on disk, and a name if it has none.
bool sealReplacement(OsFile f, OutputFile& file)
{
    if (file.mode >= 0 && fchmod(f, static_cast<mode_t>(file.mode)) != 0) return false;
    if (!flushFile(f)) return false;
    return !file.tempPath.empty() || nameUnnamed(f, folderOf(file.target), file.tempPath);
}

// Renames, then flushes the folder so that the new name is on disk too (a
// file system that cannot flush a folder is no failure: the rename is done).
bool moveOver(const std::string& tempPath, const std::string& target)
{
    const std::string folder = folderOf(target);
    if (::rename(tempPath.c_str(), target.c_str()) != 0) return false;
    const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        (void)fsync(fd);
        ::close(fd);
    }
    return true;
}

OsFile openForAppend(const char* fileName, OutputFile& file)
{
    int descriptor = -1;
    file.target = followLinks(fileName, descriptor);
    if (descriptor >= 0) {
        const Found found = throughDescriptor(descriptor);
        file.oldSize = found.cutTo;
        return handleOf(found.file);
    }
    int fd = ::open(fileName, O_WRONLY | O_APPEND | O_CLOEXEC | O_NOCTTY);
    if (fd < 0 && errno == ENOENT) {
        // Through a dangling link, the file it points to is made.
        fd = ::open(file.target.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        file.created = fd >= 0;
    }
    if (fd < 0) return noFile;
    struct stat st;
    file.oldSize = (fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) ? static_cast<long long>(st.st_size) : -1;
    return fd;
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

// A name for a temporary file in folder; a new one on every call.
std::string tempNameIn(const std::string& folder)
{
    static unsigned counter = 0;
    return folder + ".quillet-" + std::to_string(processId()) + "-" + std::to_string(++counter) + ".tmp";
}

// Opens the new file that will replace file.target: unnamed where possible,
// else under a temporary name not yet taken. noFile when the folder will not
// have it.
OsFile createReplacement(OutputFile& file, bool replacing)
{
    const std::string folder = folderOf(file.target);
    OsFile f = createUnnamed(folder, replacing);
    for (int attempt = 0; f == noFile && attempt < 100000; ++attempt) {
        file.tempPath = tempNameIn(folder);
        f = createTempFile(file.tempPath, replacing);
        if (f == noFile && errno != EEXIST) break;
    }
    if (f == noFile) file.tempPath.clear();
    return f;
}

// Reads the whole file from its start into bytes and goes back to the start.
bool readWhole(OsFile f, long long sizeHint, std::string& bytes)
{
    bytes.resize(static_cast<std::size_t>(std::max(sizeHint, 0LL)) + 1);
    std::size_t have = 0;
    for (;;) {
        if (have == bytes.size()) bytes.resize(bytes.size() * 2);
        const long long got = readBytes(f, &bytes[have], bytes.size() - have);
        if (got < 0) return false;
        if (got == 0) break;
        have += static_cast<std::size_t>(got);
    }
    bytes.resize(have);
    return seekTo(f, 0);
}

// Puts the old bytes back after a failed write in place.
void putBack(OsFile f, const std::string& bytes)
{
    if (seekTo(f, 0) && writeBytes(f, bytes.data(), bytes.size())) (void)(truncateAt(f, bytes.size()) && flushFile(f));
}

bool openReplacement(const char* fileName, OutputFile& file, unsigned long long diskSize)
{
    const Found found = probeTarget(fileName, file);
    if (found.kind == Target::unusable) return false;
    // Until a way is chosen, undoing only closes what the probe opened.
    file.way = OutputFile::Way::stream;
    file.handle = found.file;
    file.oldSize = found.cutTo;
    if (found.kind == Target::stream) return true;
    const OsFile old = handleOf(found.file);
    // A new file takes the old one's place only where others would see no
    // difference but the content.
    if (!found.shared) {
        const bool replacing = found.kind == Target::regular;
        const OsFile f = createReplacement(file, replacing);
        if (f != noFile && keepOwner(f, found)) {
            if (replacing) closeFile(old);
            file.way = OutputFile::Way::replace;
            file.handle = handleValue(f);
            file.mode = found.mode;
            allocateBytes(f, diskSize);
            return true;
        }
        if (f != noFile) closeFile(f);
        if (!file.tempPath.empty()) removePath(file.tempPath);
        file.tempPath.clear();
    }
    if (found.kind == Target::missing || !found.readable || !readWhole(old, found.size, file.oldBytes))
        return false;
    file.way = OutputFile::Way::inPlace;
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

bool openOutputFile(const char* fileName, bool append, OutputFile& file, unsigned long long diskSize)
{
    file = OutputFile();
    file.handle = handleValue(noFile);
    if (fileName[0] == '\0') return false;
    bool opened = false;
    try {
        if (append) {
            file.way = OutputFile::Way::append;
            file.handle = handleValue(openForAppend(fileName, file));
            opened = handleOf(file.handle) != noFile;
        } else {
            opened = openReplacement(fileName, file, diskSize);
        }
    } catch (...) {
        // Out of memory: nothing written yet, so nothing to undo but the open.
    }
    if (!opened) {
        abandonOutputFile(file);
        return false;
    }
    return true;
}

void writeOutputBytes(OutputFile& file, const char* data, std::size_t size)
{
    if (file.failed) return;
    if (writeBytes(handleOf(file.handle), data, size))
        file.written += size;
    else
        file.failed = true;
}

bool finishOutputFile(OutputFile& file)
{
    const OsFile f = handleOf(file.handle);
    file.handle = handleValue(noFile);
    if (f == noFile) {
        if (file.created) removePath(file.target);
        return false;
    }
    bool ok = !file.failed;
    switch (file.way) {
    case OutputFile::Way::append:
        if (!ok && file.oldSize >= 0) truncateAt(f, file.oldSize);
        ok = closeFile(f) && ok;
        if (!ok && file.created) removePath(file.target);
        return ok;
    case OutputFile::Way::stream:
        if (!ok && file.oldSize >= 0) (void)(truncateAt(f, file.oldSize) && seekTo(f, file.oldSize));
        return closeFile(f) && ok;
    case OutputFile::Way::inPlace:
        ok = ok && truncateAt(f, static_cast<long long>(file.written)) && flushFile(f);
        if (!ok) putBack(f, file.oldBytes);
        return closeFile(f) && ok;
    case OutputFile::Way::replace:
        break;
    }
    // Out of memory for a name fails the write: the target stays as it was.
    try {
        ok = ok && sealReplacement(f, file);
    } catch (...) {
        ok = false;
    }
    ok = closeFile(f) && ok;
    try {
        ok = ok && moveOver(file.tempPath, file.target);
    } catch (...) {
        ok = false;
    }
    if (!ok && !file.tempPath.empty()) removePath(file.tempPath);
    return ok;
}

void abandonOutputFile(OutputFile& file) noexcept
{
    file.failed = true;
    finishOutputFile(file);
}

}  // namespace quillet
