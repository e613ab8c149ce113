// The INI blocks: their keys and names, looking names up, following edits,
// and packing texts and names again when replaced ones outweigh the rest.
#include "ini/ini_blocks.h"

#include <algorithm>
#include <functional>
#include <type_traits>

#include "text/byte_scan.h"
#include "text/line_cursor.h"

namespace quillet {
namespace {

std::size_t hashKey(std::string_view key)
{
    return std::hash<std::string_view>()(key);
}

// Where the first "]" of the block's first line stands, or none when that
// line has none. Without lead bytes the line ends at the first "\n", so the
// first of the two bytes decides.
std::size_t headerClose(std::string_view block, const CodePage& codePage)
{
    const char* data = block.data();
    const std::size_t size = block.size();
    if (!codePage.anyLeads()) {
        const std::size_t at = scan::findEitherByte(data, 0, size, ']', '\n');
        return at < size && data[at] == ']' ? at : IniBlocks::none;
    }
    const std::size_t end = lineEnd(data, 0, size, codePage);
    const std::size_t close = scan::findByte(data, 0, end, ']');
    return close < end ? close : IniBlocks::none;
}

}  // namespace

void IniBlocks::describe(Block& block, const CodePage& codePage)
{
    const std::string_view text = block.text;
    block.keyLength = none;
    block.keyHash = 0;
    if (!text.empty() && text[0] == '[') {
        const std::size_t close = scan::findByte(text.data(), 1, text.size(), ']');
        if (close < text.size()) {
            block.keyLength = close - 1;
            block.keyHash = hashKey(text.substr(1, block.keyLength));
        }
    }
    const std::size_t close = headerClose(text, codePage);
    block.nameAt = names_.size();
    block.nameLength = none;
    if (close == none) return;
    // A header renamed into "]..." has no byte before its "]".
    block.nameLength = close > 0 ? close - 1 : 0;
    if (names_.capacity() - names_.size() < block.nameLength)
        scan::reserveLarge(names_, std::max(2 * names_.capacity(), names_.size() + block.nameLength));
    names_.append(text.data() + (close > 0 ? 1 : 0), block.nameLength);
}

void IniBlocks::clear() noexcept
{
    blocks_.clear();
    arena_.reuse();
    deadBytes_ = 0;
    names_.clear();
    deadNameBytes_ = 0;
    slots_.clear();
}

void IniBlocks::expect(std::size_t bytes)
{
    // Sections are seldom shorter than this: the list then grows without
    // copying itself again and again.
    const std::size_t shortSection = 256;
    arena_.expect(bytes);
    scan::reserveLarge(blocks_, std::min<std::size_t>(bytes / shortSection, std::size_t(1) << 22));
    // Names are a small share of a file: room for them too, untouched
    // until used, so that the names of a large file are not copied again
    // and again as they grow.
    const std::size_t nameShare = 16;
    scan::reserveLarge(names_, bytes / nameShare);
}

void IniBlocks::append(const CodePage& codePage)
{
    if (blocks_.empty()) namesUnder_ = codePage.generation();
    scan::roomForOne(blocks_);
    blocks_.push_back({arena_.close(), none, 0, 0, none});
    describe(blocks_.back(), codePage);
    slots_.clear();
}

void IniBlocks::appendCopy(std::string_view text, const CodePage& codePage)
{
    arena_.add(text);
    append(codePage);
}

void IniBlocks::replace(std::size_t position, std::string_view text, const CodePage& codePage)
{
    if (namesUnder_ != codePage.generation()) renameAll(codePage);
    // Worked out apart, so that running out of memory leaves the block as
    // it was.
    const Block before = blocks_[position];
    Block block = before;
    block.text = arena_.keep(text);
    describe(block, codePage);
    blocks_[position] = block;
    deadBytes_ += before.text.size();
    if (before.nameLength != none) deadNameBytes_ += before.nameLength;
    // Another key, or none where there was one: the first block of a key
    // may have changed.
    if (before.keyLength != block.keyLength ||
        (block.keyLength != none && before.text.substr(1, before.keyLength) != block.text.substr(1, block.keyLength)))
        slots_.clear();
    // Packing is only for memory: the edit stands even when it cannot be done.
    try {
        if (deadNameBytes_ > names_.size() / 2) packNames();
        if (deadBytes_ > arena_.used() / 2 + (1 << 20)) packTexts();
    } catch (...) {
    }
}

void IniBlocks::move(std::size_t from, std::size_t to) noexcept
{
    static_assert(std::is_trivially_copyable<Block>::value, "a move shifts blocks as bytes");
    // The blocks between shift by one place as plain bytes (std::rotate
    // would take them through swaps).
    const Block moved = blocks_[from];
    if (from < to)
        std::copy(blocks_.begin() + from + 1, blocks_.begin() + to + 1, blocks_.begin() + from);
    else
        std::copy_backward(blocks_.begin() + to, blocks_.begin() + from, blocks_.begin() + from + 1);
    blocks_[to] = moved;
    slots_.clear();
}

void IniBlocks::renameAll(const CodePage& codePage)
{
    names_.clear();
    deadNameBytes_ = 0;
    for (Block& block : blocks_) describe(block, codePage);
    namesUnder_ = codePage.generation();
}

void IniBlocks::packNames()
{
    std::string packed;
    packed.reserve(names_.size() - deadNameBytes_);
    for (Block& block : blocks_) {
        const std::size_t at = packed.size();
        if (block.nameLength != none) packed.append(names_, block.nameAt, block.nameLength);
        block.nameAt = at;
    }
    names_.swap(packed);
    deadNameBytes_ = 0;
}

void IniBlocks::packTexts()
{
    // Costs as much as the live texts, and comes only when the replaced ones
    // are more: each byte is copied a bounded number of times.
    TextArena packed;
    packed.expect(arena_.used() - deadBytes_);
    std::vector<std::string_view> texts;
    texts.reserve(blocks_.size());
    for (const Block& block : blocks_) texts.push_back(packed.keep(block.text));
    for (std::size_t i = 0; i < blocks_.size(); ++i) blocks_[i].text = texts[i];
    arena_ = std::move(packed);
    deadBytes_ = 0;
}

bool IniBlocks::hasKey(const Block& block, std::string_view key, std::size_t hash) const
{
    return block.keyHash == hash && block.keyLength == key.size() && block.text.substr(1, key.size()) == key;
}

void IniBlocks::buildSlots()
{
    std::size_t capacity = 16;
    while (capacity < 2 * blocks_.size()) capacity *= 2;
    slots_.assign(capacity, 0);
    const std::size_t mask = capacity - 1;
    for (std::size_t pos = 0; pos < blocks_.size(); ++pos) {
        const Block& block = blocks_[pos];
        if (block.keyLength == none) continue;
        const std::string_view key = block.text.substr(1, block.keyLength);
        for (std::size_t s = block.keyHash & mask;; s = (s + 1) & mask) {
            if (slots_[s] == 0) {
                slots_[s] = pos + 1;
                break;
            }
            if (hasKey(blocks_[slots_[s] - 1], key, block.keyHash)) break;  // an earlier block has this key
        }
    }
}

std::size_t IniBlocks::find(const std::string& name, const CodePage&)
{
    if (name.find(']') != std::string::npos) {
        // The key of a block ends at its first "]": only a walk finds these.
        const std::string prefix = "[" + name + "]";
        for (std::size_t pos = 0; pos < blocks_.size(); ++pos)
            if (blocks_[pos].text.substr(0, prefix.size()) == prefix) return pos;
        return none;
    }
    if (blocks_.empty()) return none;
    if (slots_.empty()) buildSlots();
    const std::size_t hash = hashKey(name), mask = slots_.size() - 1;
    for (std::size_t s = hash & mask; slots_[s] != 0; s = (s + 1) & mask)
        if (hasKey(blocks_[slots_[s] - 1], name, hash)) return slots_[s] - 1;
    return none;
}

void IniBlocks::appendNames(std::string& list, const CodePage& codePage)
{
    if (namesUnder_ != codePage.generation()) renameAll(codePage);
    for (std::size_t pos = 1; pos < blocks_.size(); ++pos) {
        const Block& block = blocks_[pos];
        if (block.nameLength == none) continue;
        if (!list.empty()) list.push_back('\n');
        list.append(names_, block.nameAt, block.nameLength);
    }
}

}  // namespace quillet
