// The file calls of Windows, behind os_file.h.
#include <algorithm>
#include <cctype>
#include <cstring>
#include <limits>

#include "text/os_file.h"

#if defined(_WIN32)

namespace quillet {
namespace os {

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

void startFlush(OsFile, unsigned long long, unsigned long long) {}

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

}  // namespace os

namespace {

// The volume and file index of name, which identify a file; false when it
// cannot be opened.
// Whether name is one that Windows gives a device: a "\\.\" or "\\?\"
// path (a pipe among them), or CON, NUL, COM1 and the like as the last part.
// Such a name is never opened just to be looked at: opening a pipe would
// take the one connection that the writer needs.
bool isDeviceName(const char* name)
{
    if (std::strncmp(name, "\\\\.\\", 4) == 0 || std::strncmp(name, "\\\\?\\", 4) == 0) return true;
    const char* last = name;
    for (const char* p = name; *p; ++p)
        if (*p == '\\' || *p == '/' || *p == ':') last = p + 1;
    std::string base;
    for (const char* p = last; *p && *p != '.' && *p != ':'; ++p) base += static_cast<char>(std::toupper(static_cast<unsigned char>(*p)));
    while (!base.empty() && base.back() == ' ') base.pop_back();
    static const char* const devices[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
    for (const char* device : devices)
        if (base == device) return true;
    return base.size() == 4 && (base.compare(0, 3, "COM") == 0 || base.compare(0, 3, "LPT") == 0) && base[3] >= '1' &&
           base[3] <= '9';
}

bool fileIdentity(const char* name, BY_HANDLE_FILE_INFORMATION& info)
{
    if (isDeviceName(name)) return false;
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
    if (isDeviceName(name)) return false;
    HANDLE h = CreateFileA(name, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    const bool disk = GetFileType(h) == FILE_TYPE_DISK;
    CloseHandle(h);
    return disk;
}

}  // namespace quillet

#endif
