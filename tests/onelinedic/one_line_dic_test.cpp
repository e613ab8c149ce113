#include "onelinedic/word_list.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <functional>
#include <iterator>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "quillet.h"
#include "support/reference_model.h"
#include "support/test_files.h"
#include "text/numbered_list.h"
#include "text/text_file.h"

#if !defined(_WIN32)
#include <sys/resource.h>
#endif

namespace {

using quillet::WordList;
using testing_support::codePage;
using testing_support::readBytes;
using testing_support::writeBytes;
using Words = std::vector<std::string>;

Words words(const WordList& store = quillet::module().words)
{
    return Words(store.begin(), store.end());
}

WordList listOf(const Words& made)
{
    WordList list;
    for (const std::string& w : made) list.push_back(w);
    return list;
}

// Byte order spelled out: the first differing unsigned byte decides, then length.
bool plainLess(const std::string& a, const std::string& b)
{
    for (std::size_t i = 0; i < a.size() && i < b.size(); ++i)
        if (a[i] != b[i])
            return static_cast<unsigned char>(a[i]) < static_cast<unsigned char>(b[i]);
    return a.size() < b.size();
}

class OneLineDic : public testing_support::TempFolderTest {
protected:
    void SetUp() override
    {
        TempFolderTest::SetUp();
        clearOneLineDic();
    }
    void TearDown() override
    {
        clearOneLineDic();
        TempFolderTest::TearDown();
    }
};

TEST_F(OneLineDic, WorkedExample)
{
    const std::string file = path("words.ini");
    const std::string two = "[word]\r\n0=\"apple\"\r\n1=\"apricot\"\r\n";
    const std::string four =
        "[word]\r\n0=\"Apple\"\r\n1=\"apple\"\r\n2=\"apricot\"\r\n3=\"pear\"\r\n";
    auto add = [](const char* word) { return [word] { return appendToOneLineDic(word); }; };
    const Words five{"pear", "apple", "Apple", "apricot", "pear"};
    // clang-format off
    struct {
        std::function<int()> call;
        int result;
        Words after;
        std::string fileBytes;  // "" while there is no file
    } steps[] = {
        {clearOneLineDic, 1, {}, ""},
        {add("pear"), 1, {"pear"}, ""},
        {add("apple"), 1, {"pear", "apple"}, ""},
        {add("Apple"), 1, {"pear", "apple", "Apple"}, ""},
        {add("apricot"), 1, {"pear", "apple", "Apple", "apricot"}, ""},
        {add("pear"), 1, five, ""},
        {uniqueOneLineDic, 1, five, ""},
        {sortOneLineDic, 1, {"Apple", "apple", "apricot", "pear", "pear"}, ""},
        {uniqueOneLineDic, 1, {"Apple", "apple", "apricot", "pear"}, ""},
        {[&] { return makeINIDB(file.c_str(), "ap"); }, 2, {"Apple", "apple", "apricot", "pear"}, two},
        {[&] { return makeINIDB(file.c_str(), ""); }, 4, {"Apple", "apple", "apricot", "pear"}, four},
        {[] { return makeINIDB("", "A"); }, 1, {"Apple", "apple", "apricot", "pear"}, four},
    };
    // clang-format on
    for (std::size_t i = 0; i < std::size(steps); ++i) {
        SCOPED_TRACE("step " + std::to_string(i));
        EXPECT_EQ(steps[i].call(), steps[i].result);
        EXPECT_EQ(words(), steps[i].after);
        EXPECT_EQ(readBytes(file), steps[i].fileBytes);
    }
}

TEST_F(OneLineDic, SortGivesPlainByteOrder)
{
    for (const char* w : {"b", "", "apples", "apple", "B", "\x80x", "~", "\xFF", "a\x80", "ab", ""})
        appendToOneLineDic(w);
    sortOneLineDic();
    EXPECT_EQ(words(),
              (Words{"", "", "B", "ab", "apple", "apples", "a\x80", "b", "~", "\x80x", "\xFF"}));

    // Lists built to share prefixes of every length, repeat, hold empty
    // entries, NUL and high bytes, and be long enough for every sorting path.
    std::mt19937 rng(7);
    for (int round = 0; round < 300; ++round) {
        std::uniform_int_distribution<int> size(0, round % 10 == 0 ? 5000 : 120), pick(0, 6);
        WordList store;
        Words made;
        for (int i = size(rng); i-- > 0;) {
            std::string w = testing_support::randomText(rng, 6);
            int how = pick(rng);
            if (!made.empty() && how < 3)
                w = made[rng() % made.size()].substr(0, how ? 40 : rng() % 9) + (how == 2 ? w : "");
            if (how == 3) w.insert(rng() % (w.size() + 1), 1, '\0');
            if (how == 4) w = std::string(rng() % 30, 'q') + w;
            if (how == 5) w = std::string(23 + rng() % 4, 'r') + "s" + w;
            made.push_back(w);
            store.push_back(w);
        }
        std::stable_sort(made.begin(), made.end(), plainLess);
        store.sort();
        ASSERT_EQ(words(store), made) << "round " << round;
    }
}

// A list made to cross every step of the sort: first bytes of every value
// (the empty text among them), groups of one, of a few and of thousands,
// lengths around the texts kept inside the string and around the key size,
// long shared starts, runs of repeats longer and shorter than those finished
// by comparing texts, and bytes of 0x80 and above anywhere.
Words madeForTheSort(std::mt19937& rng, std::size_t count)
{
    std::uniform_int_distribution<int> how(0, 9), anyByte(1, 255), letter('a', 'e'), length(0, 40);
    Words made;
    const int crowded = anyByte(rng);  // one group much larger than the rest
    while (made.size() < count) {
        std::string w;
        switch (how(rng)) {
        case 0: w = ""; break;
        case 1: w = std::string(1, static_cast<char>(anyByte(rng))); break;
        case 2:  // a whole run of one text
            w = made.empty() ? "x" : made[rng() % made.size()];
            for (int k = rng() % 20; k-- > 0;) made.push_back(w);
            break;
        case 3:  // a start shared well past one key
            w = std::string(10 + rng() % 30, static_cast<char>(crowded)) + static_cast<char>(letter(rng));
            break;
        default:
            w = std::string(1, static_cast<char>(how(rng) < 6 ? crowded : anyByte(rng)));
            for (int k = length(rng); k-- > 0;)
                w += static_cast<char>(rng() % 4 == 0 ? anyByte(rng) : letter(rng));
        }
        made.push_back(w);
    }
    std::shuffle(made.begin(), made.end(), rng);
    return made;
}

TEST_F(OneLineDic, SortMatchesAPlainSortInEveryGroupShape)
{
    std::mt19937 rng(11);
    for (std::size_t count : {2, 3, 9, 47, 48, 49, 300, 4000, 30000}) {
        for (int round = 0; round < 3; ++round) {
            Words made = madeForTheSort(rng, count);
            WordList store = listOf(made);
            std::stable_sort(made.begin(), made.end(), plainLess);
            store.sort();
            ASSERT_EQ(words(store), made) << count << " entries, round " << round;
        }
    }
    // Every text in one group, and every group holding one text.
    WordList one, each;
    for (int i = 0; i < 3000; ++i) one.push_back("q" + std::to_string(i * 7919 % 3000));
    for (int b = 255; b >= 1; --b) each.push_back(std::string(1, static_cast<char>(b)) + "z");
    each.push_back("");
    for (WordList* store : {&one, &each}) {
        Words expected(store->begin(), store->end());
        std::stable_sort(expected.begin(), expected.end(), plainLess);
        store->sort();
        EXPECT_EQ(words(*store), expected);
    }
}

TEST_F(OneLineDic, UniqueAndClearKeepTheTextsRight)
{
    std::mt19937 rng(5);
    for (int round = 0; round < 40; ++round) {
        Words made = madeForTheSort(rng, round % 2 ? 2000 : 30);
        if (round % 3 == 0) std::stable_sort(made.begin(), made.end(), plainLess);
        WordList store = listOf(made);
        made.erase(std::unique(made.begin(), made.end()), made.end());
        store.removeAdjacentRepeats();
        ASSERT_EQ(words(store), made) << "round " << round;
    }
    WordList store = listOf({"a text longer than any kept inside the string", "b"});
    store.clear();
    EXPECT_TRUE(store.empty());
    EXPECT_EQ(store.byteCount(), 0u);
    store.push_back("again");
    EXPECT_EQ(words(store), Words{"again"});
}

// A word of one of the shapes the sort treats apart: empty, short, about a
// key long, long, sharing a start well past a key with others, high bytes,
// double-byte-like pairs (a lead byte before a line feed among them).
std::string madeWord(std::mt19937& rng, const std::vector<std::string>& starts)
{
    static const char* const pairs[] = {"\x81\x5C", "\x82\xA0", "\x83\n", "\x95\x5B", "\xE0\x40"};
    std::uniform_int_distribution<int> shape(0, 7), letter('a', 'd'), high(0x80, 0xFF);
    std::string w;
    switch (shape(rng)) {
    case 0: break;
    case 1: w = std::string(1 + rng() % 3, static_cast<char>(letter(rng))); break;
    case 2:  // around the key size
        for (int k = 9 + rng() % 5; k-- > 0;) w += static_cast<char>(letter(rng));
        break;
    case 3:  // long
        for (int k = 20 + rng() % 60; k-- > 0;) w += static_cast<char>(letter(rng));
        break;
    case 4:  // a start shared past one key, then little or nothing
        w = starts[rng() % starts.size()];
        for (int k = rng() % 3; k-- > 0;) w += static_cast<char>(letter(rng));
        break;
    case 5:
        for (int k = 1 + rng() % 14; k-- > 0;)
            w += static_cast<char>(rng() % 2 ? high(rng) : letter(rng));
        break;
    default:
        for (int k = 1 + rng() % 4; k-- > 0;) w += pairs[rng() % std::size(pairs)];
        if (rng() % 2) w = starts[rng() % starts.size()] + w;
    }
    return w;
}

// The exports against a plain std::sort and std::unique: stores filled from
// files and appended to, in either order, appended to again after a sort,
// under both code pages.
TEST_F(OneLineDic, SortAndUniqueMatchAPlainSortAndUnique)
{
    std::mt19937 rng(17);
    const std::string file = path("in.txt");
    testing_support::underBothCodePages([&](int) {
        for (int round = 0; round < 120; ++round) {
            std::vector<std::string> starts;
            for (int k = 0; k < 3; ++k) starts.push_back(std::string(12 + rng() % 20, static_cast<char>('e' + k)));
            const std::size_t count = round % 20 == 0 ? 5000 : rng() % 300;
            std::string bytes;
            Words lines;  // a third of them repeats
            for (std::size_t i = 0; i < count; ++i) {
                lines.push_back(rng() % 3 == 0 && i > 0 ? lines[rng() % i] : madeWord(rng, starts));
                bytes += lines.back() + (rng() % 8 == 0 ? "\r\n" : "\n");
            }
            if (rng() % 2) bytes.pop_back();
            writeBytes(file, bytes);
            const Words fromFile = reference::splitLines(reference::applyReadRules(bytes));

            ASSERT_EQ(clearOneLineDic(), 1);
            Words expected;
            auto appendSome = [&](std::size_t n) {
                for (; n > 0; --n) {
                    std::string w = madeWord(rng, starts);
                    if (rng() % 6 == 0) w.insert(rng() % (w.size() + 1), "\n");
                    if (!expected.empty() && rng() % 3 == 0) w = expected[rng() % expected.size()];
                    ASSERT_EQ(appendToOneLineDic(w.c_str()), 1);
                    expected.push_back(w);
                }
            };
            auto appendFile = [&] {
                EXPECT_EQ(appendFileToOneLineDic(file.c_str()), expected.empty() && fromFile.empty() ? 0 : 1);
                expected.insert(expected.end(), fromFile.begin(), fromFile.end());
            };
            if (round % 3 == 0) appendSome(rng() % 50);
            appendFile();
            appendSome(rng() % 50);
            if (round % 4 == 1) appendFile();

            ASSERT_EQ(sortOneLineDic(), 1);
            std::sort(expected.begin(), expected.end());
            ASSERT_EQ(words(), expected) << "round " << round;
            ASSERT_EQ(uniqueOneLineDic(), 1);
            expected.erase(std::unique(expected.begin(), expected.end()), expected.end());
            ASSERT_EQ(words(), expected) << "round " << round;

            // More behind a sorted, thinned store, then once more.
            appendSome(1 + rng() % 40);
            if (round % 2 == 0) appendFile();
            ASSERT_EQ(words(), expected) << "round " << round;
            sortOneLineDic();
            uniqueOneLineDic();
            std::sort(expected.begin(), expected.end());
            expected.erase(std::unique(expected.begin(), expected.end()), expected.end());
            ASSERT_EQ(words(), expected) << "round " << round;
        }
    });
}

// Entries appended from the store's own bytes while its buffer grows, and
// the views of a store filled from a file after more is appended to it.
TEST_F(OneLineDic, StoreAppendsViewsOfItsOwnBytes)
{
    WordList store = listOf({"a text longer than any kept inside a string object"});
    Words expected{std::string(store[0])};
    for (int i = 0; i < 200; ++i) {
        const std::string_view from = store[i / 2];
        store.push_back(from.substr(i % 7));
        expected.push_back(expected[i / 2].substr(i % 7));
    }
    EXPECT_EQ(words(store), expected);

    writeBytes(path("in.txt"), "one\r\ntwo\nthree");
    WordList filled;
    ASSERT_TRUE(filled.appendFile(path("in.txt").c_str(), codePage()));
    for (int i = 0; i < 100; ++i) filled.push_back(filled[i % 3]);
    ASSERT_TRUE(filled.appendFile(path("in.txt").c_str(), codePage()));
    Words lines{"one", "two", "three"}, all = lines;
    for (int i = 0; i < 100; ++i) all.push_back(lines[i % 3]);
    all.insert(all.end(), lines.begin(), lines.end());
    EXPECT_EQ(words(filled), all);
}

TEST_F(OneLineDic, UniqueDropsOnlyAdjacentRepeats)
{
    EXPECT_EQ(uniqueOneLineDic(), 1);
    EXPECT_EQ(sortOneLineDic(), 1);
    for (const char* w : {"a", "a", "a", "A", "a", "", "", "b"}) appendToOneLineDic(w);
    uniqueOneLineDic();
    EXPECT_EQ(words(), (Words{"a", "A", "a", "", "b"}));

    // A sort leaves repeats sharing their bytes; copies appended after it,
    // one by one or from a file, hold bytes of their own and are still
    // repeats.
    writeBytes(path("in.txt"), "b\nb");
    for (bool fromFile : {false, true}) {
        clearOneLineDic();
        for (const char* w : {"b", "a", "b"}) appendToOneLineDic(w);
        sortOneLineDic();
        if (fromFile)
            appendFileToOneLineDic(path("in.txt").c_str());
        else
            appendToOneLineDic("b");
        uniqueOneLineDic();
        EXPECT_EQ(words(), (Words{"a", "b"})) << fromFile;
    }
}

TEST_F(OneLineDic, AppendsFilesLineByLine)
{
    const std::string file = path("in.txt"), empty = path("empty.txt");
    writeBytes(file, "one\r\n\r\ntwo \x81\nthree");
    writeBytes(empty, "");
    EXPECT_EQ(appendFileToOneLineDic(empty.c_str()), 0);
    EXPECT_EQ(appendFileToOneLineDic(path("missing").c_str()), 0);
    testing_support::underBothCodePages([&](int codePage) {
        clearOneLineDic();
        appendToOneLineDic("x\ny");
        EXPECT_EQ(appendFileToOneLineDic(file.c_str()), 1);
        EXPECT_EQ(appendFileToOneLineDic(path("missing").c_str()), 0);
        EXPECT_EQ(appendFileToOneLineDic(empty.c_str()), 1);
        // Under a double-byte code page a line feed after a lead byte stays in the line.
        Words once = codePage == 932 ? Words{"one", "", "two \x81\nthree"}
                                     : Words{"one", "", "two \x81", "three"};
        Words expected{"x\ny"};
        for (int twice = 0; twice < 2; ++twice)
            expected.insert(expected.end(), once.begin(), once.end());
        appendFileToOneLineDic(file.c_str());
        EXPECT_EQ(words(), expected);
    });
}

TEST_F(OneLineDic, MakeINIDBWritesRowsAndNothingElse)
{
    for (const char* w : {"ap", "\nap", "ap\n", "", "apple\nApple"}) appendToOneLineDic(w);
    const Words before = words();
    const char* kept = replace("kept", "x", "y", 0);
    const std::string file = path("out.ini");
    EXPECT_EQ(makeINIDB(file.c_str(), ""), 8);
    EXPECT_EQ(readBytes(file),
              "[word]\r\n0=\"ap\"\r\n1=\"\"\r\n2=\"ap\"\r\n3=\"ap\"\r\n4=\"\"\r\n5=\"\"\r\n"
              "6=\"apple\"\r\n7=\"Apple\"\r\n");
    EXPECT_EQ(makeINIDB(file.c_str(), "app"), 2);  // "ap" is only the start of the prefix
    EXPECT_EQ(makeINIDB("", "ap"), 5);
    EXPECT_EQ(makeINIDB(file.c_str(), "zz"), 0);
    EXPECT_EQ(readBytes(file), "[word]\r\n");
    EXPECT_EQ(makeINIDB(path("no/such/dir.ini").c_str(), ""), -1);
    EXPECT_EQ(makeINIDB(folder_.c_str(), ""), -1);
    EXPECT_EQ(listing(), "out.ini;");
    EXPECT_EQ(words(), before);
    EXPECT_STREQ(kept, "kept");
}

// A "\n" kept inside a character under a double-byte page is a row break
// once the page has no lead bytes.
TEST_F(OneLineDic, LinesCutUnderOnePageAreRowsUnderAnother)
{
    quillet::CodePage doubleByte, singleByte;
    ASSERT_TRUE(doubleByte.select(932));
    ASSERT_TRUE(singleByte.select(1252));
    std::string text = "a\x81\nb\nc\n";
    WordList store;
    store.appendLines(text, doubleByte);
    ASSERT_EQ(words(store), (Words{"a\x81\nb", "c"}));
    const std::string file = path("out.ini");
    EXPECT_EQ(store.writeSection(file.c_str(), "", singleByte), 3);
    EXPECT_EQ(readBytes(file), "[word]\r\n0=\"a\x81\"\r\n1=\"b\"\r\n2=\"c\"\r\n");
}

#if !defined(_WIN32)
// makeINIDB(file, "") while files may grow to `bytes` at most (the signal
// of a write past that ignored, so that the write fails instead).
int makeINIDBWithFileLimit(const std::string& file, rlim_t bytes)
{
    struct rlimit saved, small;
    if (getrlimit(RLIMIT_FSIZE, &saved) != 0) return -2;
    small = saved;
    small.rlim_cur = bytes;
    auto previous = std::signal(SIGXFSZ, SIG_IGN);
    const int rows = setrlimit(RLIMIT_FSIZE, &small) == 0 ? makeINIDB(file.c_str(), "") : -2;
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);
    return rows;
}

TEST_F(OneLineDic, AWriteCutShortLeavesTheOldFile)
{
    for (int i = 0; i < 50; ++i) appendToOneLineDic(("word" + std::to_string(i)).c_str());
    writeBytes(path("old.ini"), "old\r\n");
    EXPECT_EQ(makeINIDBWithFileLimit(path("old.ini"), 64), -1);
    EXPECT_EQ(readBytes(path("old.ini")), "old\r\n");
    EXPECT_EQ(listing(), "old.ini;");
}
#endif

// The "[word]" section, whole or written in pieces: rows that reach over a
// piece's end, long entries, line feeds inside entries and rows that go on
// into the next entry after an odd run of lead bytes, against the plain
// numbered list of the selected words.
TEST_F(OneLineDic, SectionIsThePlainNumberedListOfTheSelectedWords)
{
    std::mt19937 rng(3);
    const std::string file = path("out.ini");
    testing_support::underBothCodePages([&](int) {
        for (int round = 0; round < 400; ++round) {
            WordList store;
            // Long entries too: past the size that is written as one row,
            // and on a few rounds past the pieces handed to the file.
            const bool large = round % 100 == 0;
            for (int n = large ? 40000 : round % 50 == 0 ? 150 : rng() % 12; n-- > 0;) {
                std::string w = testing_support::randomText(rng, rng() % 4 == 0 ? 90 : 8);
                if (large && rng() % 500 == 0) w += std::string(rng() % 70000, 'L');
                store.push_back(w);
            }
            std::string prefix, words;
            if (rng() % 3 == 0 && !store.empty()) prefix = store[0].substr(0, rng() % 3);
            for (std::string_view w : store)
                if (w.compare(0, prefix.size(), prefix) == 0) words.append(w).append("\n");
            const long long rows = store.writeSection(file.c_str(), prefix, codePage());
            if (!large) {
                EXPECT_EQ(rows, static_cast<long long>(reference::splitLines(words).size()));
            }
            EXPECT_EQ(store.writeSection("", prefix, codePage()), rows);
            // The plain numbered list on small lists; on large ones, checked
            // against it elsewhere, the list fed whole.
            std::string onDisk;
            if (large) {
                const std::string whole = path("whole.ini");
                ASSERT_GE(quillet::writeNumberedList("[word]", whole.c_str(), words, false, codePage()), 0);
                onDisk = readBytes(whole);
            } else {
                for (char c : reference::formatNumberedList("[word]", words, false))
                    onDisk += c == '\n' ? std::string("\r\n") : std::string(1, c);
            }
            ASSERT_EQ(readBytes(file), onDisk) << "round " << round;
        }
    });
    EXPECT_EQ(listing(), "out.ini;whole.ini;");
}

#if !defined(_WIN32)
TEST_F(OneLineDic, AFailedWriteInAnyPieceIsReported)
{
    for (int i = 0; i < 100000; ++i) appendToOneLineDic(("word" + std::to_string(i)).c_str());
    EXPECT_EQ(makeINIDB("/dev/full", ""), -1);
    writeBytes(path("old.ini"), "old\r\n");
    // Past the first piece, short of the last.
    EXPECT_EQ(makeINIDBWithFileLimit(path("old.ini"), 600000), -1);
    EXPECT_EQ(readBytes(path("old.ini")), "old\r\n");
    EXPECT_EQ(listing(), "old.ini;");
}
#endif

}  // namespace
