// The word list on fuzzed file contents: append, sort, unique and makeINIDB,
// checked against a plain sort and the plain numbered list.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>
#include <vector>

#include "frame/module.h"
#include "fuzz_support.h"
#include "quillet.h"
#include "support/reference_model.h"

namespace {

bool byteLess(const std::string& a, const std::string& b)
{
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                        [](char x, char y) { return (unsigned char)x < (unsigned char)y; });
}

}  // namespace

// Input: a code-page byte, a byte with the prefix length (and whether the file
// is read twice), the prefix, the file's bytes.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2) return 0;
    testing_support::selectCodePage(data[0] & 1 ? 932 : 0);
    size_t prefixSize = std::min<size_t>(data[1] % 4, size - 2);
    std::string prefix(reinterpret_cast<const char*>(data) + 2, prefixSize);
    if (prefix.find('\0') != std::string::npos) return 0;
    std::string bytes(reinterpret_cast<const char*>(data) + 2 + prefixSize, size - 2 - prefixSize);
    const std::string in = scratchFile("words.txt", bytes), out = scratchFile("words.ini", "");

    check(clearOneLineDic() == 1);
    std::vector<std::string> expected = reference::splitLines(reference::applyReadRules(bytes));
    check(appendFileToOneLineDic(in.c_str()) == (expected.empty() ? 0 : 1));
    if (data[1] & 4) {
        // Read again behind its own lines: the array grows, every text repeats.
        const std::vector<std::string> once = expected;
        expected.insert(expected.end(), once.begin(), once.end());
        check(appendFileToOneLineDic(in.c_str()) == (expected.empty() ? 0 : 1));
    }
    check(appendToOneLineDic(prefix.c_str()) == 1);
    expected.push_back(prefix);

    check(sortOneLineDic() == 1);
    std::stable_sort(expected.begin(), expected.end(), byteLess);
    check(std::vector<std::string>(quillet::module().words.begin(), quillet::module().words.end()) == expected);
    check(uniqueOneLineDic() == 1);
    expected.erase(std::unique(expected.begin(), expected.end()), expected.end());
    check(std::vector<std::string>(quillet::module().words.begin(), quillet::module().words.end()) == expected);

    std::string selected;
    for (const std::string& word : expected)
        if (word.compare(0, prefix.size(), prefix) == 0 && word.size() >= prefix.size()) selected += word + "\n";
    std::string section = reference::formatNumberedList("[word]", selected, false);
    int rows = static_cast<int>(reference::splitLines(selected).size());
    const char* kept = replace("kept", "", "", 0);
    check(makeINIDB("", prefix.c_str()) == rows);
    check(makeINIDB(out.c_str(), prefix.c_str()) == rows);
    std::string onDisk;
    for (char c : section) onDisk += c == '\n' ? std::string("\r\n") : std::string(1, c);
    std::string written;
    if (FILE* w = std::fopen(out.c_str(), "rb")) {
        char buffer[4096];
        for (size_t got; (got = std::fread(buffer, 1, sizeof buffer, w)) > 0;) written.append(buffer, got);
        std::fclose(w);
    }
    check(written == onDisk);
    check(std::string(kept) == "kept");
    std::remove(in.c_str());
    std::remove(out.c_str());
    return 0;
}
