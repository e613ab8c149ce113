// The radix sort of word-sort items by their keys, with an insertion sort
// for short ranges.
#include "onelinedic/sort_keys.h"

#include <algorithm>
#include <utility>

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

}  // namespace quillet
