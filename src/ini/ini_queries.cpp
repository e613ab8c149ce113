// Listing the section names and the keys of one section of iniSections.
#include <cstdio>
#include <cstring>
#include <iterator>

#include "frame/export.h"
#include "ini/ini_store.h"
#include "text/code_page.h"
#include "text/line_blocks.h"

#if defined(__SSE2__) && defined(__GNUC__)
#include <emmintrin.h>
#endif

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
    const std::size_t close = findByte(block, 0, lineEnd, ']');
    return close < lineEnd ? close : std::string::npos;
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
        // Only the header line of each section is read; the preamble never.
        auto ahead = firstAhead(iniSections);
        for (auto it = std::next(iniSections.begin(), iniSections.empty() ? 0 : 1);
             it != iniSections.end(); ++it) {
            ahead = prefetchAhead(iniSections, ahead);
            const std::size_t close = headerClose(*it);
            if (close == std::string::npos) continue;  // no "]": no name
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
