// The multi-line dictionary: entries that each begin at a head line, listed
// by title and looked up by title or position.
#include "multilinedic/multi_line_dic.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>
#include <stdexcept>
#include <string_view>
#include <vector>

#include "frame/export.h"
#include "text/code_page.h"
#include "text/line_blocks.h"
#include "text/string_ops.h"
#include "text/text_file.h"

namespace {

const std::uint32_t noPosition = 0xFFFFFFFFu;

// An index over multiLineDic, rebuilt by every load (nothing else changes the
// store): the entries by position, and per hash of the bytes before an
// entry's first line-feed byte a chain of the positions that share it, in
// store order. An entry that begins with a search key always has the same
// bytes before its first line feed as the key, so it is in the key's chain.
std::vector<const std::string*> entryAt;
std::vector<std::uint32_t> chainNext;
std::vector<std::uint32_t> chainHead;  // a power of two of them

// The hash of the bytes before the first line-feed byte of text.
std::size_t headHash(const std::string& text)
{
    const void* lineFeed = std::memchr(text.data(), '\n', text.size());
    std::size_t length = lineFeed ? static_cast<const char*>(lineFeed) - text.data() : text.size();
    return std::hash<std::string_view>{}(std::string_view(text.data(), length));
}

void clearIndex()
{
    std::vector<const std::string*>().swap(entryAt);
    std::vector<std::uint32_t>().swap(chainNext);
    std::vector<std::uint32_t>().swap(chainHead);
}

// Empties the index but keeps its room: a reload of a dictionary of about
// the same size then neither gives the memory back nor asks for it again.
void emptyIndex()
{
    entryAt.clear();
    chainNext.clear();
    chainHead.clear();
}

// Gives back the room of v when it is more than twice what v holds.
template <class T>
void trimRoom(std::vector<T>& v)
{
    if (v.capacity() / 2 > v.size()) v.shrink_to_fit();
}

// Builds the chains over entryAt, which holds the store's entries already,
// from the hashes of their titles (headHash, in the same order).
void buildChains(const std::vector<std::uint32_t>& titleHashes)
{
    const std::size_t n = entryAt.size();
    // Positions are kept in 32 bits, which only a 64-bit build could exceed.
    if (n >= noPosition) throw std::length_error("too many entries to index");
    std::size_t buckets = 1;
    while (buckets < n) buckets *= 2;
    chainHead.assign(buckets, noPosition);
    chainNext.assign(n, noPosition);
    // From the back, so that each chain runs in store order. The heads are
    // met in no order and outgrow the cache: each is asked for early.
    const std::size_t ahead = 16;
    for (std::size_t p = n; p-- > 0;) {
#if defined(__GNUC__)
        if (p >= ahead) __builtin_prefetch(&chainHead[titleHashes[p - ahead] & (buckets - 1)], 1);
#endif
        std::uint32_t& head = chainHead[titleHashes[p] & (buckets - 1)];
        chainNext[p] = head;
        head = static_cast<std::uint32_t>(p);
    }
    trimRoom(entryAt);
    trimRoom(chainNext);
    trimRoom(chainHead);
}

// First position of the chain in which the entries beginning with key are.
std::uint32_t chainOf(const std::string& key)
{
    return chainHead[headHash(key) & (chainHead.size() - 1)];
}

// The number-th entry (from 1) that begins with key, or null.
const std::string* findNthTitled(const std::string& key, int number)
{
    for (std::uint32_t p = chainOf(key); p != noPosition; p = chainNext[p])
        if (hasPrefix(*entryAt[p], key) && --number == 0) return entryAt[p];
    return nullptr;
}

int countTitled(const std::string& key)
{
    int count = 0;
    for (std::uint32_t p = chainOf(key); p != noPosition; p = chainNext[p])
        if (hasPrefix(*entryAt[p], key)) ++count;
    return count;
}

// Whether the line being read goes to the open entry; undecided until its
// first bytes (as many as the marker has) or its end are known.
enum LineFate { undecided, kept, dropped };

// How far the cutting of a file's text into entries has got, between two
// pieces of the text.
struct EntryCut {
    const std::string* marker = nullptr;
    StoreRebuild entries;   // the entries finished so far, on the old dictionary's elements
    bool open = false;      // a head line has been met: lines go to an entry
    std::string current;    // the open entry's bytes that are not in the piece being cut
    bool lineOpen = false;  // the last piece ended inside a line
    LineFate fate = undecided;
    std::string lineStart;  // that line's first bytes, while its fate is undecided
    bool odd = false;       // the run of lead-byte values that ended the last piece is odd
    std::vector<std::uint32_t> titleHashes;  // of the finished entries, for the index
};

// Parity of the run of lead-byte values ending just before data[p], given
// odd, that of the run ending just before data[q] (q <= p).
bool leadRunOdd(const char* data, std::size_t q, std::size_t p, bool odd)
{
    std::size_t j = p;
    while (j > q && isLeadByte(static_cast<unsigned char>(data[j - 1]))) --j;
    const bool runOdd = ((p - j) & 1) != 0;
    return j == q ? odd != runOdd : runOdd;
}

// Finishes the open entry: cut.current followed by run[0, size). Its place
// in entryAt and its title's hash are taken while it is still in the cache.
void closeEntry(EntryCut& cut, const char* run, std::size_t size)
{
    std::string* reused = reuseOldElement(cut.entries, cut.current.size() + size);
    if (!reused) {
        cut.entries.built.emplace_back();
        reused = &cut.entries.built.back();
    }
    std::string& entry = *reused;
    // Not current itself: it may have grown by doubling.
    entry.reserve(cut.current.size() + size);
    entry.append(cut.current).append(run, size);
    if (!cut.current.empty()) std::string().swap(cut.current);
    entryAt.push_back(&entry);
    cut.titleHashes.push_back(static_cast<std::uint32_t>(headHash(entry)));
}

// Gives the line being read its fate, once whether it is a head line is known.
void settleLine(EntryCut& cut, bool head)
{
    if (head && cut.open) closeEntry(cut, "", 0);
    cut.open = cut.open || head;
    cut.fate = cut.open ? kept : dropped;
    if (cut.open) cut.current += cut.lineStart;
    cut.lineStart.clear();
}

// Takes bytes of the line being read, none of them its end.
void feedLine(EntryCut& cut, const char* p, std::size_t size)
{
    cut.lineOpen = true;
    if (cut.fate == undecided) {
        const std::string& marker = *cut.marker;
        const std::size_t take = std::min(size, marker.size() - cut.lineStart.size());
        cut.lineStart.append(p, take);
        p += take;
        size -= take;
        if (cut.lineStart.size() < marker.size()) return;
        settleLine(cut, cut.lineStart == marker);
    }
    if (cut.fate == kept) cut.current.append(p, size);
}

// Ends the line being read, as with its "\n".
void endLine(EntryCut& cut)
{
    if (cut.fate == undecided) {
        // Shorter than the marker: a head line only when it and its "\n" are the marker.
        const std::string& marker = *cut.marker;
        const std::string& line = cut.lineStart;
        settleLine(cut, marker.size() == line.size() + 1 && marker.back() == '\n' &&
                            marker.compare(0, line.size(), line) == 0);
    }
    if (cut.fate == kept) cut.current += '\n';
    cut.fate = undecided;
    cut.lineOpen = false;
}

// Where the line that the last piece ended in ends in data[0, size): its real
// "\n", or size; at size, cut.odd is brought up to the end of data.
std::size_t carriedLineEnd(EntryCut& cut, const char* data, std::size_t size)
{
    std::size_t scanned = 0;
    bool odd = cut.odd;
    for (std::size_t from = 0;;) {
        const void* hit = from < size ? std::memchr(data + from, '\n', size - from) : nullptr;
        if (!hit) {
            cut.odd = leadRunOdd(data, scanned, size, odd);
            return size;
        }
        const std::size_t p = static_cast<const char*>(hit) - data;
        odd = leadRunOdd(data, scanned, p, odd);
        scanned = p;
        if (!odd) return p;
        from = p + 1;
    }
}

// Cuts the next piece of the file's text into entries; a line or entry that
// it leaves unfinished is carried in cut.
void cutPiece(EntryCut& cut, const char* data, std::size_t size)
{
    std::size_t pos = 0;
    if (cut.lineOpen) {
        const std::size_t end = carriedLineEnd(cut, data, size);
        feedLine(cut, data, end);
        if (end == size) return;
        endLine(cut);
        pos = end + 1;
    }
    // Whole lines: those of the open entry are taken as one run of bytes,
    // which already ends each line with its "\n".
    const std::string& marker = *cut.marker;
    std::size_t runStart = pos;
    std::size_t ends[64];
    bool tail = false;
    while (pos < size && !tail) {
        const std::size_t count = findLineEnds(data, size, pos, ends, 64);
        for (std::size_t i = 0; i < count; ++i) {
            if (ends[i] == size) {
                tail = true;  // no "\n" yet: the line goes on in the next piece
                break;
            }
            // The line's own "\n" stands at ends[i]: it may end the marker.
            const bool head = marker.size() <= ends[i] - pos + 1 &&
                              std::memcmp(data + pos, marker.data(), marker.size()) == 0;
            if (head) {
                if (cut.open) closeEntry(cut, data + runStart, pos - runStart);
                cut.open = true;
                runStart = pos;
            }
            pos = ends[i] + 1;
        }
    }
    if (cut.open) cut.current.append(data + runStart, pos - runStart);
    if (pos < size) {
        cut.odd = leadRunOdd(data, pos, size, false);
        feedLine(cut, data + pos, size - pos);
    }
}

// The entry without its first line, as takeToken cuts that line.
std::string bodyOf(const std::string& entry)
{
    std::size_t end = findLineEnd(entry.data(), entry.size(), 0);
    return end < entry.size() ? entry.substr(end + 1) : std::string();
}

}  // namespace

int loadDictionary(const char* fileName, const std::string& headMarker, std::size_t pieceSize)
{
    if (headMarker.empty()) return -1;
    emptyIndex();
    EntryCut cut;
    cut.marker = &headMarker;
    cut.entries.old.swap(multiLineDic);
    TextFileReader reader;
    std::size_t sizeGuess = 0;
    if (!openTextFile(fileName, reader, sizeGuess)) {
        clearIndex();
        return -1;
    }
    try {
        cut.titleHashes.reserve(entryAt.capacity());
        bool ok = true, anyText = false;
        std::string piece;
        while (ok && !reader.ended) {
            piece.clear();
            ok = readTextPiece(reader, piece, pieceSize);
            anyText = anyText || !piece.empty();
            cutPiece(cut, piece.data(), piece.size());
        }
        closeTextFile(reader);
        // A read error, or an empty text, which has no line at all.
        if (!ok || !anyText) {
            clearIndex();
            return -1;
        }
        if (cut.lineOpen) endLine(cut);
        if (cut.open) closeEntry(cut, "", 0);
        clearStore(cut.entries.old);
        buildChains(cut.titleHashes);
    } catch (...) {
        // Half a dictionary, or one without its index, is worse than none.
        closeTextFile(reader);
        clearIndex();
        throw;
    }
    multiLineDic.swap(cut.entries.built);
    return static_cast<int>(multiLineDic.size());
}

std::string dictionaryTitles()
{
    std::string titles;
    for (const std::string& entry : multiLineDic) {
        titles.append(entry, 0, findLineEnd(entry.data(), entry.size(), 0));
        titles += '\n';
    }
    return titles;
}

std::string searchDictionary(const std::string& searchText, int number)
{
    if ((number != -1 && number <= 0) || multiLineDic.empty()) return std::string();
    if (searchText.empty() && number != -1) {
        if (static_cast<std::size_t>(number) > entryAt.size()) return std::string();
        return bodyOf(*entryAt[number - 1]);
    }
    std::string key = searchText + '\n';
    if (number == -1) return std::to_string(countTitled(key));
    const std::string* entry = findNthTitled(key, number);
    return entry ? bodyOf(*entry) : std::string();
}

extern "C" QUILLET_API int QUILLET_CALL loadMultiLineDic(const char* fileName,
                                                         const char* headMarker)
{
    return guarded(-1, [&] { return loadDictionary(fileName, headMarker); });
}
QUILLET_TWIN(int, loadMultiLineDic, (const char* fileName, const char* headMarker));

extern "C" QUILLET_API const char* QUILLET_CALL getMultiLineDicTitle(const char* fileName)
{
    return guardedText([&] {
        if (multiLineDic.empty()) return setResultText("-1");
        std::string titles = dictionaryTitles();
        if (fileName[0] == '\0') {
            resultText.swap(titles);
            return resultText.c_str();
        }
        int rows = formatNumberedList("[titlelist]", fileName, titles, false, false);
        return setResultText(std::to_string(rows));
    });
}
QUILLET_TWIN(const char*, getMultiLineDicTitle, (const char* fileName));

extern "C" QUILLET_API const char* QUILLET_CALL searchInMultiLineDic(const char* searchText,
                                                                     int number)
{
    return guardedText([&] {
        std::string found = searchDictionary(searchText, number);
        resultText.swap(found);
        return resultText.c_str();
    });
}
QUILLET_TWIN(const char*, searchInMultiLineDic, (const char* searchText, int number));
