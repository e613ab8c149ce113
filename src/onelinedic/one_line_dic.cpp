// The one-line dictionary: a word list filled from files and strings, put in
// byte order, freed of adjacent repeats and written as a "[word]" section.
#include "onelinedic/one_line_dic.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string_view>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "frame/export.h"
#include "text/code_page.h"
#include "text/text_file.h"

namespace {

// Text bytes per sort key; the key's last byte counts how many the text had.
const std::size_t keyBytes = 11;

// An entry while it is sorted: a key that orders like its next bytes (bytes
// 0 to 7 in high; 8 to 10 and the count in low) and its place in the store.
struct SortItem {
    std::uint64_t high;
    std::uint32_t low;
    std::uint32_t position;
};

// A range of items that agree on the bytes before depth.
struct Pending {
    std::size_t first, last, depth;
};

// A range of items that agree on the key bytes before level.
struct KeyRange {
    SortItem* first;
    SortItem* last;
    unsigned level;
};

// The room that sorting needs, all taken before anything is sorted. A stack
// never holds more ranges than there are pairs of items, nor a key stack
// more than 255 per level.
struct SortRoom {
    std::vector<SortItem> items;
    std::vector<Pending> pending;
    std::vector<KeyRange> keyRanges;
};

// The entries being sorted: spans of one buffer of bytes.
struct Entries {
    const char* bytes;
    const WordSpan* spans;

    std::string_view operator[](std::size_t i) const { return {bytes + spans[i].offset, spans[i].length}; }
};

// Sets the key of item to up to eleven bytes of text from depth on, padded
// with zeros, and their count. Keys order as the texts do as far as they
// reach; equal keys with a count under eleven belong to equal texts.
void setKey(SortItem& item, std::string_view text, std::size_t depth)
{
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text.data()) + depth;
    std::size_t left = text.size() - depth;
    std::size_t take = left < keyBytes ? left : keyBytes;
    std::uint64_t high = 0;
    std::uint32_t low = 0;
    if (take == keyBytes) {
        // Fixed sizes: plain loads, no copying loop.
        unsigned char bytes[keyBytes];
        std::memcpy(bytes, p, keyBytes);
        for (std::size_t i = 0; i < 8; ++i) high = high << 8 | bytes[i];
        low = std::uint32_t(bytes[8]) << 24 | std::uint32_t(bytes[9]) << 16 | std::uint32_t(bytes[10]) << 8;
    } else {
        for (std::size_t i = 0; i < take && i < 8; ++i) high |= std::uint64_t(p[i]) << (8 * (7 - i));
        for (std::size_t i = 8; i < take; ++i) low |= std::uint32_t(p[i]) << (8 * (11 - i));
    }
    item.high = high;
    item.low = low | static_cast<std::uint32_t>(take);
}

bool sameKey(const SortItem& a, const SortItem& b)
{
    return a.high == b.high && a.low == b.low;
}

bool keyLess(const SortItem& a, const SortItem& b)
{
    return a.high != b.high ? a.high < b.high : a.low < b.low;
}

// Byte `level` of the key (0: the most significant, 11: the count).
unsigned byteOf(const SortItem& item, unsigned level)
{
    return level < 8 ? static_cast<unsigned>(item.high >> (8 * (7 - level))) & 0xFF
                     : static_cast<unsigned>(item.low >> (8 * (11 - level))) & 0xFF;
}

void insertionSortByKey(SortItem* first, SortItem* last)
{
    for (SortItem* i = first + 1; i < last; ++i) {
        SortItem item = *i;
        SortItem* j = i;
        for (; j > first && keyLess(item, *(j - 1)); --j) *j = *(j - 1);
        *j = item;
    }
}

// Sorts items by key in place: most significant byte first, each bucket
// swapped into place (no second buffer).
void radixSortByKey(SortItem* first, SortItem* last, std::vector<KeyRange>& pending)
{
    pending.clear();
    pending.push_back({first, last, 0});
    while (!pending.empty()) {
        KeyRange range = pending.back();
        pending.pop_back();
        if (range.last - range.first < 48) {
            insertionSortByKey(range.first, range.last);
            continue;
        }
        std::size_t count[256] = {};
        unsigned lowest = 255, highest = 0;
        for (SortItem* i = range.first; i < range.last; ++i) {
            const unsigned b = byteOf(*i, range.level);
            ++count[b];
            lowest = std::min(lowest, b);
            highest = std::max(highest, b);
        }
        if (lowest == highest) {
            // One bucket: nothing moves at this level.
            if (range.level < keyBytes) pending.push_back({range.first, range.last, range.level + 1});
            continue;
        }
        // Only the buckets between the lowest and the highest byte are
        // walked: small ranges hold few byte values.
        SortItem* bucketEnd[256];
        SortItem* next[256];
        SortItem* at = range.first;
        for (unsigned b = lowest; b <= highest; ++b) {
            next[b] = at;
            at += count[b];
            bucketEnd[b] = at;
        }
        // Each item goes to the next free place of its bucket; the item found
        // there moves on in its turn.
        for (unsigned b = lowest; b <= highest; ++b) {
            while (next[b] < bucketEnd[b]) {
                SortItem item = *next[b];
                unsigned d = byteOf(item, range.level);
                while (d != b) {
                    std::swap(item, *next[d]++);
                    d = byteOf(item, range.level);
                }
                *next[b]++ = item;
            }
        }
        if (range.level == keyBytes) continue;
        SortItem* from = range.first;
        for (unsigned b = lowest; b <= highest; ++b) {
            if (count[b] > 1) pending.push_back({from, from + count[b], range.level + 1});
            from += count[b];
        }
    }
}

// How many items ahead the scattered reads of texts are started: the items
// are independent, so many reads can be under way at once.
const std::size_t ahead = 32;

// Asks memory for the bytes data[0, size): the line of the first byte, and
// that of the last where it is another (a short entry straddles two lines
// now and then). Each request takes one of the few reads that can be under
// way at once.
inline void prefetchBytes(const char* data, std::size_t size)
{
    __builtin_prefetch(data);
    const char* last = data + (size > 0 ? size - 1 : 0);
    if ((reinterpret_cast<std::uintptr_t>(data) ^ reinterpret_cast<std::uintptr_t>(last)) >= 64)
        __builtin_prefetch(last);
}

// Sets the keys of items[first, last) from depth on.
void fillKeys(std::vector<SortItem>& items, std::size_t first, std::size_t last,
              const Entries& texts, std::size_t depth)
{
    for (std::size_t i = first; i < last; ++i) {
        if (i + 2 * ahead < last) __builtin_prefetch(&texts.spans[items[i + 2 * ahead].position]);
        if (i + ahead < last) {
            const std::string_view soon = texts[items[i + ahead].position];
            prefetchBytes(soon.data() + depth, std::min(soon.size() - depth, keyBytes));
        }
        setKey(items[i], texts[items[i].position], depth);
    }
}

// Runs of equal keys up to this size (most often repeats of one word) are
// finished by comparing their texts, not by further rounds of keys.
const std::size_t smallRun = 8;

// Whether text a sorts before text b, both known to agree before depth.
bool tailLess(std::string_view a, std::string_view b, std::size_t depth)
{
    std::size_t common = (a.size() < b.size() ? a.size() : b.size()) - depth;
    int order = std::memcmp(a.data() + depth, b.data() + depth, common);
    return order != 0 ? order < 0 : a.size() < b.size();
}

void sortTails(SortItem* first, SortItem* last, const Entries& texts, std::size_t depth)
{
    for (SortItem* i = first + 1; i < last; ++i) {
        SortItem item = *i;
        const std::string_view text = texts[item.position];
        SortItem* j = i;
        for (; j > first && tailLess(text, texts[(j - 1)->position], depth); --j) *j = *(j - 1);
        *j = item;
    }
}

// How many bytes from depth on all the texts of items[first, last) share;
// they are known to agree before depth.
std::size_t sharedBytes(const SortItem* first, const SortItem* last, const Entries& texts,
                        std::size_t depth)
{
    const char* a = texts[first->position].data() + depth;
    std::size_t shared = texts[first->position].size() - depth;
    for (const SortItem* i = first + 1; i < last && shared > 0; ++i) {
        const std::string_view text = texts[i->position];
        const char* b = text.data() + depth;
        std::size_t limit = std::min(shared, text.size() - depth), k = 0;
        while (k + 8 <= limit && std::memcmp(a + k, b + k, 8) == 0) k += 8;
        while (k < limit && a[k] == b[k]) ++k;
        shared = k;
    }
    return shared;
}

// Whether items[k] of items[first, last), sorted by key, has a full key
// shared with a neighbour: its text is read again past the key.
bool inLongRun(const std::vector<SortItem>& items, std::size_t first, std::size_t last, std::size_t k)
{
    if ((items[k].low & 0xFF) != keyBytes) return false;
    return (k > first && sameKey(items[k - 1], items[k])) || (k + 1 < last && sameKey(items[k], items[k + 1]));
}

// For items[first, last), sorted by keys taken before depth: sorts each run
// of equal full keys from depth on, the short ones at once by comparing
// their texts (the reads started well ahead, as the runs' texts lie
// anywhere), the others pushed onto pending.
void finishRuns(std::vector<SortItem>& items, std::size_t first, std::size_t last, const Entries& texts,
                std::size_t depth, std::vector<Pending>& pending)
{
    std::size_t spanAhead = first, bytesAhead = first;
    for (std::size_t i = first; i < last;) {
        for (; spanAhead < last && spanAhead < i + 2 * ahead; ++spanAhead)
            if (inLongRun(items, first, last, spanAhead)) __builtin_prefetch(&texts.spans[items[spanAhead].position]);
        for (; bytesAhead < last && bytesAhead < i + ahead; ++bytesAhead)
            if (inLongRun(items, first, last, bytesAhead)) {
                const std::string_view soon = texts[items[bytesAhead].position];
                prefetchBytes(soon.data() + depth, soon.size() - depth);
            }
        std::size_t j = i + 1;
        while (j < last && sameKey(items[j], items[i])) ++j;
        if (j - i > 1 && (items[i].low & 0xFF) == keyBytes) {
            if (j - i <= smallRun)
                sortTails(items.data() + i, items.data() + j, texts, depth);
            else
                pending.push_back({i, j, depth});
        }
        i = j;
    }
}

// Puts items in the byte order of the texts at their positions, which all
// agree on the bytes before depth: keys from there, then, for each run of
// equal keys that may differ further on, the rest of the texts.
void sortItems(std::vector<SortItem>& items, const Entries& texts, std::size_t depth, SortRoom& room)
{
    std::vector<Pending>& pending = room.pending;
    pending.clear();
    pending.push_back({0, items.size(), depth});
    while (!pending.empty()) {
        Pending range = pending.back();
        pending.pop_back();
        if (range.last - range.first <= smallRun) {
            sortTails(items.data() + range.first, items.data() + range.last, texts, range.depth);
            continue;
        }
        fillKeys(items, range.first, range.last, texts, range.depth);
        SortItem* first = items.data() + range.first;
        SortItem* last = items.data() + range.last;
        if (std::all_of(first + 1, last, [&](const SortItem& i) { return sameKey(i, *first); })) {
            // Copies of one text, or texts with a long common start: rather
            // than eleven bytes a round, skip all that they share.
            if ((first->low & 0xFF) == keyBytes)
                pending.push_back({range.first, range.last,
                                   range.depth + sharedBytes(first, last, texts, range.depth)});
            continue;
        }
        radixSortByKey(first, last, room.keyRanges);
        finishRuns(items, range.first, range.last, texts, range.depth + keyBytes, pending);
    }
}

// The group of an entry in the first step of the sort: its first byte, 0 for
// the empty entry (which sorts first, as no entry from a file or a C text
// holds a NUL byte).
unsigned char groupOf(const char* bytes, const WordSpan& span)
{
    return span.length == 0 ? 0 : static_cast<unsigned char>(bytes[span.offset]);
}

// Sets firsts[i] to the group of entry i, and bounds[g] to where group g
// begins once the groups are in order (bounds[256]: the end).
void countGroups(const char* bytes, const std::vector<WordSpan>& spans, std::vector<unsigned char>& firsts,
                 std::size_t bounds[257])
{
    std::size_t count[256] = {};
    const std::size_t n = spans.size();
    for (std::size_t i = 0; i < n; ++i) {
        if (i + ahead < n) __builtin_prefetch(bytes + spans[i + ahead].offset);
        firsts[i] = groupOf(bytes, spans[i]);
        ++count[firsts[i]];
    }
    bounds[0] = 0;
    for (unsigned g = 0; g < 256; ++g) bounds[g + 1] = bounds[g] + count[g];
}

// Puts the groups in order by exchanging spans: each exchange puts one span
// into its group for good. firsts moves along.
void groupByFirstByte(std::vector<WordSpan>& spans, std::vector<unsigned char>& firsts,
                      const std::size_t bounds[257])
{
    std::size_t next[256];
    std::copy(bounds, bounds + 256, next);
    for (unsigned g = 0; g < 256; ++g) {
        while (next[g] < bounds[g + 1]) {
            const std::size_t i = next[g];
            const unsigned char to = firsts[i];
            if (to == g) {
                ++next[g];
                continue;
            }
            const std::size_t j = next[to]++;
            std::swap(spans[i], spans[j]);
            firsts[i] = firsts[j];
            firsts[j] = to;
        }
    }
}

// The row being written while the text of the selected words streams past,
// and the decimal number of the next row.
struct SectionRows {
    int count;
    bool open;  // its number and opening quote are written
    bool odd;   // the lead bytes at its end so far are odd in number
    char digits[16];  // the number, right-aligned
    int width;
};

SectionRows firstRow()
{
    SectionRows rows{};
    rows.digits[15] = '0';
    rows.width = 1;
    return rows;
}

// Counts the row just finished, number included.
void countRow(SectionRows& rows)
{
    ++rows.count;
    int i = 15;
    while (i >= 16 - rows.width && rows.digits[i] == '9') rows.digits[i--] = '0';
    if (i < 16 - rows.width) {
        rows.digits[i] = '1';
        ++rows.width;
    } else {
        ++rows.digits[i];
    }
}

// Appends the number of the row and '="'.
void openRow(std::string& out, SectionRows& rows)
{
    out.append(rows.digits + 16 - rows.width, rows.width);
    out += "=\"";
    rows.open = true;
    rows.odd = false;
}

// Parity of the run of lead bytes that ends at data[end], counted back to
// data[from] at most; odd is the parity of the run that ends at `from`.
bool leadRunParity(const char* data, std::size_t from, std::size_t end, bool odd)
{
    std::size_t j = end;
    while (j > from && isLeadByte(static_cast<unsigned char>(data[j - 1]))) --j;
    bool runOdd = ((end - j) & 1) != 0;
    return j == from ? odd != runOdd : runOdd;
}

// Writes data[0, size), a piece of the words text, as rows in the file's form
// (every "\n" as "\r\n"): a line feed ends a row unless it follows an odd run
// of lead bytes within that row, as the rows of a numbered list are cut
// (findLineEnd from each row's start).
void feedRows(const char* data, std::size_t size, std::string& out, SectionRows& rows)
{
    for (std::size_t pos = 0; pos < size;) {
        if (!rows.open) openRow(out, rows);
        const void* lineFeed = std::memchr(data + pos, '\n', size - pos);
        std::size_t end = lineFeed ? static_cast<const char*>(lineFeed) - data : size;
        rows.odd = leadRunParity(data, pos, end, rows.odd);
        out.append(data + pos, end - pos);
        if (end == size) return;
        if (rows.odd) {
            // The second byte of a character: the row goes on. A line feed is
            // no lead byte, so the run after it starts afresh.
            out += "\r\n";
            rows.odd = false;
        } else {
            out += "\"\r\n";
            countRow(rows);
            rows.open = false;
        }
        pos = end + 1;
    }
}

// Whether data[0, size) holds a line feed. A plain loop: unlike memchr, it
// reads no byte past the end, whose line is not asked for ahead.
bool hasLineFeed(const char* data, std::size_t size)
{
    for (std::size_t i = 0; i < size; ++i)
        if (data[i] == '\n') return true;
    return false;
}

// Words up to this size, without line feeds, are written as one whole row.
const std::size_t shortWord = 64;

// Appends the rows of word followed by "\n".
void appendWordRows(std::string_view word, std::string& out, SectionRows& rows)
{
    const char* data = word.data();
    const std::size_t size = word.size();
    if (!rows.open && size <= shortWord && !hasLineFeed(data, size) &&
        !leadRunParity(data, 0, size, false)) {
        // The common case: one row, put together in place.
        char row[16 + 2 + shortWord + 3];
        char* p = row;
        std::memcpy(p, rows.digits + 16 - rows.width, rows.width);
        p += rows.width;
        *p++ = '=';
        *p++ = '"';
        std::memcpy(p, data, size);
        p += size;
        std::memcpy(p, "\"\r\n", 3);
        out.append(row, p + 3 - row);
        countRow(rows);
        return;
    }
    feedRows(data, size, out, rows);
    feedRows("\n", 1, out, rows);
}

// Appends to out the rows of the entries of store from `next` on that begin
// with prefix, until out holds `limit` bytes or more; after the last entry,
// closes a row left open.
void appendSectionRows(const WordStore& store, const std::string& prefix, std::size_t& next,
                       std::string& out, std::size_t limit, SectionRows& rows)
{
    const std::size_t n = store.size();
    const char* bytes = store.bytes().data();
    const WordSpan* spans = store.spans().data();
    for (; next < n && out.size() < limit; ++next) {
        // After a sort the entries' bytes lie in no order.
        if (next + ahead < n) prefetchBytes(bytes + spans[next + ahead].offset, spans[next + ahead].length);
        const std::string_view word(bytes + spans[next].offset, spans[next].length);
        if (word.size() >= prefix.size() && std::memcmp(word.data(), prefix.data(), prefix.size()) == 0)
            appendWordRows(word, out, rows);
    }
    if (next == n && rows.open) {
        out += "\"\r\n";
        countRow(rows);
        rows.open = false;
    }
}

// The bytes of the section handed to the file system at a time.
const std::size_t pieceBytes = 1 << 18;

}  // namespace

namespace {

// What sorting groups of entries needs, all taken before anything is sorted.
struct GroupSorter {
    SortRoom room;
    std::vector<WordSpan> ordered;

    // Takes the room for groups of up to largest entries.
    explicit GroupSorter(std::size_t largest)
    {
        room.items.reserve(largest);
        room.pending.reserve(largest / 2 + 1);
        room.keyRanges.reserve(std::min(largest / 2 + 1, std::size_t(255) * (keyBytes + 1) + 1));
        ordered.reserve(largest);
    }

    // Sorts the groups [from, to), each in place among the spans; asks for
    // no memory.
    void sortGroups(const char* bytes, std::vector<WordSpan>& spans, const std::size_t bounds[257], unsigned from,
                    unsigned to) noexcept
    {
        for (unsigned g = from; g < to; ++g) {
            const std::size_t size = bounds[g + 1] - bounds[g];
            if (size < 2) continue;
            room.items.resize(size);
            for (std::size_t i = 0; i < size; ++i) room.items[i] = {0, 0, static_cast<std::uint32_t>(i)};
            WordSpan* group = spans.data() + bounds[g];
            // Past group 0 (the empty entry among them) every entry has the
            // group's byte first.
            sortItems(room.items, Entries{bytes, group}, g == 0 ? 0 : 1, room);
            ordered.clear();
            for (std::size_t k = 0; k < size; ++k) {
                if (k + ahead < size) __builtin_prefetch(&group[room.items[k + ahead].position]);
                ordered.push_back(group[room.items[k].position]);
            }
            std::copy(ordered.begin(), ordered.end(), group);
        }
    }
};

// Lists at least this long are sorted by two threads where the machine has
// two processors: the groups are independent, and a second thread keeps
// twice as many of the scattered reads under way.
const std::size_t twoThreadEntries = 1 << 12;

}  // namespace

void sortEntries(WordStore& store)
{
    const std::size_t n = store.size();
    if (n < 2) return;
    // Positions are kept in 32 bits, which only a 64-bit build could exceed.
    if (static_cast<std::uint32_t>(n) != n) throw std::length_error("too many entries to sort");
    std::vector<WordSpan>& spans = store.spans();
    const char* bytes = store.bytes().data();
    std::vector<unsigned char> firsts(n);
    std::size_t bounds[257];
    countGroups(bytes, spans, firsts, bounds);
    std::size_t largest = 0;
    for (unsigned g = 0; g < 256; ++g) largest = std::max(largest, bounds[g + 1] - bounds[g]);
    // The groups split where each side has about half the entries.
    unsigned split = 0;
    while (split < 256 && bounds[split + 1] <= n / 2) ++split;
    const bool twoThreads = n >= twoThreadEntries && std::thread::hardware_concurrency() >= 2;
    GroupSorter first(largest);
    std::vector<GroupSorter> second;
    if (twoThreads) second.emplace_back(largest);
    // From here on nothing asks for memory but the thread. Grouped first, a
    // group's spans then move only within it, which the cache holds; the
    // room is only that of the largest group, mostly memory already in use.
    groupByFirstByte(spans, firsts, bounds);
    if (!second.empty()) {
        try {
            std::thread helper([&] { second[0].sortGroups(bytes, spans, bounds, split, 256); });
            first.sortGroups(bytes, spans, bounds, 0, split);
            helper.join();
            return;
        } catch (const std::system_error&) {
            // No thread to be had: this one sorts them all.
        }
    }
    first.sortGroups(bytes, spans, bounds, 0, 256);
}

void removeAdjacentRepeats(WordStore& store)
{
    std::vector<WordSpan>& spans = store.spans();
    const char* bytes = store.bytes().data();
    const std::size_t n = spans.size();
    if (n == 0) return;
    // Each entry that differs from the last one kept moves down behind it;
    // the bytes of the others stay unused. After a sort the bytes lie in no
    // order: asked for ahead, but only where a neighbour has the same length
    // (the last one kept is as long as the entry before).
    std::size_t kept = 0;
    for (std::size_t next = 1; next < n; ++next) {
        const std::size_t soon = next + ahead;
        if (soon < n && (spans[soon].length == spans[soon - 1].length ||
                         (soon + 1 < n && spans[soon].length == spans[soon + 1].length)))
            prefetchBytes(bytes + spans[soon].offset, spans[soon].length);
        const WordSpan word = spans[next], last = spans[kept];
        if (word.length == last.length && std::memcmp(bytes + word.offset, bytes + last.offset, word.length) == 0)
            continue;
        spans[++kept] = word;
    }
    spans.resize(kept + 1);
}

void clearEntries(WordStore& store)
{
    store.clear();
}

int buildWordSection(const WordStore& store, const std::string& prefix, std::string& section)
{
    section = "[word]\r\n";
    SectionRows rows = firstRow();
    std::size_t next = 0;
    appendSectionRows(store, prefix, next, section, std::string::npos, rows);
    return rows.count;
}

int writeWordSection(const WordStore& store, const char* fileName, const std::string& prefix)
{
    // Written in pieces as the rows are made: the section is never whole.
    quillet::OutputFile file;
    const bool toFile = fileName[0] != '\0';
    if (toFile && !quillet::openOutputFile(fileName, false, file)) return -1;
    SectionRows rows = firstRow();
    try {
        std::string piece;
        piece.reserve(pieceBytes + 2 * shortWord);
        piece = "[word]\r\n";
        for (std::size_t next = 0; next < store.size() || !piece.empty();) {
            appendSectionRows(store, prefix, next, piece, pieceBytes, rows);
            if (toFile) quillet::writeOutputBytes(file, piece.data(), piece.size());
            piece.clear();
        }
    } catch (...) {
        if (toFile) quillet::abandonOutputFile(file);
        throw;
    }
    if (toFile && !quillet::finishOutputFile(file)) return -1;
    return rows.count;
}

extern "C" QUILLET_API int QUILLET_CALL appendFileToOneLineDic(const char* fileName)
{
    return guarded(0, [&] { return readFileLines(fileName, oneLineDic) ? 1 : 0; });
}
QUILLET_TWIN(int, appendFileToOneLineDic, (const char* fileName));

extern "C" QUILLET_API int QUILLET_CALL appendToOneLineDic(const char* text)
{
    return guarded(0, [&] {
        oneLineDic.push_back(text);
        return 1;
    });
}
QUILLET_TWIN(int, appendToOneLineDic, (const char* text));

extern "C" QUILLET_API int QUILLET_CALL clearOneLineDic()
{
    return guarded(0, [&] {
        clearEntries(oneLineDic);
        return 1;
    });
}
QUILLET_TWIN(int, clearOneLineDic, ());

extern "C" QUILLET_API int QUILLET_CALL uniqueOneLineDic()
{
    return guarded(0, [&] {
        removeAdjacentRepeats(oneLineDic);
        return 1;
    });
}
QUILLET_TWIN(int, uniqueOneLineDic, ());

extern "C" QUILLET_API int QUILLET_CALL sortOneLineDic()
{
    // No text moves before the order is known, and moving them cannot fail,
    // so a failure leaves the store as it was.
    return guarded(0, [&] {
        sortEntries(oneLineDic);
        return 1;
    });
}
QUILLET_TWIN(int, sortOneLineDic, ());

extern "C" QUILLET_API int QUILLET_CALL makeINIDB(const char* fileName, const char* prefix)
{
    return guarded(-1, [&] { return writeWordSection(oneLineDic, fileName, prefix); });
}
QUILLET_TWIN(int, makeINIDB, (const char* fileName, const char* prefix));
