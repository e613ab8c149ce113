// The section index: describing blocks, looking names up, following edits.
#include "ini/section_index.h"

#include <algorithm>
#include <functional>
#include <string_view>
#include <type_traits>

#include "text/byte_scan.h"
#include "text/line_cursor.h"
#include "text/string_ops.h"

namespace quillet {
namespace {

const std::size_t npos = std::string::npos;

std::size_t hashKey(const char* data, std::size_t size)
{
    return std::hash<std::string_view>()(std::string_view(data, size));
}

// Where the first "]" of the block's first line stands, or npos when that
// line has none. Without lead bytes the line ends at the first "\n", so the
// first of the two bytes decides.
std::size_t headerClose(const std::string& block, const CodePage& codePage)
{
    const char* data = block.data();
    const std::size_t size = block.size();
    if (!codePage.anyLeads()) {
        const std::size_t at = scan::findEitherByte(data, 0, size, ']', '\n');
        return at < size && data[at] == ']' ? at : npos;
    }
    const std::size_t end = lineEnd(data, 0, size, codePage);
    const std::size_t close = scan::findByte(data, 0, end, ']');
    return close < end ? close : npos;
}

}  // namespace

void SectionIndex::describe(const std::string& block, Entry& entry, const CodePage& codePage)
{
    entry.keyLength = npos;
    entry.keyHash = 0;
    if (!block.empty() && block[0] == '[') {
        const std::size_t close = scan::findByte(block.data(), 1, block.size(), ']');
        if (close < block.size()) {
            entry.keyLength = close - 1;
            entry.keyHash = hashKey(block.data() + 1, entry.keyLength);
        }
    }
    const std::size_t close = headerClose(block, codePage);
    entry.nameAt = nameBytes_.size();
    entry.nameLength = npos;
    if (close == npos) return;
    // A header renamed into "]..." has no byte before its "]".
    entry.nameLength = close > 0 ? close - 1 : 0;
    nameBytes_.append(block, close > 0 ? 1 : 0, entry.nameLength);
}

void SectionIndex::packNames()
{
    std::string packed;
    packed.reserve(nameBytes_.size() - unusedNameBytes_);
    for (Entry& entry : blocks_) {
        const std::size_t at = packed.size();
        if (entry.nameLength != npos) packed.append(nameBytes_, entry.nameAt, entry.nameLength);
        entry.nameAt = at;
    }
    nameBytes_.swap(packed);
    unusedNameBytes_ = 0;
}

bool SectionIndex::hasKey(const Entry& entry, const char* data, std::size_t size, std::size_t hash) const
{
    return entry.keyHash == hash && entry.keyLength == size && entry.node->compare(1, size, data, size) == 0;
}

void SectionIndex::add(const std::string& block, const CodePage& codePage)
{
    blocks_.emplace_back();
    describe(block, blocks_.back(), codePage);
}

void SectionIndex::restart() noexcept
{
    forget();
    blocks_.clear();
    nameBytes_.clear();
    unusedNameBytes_ = 0;
}

void SectionIndex::forget() noexcept
{
    upToDate_ = false;
    slots_.clear();
}

void SectionIndex::describes(const Store& store, const CodePage& codePage) noexcept
{
    upToDate_ = blocks_.size() == store.size();
    namesUnder_ = codePage.generation();
    slots_.clear();
}

void SectionIndex::refresh(Store& store, const CodePage& codePage)
{
    if (upToDate_ && namesUnder_ == codePage.generation() && blocks_.size() == store.size()) return;
    restart();
    blocks_.reserve(store.size());
    for (auto it = store.begin(); it != store.end(); ++it) {
        add(*it, codePage);
        blocks_.back().node = it;
    }
    describes(store, codePage);
}

void SectionIndex::buildSlots()
{
    std::size_t capacity = 16;
    while (capacity < 2 * blocks_.size()) capacity *= 2;
    slots_.assign(capacity, 0);
    const std::size_t mask = capacity - 1;
    for (std::size_t pos = 0; pos < blocks_.size(); ++pos) {
        const Entry& entry = blocks_[pos];
        if (entry.keyLength == npos) continue;
        for (std::size_t s = entry.keyHash & mask;; s = (s + 1) & mask) {
            if (slots_[s] == 0) {
                slots_[s] = pos + 1;
                break;
            }
            if (hasKey(blocks_[slots_[s] - 1], entry.node->data() + 1, entry.keyLength, entry.keyHash))
                break;  // an earlier block has this key
        }
    }
}

Store::iterator SectionIndex::find(Store& store, const std::string& name, const CodePage& codePage,
                                   std::size_t* position)
{
    refresh(store, codePage);
    std::size_t found = blocks_.size();
    if (name.find(']') != npos) {
        // The key of a block ends at its first "]": only a walk finds these.
        const std::string prefix = "[" + name + "]";
        for (std::size_t pos = 0; pos < blocks_.size(); ++pos)
            if (hasPrefix(*blocks_[pos].node, prefix)) {
                found = pos;
                break;
            }
    } else {
        if (slots_.empty()) buildSlots();
        const std::size_t hash = hashKey(name.data(), name.size()), mask = slots_.size() - 1;
        for (std::size_t s = hash & mask; slots_[s] != 0; s = (s + 1) & mask)
            if (hasKey(blocks_[slots_[s] - 1], name.data(), name.size(), hash)) {
                found = slots_[s] - 1;
                break;
            }
    }
    if (position) *position = found;
    return found < blocks_.size() ? blocks_[found].node : store.end();
}

void SectionIndex::changed(std::size_t position, const std::string& before, const CodePage& codePage) noexcept
{
    if (!upToDate_) return;
    try {
        Entry& entry = blocks_[position];
        const bool keyWas = entry.keyLength != npos;
        const std::size_t oldLength = entry.keyLength;
        if (entry.nameLength != npos) unusedNameBytes_ += entry.nameLength;
        describe(*entry.node, entry, codePage);
        if (unusedNameBytes_ > nameBytes_.size() / 2) packNames();
        const bool keyIs = entry.keyLength != npos;
        // Another key, or none where there was one: the first block of a key
        // may have changed.
        if (keyWas != keyIs ||
            (keyIs && (oldLength != entry.keyLength || before.compare(1, oldLength, *entry.node, 1, oldLength) != 0)))
            slots_.clear();
    } catch (...) {
        // Out of memory for a name: the change itself is made, so the next
        // query works the index out again instead.
        forget();
    }
}

void SectionIndex::moved(std::size_t from, std::size_t to) noexcept
{
    if (!upToDate_) return;
    static_assert(std::is_trivially_copyable<Entry>::value, "a move shifts index entries as bytes");
    // The entries between shift by one place as plain bytes (std::rotate
    // would take them through swaps).
    auto& v = blocks_;
    const Entry moved = v[from];
    if (from < to)
        std::copy(v.begin() + from + 1, v.begin() + to + 1, v.begin() + from);
    else
        std::copy_backward(v.begin() + to, v.begin() + from, v.begin() + from + 1);
    v[to] = moved;
    slots_.clear();
}

void SectionIndex::appendNames(Store& store, const CodePage& codePage, std::string& list)
{
    refresh(store, codePage);
    for (std::size_t pos = 1; pos < blocks_.size(); ++pos) {
        const Entry& entry = blocks_[pos];
        if (entry.nameLength == npos) continue;
        if (!list.empty()) list.push_back('\n');
        list.append(nameBytes_, entry.nameAt, entry.nameLength);
    }
}

}  // namespace quillet
