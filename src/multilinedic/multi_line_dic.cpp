// The multi-line dictionary: entries that each begin at a head line, listed
// by title and looked up by title or position.
#include "multilinedic/multi_line_dic.h"

#include <cstdint>
#include <cstring>
#include <functional>
#include <stdexcept>
#include <string_view>
#include <vector>

#include "frame/export.h"
#include "text/line_blocks.h"
#include "text/string_ops.h"
#include "text/text_file.h"

namespace {

const std::uint32_t noPosition = 0xFFFFFFFFu;

// An index over multiLineDic, rebuilt by every load (nothing else changes the
// store): the entries by position, and per hash of the bytes before an
// entry's first line-feed byte a chain of the positions that share it, in
// store order. An entry that begins with a search key always has the same
// bytes before its first line feed as the key, so it is in the key's chain.
std::vector<const std::string*> entryAt;
std::vector<std::uint32_t> chainNext;
std::vector<std::uint32_t> chainHead;  // a power of two of them

// The hash of the bytes before the first line-feed byte of text.
std::size_t headHash(const std::string& text)
{
    const void* lineFeed = std::memchr(text.data(), '\n', text.size());
    std::size_t length = lineFeed ? static_cast<const char*>(lineFeed) - text.data() : text.size();
    return std::hash<std::string_view>{}(std::string_view(text.data(), length));
}

void clearIndex()
{
    std::vector<const std::string*>().swap(entryAt);
    std::vector<std::uint32_t>().swap(chainNext);
    std::vector<std::uint32_t>().swap(chainHead);
}

void buildIndex()
{
    std::size_t n = multiLineDic.size();
    // Positions are kept in 32 bits, which only a 64-bit build could exceed.
    if (n >= noPosition) throw std::length_error("too many entries to index");
    entryAt.reserve(n);
    for (const std::string& entry : multiLineDic) entryAt.push_back(&entry);
    std::size_t buckets = 1;
    while (buckets < n) buckets *= 2;
    chainHead.assign(buckets, noPosition);
    chainNext.assign(n, noPosition);
    // From the back, so that each chain runs in store order.
    for (std::size_t p = n; p-- > 0;) {
        std::uint32_t& head = chainHead[headHash(*entryAt[p]) & (buckets - 1)];
        chainNext[p] = head;
        head = static_cast<std::uint32_t>(p);
    }
}

// First position of the chain in which the entries beginning with key are.
std::uint32_t chainOf(const std::string& key)
{
    return chainHead[headHash(key) & (chainHead.size() - 1)];
}

// The number-th entry (from 1) that begins with key, or null.
const std::string* findNthTitled(const std::string& key, int number)
{
    for (std::uint32_t p = chainOf(key); p != noPosition; p = chainNext[p])
        if (hasPrefix(*entryAt[p], key) && --number == 0) return entryAt[p];
    return nullptr;
}

int countTitled(const std::string& key)
{
    int count = 0;
    for (std::uint32_t p = chainOf(key); p != noPosition; p = chainNext[p])
        if (hasPrefix(*entryAt[p], key)) ++count;
    return count;
}

// The entry without its first line, as takeToken cuts that line.
std::string bodyOf(const std::string& entry)
{
    std::size_t end = findLineEnd(entry.data(), entry.size(), 0);
    return end < entry.size() ? entry.substr(end + 1) : std::string();
}

}  // namespace

int loadDictionary(const char* fileName, const std::string& headMarker)
{
    if (headMarker.empty()) return -1;
    clearIndex();
    multiLineDic.clear();
    try {
        if (!readFileLines(fileName, multiLineDic)) return -1;
        groupBlocks(multiLineDic, headMarker, false);
        buildIndex();
    } catch (...) {
        // Half a dictionary, or one without its index, is worse than none.
        multiLineDic.clear();
        clearIndex();
        throw;
    }
    return static_cast<int>(multiLineDic.size());
}

std::string dictionaryTitles()
{
    std::string titles;
    for (const std::string& entry : multiLineDic) {
        titles.append(entry, 0, findLineEnd(entry.data(), entry.size(), 0));
        titles += '\n';
    }
    return titles;
}

std::string searchDictionary(const std::string& searchText, int number)
{
    if ((number != -1 && number <= 0) || multiLineDic.empty()) return std::string();
    if (searchText.empty() && number != -1) {
        if (static_cast<std::size_t>(number) > entryAt.size()) return std::string();
        return bodyOf(*entryAt[number - 1]);
    }
    std::string key = searchText + '\n';
    if (number == -1) return std::to_string(countTitled(key));
    const std::string* entry = findNthTitled(key, number);
    return entry ? bodyOf(*entry) : std::string();
}

extern "C" QUILLET_API int QUILLET_CALL loadMultiLineDic(const char* fileName,
                                                         const char* headMarker)
{
    return guarded(-1, [&] { return loadDictionary(fileName, headMarker); });
}
QUILLET_TWIN(int, loadMultiLineDic, (const char* fileName, const char* headMarker));

extern "C" QUILLET_API const char* QUILLET_CALL getMultiLineDicTitle(const char* fileName)
{
    return guardedText([&] {
        if (multiLineDic.empty()) return setResultText("-1");
        std::string titles = dictionaryTitles();
        if (fileName[0] == '\0') {
            resultText.swap(titles);
            return resultText.c_str();
        }
        int rows = formatNumberedList("[titlelist]", fileName, titles, false, false);
        return setResultText(std::to_string(rows));
    });
}
QUILLET_TWIN(const char*, getMultiLineDicTitle, (const char* fileName));

extern "C" QUILLET_API const char* QUILLET_CALL searchInMultiLineDic(const char* searchText,
                                                                     int number)
{
    return guardedText([&] {
        std::string found = searchDictionary(searchText, number);
        resultText.swap(found);
        return resultText.c_str();
    });
}
QUILLET_TWIN(const char*, searchInMultiLineDic, (const char* searchText, int number));
