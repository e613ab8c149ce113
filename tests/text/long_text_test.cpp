// The routines that work sixteen bytes or a file chunk at a time, against the
// plain transcriptions on texts long enough to cross those steps.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "quillet.h"
#include "support/reference_model.h"
#include "support/test_files.h"
#include "text/string_ops.h"
#include "text/line_cursor.h"
#include "text/text_file.h"

namespace {

using testing_support::codePage;
using testing_support::randomText;

class LongFiles : public testing_support::TempFolderTest {};

// Random text of about `length` bytes: pieces of randomText joined, so that
// line breaks, quotes and lead bytes fall at every offset of a block.
std::string longText(std::mt19937& rng, std::size_t length)
{
    std::string text;
    while (text.size() < length) text += randomText(rng, 40);
    return text;
}

// The lines of text as the line cursor cuts them, from position from.
std::vector<std::string> cursorLines(const std::string& text, std::size_t from = 0)
{
    std::vector<std::string> lines;
    quillet::LineCursor cursor(text.data(), text.size(), codePage(), from);
    for (quillet::Line line; cursor.next(line);) {
        EXPECT_EQ(line.ended, line.end < text.size());
        lines.push_back(text.substr(line.begin, line.end - line.begin));
    }
    return lines;
}

TEST(LineCursor, GivesTheLinesThatRepeatedTakeTokenGives)
{
    testing_support::underBothCodePages([](int) {
        std::mt19937 rng(31);
        for (int round = 0; round < 300; ++round) {
            // Over 64 line feeds on some rounds, so that the cursor looks for
            // more in the middle of a line.
            const std::string text = longText(rng, rng() % (round % 3 ? 600 : 4000));
            ASSERT_EQ(cursorLines(text), reference::splitLines(text)) << ::testing::PrintToString(text);
        }
    });
}

// Read from a file piece by piece, lines come out whole whatever the size
// of the pieces, a last line without "\n" included.
TEST_F(LongFiles, TheLineReaderGivesTheLinesOfTheWholeText)
{
    testing_support::underBothCodePages([&](int) {
        std::mt19937 rng(37);
        for (int round = 0; round < 60; ++round) {
            std::string bytes = longText(rng, rng() % 3000);
            if (round % 5 == 0) bytes += std::string(500 + rng() % 500, 'x');  // longer than many pieces
            testing_support::writeBytes(path("in.txt"), bytes);
            const std::string text = reference::applyReadRules(bytes);
            const std::size_t piece = 1 + rng() % 97;
            quillet::LineReader reader(codePage(), piece);
            ASSERT_TRUE(reader.open(path("in.txt").c_str()));
            std::vector<std::string> lines;
            while (reader.nextPiece()) {
                std::string_view line;
                bool ended;
                while (reader.nextLine(line, ended)) lines.emplace_back(line);
            }
            ASSERT_FALSE(reader.failed());
            ASSERT_EQ(reader.empty(), text.empty());
            ASSERT_EQ(lines, reference::splitLines(text)) << "pieces of " << piece;
        }
    });
}

TEST(LongReplace, MatchesThePlainAlgorithm)
{
    testing_support::underBothCodePages([](int) {
        std::mt19937 rng(32);
        for (int round = 0; round < 400; ++round) {
            const std::string text = longText(rng, rng() % 400);
            // Patterns taken from the text itself, so that most are found.
            const std::size_t at = text.empty() ? 0 : rng() % text.size();
            const std::string pattern = text.substr(at, 1 + rng() % 6);
            const std::string replacement = randomText(rng, 5);
            const int count = static_cast<int>(rng() % 9) - 4;
            std::string mine = text, theirs = text;
            ASSERT_EQ(quillet::replaceText(mine, pattern, replacement, count, codePage()),
                      reference::replaceText(theirs, pattern, replacement, count))
                << ::testing::PrintToString(text) << " " << ::testing::PrintToString(pattern);
            // The export, from a copy and from its own result.
            ASSERT_EQ(std::string(replace(text.c_str(), pattern.c_str(), replacement.c_str(), count)), theirs);
            ASSERT_EQ(std::string(replace(text.c_str(), "", "", -1)), text);
            ASSERT_EQ(std::string(replace(replace(text.c_str(), "", "", -1), pattern.c_str(), replacement.c_str(), count)),
                      theirs);
        }
    });
}

TEST(LongReplace, ATextThatDefeatsTheQuickFilterStillGivesEveryOccurrence)
{
    // Every place begins and ends like the pattern, and almost none is one.
    const std::string pattern = "a" + std::string(30, 'b') + "a";
    std::string text(5000, 'a');
    text += pattern + std::string(200, 'a') + pattern + "a";
    std::string mine = text, theirs = text;
    EXPECT_EQ(quillet::replaceText(mine, pattern, "<>", -1, codePage()),
              reference::replaceText(theirs, pattern, "<>", -1));
    EXPECT_EQ(mine.size(), text.size() - 2 * (pattern.size() - 2));
}

TEST(LongParseBackSlashString, MatchesThePlainAlgorithm)
{
    testing_support::underBothCodePages([](int) {
        std::mt19937 rng(33);
        for (int round = 0; round < 400; ++round) {
            const std::string text = longText(rng, 1 + rng() % 500);
            const std::string expected = reference::parseBackSlashString(text);
            ASSERT_EQ(std::string(parseBackSlashString(text.c_str())), expected)
                << ::testing::PrintToString(text);
            // Its own result as the argument is resolved again, as a copy.
            if (expected.empty()) continue;
            ASSERT_EQ(std::string(parseBackSlashString(parseBackSlashString(text.c_str()))),
                      reference::parseBackSlashString(expected));
        }
    });
}

TEST_F(LongFiles, ReadingMatchesThePlainRulesAcrossChunks)
{
    testing_support::underBothCodePages([&](int) {
        std::mt19937 rng(34);
        for (int round = 0; round < 6; ++round) {
            // Over a megabyte, line ends split across every read step; a file
            // that ends at a 0x1A or NUL past the first step on some rounds.
            std::string bytes = longText(rng, (1 << 20) + rng() % 5000);
            for (std::size_t at = 1 << 18; at < bytes.size(); at += 1 << 18) bytes[at - 1] = '\r';
            if (round == 1) bytes[300000] = '\x1A';
            if (round == 2) bytes[700000] = '\0';
            testing_support::writeBytes(path("in.txt"), bytes);
            std::string text;
            ASSERT_TRUE(quillet::readTextFile(path("in.txt").c_str(), text));
            ASSERT_EQ(text, reference::applyReadRules(bytes)) << "round " << round;
            ASSERT_EQ(cursorLines(text), reference::splitLines(text));
        }
    });
}

TEST_F(LongFiles, WritingTurnsEveryLineFeedIntoTwoBytes)
{
    std::mt19937 rng(35);
    for (bool append : {false, true}) {
        std::string text = longText(rng, (1 << 19) + 77);
        text += "\n\n";
        std::string expected = append ? "\r\n" : "";
        for (char c : text) expected += c == '\n' ? std::string("\r\n") : std::string(1, c);
        testing_support::writeBytes(path("out.txt"), "");
        ASSERT_TRUE(quillet::writeTextFile(path("out.txt").c_str(), text, append));
        ASSERT_EQ(testing_support::readBytes(path("out.txt")), expected);
    }
}

// Text made of lines and line breaks of every spacing, so that sixteen-byte
// blocks hold none, one or several carriage returns or line feeds at every
// offset; on some rounds a 0x1A or NUL near the end.
std::string lineText(std::mt19937& rng, std::size_t length)
{
    static const char* const pieces[] = {"\r\n", "\r\n", "\r", "\n", "\r\r\n", "a", "bc", "key=value",
                                         "0123456789abcdef", "\x81\r\n", "\n\n", "  indented line"};
    std::uniform_int_distribution<int> pick(0, sizeof pieces / sizeof *pieces - 1);
    std::string text;
    while (text.size() < length) text += pieces[pick(rng)];
    return text;
}

TEST_F(LongFiles, CarriageReturnsAndLineFeedsAtEveryOffset)
{
    std::mt19937 rng(36);
    for (int round = 0; round < 400; ++round) {
        std::string bytes = lineText(rng, round < 300 ? round : 70000 + rng() % 100);
        if (round % 7 == 3 && !bytes.empty()) bytes[bytes.size() - 1 - rng() % std::min<std::size_t>(bytes.size(), 40)] = round % 2 ? '\x1A' : '\0';
        testing_support::writeBytes(path("in.txt"), bytes);
        std::string text;
        ASSERT_TRUE(quillet::readTextFile(path("in.txt").c_str(), text));
        ASSERT_EQ(text, reference::applyReadRules(bytes)) << "round " << round;

        std::string expected;
        for (char c : bytes) expected += c == '\n' ? std::string("\r\n") : std::string(1, c);
        ASSERT_TRUE(quillet::writeTextFile(path("out.txt").c_str(), bytes, false));
        ASSERT_EQ(testing_support::readBytes(path("out.txt")), expected) << "round " << round;
    }
}

}  // namespace
