#include "text/string_ops.h"

#include <gtest/gtest.h>

#include "support/reference_model.h"
#include "quillet.h"
#include "text/code_page.h"

namespace {

// Under code page 932 for the double-byte cases; back to the default after.
class DoubleByteTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(selectCodePage(932)); }
    void TearDown() override { selectCodePage(0); }
};

class SingleByteTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(selectCodePage(1252)); }
    void TearDown() override { selectCodePage(0); }
};

TEST_F(DoubleByteTest, TrailBytesFollowOddRunsOfLeadBytes)
{
    EXPECT_FALSE(isTrailByteAt("\x81\x5C\\", 0));
    EXPECT_FALSE(isTrailByteAt("\x81\x5C\\", -1));
    EXPECT_TRUE(isTrailByteAt("\x81\x5C\\", 1));
    EXPECT_FALSE(isTrailByteAt("\x81\x5C\\", 2));
    // Two lead-byte values in a row: the second is the trail of the first.
    EXPECT_TRUE(isTrailByteAt("\x81\x82x", 1));
    EXPECT_FALSE(isTrailByteAt("\x81\x82x", 2));
    EXPECT_TRUE(isTrailByteAt("\x81", 1));  // the end, after a lone lead byte
    EXPECT_FALSE(isTrailByteAt("\x81", 5));
}

TEST_F(SingleByteTest, NoByteIsATrailByte)
{
    EXPECT_FALSE(isTrailByteAt("\x81\x5C\\", 1));
    std::string text = "\x81\\x";
    EXPECT_EQ(takeToken(text, "\\"), "\x81");
    EXPECT_EQ(text, "x");
}

TEST(TakeToken, CutsThePieceBeforeTheDelimiter)
{
    std::string text = "a,b,,c";
    EXPECT_EQ(takeToken(text, ","), "a");
    EXPECT_EQ(text, "b,,c");
    EXPECT_EQ(takeToken(text, ","), "b");
    EXPECT_EQ(takeToken(text, ","), "");
    EXPECT_EQ(takeToken(text, ","), "c");
    EXPECT_EQ(text, "");
    EXPECT_EQ(takeToken(text, ","), "");

    text = "no delimiter";
    EXPECT_EQ(takeToken(text, ";"), "no delimiter");
    EXPECT_EQ(text, "");
    text = "whole";
    EXPECT_EQ(takeToken(text, ""), "whole");
    EXPECT_EQ(text, "");
    text = "\nrest\n";
    EXPECT_EQ(takeToken(text, "\n"), "");
    EXPECT_EQ(text, "rest\n");
    text = "a<>b<";
    EXPECT_EQ(takeToken(text, "<>"), "a");
    EXPECT_EQ(takeToken(text, "<>"), "b<");  // an occurrence must fit in the text
}

TEST_F(DoubleByteTest, TakeTokenSkipsADelimiterThatIsATrailByte)
{
    // 0x81 0x5C is one character whose second byte is a backslash.
    std::string text = "\x81\x5Cx\\y";
    EXPECT_EQ(takeToken(text, "\\"), "\x81\x5Cx");
    EXPECT_EQ(text, "y");
    // A line feed right after a lead byte stays inside the line.
    text = "a\x81\nb\nc";
    EXPECT_EQ(takeToken(text, "\n"), "a\x81\nb");
    EXPECT_EQ(text, "c");
}

TEST(ReplaceText, CountLimitsTheReplacements)
{
    auto replaced = [](std::string text, int count) {
        return replaceText(text, "ab", "X", count);
    };
    EXPECT_EQ(replaced("ab-ab-ab", 0), "ab-ab-ab");
    EXPECT_EQ(replaced("ab-ab-ab", 1), "X-ab-ab");
    EXPECT_EQ(replaced("ab-ab-ab", 2), "X-X-ab");
    EXPECT_EQ(replaced("ab-ab-ab", -1), "X-X-X");
    EXPECT_EQ(replaced("ab-ab-ab", -5), "X-X-X");
    EXPECT_EQ(replaced("ab-ab-ab", 7), "X-X-X");
}

TEST(ReplaceText, LeftToRightWithoutOverlapOrRescan)
{
    std::string text = "aaa";
    EXPECT_EQ(replaceText(text, "aa", "b", -1), "ba");
    text = "aXa";
    EXPECT_EQ(replaceText(text, "a", "aa", -1), "aaXaa");
    text = "a-b-a";
    EXPECT_EQ(replaceText(text, "a", "", -1), "-b-");
    text = "unchanged";
    EXPECT_EQ(replaceText(text, "", "x", -1), "unchanged");
    text = "";
    EXPECT_EQ(replaceText(text, "a", "b", -1), "");
}

TEST_F(DoubleByteTest, ReplaceTextSkipsTrailBytesAndCountsThem)
{
    // The first backslash is the trail byte of 0x81 0x5C.
    std::string text = "\x81\x5C\\";
    EXPECT_EQ(replaceText(text, "\\", "/", 1), "\x81\x5C\\");
    text = "\x81\x5C\\";
    EXPECT_EQ(replaceText(text, "\\", "/", 2), "\x81\x5C/");
    text = "\x81\x5C\\\\";
    EXPECT_EQ(replaceText(text, "\\", "/", -1), "\x81\x5C//");
}

TEST_F(DoubleByteTest, ReplaceTextJudgesTrailBytesInTheRewrittenText)
{
    // After "a" becomes a lead byte, the backslash that follows is its trail.
    std::string text = "a\\";
    EXPECT_EQ(replaceText(text, "a", "\x81", 1), "\x81\\");
    text = "a\\b\\";
    EXPECT_EQ(replaceText(text, "a", "\x81", 1), "\x81\\b\\");
    text = "a\\";
    EXPECT_EQ(replaceText(replaceText(text, "a", "\x81", 1), "\\", "/", -1), "\x81\\");
    // Within one call too: the first replacement makes the next "a" a trail.
    text = "aaa";
    EXPECT_EQ(replaceText(text, "a", "\x81", -1), "\x81" "a\x81");
    // Every occurrence is judged in the current text, replacements included.
    text = "x\\\\";
    EXPECT_EQ(replaceText(text, "x", "\x81", -1), "\x81\\\\");
    std::string again = text;
    EXPECT_EQ(replaceText(again, "\\", "/", -1), "\x81\\/");
}

TEST(UnquoteField, StripsOuterQuotesAndHalvesInnerPairs)
{
    auto unquoted = [](std::string text) {
        unquoteField(text);
        return text;
    };
    EXPECT_EQ(unquoted(""), "");
    EXPECT_EQ(unquoted("abc"), "abc");
    EXPECT_EQ(unquoted("a\"\"b"), "a\"\"b");  // not quoted: left alone
    EXPECT_EQ(unquoted("\""), "");
    EXPECT_EQ(unquoted("\"\""), "");
    EXPECT_EQ(unquoted("\"a\"\"b\""), "a\"b");
    EXPECT_EQ(unquoted("\"\"\"\"\"\""), "\"\"");
    EXPECT_EQ(unquoted("\"abc"), "ab");  // loses its last byte all the same
}

// The fast routines against the plain transcriptions, on many inputs.
TEST(StringOpsModel, MatchesThePlainAlgorithms)
{
    testing_support::underBothCodePages([](int) {
        std::mt19937 rng(20261208);
        for (int round = 0; round < 4000; ++round) {
            std::string text = testing_support::randomText(rng, 40);
            std::string pattern = testing_support::randomText(rng, 3);
            std::string replacement = testing_support::randomText(rng, 4);
            int count = static_cast<int>(rng() % 7) - 3;

            for (long long pos = -1; pos <= static_cast<long long>(text.size()); ++pos)
                ASSERT_EQ(isTrailByteAt(text, pos), reference::isTrailByteAt(text, pos));

            std::string mine = text, theirs = text;
            while (!theirs.empty()) {
                ASSERT_EQ(takeToken(mine, pattern), reference::takeToken(theirs, pattern))
                    << "text " << ::testing::PrintToString(text);
                ASSERT_EQ(mine, theirs);
            }

            mine = text;
            theirs = text;
            ASSERT_EQ(replaceText(mine, pattern, replacement, count),
                      reference::replaceText(theirs, pattern, replacement, count))
                << "text " << ::testing::PrintToString(text) << " pattern "
                << ::testing::PrintToString(pattern) << " count " << count;

            mine = "\"" + text;
            theirs = mine;
            unquoteField(mine);
            reference::unquoteField(theirs);
            ASSERT_EQ(mine, theirs);
        }
    });
}

}  // namespace

namespace {

TEST(ParseBackSlashStringModel, MatchesThePlainAlgorithm)
{
    testing_support::underBothCodePages([](int) {
        std::mt19937 rng(99);
        for (int round = 0; round < 4000; ++round) {
            std::string text = testing_support::randomText(rng, 30);
            if (text.empty()) continue;
            ASSERT_EQ(std::string(parseBackSlashString(text.c_str())),
                      reference::parseBackSlashString(text))
                << ::testing::PrintToString(text);
        }
    });
}

}  // namespace
