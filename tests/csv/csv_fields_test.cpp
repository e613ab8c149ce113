#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "csv/csv_fields.h"
#include "quillet.h"
#include "support/csv_reference.h"
#include "support/reference_model.h"
#include "text/byte_scan.h"
#include "text/line_cursor.h"

namespace {

using testing_support::selectCodePage;

// The record's split text, as the field cursor gives it.
std::string split(const std::string& record)
{
    std::string copy = record;
    copy.reserve(copy.size() + quillet::scan::overRead);
    quillet::CsvFields fields(testing_support::codePage());
    fields.split(copy);
    return fields.splitText();
}

// The fields that the cursor yields, each unquoted, against the lines that a
// reader of the split text takes.
void expectFieldsOfSplitText(const std::string& record)
{
    std::string copy = record;
    copy.reserve(copy.size() + quillet::scan::overRead);
    quillet::CsvFields fields(testing_support::codePage());
    fields.split(copy);
    std::vector<std::string> lines = reference::splitLines(reference::librarySplit(record));
    if (record.find('\n') != std::string::npos) return;  // a line break in a record is getCSVField's
    ASSERT_EQ(fields.size(), lines.size()) << ::testing::PrintToString(record);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        ASSERT_EQ(fields.text(i), lines[i]) << ::testing::PrintToString(record) << " " << i;
        ASSERT_EQ(fields[i].quoted, !lines[i].empty() && lines[i][0] == '"');
        if (fields[i].quoted && !fields[i].innerQuotes) {
            // No quote inside to unquote: only the enclosing ones go.
            std::string unquoted = lines[i];
            reference::unquoteField(unquoted);
            ASSERT_EQ(unquoted, lines[i].substr(1, lines[i].size() - 2)) << ::testing::PrintToString(record);
        }
    }
}

// What getCSVField answers, as a string.
std::string field(const std::string& record, int fieldNo)
{
    return getCSVField(record.c_str(), fieldNo);
}

class DoubleByte : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(selectCodePage(932)); }
    void TearDown() override { selectCodePage(0); }
};

TEST(SplitCSVLine, WorkedSplits)
{
    const struct {
        const char* record;
        const char* split;
    } cases[] = {
        {"a,\"b,c\",,\"d\"\"e\"", "a\n\"b,c\"\n\n\"d\"\"e\""},
        {"a,b,", "a\nb\n\n"},
        {"a,,", "a\n\n\n"},
        {",", "\n\n"},
        {",,", "\n\n\n"},
        {"a,b", "a\nb"},
        {"", ""},
        {"a\"b,c", "a\"b\nc"},
        {"a, \"b,c\"", "a\n \"b\nc\""},
        {"\"x\"y\",z", "\"x\"y\"\nz"},
        {"a,\"b,c", "a"},
        {"\",a", ""},
        {"\"\",x", "\"\"\nx"},
        {"\"a\"\",b", ""},
        {",\"open", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(split(c.record), c.split) << c.record;
}

TEST(GetCSVField, FieldsOfTheExampleRecord)
{
    const std::string record = "a,\"b,c\",,\"d\"\"e\"";
    const char* expected[] = {"", "a", "b,c", "", "d\"e", "", ""};
    for (int n = 0; n <= 6; ++n) EXPECT_EQ(field(record, n), expected[n]) << n;
    EXPECT_EQ(field(record, -3), "");
    EXPECT_EQ(field(record, 2147483647), "");
    EXPECT_EQ(field("", 1), "");
}

TEST(GetCSVField, QuotingRules)
{
    EXPECT_EQ(field("a\"b,c", 1), "a\"b");      // a quote inside a field is ordinary
    EXPECT_EQ(field("a, \"b,c\"", 2), " \"b");  // so is one after a space
    EXPECT_EQ(field("a, \"b,c\"", 3), "c\"");
    EXPECT_EQ(field("\"x\"y\",z", 1), "x\"y");  // a stray quote stays
    EXPECT_EQ(field("\"x\"y\",z", 2), "z");
    EXPECT_EQ(field("\"a\"\"\",b", 1), "a\"");
    EXPECT_EQ(field("\"a\"\"\",b", 2), "b");
    EXPECT_EQ(field("\"\"\"\",x", 1), "\"");
    EXPECT_EQ(field("\"\",x", 1), "");
    EXPECT_EQ(field("\"a\"\",b", 1), "");  // no single quote closes it
    EXPECT_EQ(field("a,\"b,c", 1), "a");   // an open quote drops the rest
    EXPECT_EQ(field("a,\"b,c", 2), "");
    EXPECT_EQ(field("a,b,", 3), "");
    EXPECT_EQ(field("a\nb,c", 2), "b");  // a line break also ends a field
}

TEST(GetCSVField, ReadsItsOwnResultWholeFirst)
{
    const char* inner = getCSVField("\"p,q,r,s\",t", 1);
    ASSERT_STREQ(inner, "p,q,r,s");
    EXPECT_STREQ(getCSVField(inner, 4), "s");
    inner = getCSVField("\"\"\"u\"\",v\"", 1);
    ASSERT_STREQ(inner, "\"u\",v");
    EXPECT_STREQ(getCSVField(inner, 1), "u");
    EXPECT_STREQ(getCSVField(getCSVField("x", 1), 0), "");
}

TEST_F(DoubleByte, ALeadByteTakesTheNextByteWithIt)
{
    EXPECT_EQ(split("\x81,x,y"), "\x81,x\ny");
    EXPECT_EQ(field("\x81,x,y", 1), "\x81,x");
    EXPECT_EQ(split("\x81\x81,"), "\x81\x81\n\n");  // a trail byte of lead value
    EXPECT_EQ(split("\"a\x81\",b"), "");             // the quote is a trail byte
    EXPECT_EQ(split("\"a\x81\"\",b"), "\"a\x81\"\"\nb");
    EXPECT_EQ(field("a\x81\nb,c", 1), "a\x81\nb");
    ASSERT_TRUE(selectCodePage(1252));
    EXPECT_EQ(split("\x81,x,y"), "\x81\nx\ny");
    EXPECT_EQ(split("\"a\x81\",b"), "\"a\x81\"\nb");
    EXPECT_EQ(field("a\x81\nb,c", 1), "a\x81");
}

TEST_F(DoubleByte, ALeadByteThatEndsTheRecordIsOrdinary)
{
    EXPECT_EQ(split("a,b\x81"), "a\nb\x81");
    EXPECT_EQ(field("a,b\x81", 2), "b\x81");
    EXPECT_EQ(split("\x81"), "\x81");
    EXPECT_EQ(split("\"q\",\x81"), "\"q\"\n\x81");
    EXPECT_EQ(split("x,\"y\x81"), "x");  // still open at the end
    EXPECT_EQ(split("\x81\x41\x81"), "\x81\x41\x81");
    ASSERT_TRUE(selectCodePage(1252));
    EXPECT_EQ(split("a,b\x81"), "a\nb\x81");
}

// The splitter against the plain algorithm on many records, lone lead bytes
// at the end taken as ordinary bytes.
TEST(SplitCSVLineModel, MatchesThePlainAlgorithm)
{
    int loneLeads = 0;
    testing_support::underBothCodePages([&](int) {
        std::mt19937 rng(5021);
        for (int round = 0; round < 30000; ++round) {
            const std::string record = testing_support::randomText(rng, 30);
            bool loneLead = false;
            std::string fields = reference::librarySplit(record, &loneLead);
            loneLeads += loneLead;
            ASSERT_EQ(split(record), fields) << ::testing::PrintToString(record);
            expectFieldsOfSplitText(record);
            for (int n = 1; n <= 3; ++n) {
                std::string raw = reference::takeToken(fields, "\n");
                reference::unquoteField(raw);
                ASSERT_EQ(field(record, n), raw) << ::testing::PrintToString(record) << " " << n;
            }
        }
    });
    EXPECT_GT(loneLeads, 0);
}

// Longer records made of the pieces that the field search must get right:
// quotes in runs of every length, commas, fields that never close.
TEST(SplitCSVLineModel, LongRecordsMatchThePlainAlgorithm)
{
    static const char* const pieces[] = {"\"", "\"\"", "\"\"\"", ",", ",\"", "\",", "a", "bc", " ", "\x81\x5C",
                                         "\x82\"", "x\"y", "\x81\x81\x81", "\x81,"};
    testing_support::underBothCodePages([&](int) {
        std::mt19937 rng(5022);
        for (int round = 0; round < 20000; ++round) {
            std::string record;
            for (int n = rng() % 40; n > 0; --n)
                record += round % 2 ? pieces[rng() % (sizeof pieces / sizeof *pieces)]
                                    : testing_support::randomText(rng, 6);
            ASSERT_EQ(split(record), reference::librarySplit(record, nullptr)) << ::testing::PrintToString(record);
            expectFieldsOfSplitText(record);
        }
    });
}

// Records longer than those cut by marks are cut by searches, alike.
TEST(SplitCSVLineModel, RecordsPastTheMarkedLengthMatchThePlainAlgorithm)
{
    std::mt19937 rng(5023);
    for (int round = 0; round < 200; ++round) {
        std::string record;
        while (record.size() < 4000 + rng() % 200) record += "\"\",\"\"\"ab,"[rng() % 10];
        ASSERT_EQ(split(record), reference::librarySplit(record, nullptr)) << round;
        expectFieldsOfSplitText(record);
    }
}

// Whole texts of lines marked at once, against each line cut alone:
// quotes and line feeds at every place within and across 64-byte words,
// lead bytes before quotes, commas and line feeds (which they take as second
// bytes), lines badly quoted or past the marked length, with and without a
// last line feed.
TEST(MarkedLines, MatchEachLineCutAlone)
{
    static const char* const pieces[] = {"\"", "\"\"", "\"\"\"", ",", ",\"", "\",", "a", "bc", "\n", "\n\n", "\",\n",
                                         "\"\n", "\xE9", "x\"y", "0123456789abcdefghij", "\x81", "\x82\"", "\x81\n",
                                         "\x81\x81,"};
    testing_support::underBothCodePages([&](int) {
        std::mt19937 rng(5024);
        quillet::CsvFields fields(testing_support::codePage());
        for (int round = 0; round < 4000; ++round) {
            std::string text;
            for (int n = rng() % 120; n > 0; --n) text += pieces[rng() % (sizeof pieces / sizeof *pieces)];
            if (round % 50 == 0) text.insert(text.size() / 2, std::string(4100 + rng() % 20, ','));
            text.reserve(text.size() + quillet::scan::overRead);
            // Each line as the line cursor cuts it: counted, and split.
            std::vector<std::size_t> expected;
            std::vector<std::string> splitAlone;
            quillet::LineCursor lines(text.data(), text.size(), testing_support::codePage());
            for (quillet::Line line; lines.next(line);) {
                const std::string_view record = std::string_view(text).substr(line.begin, line.end - line.begin);
                expected.push_back(fields.count(record));
                fields.split(record);
                splitAlone.push_back(fields.splitText());
            }
            std::vector<std::size_t> counted;
            fields.markLines(text);
            fields.countMarkedLines(counted);
            ASSERT_EQ(counted, expected) << ::testing::PrintToString(text);
            std::vector<std::string> cut;
            fields.markLines(text);
            while (fields.nextMarkedLine()) {
                fields.splitMarkedLine();
                cut.push_back(fields.splitText());
            }
            ASSERT_EQ(cut, splitAlone) << ::testing::PrintToString(text);
        }
    });
}

}  // namespace
