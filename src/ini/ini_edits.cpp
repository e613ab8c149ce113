// Renaming sections and keys of iniSections, and moving sections.
#include <iterator>

#include "frame/export.h"
#include "ini/ini_store.h"
#include "text/line_blocks.h"

namespace {

// Whether the line block[pos, end) is a line of key: it begins with key and
// the byte after the key is a tab, a blank or "=".
bool isKeyLine(const std::string& block, std::size_t pos, std::size_t end, const std::string& key)
{
    if (end - pos <= key.size() || block.compare(pos, key.size(), key) != 0) return false;
    char next = block[pos + key.size()];
    return next == '\t' || next == ' ' || next == '=';
}

// block with the key at the start of its line block[pos, end) replaced by
// newKey. A line without a real "\n" after it gets one after the new key.
std::string withKeyRenamed(const std::string& block, std::size_t pos, std::size_t end,
                           std::size_t oldKeySize, const std::string& newKey)
{
    std::string renamed;
    renamed.reserve(block.size() - oldKeySize + newKey.size() + 1);
    renamed.append(block, 0, pos);
    renamed += newKey;
    renamed.append(block, pos + oldKeySize, end - pos - oldKeySize);
    renamed.push_back('\n');
    if (end < block.size()) renamed.append(block, end + 1, std::string::npos);
    return renamed;
}

// The block at index i of iniSections (i == size: end()), reached from the
// nearer end: the last sections are found without a walk over all the others.
Store::iterator blockAt(std::size_t i)
{
    const std::size_t size = iniSections.size();
    return i <= size / 2 ? std::next(iniSections.begin(), static_cast<std::ptrdiff_t>(i))
                         : std::prev(iniSections.end(), static_cast<std::ptrdiff_t>(size - i));
}

}  // namespace

extern "C" QUILLET_API int QUILLET_CALL changeSectionName(const char* oldName, const char* newName)
{
    return guarded(0, [&] {
        std::string oldText(oldName), newText(newName);  // may point into resultText
        if (oldText.empty() || newText.empty()) return 0;
        setResultText("[" + oldText + "]");
        std::size_t position = 0;
        auto found = findSectionBlock(oldText, &position);
        if (found == iniSections.end()) return 0;
        // The name right after the "[": for a name made only of "[" bytes the
        // first occurrence would start at the "[" itself and take the header
        // line's bracket away, leaving a section without a header.
        std::string renamed = *found;
        renamed.replace(1, oldText.size(), newText);
        found->swap(renamed);
        sectionChanged(position, renamed);
        return 1;
    });
}
QUILLET_TWIN(int, changeSectionName, (const char* oldName, const char* newName));

extern "C" QUILLET_API int QUILLET_CALL changeKeyName(const char* section, const char* oldKey,
                                                      const char* newKey)
{
    return guarded(0, [&] {
        std::string sectionName(section), oldText(oldKey), newText(newKey);
        if (sectionName.empty() || oldText.empty() || newText.empty()) return 0;
        std::size_t position = 0;
        auto found = findSectionBlock(sectionName, &position);
        if (found == iniSections.end()) return 0;
        const std::string& block = *found;
        for (std::size_t pos = 0; pos < block.size();) {
            std::size_t end = lineEndIn(block, pos);
            if (isKeyLine(block, pos, end, oldText)) {
                std::string renamed = withKeyRenamed(block, pos, end, oldText.size(), newText);
                found->swap(renamed);
                sectionChanged(position, renamed);
                return 1;
            }
            pos = end + 1;
        }
        return 0;
    });
}
QUILLET_TWIN(int, changeKeyName, (const char* section, const char* oldKey, const char* newKey));

extern "C" QUILLET_API int QUILLET_CALL moveSection(int from, int to)
{
    return guarded(0, [&] {
        const std::size_t size = iniSections.size();
        if (from < 1 || to < 1 || static_cast<std::size_t>(from) >= size ||
            static_cast<std::size_t>(to) >= size)
            return 0;
        auto moved = blockAt(static_cast<std::size_t>(from));
        // Where it goes, counted as if it had already been taken out.
        auto before = blockAt(static_cast<std::size_t>(to < from ? to : to + 1));
        setResultText(*moved);
        // Relinks the one node: no block is copied or moved in memory.
        iniSections.splice(before, iniSections, moved);
        sectionMoved(static_cast<std::size_t>(from), static_cast<std::size_t>(to));
        return 1;
    });
}
QUILLET_TWIN(int, moveSection, (int from, int to));
