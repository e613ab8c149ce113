// The multi-line dictionary on fuzzed file contents and markers: the store
// checked against plain grouping, every search against a plain walk.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>
#include <unistd.h>

#include "frame/module.h"
#include "fuzz_support.h"
#include "multilinedic/dictionary.h"
#include "quillet.h"
#include "support/reference_model.h"

namespace {

// What a search must answer, walking the store entry by entry.
std::string plainSearch(const std::list<std::string>& store, const std::string& text, int number)
{
    if ((number != -1 && number < 1) || store.empty()) return "";
    int matches = 0, position = 0;
    for (std::string entry : store) {
        ++position;
        bool hit = text.empty() && number != -1 ? position == number
                                                : entry.compare(0, text.size() + 1, text + "\n") == 0;
        if (!hit) continue;
        ++matches;
        if (number != -1 && (text.empty() || matches == number)) {
            reference::takeToken(entry, "\n");
            return entry;
        }
    }
    return number == -1 ? std::to_string(matches) : "";
}

}  // namespace

// Input: a code-page byte (its upper bits: the piece size of a second load),
// a marker length byte, the marker, a search length byte, the search text,
// then the file's bytes.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 3) return 0;
    testing_support::selectCodePage(data[0] & 1 ? 932 : 0);
    std::string rest(reinterpret_cast<const char*>(data) + 1, size - 1);
    size_t markerSize = std::min<size_t>(static_cast<unsigned char>(rest[0]) % 4, rest.size() - 1);
    std::string marker = rest.substr(1, markerSize);
    rest.erase(0, 1 + markerSize);
    if (rest.empty()) return 0;
    size_t searchSize = std::min<size_t>(static_cast<unsigned char>(rest[0]) % 8, rest.size() - 1);
    std::string search = rest.substr(1, searchSize);
    rest.erase(0, 1 + searchSize);
    if (marker.find('\0') != std::string::npos || search.find('\0') != std::string::npos) return 0;

    const std::string in = scratchFile("dic.txt", rest);

    const std::vector<std::string_view>& multiLineDic = quillet::module().dictionary.entries();
    std::list<std::string> before(multiLineDic.begin(), multiLineDic.end());
    int loaded = loadMultiLineDic(in.c_str(), marker.c_str());
    std::list<std::string> expected;
    if (marker.empty()) {
        check(loaded == -1);
        expected = before;
    } else {
        for (const std::string& line : reference::splitLines(reference::applyReadRules(rest)))
            expected.push_back(line);
        bool anyLine = !expected.empty();
        reference::groupBlocks(expected, marker, false);
        check(loaded == (anyLine ? static_cast<int>(expected.size()) : -1));
    }
    check(std::list<std::string>(multiLineDic.begin(), multiLineDic.end()) == expected);
    // The same load cut in small pieces: the titles and searches below then
    // use its store and index.
    if (!marker.empty()) {
        check(quillet::module().dictionary.load(in.c_str(), marker, testing_support::codePage(),
                                                1 + (data[0] >> 1) % 32) == loaded);
        check(std::list<std::string>(multiLineDic.begin(), multiLineDic.end()) == expected);
    }

    std::string titles;
    for (std::string entry : expected) titles += reference::takeToken(entry, "\n") + "\n";
    check(getMultiLineDicTitle("") == (expected.empty() ? std::string("-1") : titles));
    for (int number : {-2, -1, 0, 1, 2, 3})
        for (const std::string& text : {search, std::string()})
            check(searchInMultiLineDic(text.c_str(), number) == plainSearch(expected, text, number));
    std::remove(in.c_str());
    return 0;
}
