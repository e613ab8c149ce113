#include "multilinedic/dictionary.h"

#include <gtest/gtest.h>

#include <iterator>
#include <list>
#include <random>
#include <vector>

#include "frame/module.h"
#include "quillet.h"
#include "support/reference_model.h"
#include "support/test_files.h"

namespace {

using testing_support::codePage;
using testing_support::readBytes;
using testing_support::writeBytes;

// The entries of a dictionary, as texts.
std::list<std::string> entriesOf(const quillet::Dictionary& dictionary)
{
    return std::list<std::string>(dictionary.entries().begin(), dictionary.entries().end());
}

std::list<std::string> multiLineDic()
{
    return entriesOf(quillet::module().dictionary);
}

// The search written out step by step over a plain list of entries.
std::string plainSearch(const std::list<std::string>& store, const std::string& text, int number)
{
    if ((number != -1 && number <= 0) || store.empty()) return "";
    std::string entry;
    if (text.empty() && number != -1) {
        if (number > static_cast<int>(store.size())) return "";
        entry = *std::next(store.begin(), number - 1);
    } else {
        std::string key = text + "\n";
        int matches = 0;
        for (const std::string& e : store)
            if (e.size() >= key.size() && e.compare(0, key.size(), key) == 0 && ++matches == number)
                entry = e;
        if (number == -1) return std::to_string(matches);
        if (matches < number) return "";
    }
    reference::takeToken(entry, "\n");
    return entry;
}

class MultiLineDic : public testing_support::TempFolderTest {
protected:
    void TearDown() override
    {
        loadMultiLineDic(path("none").c_str(), "#");  // leaves the store empty
        TempFolderTest::TearDown();
    }
};

TEST_F(MultiLineDic, WorkedExample)
{
    const std::string dict = path("dict.txt"), titles = path("titles.ini");
    writeBytes(
        dict,
        "Fruit list, second edition\r\n#apple\r\nA red or green fruit.\r\nGrows on trees.\r\n"
        "#pear\r\nA sweet fruit.\r\n#apple\r\nAlso the name of a colour.\r\n#plum\r\n");
    ASSERT_EQ(loadMultiLineDic(dict.c_str(), "#"), 4);
    EXPECT_STREQ(getMultiLineDicTitle(""), "#apple\n#pear\n#apple\n#plum\n");
    EXPECT_STREQ(getMultiLineDicTitle(titles.c_str()), "4");
    EXPECT_EQ(readBytes(titles),
              "[titlelist]\r\n0=\"#apple\"\r\n1=\"#pear\"\r\n2=\"#apple\"\r\n3=\"#plum\"\r\n");
    struct {
        const char* text;
        int number;
        const char* result;
    } searches[] = {
        {"#apple", 1, "A red or green fruit.\nGrows on trees.\n"},
        {"#apple", 2, "Also the name of a colour.\n"},
        {"#apple", 3, ""},
        {"#apple", -1, "2"},
        {"#ap", -1, "0"},
        {"apple", 1, ""},
        {"#plum", 1, ""},
        {"", 2, "A sweet fruit.\n"},
        {"", 5, ""},
        {"", -1, "0"},
        {"#pear", 0, ""},
        {"#pear", -2, ""},
        {"", 4, ""},
        {"", 1, "A red or green fruit.\nGrows on trees.\n"},
        // A search text with line breaks must equal as many whole leading lines.
        {"#apple\nA red or green fruit.", 1, "A red or green fruit.\nGrows on trees.\n"},
        {"#apple\nAlso the name", -1, "0"},
        {"#apple\nAlso the name of a colour.", -1, "1"},
    };
    for (const auto& s : searches)
        EXPECT_STREQ(searchInMultiLineDic(s.text, s.number), s.result) << s.text << " " << s.number;

    EXPECT_EQ(loadMultiLineDic(dict.c_str(), ""), -1);
    EXPECT_STREQ(searchInMultiLineDic("#pear", 1), "A sweet fruit.\n");
    EXPECT_EQ(loadMultiLineDic(dict.c_str(), "+"), 0);
    EXPECT_STREQ(getMultiLineDicTitle(titles.c_str()), "-1");
    EXPECT_STREQ(searchInMultiLineDic("", 1), "");
    EXPECT_STREQ(searchInMultiLineDic("#pear", -1), "");  // count mode on an empty store
}

TEST_F(MultiLineDic, LoadingReplacesTheWholeStore)
{
    const std::string dict = path("d.txt"), empty = path("empty.txt");
    writeBytes(dict, "#a\n #b\nx #c\n#\n\n#d");
    writeBytes(empty, "");
    for (const char* failing : {"missing.txt", "empty.txt"}) {
        ASSERT_EQ(loadMultiLineDic(dict.c_str(), "#"), 3);
        EXPECT_EQ(loadMultiLineDic(path(failing).c_str(), "#"), -1);
        EXPECT_STREQ(getMultiLineDicTitle(""), "-1");
    }
    ASSERT_EQ(loadMultiLineDic(dict.c_str(), "#"), 3);
    EXPECT_STREQ(getMultiLineDicTitle(""), "#a\n#\n#d\n");
    EXPECT_STREQ(searchInMultiLineDic("#a", 1), " #b\nx #c\n");
    EXPECT_STREQ(searchInMultiLineDic("#", 1), "\n");
    EXPECT_STREQ(getMultiLineDicTitle(path("no/dir.ini").c_str()), "-1");
    // A marker ending in a line break matches whole lines only.
    EXPECT_EQ(loadMultiLineDic(dict.c_str(), "#\n"), 1);
    EXPECT_STREQ(searchInMultiLineDic("#", -1), "1");
    EXPECT_STREQ(searchInMultiLineDic("", 1), "\n#d\n");
    EXPECT_EQ(loadMultiLineDic(dict.c_str(), "\n"), 1);
    EXPECT_STREQ(searchInMultiLineDic("", -1), "1");
    EXPECT_STREQ(getMultiLineDicTitle(""), "\n");
}

// The direct load against readFileLines' lines regrouped by groupBlocks, on
// files cut into pieces of every small size, so that piece ends fall inside
// markers, lines, "\r\n" pairs and double-byte characters, and on one piece
// for the whole file.
TEST_F(MultiLineDic, DirectLoadGivesTheRegroupedLines)
{
    std::mt19937 rng(29);
    const char* lines[] = {"#a", "#b", "#", "", " #a", "##a", "x", "#a\x81", "\x81", "\x81\x81",
                           "\x81#a", "#\x81\n#a", "a\rb", "\x1A"};
    const char* markers[] = {"#", "#a", "#\n", "\n", "##", "#a\n", "\x81", "\x81\n#", "#\x81\n#", "x"};
    const std::string file = path("d.txt");
    testing_support::underBothCodePages([&](int) {
        for (int round = 0; round < 200; ++round) {
            std::string bytes;
            for (int n = rng() % 30; n-- > 0;) {
                const int kind = rng() % 10;
                bytes += kind == 0   ? testing_support::randomText(rng, 6)
                         : kind == 1 ? "#" + std::string(rng() % 40, "x\x81"[rng() % 2])
                                     : std::string(lines[rng() % std::size(lines)]);
                bytes += rng() % 4 ? "\r\n" : "\n";
            }
            if (rng() % 4 == 0 && !bytes.empty()) bytes.pop_back();  // no final line break
            if (rng() % 20 == 0) bytes.insert(rng() % (bytes.size() + 1), 1, '\0');
            writeBytes(file, bytes);
            const std::string marker = markers[rng() % std::size(markers)];
            std::vector<std::string> fileLines = reference::splitLines(reference::applyReadRules(bytes));
            std::list<std::string> expected(fileLines.begin(), fileLines.end());
            reference::groupBlocks(expected, marker, false);
            for (std::size_t piece : {std::size_t(1), std::size_t(2), std::size_t(3), std::size_t(5),
                                      std::size_t(7), std::size_t(16), std::size_t(17), bytes.size() + 1}) {
                SCOPED_TRACE("round " + std::to_string(round) + " piece " + std::to_string(piece));
                quillet::Dictionary dictionary;
                const int loaded = dictionary.load(file.c_str(), marker, codePage(), piece);
                ASSERT_EQ(loaded, fileLines.empty() ? -1 : static_cast<int>(expected.size()));
                ASSERT_EQ(entriesOf(dictionary), fileLines.empty() ? std::list<std::string>() : expected);
                // The index is built while cutting: every title reaches its entries.
                for (const std::string& entry : expected) {
                    const std::string title = entry.substr(0, entry.find('\n'));
                    ASSERT_EQ(dictionary.search(title, -1, codePage()), plainSearch(expected, title, -1));
                    ASSERT_EQ(dictionary.search(title, 2, codePage()), plainSearch(expected, title, 2));
                }
            }
        }
    });
    const std::string dict = path("dict.txt");
    writeBytes(dict, "#a\r\nx\r\n#b\r\n");
    for (const std::string& failing : {path("missing.txt"), path("")}) {  // path(""): the folder
        quillet::Dictionary dictionary;
        ASSERT_EQ(dictionary.load(dict.c_str(), "#", codePage(), 3), 2);
        EXPECT_EQ(dictionary.load(failing.c_str(), "#", codePage(), 3), -1);
        EXPECT_TRUE(dictionary.empty());
        EXPECT_EQ(dictionary.search("", 1, codePage()), "");
    }
}

// A reload builds its entries in the memory of the entries before, whichever
// file came before: larger, smaller or the same.
TEST_F(MultiLineDic, ReloadsWriteOverTheEntriesBefore)
{
    const std::string big = path("big.txt"), small = path("small.txt");
    std::string bigBytes, smallBytes;
    for (int i = 0; i < 200; ++i)
        bigBytes += "#" + std::to_string(i) + "\r\n" + std::string(300 + i, 'x') + "\r\n";
    for (int i = 0; i < 300; ++i)
        smallBytes += "#" + std::to_string(i) + "\r\n" + std::string(i % 50, 'y') + "\r\n";
    writeBytes(big, bigBytes);
    writeBytes(small, smallBytes);
    for (const std::string& file : {big, small, big, big, small, small, big}) {
        const bool isBig = file == big;
        ASSERT_EQ(loadMultiLineDic(file.c_str(), "#"), isBig ? 200 : 300);
        EXPECT_EQ(searchInMultiLineDic("#7", 1), isBig ? std::string(307, 'x') + "\n" : "yyyyyyy\n");
        EXPECT_STREQ(searchInMultiLineDic("#250", -1), isBig ? "0" : "1");
    }
}

TEST_F(MultiLineDic, SearchesAsThePlainWalkDoes)
{
    std::mt19937 rng(11);
    const char* lines[] = {"#a", "#b", "#a ", "#", "", " #a", "##a", "x", "#a\x81", "\x81", "b"};
    const char* markers[] = {"#", "#a", "#\n", "\n", "##", "#a\n", "x"};
    const std::string file = path("d.txt");
    testing_support::underBothCodePages([&](int) {
        for (int round = 0; round < 150; ++round) {
            std::string bytes;
            for (int n = rng() % 40; n-- > 0;)
                bytes += (rng() % 8 ? lines[rng() % std::size(lines)]
                                    : testing_support::randomText(rng, 5)) +
                         "\r\n";
            writeBytes(file, bytes);
            const std::string marker = markers[rng() % std::size(markers)];
            std::vector<std::string> fileLines =
                reference::splitLines(reference::applyReadRules(bytes));
            std::list<std::string> store(fileLines.begin(), fileLines.end());
            reference::groupBlocks(store, marker, false);
            int loaded = loadMultiLineDic(file.c_str(), marker.c_str());
            ASSERT_EQ(loaded, fileLines.empty() ? -1 : static_cast<int>(store.size()));
            ASSERT_EQ(multiLineDic(), store);
            std::string titles;
            for (std::string entry : store) titles += reference::takeToken(entry, "\n") + "\n";
            EXPECT_EQ(getMultiLineDicTitle(""), store.empty() ? "-1" : titles);
            // Search texts: each entry's first one to three lines, cut or whole, and strays.
            std::vector<std::string> texts{"", "#a", "#a\n", "\n", "zz"};
            for (const std::string& entry : store) {
                std::size_t end = entry.find('\n');
                for (int k = rng() % 3; k-- > 0 && entry.find('\n', end + 1) != std::string::npos;)
                    end = entry.find('\n', end + 1);
                texts.push_back(entry.substr(0, end));
                if (end > 0) texts.push_back(entry.substr(0, end - 1));
            }
            for (const std::string& text : texts)
                for (int number : {-2, -1, 0, 1, 2, 3, loaded, loaded + 1})
                    ASSERT_EQ(searchInMultiLineDic(text.c_str(), number),
                              plainSearch(store, text, number))
                        << "round " << round << " marker " << marker << " text " << text
                        << " number " << number;
        }
    });
}

}  // namespace
