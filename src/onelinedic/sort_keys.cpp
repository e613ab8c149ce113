// The radix sort of word-sort items by their keys, with an insertion sort
// for short ranges.
#include "onelinedic/sort_keys.h"

#include <algorithm>

namespace quillet {
namespace {

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

}  // namespace

void radixSortByKey(SortItem* first, SortItem* last, std::vector<KeyRange>& pending, SortItem* room)
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
        // Each item is copied to the next free place of its bucket in the
        // room, and the range copied back whole: plain stores, where swapping
        // items along cycles in place makes each move wait on the last.
        // Only the buckets between the lowest and the highest byte are
        // walked: small ranges hold few byte values.
        SortItem* next[256];
        SortItem* at = room;
        for (unsigned b = lowest; b <= highest; ++b) {
            next[b] = at;
            at += count[b];
        }
        for (const SortItem* i = range.first; i < range.last; ++i) *next[byteOf(*i, range.level)]++ = *i;
        std::copy(room, at, range.first);
        if (range.level == keyBytes) continue;
        SortItem* from = range.first;
        for (unsigned b = lowest; b <= highest; ++b) {
            if (count[b] > 1) pending.push_back({from, from + count[b], range.level + 1});
            from += count[b];
        }
    }
}

}  // namespace quillet
