// Listing the section names and the keys of one section of iniSections.
#include <cstdio>
#include <cstring>
#include <iterator>

#include "frame/export.h"
#include "ini/ini_store.h"
#include "text/line_blocks.h"

namespace {

// Adds item to a list whose items are separated by "\n". An empty item at
// the very start leaves no trace.
void appendListItem(std::string& list, const char* item, std::size_t size)
{
    if (!list.empty()) list.push_back('\n');
    list.append(item, size);
}

// Position of the first byte c in text[from, to), or to.
std::size_t findByte(const std::string& text, std::size_t from, std::size_t to, char c)
{
    const void* hit = std::memchr(text.data() + from, c, to - from);
    return hit ? static_cast<const char*>(hit) - text.data() : to;
}

// Hands list back as the result text, or writes it to fileName as a
// numbered-list section under title and hands back the row count.
const char* finishList(const char* title, const std::string& fileName, std::string& list,
                       int append)
{
    if (fileName.empty()) return setResultText(list);
    int rows = formatNumberedList(title, fileName.c_str(), list, append != 0, false);
    char digits[16];
    std::snprintf(digits, sizeof digits, "%d", rows);
    return setResultText(digits);
}

}  // namespace

extern "C" QUILLET_API const char* QUILLET_CALL getSectionList(const char* fileName, int append)
{
    return guardedText([&] {
        std::string name(fileName);  // may point into resultText
        std::string list;
        // Only the header line of each section is read; the preamble never.
        auto ahead = firstAhead();
        for (auto it = std::next(iniSections.begin(), iniSections.empty() ? 0 : 1);
             it != iniSections.end(); ++it) {
            ahead = prefetchAhead(ahead);
            std::size_t lineEnd = lineEndIn(*it, 0);
            std::size_t close = findByte(*it, 0, lineEnd, ']');
            if (close == lineEnd) continue;  // no "]": no name
            // A header renamed into "]..." has no byte before its "]".
            appendListItem(list, it->data() + 1, close > 0 ? close - 1 : 0);
        }
        return finishList("[sectionlist]", name, list, append);
    });
}
QUILLET_TWIN(const char*, getSectionList, (const char* fileName, int append));

extern "C" QUILLET_API const char* QUILLET_CALL getKeyList(const char* section, const char* fileName,
                                                           int append)
{
    return guardedText([&] {
        std::string sectionName(section), name(fileName);  // may point into resultText
        if (sectionName.empty()) return setResultText("");
        auto found = findSectionBlock(sectionName);
        if (found == iniSections.end()) return setResultText("");
        const std::string& block = *found;
        std::string list;
        for (std::size_t pos = 0; pos < block.size();) {
            std::size_t end = lineEndIn(block, pos);
            if (pos < end && block[pos] != ';' && block[pos] != '=') {
                std::size_t equals = findByte(block, pos, end, '=');
                if (equals < end) appendListItem(list, block.data() + pos, equals - pos);
            }
            pos = end + 1;
        }
        return finishList("[keylist]", name, list, append);
    });
}
QUILLET_TWIN(const char*, getKeyList, (const char* section, const char* fileName, int append));
