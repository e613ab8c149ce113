// Sorting the word list: the spans are grouped by first byte; in each group
// the copies of a short text are gathered into one item, then the items are
// sorted by radix on keys of eleven bytes, with the texts compared only
// where keys tie. Only spans and small sort items move; equal texts, found on
// the way, leave sharing one span.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string_view>
#include <vector>

#include "onelinedic/sort_keys.h"
#include "onelinedic/word_list.h"
#include "text/byte_scan.h"

namespace quillet {
namespace {

// A range of items that agree on the bytes before depth.
struct Pending {
    std::size_t first, last, depth;
};

// The room that sorting needs, all taken before anything is sorted. A stack
// never holds more ranges than there are pairs of items, nor a key stack
// more than 255 per level. repeats[k] is set once item k, in its final
// place, is known to hold the same text as item k - 1.
struct SortRoom {
    std::vector<SortItem> items;
    std::vector<Pending> pending;
    std::vector<KeyRange> keyRanges;
    // The radix sort's room for as many items as the largest group has,
    // left untouched: only what the items left after gathering use is paged in.
    std::unique_ptr<SortItem[]> keyRoom;
    std::vector<unsigned char> repeats;

    // Marks items[first + 1, last) as repeats: their texts are all equal.
    void markRepeats(std::size_t first, std::size_t last)
    {
        std::fill(repeats.begin() + first + 1, repeats.begin() + last, 1);
    }
};

// The entries being sorted: spans of one buffer of bytes.
struct Entries {
    const char* bytes;
    const WordSpan* spans;

    std::string_view operator[](std::size_t i) const { return {bytes + spans[i].offset, spans[i].length}; }
};

// How many items ahead the scattered reads of texts are started: the items
// are independent, so many reads can be under way at once.
const std::size_t ahead = 32;

// Sets the keys of items[first, last) from depth on.
void fillKeys(std::vector<SortItem>& items, std::size_t first, std::size_t last,
              const Entries& texts, std::size_t depth)
{
    for (std::size_t i = first; i < last; ++i) {
        if (i + 2 * ahead < last) scan::prefetch(&texts.spans[items[i + 2 * ahead].position]);
        if (i + ahead < last) {
            const std::string_view soon = texts[items[i + ahead].position];
            scan::prefetchBytes(soon.data() + depth, std::min(soon.size() - depth, keyBytes));
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

// Whether texts a and b, known to agree before depth, are equal. Tails of
// up to eight bytes are compared in one load each: a text is followed by
// readable bytes, which the mask leaves out.
bool sameTail(std::string_view a, std::string_view b, std::size_t depth)
{
    if (a.size() != b.size()) return false;
    const std::size_t n = a.size() - depth;
    if (n > 8) return std::memcmp(a.data() + depth, b.data() + depth, n) == 0;
    std::uint64_t x, y;
    std::memcpy(&x, a.data() + depth, 8);
    std::memcpy(&y, b.data() + depth, 8);
    // Only the differences within the tail count, whatever the byte order.
    const unsigned char* dx = reinterpret_cast<const unsigned char*>(&x);
    const unsigned char* dy = reinterpret_cast<const unsigned char*>(&y);
    unsigned char differ = 0;
    for (std::size_t i = 0; i < 8; ++i) differ |= static_cast<unsigned char>((dx[i] ^ dy[i]) & (i < n ? 0xFF : 0));
    return differ == 0;
}

// Sorts items[first, last), whose texts agree before depth, by comparing
// the rest of their texts, and marks the repeats among them.
void sortTails(std::vector<SortItem>& items, std::size_t first, std::size_t last, const Entries& texts,
               std::size_t depth, SortRoom& room)
{
    // Most often they are copies of one text: one comparison each.
    const std::string_view head = texts[items[first].position];
    std::size_t same = first + 1;
    while (same < last && sameTail(texts[items[same].position], head, depth)) ++same;
    if (same == last) {
        room.markRepeats(first, last);
        return;
    }
    SortItem* const begin = items.data() + first;
    for (SortItem* i = begin + 1; i < items.data() + last; ++i) {
        SortItem item = *i;
        const std::string_view text = texts[item.position];
        SortItem* j = i;
        for (; j > begin && tailLess(text, texts[(j - 1)->position], depth); --j) *j = *(j - 1);
        *j = item;
    }
    for (std::size_t k = first + 1; k < last; ++k)
        room.repeats[k] = texts[items[k].position] == texts[items[k - 1].position];
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

// For items[first, last), sorted by keys taken before depth: marks each run
// of equal keys that hold whole texts as repeats, and sorts each run of
// equal full keys from depth on, the short ones at once by comparing their
// texts (the reads started well ahead, as the runs' texts lie anywhere), the
// others pushed onto pending.
void finishRuns(std::vector<SortItem>& items, std::size_t first, std::size_t last, const Entries& texts,
                std::size_t depth, SortRoom& room)
{
    std::size_t spanAhead = first, bytesAhead = first;
    for (std::size_t i = first; i < last;) {
        for (; spanAhead < last && spanAhead < i + 2 * ahead; ++spanAhead)
            if (inLongRun(items, first, last, spanAhead)) scan::prefetch(&texts.spans[items[spanAhead].position]);
        for (; bytesAhead < last && bytesAhead < i + ahead; ++bytesAhead)
            if (inLongRun(items, first, last, bytesAhead)) {
                const std::string_view soon = texts[items[bytesAhead].position];
                scan::prefetchBytes(soon.data() + depth, soon.size() - depth);
            }
        std::size_t j = i + 1;
        while (j < last && sameKey(items[j], items[i])) ++j;
        if (j - i > 1 && (items[i].low & 0xFF) < keyBytes)
            room.markRepeats(i, j);
        else if (j - i > 1 && j - i <= smallRun)
            sortTails(items, i, j, texts, depth, room);
        else if (j - i > 1)
            room.pending.push_back({i, j, depth});
        i = j;
    }
}

// Puts items in the byte order of the texts at their positions, which all
// agree on the bytes before depth: keys from there (set already when keyed),
// then, for each run of equal keys that may differ further on, the rest of
// the texts. Marks every item whose text equals the one before: equal texts
// only ever share a run.
void sortItems(std::vector<SortItem>& items, const Entries& texts, std::size_t depth, bool keyed, SortRoom& room)
{
    std::vector<Pending>& pending = room.pending;
    pending.clear();
    pending.push_back({0, items.size(), depth});
    room.repeats.assign(items.size(), 0);
    bool keysSet = keyed;  // for the first range only: all of items
    while (!pending.empty()) {
        Pending range = pending.back();
        pending.pop_back();
        const bool fill = !keysSet;
        keysSet = false;
        if (range.last - range.first <= smallRun) {
            sortTails(items, range.first, range.last, texts, range.depth, room);
            continue;
        }
        if (fill) fillKeys(items, range.first, range.last, texts, range.depth);
        SortItem* first = items.data() + range.first;
        SortItem* last = items.data() + range.last;
        if (std::all_of(first + 1, last, [&](const SortItem& i) { return sameKey(i, *first); })) {
            // Copies of one text, or texts with a long common start: rather
            // than eleven bytes a round, skip all that they share.
            if ((first->low & 0xFF) == keyBytes)
                pending.push_back({range.first, range.last,
                                   range.depth + sharedBytes(first, last, texts, range.depth)});
            else
                room.markRepeats(range.first, range.last);
            continue;
        }
        radixSortByKey(first, last, room.keyRanges, room.keyRoom.get());
        finishRuns(items, range.first, range.last, texts, range.depth + keyBytes, room);
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
        if (i + ahead < n) scan::prefetch(bytes + spans[i + ahead].offset);
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
            // Each group fills in order: what its next exchanges will read
            // is asked for ahead.
            if (j + ahead < bounds[to + 1]) {
                scan::prefetch(&spans[j + ahead]);
                scan::prefetch(&firsts[j + ahead]);
            }
            std::swap(spans[i], spans[j]);
            firsts[i] = firsts[j];
            firsts[j] = to;
        }
    }
}

// How many copies putCopies stores whatever their count.
const std::uint32_t copiesStored = 4;

// Writes count (at least 1) copies of span at out, which has room for
// count + copiesStored spans; returns where the copies end. The first
// copiesStored are stored whatever count is: counts vary at random, and a
// loop that stops after each copy would mispredict.
WordSpan* putCopies(WordSpan* out, WordSpan span, std::uint32_t count)
{
    for (std::uint32_t i = 0; i < copiesStored; ++i) out[i] = span;
    for (std::uint32_t i = copiesStored; i < count; ++i) out[i] = span;
    return out + count;
}

// What sorting groups of entries needs, all taken before anything is sorted.
struct GroupSorter {
    SortRoom room;
    std::vector<std::uint32_t> copies;  // by position in the group: entries an item stands for
    std::vector<std::uint32_t> slots;   // gatherCopies's table
    // The group's spans in sorted order, built here and copied back; room for
    // the largest group and the few spans putCopies stores past the end.
    std::unique_ptr<WordSpan[]> ordered;

    // Takes the room for groups of up to largest entries.
    explicit GroupSorter(std::size_t largest)
    {
        scan::reserveLarge(room.items, largest);
        room.keyRoom.reset(new SortItem[largest]);
        scan::reserveLarge(room.pending, largest / 2 + 1);
        scan::reserveLarge(room.repeats, largest);
        room.keyRanges.reserve(std::min(largest / 2 + 1, std::size_t(255) * (keyBytes + 1) + 1));
        scan::reserveLarge(copies, largest);
        std::size_t tableSize = 2;
        while (tableSize < 2 * largest) tableSize *= 2;
        scan::reserveLarge(slots, tableSize);
        ordered.reset(new WordSpan[largest + copiesStored]);
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
            const Entries texts{bytes, group};
            // Past group 0 (the empty entry among them) every entry has the
            // group's byte first.
            const std::size_t depth = g == 0 ? 0 : 1;
            // Many entries are often copies of a few short words: each word
            // is sorted once, however many copies it has.
            fillKeys(room.items, 0, size, texts, depth);
            gatherCopies(room.items, copies, slots);
            sortItems(room.items, texts, depth, true, room);
            // A repeat takes the span of the text before it; an item's
            // copies all take its span.
            WordSpan* out = ordered.get();
            const std::size_t sorted = room.items.size();
            for (std::size_t k = 0; k < sorted; ++k) {
                if (k + ahead < sorted) scan::prefetch(&group[room.items[k + ahead].position]);
                const std::uint32_t at = room.items[k].position;
                const WordSpan span = room.repeats[k] ? out[-1] : group[at];
                out = putCopies(out, span, copies[at]);
            }
            std::copy(ordered.get(), out, group);
        }
    }
};

}  // namespace

void sortWordSpans(const char* bytes, std::vector<WordSpan>& spans)
{
    const std::size_t n = spans.size();
    if (n < 2) return;
    // Positions are kept in 32 bits, which only a 64-bit build could exceed.
    if (static_cast<std::uint32_t>(n) != n) throw std::length_error("too many entries to sort");
    std::vector<unsigned char> firsts;
    scan::reserveLarge(firsts, n);
    firsts.resize(n);
    std::size_t bounds[257];
    countGroups(bytes, spans, firsts, bounds);
    std::size_t largest = 0;
    for (unsigned g = 0; g < 256; ++g) largest = std::max(largest, bounds[g + 1] - bounds[g]);
    GroupSorter sorter(largest);
    // From here on nothing asks for memory. Grouped first, a group's spans
    // then move only within it, which the cache holds; the room is only that
    // of the largest group, mostly memory already in use.
    groupByFirstByte(spans, firsts, bounds);
    sorter.sortGroups(bytes, spans, bounds, 0, 256);
}

}  // namespace quillet
