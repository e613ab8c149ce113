// The file calls of POSIX systems, behind os_file.h: descriptor names,
// unnamed temporary files, owners, modes and flushing folders.
#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "text/os_file.h"

#if !defined(_WIN32)

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#if defined(__linux__)
#include <sys/xattr.h>
#endif

namespace quillet {
namespace os {

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

void startFlush(OsFile f, unsigned long long from, unsigned long long length)
{
#if defined(__linux__)
    (void)sync_file_range(f, static_cast<off_t>(from), static_cast<off_t>(length), SYNC_FILE_RANGE_WRITE);
#else
    (void)f;
    (void)from;
    (void)length;
#endif
}

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

}  // namespace os

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

}  // namespace quillet

#endif
