// Reading, replacing and appending files, on the platform's calls of
// os_file.h: which way a write takes, and undoing it when it fails.
#include "text/file_io.h"

#include <algorithm>
#include <cerrno>

#include "text/os_file.h"

namespace quillet {
namespace os {

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

std::string tempNameIn(const std::string& folder)
{
    static unsigned counter = 0;
    return folder + ".quillet-" + std::to_string(processId()) + "-" + std::to_string(++counter) + ".tmp";
}

}  // namespace os

namespace {

using namespace os;

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
            file.claimed = diskSize;
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

using namespace os;

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
    const OsFile f = handleOf(file.handle);
    if (!writeBytes(f, data, size)) {
        file.failed = true;
        return;
    }
    // A file that will be flushed at the end goes to disk as it is written,
    // in steps of a few megabytes, while the rest is still being made.
    const unsigned long long step = 8ULL << 20;
    if ((file.way == OutputFile::Way::replace || file.way == OutputFile::Way::inPlace) &&
        (file.written + size) / step != file.written / step)
        startFlush(f, file.written / step * step, step);
    file.written += size;
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
        // Blocks taken for more than was written would end the file in zeros.
        if (ok && file.written < file.claimed) ok = truncateAt(f, static_cast<long long>(file.written));
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
