#include "ini/section_index.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <string_view>
#include <type_traits>

#include "ini/ini_store.h"
#include "text/code_page.h"
#include "text/line_blocks.h"

#if defined(__SSE2__) && defined(__GNUC__)
#include <emmintrin.h>
#endif

static_assert(std::is_trivially_copyable<IndexedBlock>::value, "a move shifts index entries as bytes");

namespace {

SectionIndex current;
bool upToDate = false;     // current describes iniSections block for block
unsigned namesUnder = 0;   // leadByteChanges when current's names were worked out
// Open addressing over current.blocks: position + 1 of the first block with
// each key (0: an empty slot). Empty until a lookup needs it after a change.
std::vector<std::size_t> slots;

std::size_t hashKey(const char* data, std::size_t size)
{
    return std::hash<std::string_view>()(std::string_view(data, size));
}

// Where the first "]" of the block's first line stands, or npos when that
// line has none. Without lead bytes the line ends at the first "\n", so the
// first of the two bytes decides, found sixteen bytes at a time.
std::size_t headerClose(const std::string& block)
{
    const char* data = block.data();
    const std::size_t size = block.size();
    if (!anyLeadBytes) {
        std::size_t from = 0;
#if defined(__SSE2__) && defined(__GNUC__)
        const __m128i close = _mm_set1_epi8(']'), lineFeed = _mm_set1_epi8('\n');
        for (; size - from >= 16; from += 16) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + from));
            const unsigned mask = static_cast<unsigned>(
                _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(v, close), _mm_cmpeq_epi8(v, lineFeed))));
            if (mask != 0) {
                const std::size_t at = from + static_cast<std::size_t>(__builtin_ctz(mask));
                return data[at] == ']' ? at : std::string::npos;
            }
        }
#endif
        for (; from < size; ++from)
            if (data[from] == ']' || data[from] == '\n') return data[from] == ']' ? from : std::string::npos;
        return std::string::npos;
    }
    const std::size_t lineEnd = lineEndIn(block, 0);
    const void* close = std::memchr(data, ']', lineEnd);
    return close ? static_cast<const char*>(close) - data : std::string::npos;
}

// The key and listed name of block, into entry and index.nameBytes.
void describeBlock(const std::string& block, IndexedBlock& entry, SectionIndex& index)
{
    entry.keyLength = std::string::npos;
    entry.keyHash = 0;
    if (!block.empty() && block[0] == '[') {
        const void* close = std::memchr(block.data() + 1, ']', block.size() - 1);
        if (close) {
            entry.keyLength = static_cast<std::size_t>(static_cast<const char*>(close) - block.data()) - 1;
            entry.keyHash = hashKey(block.data() + 1, entry.keyLength);
        }
    }
    const std::size_t close = headerClose(block);
    entry.nameAt = index.nameBytes.size();
    entry.nameLength = std::string::npos;
    if (close == std::string::npos) return;
    // A header renamed into "]..." has no byte before its "]".
    entry.nameLength = close > 0 ? close - 1 : 0;
    index.nameBytes.append(block, close > 0 ? 1 : 0, entry.nameLength);
}

// Packs index.nameBytes again without the names that blocks have lost.
void packNames(SectionIndex& index)
{
    std::string packed;
    packed.reserve(index.nameBytes.size() - index.unusedNameBytes);
    for (IndexedBlock& entry : index.blocks) {
        const std::size_t at = packed.size();
        if (entry.nameLength != std::string::npos) packed.append(index.nameBytes, entry.nameAt, entry.nameLength);
        entry.nameAt = at;
    }
    index.nameBytes.swap(packed);
    index.unusedNameBytes = 0;
}

// Whether the block of entry has the key data[0, size), of that hash.
bool hasKey(const IndexedBlock& entry, const char* data, std::size_t size, std::size_t hash)
{
    return entry.keyHash == hash && entry.keyLength == size && entry.node->compare(1, size, data, size) == 0;
}

// Makes current describe iniSections, walking the store, unless it does.
void refresh()
{
    if (upToDate && namesUnder == leadByteChanges && current.blocks.size() == iniSections.size()) return;
    SectionIndex fresh;
    fresh.blocks.reserve(iniSections.size());
    for (auto it = iniSections.begin(); it != iniSections.end(); ++it) {
        indexBlock(fresh, *it);
        fresh.blocks.back().node = it;
    }
    useSectionIndex(fresh);
}

// Fills slots for current: the first position of every key.
void buildSlots()
{
    std::size_t capacity = 16;
    while (capacity < 2 * current.blocks.size()) capacity *= 2;
    slots.assign(capacity, 0);
    const std::size_t mask = capacity - 1;
    for (std::size_t pos = 0; pos < current.blocks.size(); ++pos) {
        const IndexedBlock& entry = current.blocks[pos];
        if (entry.keyLength == std::string::npos) continue;
        for (std::size_t s = entry.keyHash & mask;; s = (s + 1) & mask) {
            if (slots[s] == 0) {
                slots[s] = pos + 1;
                break;
            }
            if (hasKey(current.blocks[slots[s] - 1], entry.node->data() + 1, entry.keyLength, entry.keyHash))
                break;  // an earlier block has this key
        }
    }
}

}  // namespace

void indexBlock(SectionIndex& index, const std::string& block)
{
    index.blocks.emplace_back();
    describeBlock(block, index.blocks.back(), index);
}

void useSectionIndex(SectionIndex& index) noexcept
{
    std::swap(current, index);
    slots.clear();
    upToDate = true;
    namesUnder = leadByteChanges;
}

void reclaimSectionIndex(SectionIndex& spare) noexcept
{
    forgetSectionIndex();
    std::swap(current, spare);
    spare.blocks.clear();
    spare.nameBytes.clear();
    spare.unusedNameBytes = 0;
}

void forgetSectionIndex() noexcept
{
    upToDate = false;
    slots.clear();
}

Store::iterator findSectionBlock(const std::string& name, std::size_t* position)
{
    refresh();
    std::size_t found = current.blocks.size();
    if (name.find(']') != std::string::npos) {
        // The key of a block ends at its first "]": only a walk finds these.
        const std::string prefix = "[" + name + "]";
        for (std::size_t pos = 0; pos < current.blocks.size(); ++pos)
            if (hasPrefix(*current.blocks[pos].node, prefix)) {
                found = pos;
                break;
            }
    } else {
        if (slots.empty()) buildSlots();
        const std::size_t hash = hashKey(name.data(), name.size()), mask = slots.size() - 1;
        for (std::size_t s = hash & mask; slots[s] != 0; s = (s + 1) & mask)
            if (hasKey(current.blocks[slots[s] - 1], name.data(), name.size(), hash)) {
                found = slots[s] - 1;
                break;
            }
    }
    if (position) *position = found;
    return found < current.blocks.size() ? current.blocks[found].node : iniSections.end();
}

void sectionChanged(std::size_t position, const std::string& before) noexcept
{
    if (!upToDate) return;
    try {
        IndexedBlock& entry = current.blocks[position];
        const bool keyWas = entry.keyLength != std::string::npos;
        const std::size_t oldLength = entry.keyLength;
        if (entry.nameLength != std::string::npos) current.unusedNameBytes += entry.nameLength;
        describeBlock(*entry.node, entry, current);
        if (current.unusedNameBytes > current.nameBytes.size() / 2) packNames(current);
        const bool keyIs = entry.keyLength != std::string::npos;
        // Another key, or none where there was one: the first block of a key
        // may have changed.
        if (keyWas != keyIs || (keyIs && (oldLength != entry.keyLength ||
                                          before.compare(1, oldLength, *entry.node, 1, oldLength) != 0)))
            slots.clear();
    } catch (...) {
        // Out of memory for a name: the change itself is made, so the next
        // query works the index out again instead.
        forgetSectionIndex();
    }
}

void sectionMoved(std::size_t from, std::size_t to) noexcept
{
    if (!upToDate) return;
    // The entries between shift by one place as plain bytes (std::rotate
    // would take them through swaps, iterators not being plain data).
    auto& v = current.blocks;
    const IndexedBlock moved = v[from];
    if (from < to)
        std::copy(v.begin() + from + 1, v.begin() + to + 1, v.begin() + from);
    else
        std::copy_backward(v.begin() + to, v.begin() + from, v.begin() + from + 1);
    v[to] = moved;
    slots.clear();
}

void appendSectionNames(std::string& list)
{
    refresh();
    for (std::size_t pos = 1; pos < current.blocks.size(); ++pos) {
        const IndexedBlock& entry = current.blocks[pos];
        if (entry.nameLength == std::string::npos) continue;
        if (!list.empty()) list.push_back('\n');
        list.append(current.nameBytes, entry.nameAt, entry.nameLength);
    }
}
