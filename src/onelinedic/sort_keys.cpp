// Word-sort items by their keys: the radix sort, with an insertion sort for
// short ranges, and the gathering of the copies of short texts.
#include "onelinedic/sort_keys.h"

#include <algorithm>

#include "text/byte_scan.h"

namespace quillet {
namespace {

// Byte `level` of the key (0: the most significant, 11: the count).
unsigned byteOf(const SortItem& item, unsigned level)
{
    return level < 8 ? static_cast<unsigned>(item.high >> (8 * (7 - level))) & 0xFF
                     : static_cast<unsigned>(item.low >> (8 * (11 - level))) & 0xFF;
}

// How many items ahead the table slot of a key is asked for: the table
// is too large for the nearest cache.
const std::size_t slotsAhead = 32;

// The table slot where gatherCopies looks for item's key first, for a table
// of 2^(64 - shift) slots.
std::size_t slotOf(const SortItem& item, unsigned shift)
{
    const std::uint64_t mixed = (item.high ^ std::uint64_t(item.low) * 0x9E3779B97F4A7C15u) * 0xFF51AFD7ED558CCDu;
    return static_cast<std::size_t>(mixed >> shift);
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

void gatherCopies(std::vector<SortItem>& items, std::vector<std::uint32_t>& copies,
                  std::vector<std::uint32_t>& slots)
{
    const std::size_t n = items.size();
    unsigned bits = 1;
    while ((std::size_t(1) << bits) < 2 * n) ++bits;
    const std::uint32_t empty = UINT32_MAX;  // no item stays there: n fits in 32 bits
    slots.assign(std::size_t(1) << bits, empty);
    const std::size_t mask = slots.size() - 1;
    const unsigned shift = 64 - bits;
    copies.assign(n, 1);
    std::size_t kept = 0;
    for (std::size_t i = 0; i < n; ++i) {
        if (i + slotsAhead < n) scan::prefetch(&slots[slotOf(items[i + slotsAhead], shift)]);
        const SortItem item = items[i];
        if ((item.low & 0xFF) < keyBytes) {
            std::size_t s = slotOf(item, shift);
            while (slots[s] != empty && !sameKey(items[slots[s]], item)) s = (s + 1) & mask;
            if (slots[s] != empty) {
                ++copies[items[slots[s]].position];
                continue;
            }
            slots[s] = static_cast<std::uint32_t>(kept);
        }
        items[kept++] = item;
    }
    items.resize(kept);
}

}  // namespace quillet
