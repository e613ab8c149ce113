#include "text/text_file.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdint>
#include <cstring>
#include <limits>
#include <vector>
#include <sys/stat.h>

#include "text/string_ops.h"

#if defined(__SSE2__) && defined(__GNUC__)
#include <emmintrin.h>
#define QUILLET_SSE2 1
#endif

#if defined(_WIN32)
#include <windows.h>
#else
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace {

// Copies the bytes [in, end) to out by the text-file rules: every '\r'
// dropped, and the data over at the first 0x1A or NUL byte, which sets
// `over`. Returns the end of what was written. out may receive up to 16 bytes
// beyond that end.
char* copyTextBytes(const char* in, const char* end, char* out, bool& over)
{
#if defined(QUILLET_SSE2)
    const __m128i cr = _mm_set1_epi8('\r'), eof = _mm_set1_epi8('\x1A'), nul = _mm_setzero_si128();
    while (end - in >= 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out), v);
        const unsigned crs = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, cr)));
        const unsigned ends =
            static_cast<unsigned>(_mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(v, eof), _mm_cmpeq_epi8(v, nul))));
        if (ends == 0 && (crs & (crs - 1)) == 0 && end - in >= 33) {
            // No carriage return or one (the usual line end): the bytes after
            // it move back by one, with no branch on where it stands.
            const unsigned at = crs != 0 ? static_cast<unsigned>(__builtin_ctz(crs)) : 16;
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + at),
                             _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + at + 1)));
            in += 16;
            out += 16 - (crs != 0);
            continue;
        }
        const unsigned mask = crs | ends;
        if (mask == 0) {
            in += 16;
            out += 16;
            continue;
        }
        // Keep what stands before the first special byte, then deal with it.
        const unsigned at = static_cast<unsigned>(__builtin_ctz(mask));
        in += at;
        out += at;
        if (*in != '\r') {
            over = true;
            return out;
        }
        ++in;
    }
#endif
    for (; in < end; ++in) {
        const char c = *in;
        if (c == '\x1A' || c == '\0') {
            over = true;
            return out;
        }
        if (c != '\r') *out++ = c;
    }
    return out;
}

// Closes f when it goes out of scope.
struct FileCloser {
    std::FILE* f;
    ~FileCloser() { std::fclose(f); }
};

const std::size_t writeChunk = 1 << 18;

// How much of a file is read at a time: small enough to stay in the cache
// while its bytes are copied by the text-file rules.
const std::size_t readChunk = 1 << 18;

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
    // Slack past the limit: a block of 16 bytes may overrun it, a line break
    // adds one byte, and a block with a line feed writes up to 33 bytes.
    std::vector<char> buffer(writeChunk + 48);
    char* const begin = buffer.data();
    char* const limit = begin + writeChunk;
    char* out = begin;
    if (leadingBreak) {
        *out++ = '\r';
        *out++ = '\n';
    }
    const char* p = text.data();
    const char* const end = p + text.size();
    while (p < end) {
#if defined(QUILLET_SSE2)
        // Sixteen bytes at a time up to the next line feed.
        const __m128i lineFeed = _mm_set1_epi8('\n');
        while (end - p >= 16 && out < limit) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out), v);
            const unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, lineFeed)));
            if ((mask & (mask - 1)) == 0 && end - p >= 32) {
                // No line feed or one (lines are mostly longer than 16
                // bytes): "\r" goes before it and the rest moves on by one,
                // with no branch on where it stands. Bytes written past the
                // block are written again by the next one.
                const unsigned at = mask != 0 ? static_cast<unsigned>(__builtin_ctz(mask)) : 16;
                out[at] = '\r';
                _mm_storeu_si128(reinterpret_cast<__m128i*>(out + at + 1),
                                 _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + at)));
                p += 16;
                out += 16 + (mask != 0);
                continue;
            }
            if (mask == 0) {
                p += 16;
                out += 16;
                continue;
            }
            const unsigned at = static_cast<unsigned>(__builtin_ctz(mask));
            p += at + 1;
            out += at;
            *out++ = '\r';
            *out++ = '\n';
        }
#endif
        // A plain byte loop for the rest; lines are often short, and a search
        // call per line would cost more than it saves.
        for (; p < end && out < limit; ++p) {
            if (*p == '\n') *out++ = '\r';
            *out++ = *p;
        }
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

// Gives the new file f its `total` bytes of blocks up front, where the
// platform allows: the file system then allocates them in one go instead of
// page by page as they are written, and has nothing left to allocate when
// the file replaces the old one. A refusal changes nothing; the write then
// finds out for itself.
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

std::size_t countLineFeeds(const char* data, std::size_t size);

// The size of text on disk, where every "\n" takes two bytes.
unsigned long long diskSizeOf(const std::string& text)
{
    return text.size() + static_cast<unsigned long long>(countLineFeeds(text.data(), text.size()));
}

// The size of the pieces on disk.
unsigned long long diskSizeOf(const DiskBytes* pieces, std::size_t count)
{
    unsigned long long total = 0;
    for (std::size_t i = 0; i < count; ++i) total += pieces[i].size;
    return total;
}

OsFile handleOf(const ReplacementFile& file)
{
#if defined(_WIN32)
    return reinterpret_cast<OsFile>(file.handle);
#else
    return static_cast<OsFile>(file.handle);
#endif
}

bool replaceFile(const char* fileName, const std::string& text)
{
    ReplacementFile file;
    if (!beginReplacement(fileName, file, diskSizeOf(text))) return false;
    if (!writeConverted(handleOf(file), text, false)) file.failed = true;
    return finishReplacement(file);
}

}  // namespace

void adviseLargePages(const void* data, std::size_t bytes)
{
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    const std::size_t page = std::size_t(1) << 21;
    if (bytes < 4 * page) return;
    const std::uintptr_t begin = reinterpret_cast<std::uintptr_t>(data);
    const std::uintptr_t from = (begin + page - 1) & ~(page - 1);
    const std::uintptr_t to = (begin + bytes) & ~(page - 1);
    if (to > from) madvise(reinterpret_cast<void*>(from), to - from, MADV_HUGEPAGE);
#else
    (void)data;
    (void)bytes;
#endif
}

void reserveLarge(std::string& text, std::size_t size)
{
    if (size <= text.capacity()) return;
    text.reserve(size);
    // Only the room past the old content is untouched.
    adviseLargePages(text.data(), text.capacity());
}

bool openTextFile(const char* fileName, TextFileReader& reader, std::size_t& sizeGuess)
{
    reader.file = std::fopen(fileName, "rb");
    reader.ended = false;
    if (!reader.file) return false;
    struct stat st;
    if (fstat(fileno(reader.file), &st) != 0 || (st.st_mode & S_IFMT) == S_IFDIR) {
        closeTextFile(reader);
        return false;
    }
    // A pipe has no size, and a file may grow: a guess only.
    sizeGuess = (st.st_mode & S_IFMT) == S_IFREG && st.st_size > 0 ? static_cast<std::size_t>(st.st_size) : 0;
    return true;
}

bool readTextPiece(TextFileReader& reader, std::string& text, std::size_t size)
{
    if (reader.piece.size() < size) reader.piece.resize(size);
    const std::size_t got = std::fread(reader.piece.data(), 1, size, reader.file);
    if (got == 0) {
        reader.ended = true;
        return !std::ferror(reader.file);
    }
    const std::size_t used = text.size();
    text.resize(used + got + 16);
    char* start = &text[0];
    bool over = false;
    text.resize(copyTextBytes(reader.piece.data(), reader.piece.data() + got, start + used, over) - start);
    if (over) reader.ended = true;
    return true;
}

void closeTextFile(TextFileReader& reader)
{
    if (reader.file) std::fclose(reader.file);
    reader.file = nullptr;
}

namespace {

// readTextFile, the text starting at text[front]: 0, or with roomInFront
// half the file's size.
bool readTextAt(const char* fileName, std::string& text, bool roomInFront, std::size_t& front)
{
    TextFileReader reader;
    std::size_t sizeGuess = 0;
    if (!openTextFile(fileName, reader, sizeGuess)) return false;
    FileCloser closer{reader.file};
    front = roomInFront ? sizeGuess / 2 : 0;
    text.clear();
    reserveLarge(text, front + std::max<std::size_t>(sizeGuess, 1 << 16) + 16);
    text.resize(front);
    while (!reader.ended)
        if (!readTextPiece(reader, text, readChunk)) return false;
    return true;
}

}  // namespace

bool readTextFile(const char* fileName, std::string& text)
{
    std::size_t front;
    return readTextAt(fileName, text, false, front);
}

bool readTextFileAfterRoom(const char* fileName, std::string& text, std::size_t& front)
{
    return readTextAt(fileName, text, true, front);
}

namespace {

// Appends the lines of data[0, size) to store, as many at a time as the
// line search hands back.
template <class Lines>
void appendLinesTo(const char* data, std::size_t size, Lines& store)
{
    std::size_t ends[64];
    for (std::size_t pos = 0; pos < size;) {
        const std::size_t count = findLineEnds(data, size, pos, ends, 64);
        for (std::size_t i = 0; i < count; ++i) {
            store.emplace_back(data + pos, ends[i] - pos);
            pos = ends[i] + 1;
        }
    }
}

// The number of line feeds in data[0, size): with one more, at least as many
// as the lines there (a line feed after a lead byte ends none).
std::size_t countLineFeeds(const char* data, std::size_t size)
{
    std::size_t count = 0, pos = 0;
#if defined(QUILLET_SSE2)
    const __m128i lineFeed = _mm_set1_epi8('\n');
    // Each line feed subtracts one (-1) from its byte's counter; the counters
    // are summed before any could wrap.
    while (size - pos >= 16) {
        __m128i counters = _mm_setzero_si128();
        for (int round = 0; round < 255 && size - pos >= 16; ++round, pos += 16) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + pos));
            counters = _mm_sub_epi8(counters, _mm_cmpeq_epi8(v, lineFeed));
        }
        const __m128i sums = _mm_sad_epu8(counters, _mm_setzero_si128());
        count += static_cast<std::size_t>(_mm_cvtsi128_si32(sums)) +
                 static_cast<std::size_t>(_mm_cvtsi128_si32(_mm_srli_si128(sums, 8)));
    }
#endif
    for (; pos < size; ++pos) count += data[pos] == '\n';
    return count;
}

// Appends to spans the lines of data[from, size), without their line feeds,
// by appendLinesTo's rules. spans must have room for them all.
void appendLineSpans(const char* data, std::size_t size, std::size_t from, std::vector<WordSpan>& spans)
{
    std::size_t ends[64];
    for (std::size_t pos = from; pos < size;) {
        const std::size_t count = findLineEnds(data, size, pos, ends, 64);
        for (std::size_t i = 0; i < count; ++i) {
            spans.push_back({pos, ends[i] - pos});
            pos = ends[i] + 1;
        }
    }
}

}  // namespace

void appendLines(const std::string& text, Store& store)
{
    appendLinesTo(text.data(), text.size(), store);
}

void appendLines(std::string& text, WordStore& store)
{
    if (text.empty()) return;
    // Room for every span at once: no doubling steps, each of which would
    // hold the old and the new array together.
    std::vector<WordSpan>& spans = store.spans();
    const std::size_t needed = spans.size() + countLineFeeds(text.data(), text.size()) + 1;
    if (needed > spans.capacity()) {
        spans.reserve(std::max(needed, spans.capacity() + spans.capacity() / 2));
        adviseLargePages(spans.data(), spans.capacity() * sizeof(WordSpan));
    }
    std::string& bytes = store.bytes();
    std::size_t base = 0;
    if (store.empty()) {
        // The text itself becomes the store's bytes: nothing is copied.
        bytes.swap(text);
    } else {
        base = bytes.size();
        if (bytes.capacity() - base < text.size())
            reserveLarge(bytes, std::max(base + text.size(), bytes.capacity() + bytes.capacity() / 2));
        bytes.append(text);
    }
    // Nothing asks for memory from here on.
    appendLineSpans(bytes.data(), bytes.size(), base, spans);
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

bool readFileLines(const char* fileName, WordStore& store)
{
    std::string text;
    if (!readTextFile(fileName, text)) return false;
    appendLines(text, store);
    return !store.empty();
}

bool writeTextFile(const char* fileName, const std::string& text, bool append)
{
    if (fileName[0] == '\0') return false;
    return append ? appendToFile(fileName, text) : replaceFile(fileName, text);
}

bool replaceWithDiskBytes(const char* fileName, const DiskBytes* pieces, std::size_t count)
{
    ReplacementFile file;
    if (!beginReplacement(fileName, file, diskSizeOf(pieces, count))) return false;
    for (std::size_t i = 0; i < count; ++i)
        for (std::size_t at = 0; at < pieces[i].size; at += writeChunk)
            writeReplacementBytes(file, pieces[i].data + at, std::min(writeChunk, pieces[i].size - at));
    return finishReplacement(file);
}

bool beginReplacement(const char* fileName, ReplacementFile& file, unsigned long long diskSize)
{
    file = ReplacementFile();
    if (fileName[0] == '\0') return false;
    OsFile inPlace = noFile;
#if defined(_WIN32)
    Target kind = probeTarget(fileName, file.target, inPlace);
#else
    mode_t mode = 0;
    struct stat old;
    Target kind = probeTarget(fileName, file.target, inPlace, mode, old);
#endif
    if (kind == Target::unwritable) return false;
    OsFile f = inPlace;
    if (kind != Target::other) {
        // A device or pipe is written in place: there is no file to keep,
        // and nothing may be renamed over it.
        file.tempPath = tempNameBeside(file.target);
        f = createTemp(file.tempPath);
        if (f == noFile) return false;
#if !defined(_WIN32)
        if (kind == Target::regular) {
            if (fchown(f, old.st_uid, old.st_gid) != 0) {
                // Only the owner or root may give the file away; keep our own.
            }
            fchmod(f, mode);
        }
#endif
        allocateBytes(f, diskSize);
    }
#if defined(_WIN32)
    file.handle = reinterpret_cast<std::intptr_t>(f);
#else
    file.handle = f;
#endif
    return true;
}

void writeReplacementBytes(ReplacementFile& file, const char* data, std::size_t size)
{
    if (!file.failed && !writeBytes(handleOf(file), data, size)) file.failed = true;
}

bool finishReplacement(ReplacementFile& file)
{
    bool ok = closeFile(handleOf(file)) && !file.failed;
    if (file.tempPath.empty()) return ok;
    if (ok) ok = moveOver(file.tempPath, file.target);
    if (!ok) removePath(file.tempPath);
    return ok;
}

void abandonReplacement(ReplacementFile& file) noexcept
{
    file.failed = true;
    finishReplacement(file);
}
