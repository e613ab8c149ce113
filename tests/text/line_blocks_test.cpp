#include "text/line_blocks.h"

#include <gtest/gtest.h>

#include "support/reference_model.h"
#include "support/test_files.h"

namespace {

Store grouped(Store store, const std::string& marker, bool iniMode)
{
    groupBlocks(store, marker, iniMode);
    return store;
}

TEST(GroupBlocks, IniModeKeepsALeadingBlockAndStripsIndents)
{
    Store lines = {"  [a]", "x=1", "", "[b]", "y=2"};
    EXPECT_EQ(grouped(lines, "[", true), (Store{"[a]\nx=1\n\n", "[b]\ny=2\n"}));
    lines.push_front(";note");
    EXPECT_EQ(grouped(lines, "[", true), (Store{";note\n", "[a]\nx=1\n\n", "[b]\ny=2\n"}));
    EXPECT_EQ(grouped({"", "[a]"}, "[", true), (Store{"\n", "[a]\n"}));
    // A line of blanks only keeps them; an indented key loses its indent.
    EXPECT_EQ(grouped({"[a]", "  ", "\t k=v"}, "[", true), (Store{"[a]\n  \nk=v\n"}));
    EXPECT_EQ(grouped({"x=1", "  y=2"}, "[", true), Store());
    EXPECT_EQ(grouped({}, "[", true), Store());
}

TEST(GroupBlocks, PlainModeDropsLinesBeforeTheFirstHead)
{
    EXPECT_EQ(grouped({"intro", "*one", "a", "*two"}, "*", false), (Store{"*one\na\n", "*two\n"}));
    EXPECT_EQ(grouped({" *one", "a"}, "*", false), Store());
    EXPECT_EQ(grouped({}, "*", false), Store());
    // A marker ending in a line break matches whole lines only.
    EXPECT_EQ(grouped({"#", "body", "#x", "#"}, "#\n", false), (Store{"#\nbody\n#x\n", "#\n"}));
}

TEST(GroupBlocks, MatchesThePlainAlgorithm)
{
    testing_support::underBothCodePages([](int) {
        std::mt19937 rng(11);
        for (int round = 0; round < 2000; ++round) {
            Store lines;
            int count = static_cast<int>(rng() % 8);
            for (int i = 0; i < count; ++i) lines.push_back(testing_support::randomText(rng, 6));
            std::string marker = testing_support::randomText(rng, 2);
            if (marker.empty()) marker = "[";
            for (bool iniMode : {false, true}) {
                std::list<std::string> expected(lines.begin(), lines.end());
                reference::groupBlocks(expected, marker, iniMode);
                ASSERT_EQ(grouped(lines, marker, iniMode), expected)
                    << "marker " << ::testing::PrintToString(marker) << " ini " << iniMode;
            }
        }
    });
}

TEST(Prefixes, HasPrefixAndFindNthPrefix)
{
    EXPECT_TRUE(hasPrefix("[main]", "[ma"));
    EXPECT_TRUE(hasPrefix("", ""));
    EXPECT_FALSE(hasPrefix("[m", "[main]"));
    EXPECT_FALSE(hasPrefix("[Main]", "[main"));

    Store store = {"[a]x", "y", "[a]z"};
    int n = 2;
    EXPECT_EQ(findNthPrefix(store, "[a]", n), 2);
    EXPECT_EQ(n, 2);
    n = 1;
    EXPECT_EQ(findNthPrefix(store, "[a]", n), 0);
    n = 3;
    EXPECT_EQ(findNthPrefix(store, "[a]", n), -1);
    EXPECT_EQ(n, 2);
    n = 0;
    EXPECT_EQ(findNthPrefix(store, "[a]", n), -1);
    EXPECT_EQ(n, 0);
    n = -4;
    EXPECT_EQ(findNthPrefix(store, "", n), -1);
    EXPECT_EQ(n, 0);
}

class NumberedList : public testing_support::TempFolderTest {};

TEST_F(NumberedList, FormatsOneRowPerLine)
{
    std::string text = "name\nvalue\n\n";
    EXPECT_EQ(formatNumberedList("[keylist]", "", text, false, false), 3);
    EXPECT_EQ(text, "[keylist]\n0=\"name\"\n1=\"value\"\n2=\"\"\n");
    text = "";
    EXPECT_EQ(formatNumberedList("[word]", "", text, false, false), 0);
    EXPECT_EQ(text, "[word]\n");
    text = "a\n\n";
    EXPECT_EQ(formatNumberedList("", "", text, false, false), 2);
    EXPECT_EQ(text, "\n0=\"a\"\n1=\"\"\n");
    text = "\"x\"\"y\"\nq\"\\";
    EXPECT_EQ(formatNumberedList("[t]", "", text, false, true), 2);
    EXPECT_EQ(text, "[t]\n0=\"x\"y\"\n1=\"q\"\\\"\n");
}

TEST_F(NumberedList, WritesReplacesOrAppends)
{
    std::string file = path("list.ini");
    std::string text = "a\nb";
    EXPECT_EQ(formatNumberedList("[word]", file.c_str(), text, false, false), 2);
    EXPECT_EQ(testing_support::readBytes(file), "[word]\r\n0=\"a\"\r\n1=\"b\"\r\n");
    text = "c";
    EXPECT_EQ(formatNumberedList("[word]", file.c_str(), text, true, false), 1);
    EXPECT_EQ(testing_support::readBytes(file),
              "[word]\r\n0=\"a\"\r\n1=\"b\"\r\n\r\n[word]\r\n0=\"c\"\r\n");
    text = "x";
    std::string missing = path("no/such/list.ini");
    EXPECT_EQ(formatNumberedList("[word]", missing.c_str(), text, false, false), -1);
    EXPECT_EQ(text, "[word]\n0=\"x\"\n");
}

TEST(NumberedListModel, MatchesThePlainAlgorithm)
{
    testing_support::underBothCodePages([](int) {
        std::mt19937 rng(5);
        for (int round = 0; round < 2000; ++round) {
            std::string text = testing_support::randomText(rng, 30);
            bool unquote = round % 2 == 1;
            std::string expected = reference::formatNumberedList("[t]", text, unquote);
            formatNumberedList("[t]", "", text, false, unquote);
            ASSERT_EQ(text, expected);
        }
    });
}

}  // namespace
