// The INI store's operations: loading, listing sections and keys, renaming
// sections and keys, moving sections. Each keeps the index up to date.
#include "ini/ini_store.h"

#include <iterator>

#include "text/byte_scan.h"
#include "text/line_cursor.h"

namespace quillet {
namespace {

// Adds item to a list whose items are separated by "\n". An empty item at
// the very start leaves no trace.
void appendListItem(std::string& list, const char* item, std::size_t size)
{
    if (!list.empty()) list.push_back('\n');
    list.append(item, size);
}

// Whether block[begin, end) is a line of key: it begins with key and the
// byte after the key is a tab, a blank or "=".
bool isKeyLine(const std::string& block, const Line& line, const std::string& key)
{
    if (line.end - line.begin <= key.size() || block.compare(line.begin, key.size(), key) != 0) return false;
    const char next = block[line.begin + key.size()];
    return next == '\t' || next == ' ' || next == '=';
}

// block with the key at the start of line replaced by newKey. A line without
// a real "\n" after it gets one after the new key.
std::string withKeyRenamed(const std::string& block, const Line& line, std::size_t oldKeySize,
                           const std::string& newKey)
{
    std::string renamed;
    renamed.reserve(block.size() - oldKeySize + newKey.size() + 1);
    renamed.append(block, 0, line.begin);
    renamed += newKey;
    renamed.append(block, line.begin + oldKeySize, line.end - line.begin - oldKeySize);
    renamed.push_back('\n');
    if (line.end < block.size()) renamed.append(block, line.end + 1, std::string::npos);
    return renamed;
}

// The element at index i of store (i == size: end()), reached from the
// nearer end: the last sections are found without a walk over all the others.
Store::iterator elementAt(Store& store, std::size_t i)
{
    const std::size_t size = store.size();
    return i <= size / 2 ? std::next(store.begin(), static_cast<std::ptrdiff_t>(i))
                         : std::prev(store.end(), static_cast<std::ptrdiff_t>(size - i));
}

}  // namespace

int IniStore::load(const char* fileName, const CodePage& codePage, std::size_t pieceSize)
{
    // Emptied before anything can fail, and filled only once whole: a failed
    // load leaves the store empty, never holding part of a file. The old
    // blocks lend their room to the new ones, and the old index its room to
    // the new one.
    Store old;
    old.swap(blocks_);
    index_.restart();
    Store loaded;
    try {
        if (!loadINIBlocks(fileName, loaded, old, codePage, pieceSize, &index_) || loaded.empty()) {
            index_.restart();
            return -1;
        }
    } catch (...) {
        index_.restart();
        clearStore(old);
        throw;
    }
    blocks_.swap(loaded);
    index_.describes(blocks_, codePage);
    return static_cast<int>(blocks_.size() - 1);
}

const std::string* IniStore::findSection(const std::string& name, const CodePage& codePage)
{
    auto found = index_.find(blocks_, name, codePage);
    return found == blocks_.end() ? nullptr : &*found;
}

void IniStore::appendSectionNames(std::string& list, const CodePage& codePage)
{
    index_.appendNames(blocks_, codePage, list);
}

bool IniStore::appendKeys(const std::string& section, std::string& list, const CodePage& codePage)
{
    const std::string* found = findSection(section, codePage);
    if (!found) return false;
    const std::string& block = *found;
    LineCursor lines(block.data(), block.size(), codePage);
    for (Line line; lines.next(line);) {
        if (line.begin == line.end || block[line.begin] == ';' || block[line.begin] == '=') continue;
        const std::size_t equals = scan::findByte(block.data(), line.begin, line.end, '=');
        if (equals < line.end) appendListItem(list, block.data() + line.begin, equals - line.begin);
    }
    return true;
}

bool IniStore::renameSection(const std::string& oldName, const std::string& newName, const CodePage& codePage)
{
    std::size_t position = 0;
    auto found = index_.find(blocks_, oldName, codePage, &position);
    if (found == blocks_.end()) return false;
    // The name right after the "[": for a name made only of "[" bytes the
    // first occurrence would start at the "[" itself and take the header
    // line's bracket away, leaving a section without a header.
    std::string renamed = *found;
    renamed.replace(1, oldName.size(), newName);
    found->swap(renamed);
    index_.changed(position, renamed, codePage);
    return true;
}

bool IniStore::renameKey(const std::string& section, const std::string& oldKey, const std::string& newKey,
                         const CodePage& codePage)
{
    std::size_t position = 0;
    auto found = index_.find(blocks_, section, codePage, &position);
    if (found == blocks_.end()) return false;
    const std::string& block = *found;
    LineCursor lines(block.data(), block.size(), codePage);
    for (Line line; lines.next(line);) {
        if (!isKeyLine(block, line, oldKey)) continue;
        std::string renamed = withKeyRenamed(block, line, oldKey.size(), newKey);
        found->swap(renamed);
        index_.changed(position, renamed, codePage);
        return true;
    }
    return false;
}

bool IniStore::moveSection(int from, int to, std::string& moved)
{
    const std::size_t size = blocks_.size();
    if (from < 1 || to < 1 || static_cast<std::size_t>(from) >= size || static_cast<std::size_t>(to) >= size)
        return false;
    auto node = elementAt(blocks_, static_cast<std::size_t>(from));
    // Where it goes, counted as if it had already been taken out.
    auto before = elementAt(blocks_, static_cast<std::size_t>(to < from ? to : to + 1));
    moved = *node;
    // Relinks the one node: no block is copied or moved in memory.
    blocks_.splice(before, blocks_, node);
    index_.moved(static_cast<std::size_t>(from), static_cast<std::size_t>(to));
    return true;
}

void joinBlocks(const Store& blocks, std::string& text)
{
    std::size_t total = 0;
    for (const std::string& block : blocks) total += block.size() + 1;
    text.clear();
    scan::reserveLarge(text, total);
    for (const std::string& block : blocks) {
        text += block;
        if (!text.empty() && text.back() != '\n') text.push_back('\n');
    }
}

}  // namespace quillet
