#include "text/numbered_list.h"

#include <gtest/gtest.h>

#include "support/reference_model.h"
#include "support/test_files.h"
#include "text/line_cursor.h"
#include "text/text_file.h"

namespace {

using testing_support::codePage;

// Text as it stands on disk: every "\n" as "\r\n".
std::string onDisk(const std::string& text)
{
    std::string out;
    for (char c : text) out += c == '\n' ? std::string("\r\n") : std::string(1, c);
    return out;
}

class NumberedListFile : public testing_support::TempFolderTest {
protected:
    // The file that body writes through a numbered list titled title.
    template <class Body>
    std::string written(const std::string& title, Body body)
    {
        const std::string file = path("list.ini");
        EXPECT_TRUE(quillet::writeTextFileBy(file.c_str(), false, [&](quillet::OutputBuffer& out) {
            quillet::NumberedList list(out, title, codePage());
            body(list);
            list.finish();
            return true;
        }));
        return testing_support::readBytes(file);
    }

    // The section for the list text: fed whole, or in pieces of one byte
    // when asked, so that rows run on from one piece into the next.
    std::string fed(const std::string& title, const std::string& text, bool byteByByte = false)
    {
        return written(title, [&](quillet::NumberedList& list) {
            if (byteByByte)
                for (char c : text) list.feed(std::string_view(&c, 1));
            else
                list.feed(text);
        });
    }

    // The section with each line of text (as the line cursor cuts it)
    // unquoted into its own row.
    std::string unquotedRows(const std::string& title, const std::string& text)
    {
        return written(title, [&](quillet::NumberedList& list) {
            quillet::LineCursor lines(text.data(), text.size(), codePage());
            for (quillet::Line line; lines.next(line);)
                list.row(std::string_view(text).substr(line.begin, line.end - line.begin),
                         quillet::NumberedList::unquote | quillet::NumberedList::innerQuotes |
                             quillet::NumberedList::mayHoldBreak);
        });
    }
};

TEST_F(NumberedListFile, OneRowPerLine)
{
    EXPECT_EQ(fed("[keylist]", "name\nvalue\n\n"), onDisk("[keylist]\n0=\"name\"\n1=\"value\"\n2=\"\"\n"));
    EXPECT_EQ(fed("[word]", ""), onDisk("[word]\n"));
    EXPECT_EQ(fed("", "a\n\n"), onDisk("\n0=\"a\"\n1=\"\"\n"));
    EXPECT_EQ(unquotedRows("[t]", "\"x\"\"y\"\nq\"\\"), onDisk("[t]\n0=\"x\"y\"\n1=\"q\"\\\"\n"));
}

TEST_F(NumberedListFile, WritesReplacesOrAppends)
{
    const std::string file = path("list.ini");
    EXPECT_EQ(quillet::writeNumberedList("[word]", file.c_str(), "a\nb", false, codePage()), 2);
    EXPECT_EQ(testing_support::readBytes(file), "[word]\r\n0=\"a\"\r\n1=\"b\"\r\n");
    EXPECT_EQ(quillet::writeNumberedList("[word]", file.c_str(), "c", true, codePage()), 1);
    EXPECT_EQ(testing_support::readBytes(file), "[word]\r\n0=\"a\"\r\n1=\"b\"\r\n\r\n[word]\r\n0=\"c\"\r\n");
    EXPECT_EQ(quillet::writeNumberedList("[word]", path("no/such/list.ini").c_str(), "x", false, codePage()), -1);
    EXPECT_EQ(quillet::writeNumberedList("[word]", "", "x\ny", false, codePage()), 2);
    EXPECT_EQ(listing(), "list.ini;");
}

// Fed whole, in pieces, or cut into rows first: the same section as the
// plain transcription, under both code pages; on disk every "\n" is "\r\n".
TEST_F(NumberedListFile, MatchesThePlainAlgorithm)
{
    testing_support::underBothCodePages([&](int) {
        std::mt19937 rng(5);
        for (int round = 0; round < 1000; ++round) {
            const std::string text = testing_support::randomText(rng, 30);
            const std::string expected = onDisk(reference::formatNumberedList("[t]", text, false));
            ASSERT_EQ(fed("[t]", text), expected) << testing::PrintToString(text);
            ASSERT_EQ(fed("[t]", text, true), expected) << testing::PrintToString(text);
            ASSERT_EQ(unquotedRows("[t]", text), onDisk(reference::formatNumberedList("[t]", text, true)))
                << testing::PrintToString(text);
        }
    });
}

}  // namespace
