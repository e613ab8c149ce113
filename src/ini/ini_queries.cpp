// Listing the section names and the keys of one section of iniSections.
#include <cstdio>
#include <cstring>

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

// Where a list for fileName is built: the result text itself when it is
// handed back (its room from earlier calls is used again, and nothing is
// copied: a list of every section can be megabytes), else spare.
std::string& listBuffer(const std::string& fileName, std::string& spare)
{
    std::string& list = fileName.empty() ? resultText : spare;
    list.clear();
    return list;
}

// Hands list back as the result text, or writes it to fileName as a
// numbered-list section under title and hands back the row count.
const char* finishList(const char* title, const std::string& fileName, std::string& list,
                       int append)
{
    if (fileName.empty()) return resultText.c_str();  // list is resultText
    int rows = formatNumberedList(title, fileName.c_str(), list, append != 0, false);
    char digits[16];
    std::snprintf(digits, sizeof digits, "%d", rows);
    return setResultText(digits);
}

}  // namespace

extern "C" QUILLET_API const char* QUILLET_CALL getSectionList(const char* fileName, int append)
{
    return guardedText([&] {
        std::string name(fileName), spare;  // may point into resultText
        std::string& list = listBuffer(name, spare);
        appendSectionNames(list);
        return finishList("[sectionlist]", name, list, append);
    });
}
QUILLET_TWIN(const char*, getSectionList, (const char* fileName, int append));

extern "C" QUILLET_API const char* QUILLET_CALL getKeyList(const char* section, const char* fileName,
                                                           int append)
{
    return guardedText([&] {
        std::string sectionName(section), name(fileName), spare;  // may point into resultText
        if (sectionName.empty()) return setResultText("");
        auto found = findSectionBlock(sectionName);
        if (found == iniSections.end()) return setResultText("");
        const std::string& block = *found;
        std::string& list = listBuffer(name, spare);
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
