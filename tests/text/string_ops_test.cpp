#include "text/string_ops.h"

#include <gtest/gtest.h>

#include "quillet.h"
#include "support/reference_model.h"

namespace {

using quillet::replaceText;
using quillet::unquoteField;
using testing_support::codePage;
using testing_support::selectCodePage;

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

// Whether text[pos] is the second byte of a character, by the code page's
// run parity.
bool trailAt(const std::string& text, std::size_t pos)
{
    return codePage().leadRunOdd(text.data(), 0, pos, false);
}

TEST_F(DoubleByteTest, TrailBytesFollowOddRunsOfLeadBytes)
{
    EXPECT_FALSE(trailAt("\x81\x5C\\", 0));
    EXPECT_TRUE(trailAt("\x81\x5C\\", 1));
    EXPECT_FALSE(trailAt("\x81\x5C\\", 2));
    // Two lead-byte values in a row: the second is the trail of the first.
    EXPECT_TRUE(trailAt("\x81\x82x", 1));
    EXPECT_FALSE(trailAt("\x81\x82x", 2));
    EXPECT_TRUE(trailAt("\x81", 1));  // the end, after a lone lead byte
    // Walking forward from a known parity gives the parity from the start.
    const std::string text = "\x81\x81\x81x\x81\x81";
    bool odd = false;
    for (std::size_t q = 0, p = 1; p <= text.size(); q = p++) {
        odd = codePage().leadRunOdd(text.data(), q, p, odd);
        EXPECT_EQ(odd, trailAt(text, p)) << p;
    }
}

TEST_F(SingleByteTest, NoByteIsATrailByte)
{
    EXPECT_FALSE(trailAt("\x81\x5C\\", 1));
}

TEST(ReplaceText, CountLimitsTheReplacements)
{
    auto replaced = [](std::string text, int count) {
        return replaceText(text, "ab", "X", count, codePage());
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
    EXPECT_EQ(replaceText(text, "aa", "b", -1, codePage()), "ba");
    text = "aXa";
    EXPECT_EQ(replaceText(text, "a", "aa", -1, codePage()), "aaXaa");
    text = "a-b-a";
    EXPECT_EQ(replaceText(text, "a", "", -1, codePage()), "-b-");
    text = "unchanged";
    EXPECT_EQ(replaceText(text, "", "x", -1, codePage()), "unchanged");
    text = "";
    EXPECT_EQ(replaceText(text, "a", "b", -1, codePage()), "");
}

TEST_F(DoubleByteTest, ReplaceTextSkipsTrailBytesAndCountsThem)
{
    // The first backslash is the trail byte of 0x81 0x5C.
    std::string text = "\x81\x5C\\";
    EXPECT_EQ(replaceText(text, "\\", "/", 1, codePage()), "\x81\x5C\\");
    text = "\x81\x5C\\";
    EXPECT_EQ(replaceText(text, "\\", "/", 2, codePage()), "\x81\x5C/");
    text = "\x81\x5C\\\\";
    EXPECT_EQ(replaceText(text, "\\", "/", -1, codePage()), "\x81\x5C//");
}

TEST_F(DoubleByteTest, ReplaceTextJudgesTrailBytesInTheRewrittenText)
{
    // After "a" becomes a lead byte, the backslash that follows is its trail.
    std::string text = "a\\";
    EXPECT_EQ(replaceText(text, "a", "\x81", 1, codePage()), "\x81\\");
    text = "a\\b\\";
    EXPECT_EQ(replaceText(text, "a", "\x81", 1, codePage()), "\x81\\b\\");
    text = "a\\";
    EXPECT_EQ(replaceText(replaceText(text, "a", "\x81", 1, codePage()), "\\", "/", -1, codePage()), "\x81\\");
    // Within one call too: the first replacement makes the next "a" a trail.
    text = "aaa";
    EXPECT_EQ(replaceText(text, "a", "\x81", -1, codePage()), "\x81" "a\x81");
    // Every occurrence is judged in the current text, replacements included.
    text = "x\\\\";
    EXPECT_EQ(replaceText(text, "x", "\x81", -1, codePage()), "\x81\\\\");
    std::string again = text;
    EXPECT_EQ(replaceText(again, "\\", "/", -1, codePage()), "\x81\\/");
}

TEST(UnquoteField, StripsOuterQuotesAndHalvesInnerPairs)
{
    auto unquoted = [](std::string text) {
        unquoteField(text, codePage());
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

            for (std::size_t pos = 0; pos <= text.size(); ++pos)
                ASSERT_EQ(trailAt(text, pos), reference::isTrailByteAt(text, static_cast<long long>(pos)));

            std::string mine, theirs;
            mine = text;
            theirs = text;
            ASSERT_EQ(replaceText(mine, pattern, replacement, count, codePage()),
                      reference::replaceText(theirs, pattern, replacement, count))
                << "text " << ::testing::PrintToString(text) << " pattern "
                << ::testing::PrintToString(pattern) << " count " << count;

            mine = "\"" + text;
            theirs = mine;
            unquoteField(mine, codePage());
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
