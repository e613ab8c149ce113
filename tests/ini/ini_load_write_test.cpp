#include <gtest/gtest.h>

#include <random>

#include "ini/ini_store.h"
#include "ini/ini_reference_model.h"
#include "quillet.h"
#include "support/test_files.h"
#include "text/text_file.h"

namespace {

using ini_reference::iniSections;
using ini_reference::resultText;
using ini_reference::useStore;

using testing_support::TempFolderTest;

// Random concatenations of the pieces that INI lines are made of, double-byte
// characters with trail bytes "[", "]", "\\" and a lone lead byte included.
std::string randomINIText(std::mt19937& rng)
{
    static const char* const pieces[] = {
        "[", "]", "=", ";", " ", "\t", "\n", "\n", "\n", "key", "[sec]", "  [ind]", "\t[t]",
        "\x81\x5D", "\x82\x5B", "\x83\x5C", "\x81", "\x88\x9F", "x=1", "  ", "\n\n",
    };
    std::uniform_int_distribution<int> count(0, 60), pick(0, sizeof pieces / sizeof *pieces - 1);
    std::string text;
    for (int n = count(rng); n > 0; --n) text += pieces[pick(rng)];
    return text;
}

class INIGrouping : public TempFolderTest {
protected:
    // The blocks that loading a file of these bytes cuts.
    testing_support::Texts loaded(const std::string& bytes)
    {
        testing_support::writeBytes(path("g.ini"), bytes);
        quillet::IniStore store;
        store.load(path("g.ini").c_str(), testing_support::codePage());
        return ini_reference::blocksOf(store);
    }
};

TEST_F(INIGrouping, GivesTheStoreOfLinesThenBlocksOnGeneratedTexts)
{
    std::mt19937 rng(20240611);
    testing_support::underBothCodePages([&](int) {
        for (int i = 0; i < 4000; ++i) {
            std::string text = i % 2 ? randomINIText(rng) : testing_support::randomText(rng, 80);
            ASSERT_EQ(loaded(text), ini_reference::load(reference::applyReadRules(text)))
                << testing::PrintToString(text);
        }
    });
}

TEST_F(INIGrouping, LongTextsGiveTheSameBlocks)
{
    std::mt19937 rng(20240612);
    testing_support::underBothCodePages([&](int) {
        for (int i = 0; i < 60; ++i) {
            // Hundreds of lines, so that line ends are found in many batches.
            std::string text;
            for (int piece = 0; piece < 40; ++piece) text += randomINIText(rng);
            ASSERT_EQ(loaded(text), ini_reference::load(text)) << testing::PrintToString(text);
        }
    });
}

TEST_F(INIGrouping, ALoneLeadByteJoinsTheNextLineUnderADoubleBytePage)
{
    testing_support::underBothCodePages([&](int codePage) {
        if (codePage == 932)
            EXPECT_EQ(loaded("[a]\nk=\x81\n[b]\n"), (testing_support::Texts{"", "[a]\nk=\x81\n[b]\n"}));
        else
            EXPECT_EQ(loaded("[a]\nk=\x81\n[b]\n"), (testing_support::Texts{"", "[a]\nk=\x81\n", "[b]\n"}));
    });
}

class INILoad : public TempFolderTest {
protected:
    int load(const std::string& bytes)
    {
        testing_support::writeBytes(path("in.ini"), bytes);
        return loadINIFile(path("in.ini").c_str());
    }
};

TEST_F(INILoad, KeepsThePreambleAndOneBlockPerSection)
{
    EXPECT_EQ(load("; settings\r\n[main]\r\n  size=10\r\n[extra]\r\na=1\r\n"), 2);
    EXPECT_EQ(iniSections(), (testing_support::Texts{"; settings\n", "[main]\nsize=10\n", "[extra]\na=1\n"}));
    EXPECT_EQ(load("\t [main]\r\n  size=10\r\n[extra]\r\na=1"), 2);
    EXPECT_EQ(iniSections(), (testing_support::Texts{"", "[main]\nsize=10\n", "[extra]\na=1\n"}));
    EXPECT_EQ(load("\r\n[s]\r\n \t \r\n"), 1);
    EXPECT_EQ(iniSections(), (testing_support::Texts{"\n", "[s]\n \t \n"}));
}

// Files read a few bytes at a time cut into the blocks of the whole text,
// on the elements of an old store of any shape, which is used up.
TEST_F(INILoad, PiecesOfAnyLengthOnAnOldStoreGiveTheBlocksOfTheWholeText)
{
    std::mt19937 rng(20261208);
    const std::string file = path("pieces.ini");
    testing_support::underBothCodePages([&](int) {
        for (int i = 0; i < 300; ++i) {
            std::string bytes;
            for (int part = i % 5; part >= 0; --part) bytes += randomINIText(rng);
            if (i % 3 == 0) bytes += "\r\n[crlf]\r\nk=\r\n\r";  // carriage returns across pieces
            if (i % 7 == 0) bytes += std::string(100 + i, 'x');   // a last line longer than many pieces
            testing_support::writeBytes(file, bytes);
            std::string text;
            ASSERT_TRUE(quillet::readTextFile(file.c_str(), text));
            const testing_support::Texts whole = ini_reference::load(text);
            // A store that held blocks of any shape before: the load writes
            // over their memory.
            testing_support::Texts before;
            for (int n = i % 9; n > 0; --n) before.push_back(std::string(static_cast<std::size_t>(n * n * 7), 'o'));
            quillet::IniStore store(before, testing_support::codePage());
            const std::size_t piece = static_cast<std::size_t>(1 + i % 17);
            ASSERT_EQ(store.load(file.c_str(), testing_support::codePage(), piece),
                      whole.empty() ? -1 : static_cast<int>(whole.size()) - 1);
            ASSERT_EQ(ini_reference::blocksOf(store), whole) << testing::PrintToString(bytes) << " in pieces of " << piece;
        }
    });
    quillet::IniStore store(testing_support::Texts{"", "[o]\n"}, testing_support::codePage());
    EXPECT_EQ(store.load(path("missing.ini").c_str(), testing_support::codePage(), 4), -1);
    EXPECT_EQ(store.size(), 0u);
}

TEST_F(INILoad, FailsAndEmptiesTheStoreWithoutAHeaderLine)
{
    for (const char* bytes : {"; only\r\nkey=1\r\n", "", "\r\n", "a]\r\n"}) {
        ASSERT_EQ(load("[old]\r\n"), 1);
        EXPECT_EQ(load(bytes), -1) << bytes;
        EXPECT_TRUE(iniSections().empty()) << bytes;
    }
    ASSERT_EQ(load("[old]\r\n"), 1);
    EXPECT_EQ(loadINIFile(path("missing.ini").c_str()), -1);
    EXPECT_TRUE(iniSections().empty());
    EXPECT_EQ(loadINIFile(folder_.c_str()), -1);

    // An empty store writes an empty file.
    EXPECT_EQ(writeINIFile(path("out.ini").c_str()), 1);
    EXPECT_TRUE(testing_support::exists(path("out.ini")));
    EXPECT_EQ(testing_support::readBytes(path("out.ini")), "");
}

TEST_F(INILoad, WriteLeavesTheWrittenTextInResultTextEvenWhenItFails)
{
    ASSERT_EQ(load("; c\r\n[a]\r\nk=1"), 1);
    testing_support::Texts tail = iniSections();
    tail.back() += "tail without break";
    useStore(tail);
    EXPECT_EQ(writeINIFile(path("out.ini").c_str()), 1);
    EXPECT_EQ(resultText(), "; c\n[a]\nk=1\ntail without break\n");
    EXPECT_EQ(testing_support::readBytes(path("out.ini")), "; c\r\n[a]\r\nk=1\r\ntail without break\r\n");
    quillet::module().result.set("old");
    EXPECT_EQ(writeINIFile(path("no/such/folder.ini").c_str()), 0);
    EXPECT_EQ(resultText(), "; c\n[a]\nk=1\ntail without break\n");
    EXPECT_EQ(writeINIFile(""), 0);
}

}  // namespace
