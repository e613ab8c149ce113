// The INI store's operations: loading, listing keys, renaming sections and
// keys, moving sections, joining the blocks for writing.
#include "ini/ini_store.h"

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

// Whether block[line] is a line of key: it begins with key and the byte
// after the key is a tab, a blank or "=".
bool isKeyLine(std::string_view block, const Line& line, const std::string& key)
{
    if (line.end - line.begin <= key.size() || block.compare(line.begin, key.size(), key) != 0) return false;
    const char next = block[line.begin + key.size()];
    return next == '\t' || next == ' ' || next == '=';
}

// block with the key at the start of line replaced by newKey. A line without
// a real "\n" after it gets one after the new key.
std::string withKeyRenamed(std::string_view block, const Line& line, std::size_t oldKeySize, const std::string& newKey)
{
    std::string renamed;
    renamed.reserve(block.size() - oldKeySize + newKey.size() + 1);
    renamed.append(block.substr(0, line.begin));
    renamed += newKey;
    renamed.append(block.substr(line.begin + oldKeySize, line.end - line.begin - oldKeySize));
    renamed.push_back('\n');
    if (line.end < block.size()) renamed.append(block.substr(line.end + 1));
    return renamed;
}

}  // namespace

int IniStore::load(const char* fileName, const CodePage& codePage, std::size_t pieceSize)
{
    // Emptied before anything can fail, and filled only once whole: a failed
    // load leaves the store empty, never holding part of a file. The memory
    // of the blocks before is used again.
    blocks_.clear();
    try {
        if (!loadINIBlocks(fileName, blocks_, codePage, pieceSize) || blocks_.empty()) {
            blocks_.clear();
            return -1;
        }
    } catch (...) {
        blocks_.clear();
        throw;
    }
    return static_cast<int>(blocks_.size() - 1);
}

bool IniStore::appendKeys(const std::string& section, std::string& list, const CodePage& codePage)
{
    const std::size_t found = findSection(section, codePage);
    if (found == IniBlocks::none) return false;
    const std::string_view block = blocks_.text(found);
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
    const std::size_t found = findSection(oldName, codePage);
    if (found == IniBlocks::none) return false;
    // The name right after the "[": for a name made only of "[" bytes the
    // first occurrence would start at the "[" itself and take the header
    // line's bracket away, leaving a section without a header.
    std::string renamed(blocks_.text(found));
    renamed.replace(1, oldName.size(), newName);
    blocks_.replace(found, renamed, codePage);
    return true;
}

bool IniStore::renameKey(const std::string& section, const std::string& oldKey, const std::string& newKey,
                         const CodePage& codePage)
{
    const std::size_t found = findSection(section, codePage);
    if (found == IniBlocks::none) return false;
    const std::string_view block = blocks_.text(found);
    LineCursor lines(block.data(), block.size(), codePage);
    for (Line line; lines.next(line);) {
        if (!isKeyLine(block, line, oldKey)) continue;
        blocks_.replace(found, withKeyRenamed(block, line, oldKey.size(), newKey), codePage);
        return true;
    }
    return false;
}

bool IniStore::moveSection(int from, int to, std::string& moved)
{
    const std::size_t size = blocks_.size();
    if (from < 1 || to < 1 || static_cast<std::size_t>(from) >= size || static_cast<std::size_t>(to) >= size)
        return false;
    moved = blocks_.text(static_cast<std::size_t>(from));
    blocks_.move(static_cast<std::size_t>(from), static_cast<std::size_t>(to));
    return true;
}

std::size_t IniStore::joinedBound() const
{
    std::size_t total = 0;
    for (std::size_t i = 0; i < blocks_.size(); ++i) total += blocks_.text(i).size() + 1;
    return total;
}

void IniStore::join(std::string& text) const
{
    text.clear();
    scan::reserveLarge(text, joinedBound());
    for (std::size_t i = 0; i < blocks_.size(); ++i) {
        text += blocks_.text(i);
        if (!text.empty() && text.back() != '\n') text.push_back('\n');
    }
}

}  // namespace quillet
