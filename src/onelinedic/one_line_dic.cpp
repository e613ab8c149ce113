// The one-line dictionary: a word list filled from files and strings, put in
// byte order, freed of adjacent repeats and written as a "[word]" section.
#include "onelinedic/one_line_dic.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

#include "frame/export.h"
#include "text/line_blocks.h"
#include "text/text_file.h"

namespace {

// The bytes of a key after the length byte: a key holds this many text bytes.
const std::size_t keyBytes = 7;

// An entry while it is sorted: a number that orders like its next bytes, and
// the entry's position in the store.
struct SortItem {
    std::uint64_t key;
    std::size_t position;
};

// Up to seven bytes of text from depth on, zero-padded, then how many there
// were. Keys order as the texts do as far as they reach; equal keys whose
// count is under seven belong to equal texts.
std::uint64_t keyAt(const std::string& text, std::size_t depth)
{
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text.data()) + depth;
    std::size_t left = text.size() - depth;
    std::size_t take = left < keyBytes ? left : keyBytes;
    std::uint64_t key = 0;
    for (std::size_t i = 0; i < take; ++i) key |= std::uint64_t(p[i]) << (8 * (keyBytes - i));
    return key | take;
}

// Byte of the key that decides at radix level `level` (0: the most significant).
inline unsigned byteOf(std::uint64_t key, unsigned level)
{
    return static_cast<unsigned>(key >> (8 * (7 - level))) & 0xFF;
}

void insertionSortByKey(SortItem* first, SortItem* last)
{
    for (SortItem* i = first + 1; i < last; ++i) {
        SortItem item = *i;
        SortItem* j = i;
        for (; j > first && (j - 1)->key > item.key; --j) *j = *(j - 1);
        *j = item;
    }
}

// Sorts items by key in place: most significant byte first, one byte per
// level, each bucket swapped into place (no second buffer).
void radixSortByKey(SortItem* first, SortItem* last, unsigned level)
{
    struct Pending {
        SortItem* first;
        SortItem* last;
        unsigned level;
    };
    std::vector<Pending> pending{{first, last, level}};
    while (!pending.empty()) {
        Pending range = pending.back();
        pending.pop_back();
        std::size_t n = static_cast<std::size_t>(range.last - range.first);
        if (n < 48) {
            insertionSortByKey(range.first, range.last);
            continue;
        }
        std::size_t count[256] = {};
        for (SortItem* i = range.first; i < range.last; ++i) ++count[byteOf(i->key, range.level)];
        SortItem* bucketEnd[256];
        SortItem* next[256];
        SortItem* at = range.first;
        for (unsigned b = 0; b < 256; ++b) {
            next[b] = at;
            at += count[b];
            bucketEnd[b] = at;
        }
        // Each item goes to the next free place of its bucket; the item found
        // there moves on in its turn.
        for (unsigned b = 0; b < 256; ++b) {
            while (next[b] < bucketEnd[b]) {
                SortItem item = *next[b];
                unsigned d = byteOf(item.key, range.level);
                while (d != b) {
                    std::swap(item, *next[d]++);
                    d = byteOf(item.key, range.level);
                }
                *next[b]++ = item;
            }
        }
        if (range.level == 7) continue;
        SortItem* from = range.first;
        for (unsigned b = 0; b < 256; ++b) {
            if (count[b] > 1) pending.push_back({from, from + count[b], range.level + 1});
            from += count[b];
        }
    }
}

// How many items ahead the scattered reads of texts are started: the items
// are independent, so many reads can be under way at once.
const std::size_t ahead = 32;

// Sets the keys of items[first, last) to those of their texts from depth on.
// The reads for the items that follow `last` are started too: they are the
// next to be filled (or harmlessly idle).
void fillKeys(std::vector<SortItem>& items, std::size_t first, std::size_t last,
              const std::vector<std::string*>& texts, std::size_t depth)
{
    const std::size_t n = items.size();
    for (std::size_t i = first; i < last; ++i) {
        if (i + 3 * ahead < n) __builtin_prefetch(&texts[items[i + 3 * ahead].position]);
        if (i + 2 * ahead < n) __builtin_prefetch(texts[items[i + 2 * ahead].position]);
        if (i + ahead < n) __builtin_prefetch(texts[items[i + ahead].position]->data());
        items[i].key = keyAt(*texts[items[i].position], depth);
    }
}

// Runs of equal keys up to this size (most often repeats of one word) are
// finished by comparing their texts, not by further rounds of keys.
const std::size_t smallRun = 8;

// Whether text a sorts before text b, both known to agree before depth.
bool tailLess(const std::string& a, const std::string& b, std::size_t depth)
{
    std::size_t common = (a.size() < b.size() ? a.size() : b.size()) - depth;
    int order = std::memcmp(a.data() + depth, b.data() + depth, common);
    return order != 0 ? order < 0 : a.size() < b.size();
}

void sortTails(SortItem* first, SortItem* last, const std::vector<std::string*>& texts,
               std::size_t depth)
{
    for (SortItem* i = first + 1; i < last; ++i) {
        SortItem item = *i;
        const std::string& text = *texts[item.position];
        SortItem* j = i;
        for (; j > first && tailLess(text, *texts[(j - 1)->position], depth); --j) *j = *(j - 1);
        *j = item;
    }
}

// Puts items in the byte order of the texts at their positions: keys from
// depth 0, then, for each run of equal keys that may differ further on, keys
// seven bytes deeper.
void sortItems(std::vector<SortItem>& items, const std::vector<std::string*>& texts)
{
    struct Pending {
        std::size_t first, last, depth;
    };
    std::vector<Pending> pending{{0, items.size(), 0}};
    while (!pending.empty()) {
        Pending range = pending.back();
        pending.pop_back();
        if (range.last - range.first <= smallRun) {
            sortTails(items.data() + range.first, items.data() + range.last, texts, range.depth);
            continue;
        }
        fillKeys(items, range.first, range.last, texts, range.depth);
        radixSortByKey(items.data() + range.first, items.data() + range.last, 0);
        // Pushed from the back, so that ranges are taken in ascending order.
        for (std::size_t j = range.last; j > range.first;) {
            std::size_t i = j - 1;
            while (i > range.first && items[i - 1].key == items[j - 1].key) --i;
            if (j - i > 1 && (items[i].key & 0xFF) == keyBytes)
                pending.push_back({i, j, range.depth + keyBytes});
            j = i;
        }
    }
}

// Moves the k-th text of the order into the k-th node, for every k, by
// exchanging texts between nodes (no text is copied). The keys are spent by
// now; each item's key field keeps the rank of the text that its position
// holds at present, and its position field where the text of its rank is.
void applyOrder(std::vector<SortItem>& items, const std::vector<std::string*>& texts)
{
    const std::size_t n = items.size();
    for (std::size_t rank = 0; rank < n; ++rank) items[items[rank].position].key = rank;
    for (std::size_t k = 0; k < n; ++k) {
        if (k + 2 * ahead < n) __builtin_prefetch(&texts[items[k + 2 * ahead].position]);
        if (k + ahead < n) {
            std::size_t soon = items[k + ahead].position;
            __builtin_prefetch(texts[soon]);
            __builtin_prefetch(&items[soon], 1);
            __builtin_prefetch(&items[static_cast<std::size_t>(items[k + ahead].key)], 1);
        }
        std::size_t from = items[k].position;
        if (from == k) continue;
        texts[k]->swap(*texts[from]);
        std::size_t displaced = static_cast<std::size_t>(items[k].key);
        items[displaced].position = from;
        items[from].key = displaced;
    }
}

}  // namespace

void sortEntries(Store& store)
{
    if (store.size() < 2) return;
    std::vector<std::string*> texts;
    std::vector<SortItem> items;
    texts.reserve(store.size());
    items.reserve(store.size());
    for (std::string& entry : store) {
        items.push_back({0, texts.size()});
        texts.push_back(&entry);
    }
    sortItems(items, texts);
    // The texts move, not the nodes: the nodes stay in the order in which
    // they lie in memory, so later walks over the sorted list stay fast.
    applyOrder(items, texts);
}

int writeWordSection(const Store& store, const char* fileName, const std::string& prefix)
{
    // Sized first: growing a text of millions of words step by step costs
    // more than this walk.
    std::size_t size = 0;
    for (const std::string& entry : store)
        if (hasPrefix(entry, prefix)) size += entry.size() + 1;
    std::string words;
    words.reserve(size);
    for (const std::string& entry : store) {
        if (!hasPrefix(entry, prefix)) continue;
        words += entry;
        words += '\n';
    }
    return formatNumberedList("[word]", fileName, words, false, false);
}

extern "C" QUILLET_API int QUILLET_CALL appendFileToOneLineDic(const char* fileName)
{
    return guarded(0, [&] { return readFileLines(fileName, oneLineDic) ? 1 : 0; });
}
QUILLET_TWIN(int, appendFileToOneLineDic, (const char* fileName));

extern "C" QUILLET_API int QUILLET_CALL appendToOneLineDic(const char* text)
{
    return guarded(0, [&] {
        oneLineDic.emplace_back(text);
        return 1;
    });
}
QUILLET_TWIN(int, appendToOneLineDic, (const char* text));

extern "C" QUILLET_API int QUILLET_CALL clearOneLineDic()
{
    return guarded(0, [&] {
        oneLineDic.clear();
        return 1;
    });
}
QUILLET_TWIN(int, clearOneLineDic, ());

extern "C" QUILLET_API int QUILLET_CALL uniqueOneLineDic()
{
    return guarded(0, [&] {
        oneLineDic.unique();
        return 1;
    });
}
QUILLET_TWIN(int, uniqueOneLineDic, ());

extern "C" QUILLET_API int QUILLET_CALL sortOneLineDic()
{
    // The store is only relinked once the order is known, so a failure
    // leaves it as it was.
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
