#include "text/code_page.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

#if defined(_WIN32)
#include <windows.h>
#endif

namespace {

using quillet::CodePage;
using quillet::ownLeadBytes;

// The bytes that table marks, as inclusive ranges "81-9F,E0-FC".
std::string rangesOf(const unsigned char table[256])
{
    std::string out;
    for (int b = 0; b < 256; ++b) {
        if (!table[b] || (b > 0 && table[b - 1])) continue;
        int last = b;
        while (last < 255 && table[last + 1]) ++last;
        char piece[16];
        std::snprintf(piece, sizeof piece, "%s%02X-%02X", out.empty() ? "" : ",", b, last);
        out += piece;
    }
    return out;
}

TEST(CodePages, OwnLeadByteRanges)
{
    unsigned char table[256];
    ASSERT_TRUE(ownLeadBytes(932, table));
    EXPECT_EQ(rangesOf(table), "81-9F,E0-FC");
    for (int page : {936, 949, 950}) {
        ASSERT_TRUE(ownLeadBytes(page, table));
        EXPECT_EQ(rangesOf(table), "81-FE") << page;
    }
    for (int page : {0, 1252, 65001, 437}) {
        ASSERT_TRUE(ownLeadBytes(page, table));
        EXPECT_EQ(rangesOf(table), "") << page;
    }
    std::memset(table, 7, sizeof table);
    EXPECT_FALSE(ownLeadBytes(931, table));
    EXPECT_EQ(table[0x81], 7);
}

TEST(CodePages, UnknownPageChangesNothing)
{
    CodePage page;
    ASSERT_TRUE(page.select(932));
    const unsigned generation = page.generation();
    EXPECT_FALSE(page.select(54321));
    EXPECT_EQ(page.generation(), generation);
    EXPECT_TRUE(page.isLead(static_cast<unsigned char>(0x81)));
    EXPECT_FALSE(page.isLead(static_cast<unsigned char>(0xA0)));
    EXPECT_TRUE(page.anyLeads() && page.leadsAllHigh());
    ASSERT_TRUE(page.select(1252));
    EXPECT_FALSE(page.isLead(static_cast<unsigned char>(0x81)));
    EXPECT_FALSE(page.anyLeads());
}

// The second bytes that trailBytes marks, word after word, against the rule
// applied byte by byte: a byte is a second byte when the byte before it is a
// lead byte that is not one itself. Dense runs of lead bytes of every parity
// cross the word boundaries.
TEST(CodePages, TrailBytesFollowTheByteRule)
{
    std::mt19937_64 rng(11);
    for (int round = 0; round < 20000; ++round) {
        const int density = round % 9;  // in eighths, up to every byte
        bool carry = false, plainCarry = false;
        for (int word = 0; word < 4; ++word) {
            std::uint64_t leads = 0;
            for (int i = 0; i < 64; ++i) leads |= std::uint64_t(int(rng() % 8) < density) << i;
            std::uint64_t expected = 0;
            bool second = plainCarry;
            for (int i = 0; i < 64; ++i) {
                expected |= std::uint64_t(second) << i;
                second = !second && ((leads >> i) & 1);
            }
            plainCarry = second;
            ASSERT_EQ(quillet::trailBytes(leads, carry), expected) << round << " " << word;
            ASSERT_EQ(carry, plainCarry) << round << " " << word;
        }
    }
}

#if defined(_WIN32)
// The library's own ranges, used where there is no system to ask, must say
// exactly what Windows says.
TEST(CodePages, OwnRangesAgreeWithWindows)
{
    for (int page : {932, 936, 949, 950}) {
        ASSERT_TRUE(IsValidCodePage(page)) << page;
        unsigned char table[256];
        ASSERT_TRUE(ownLeadBytes(page, table));
        for (int b = 0; b < 256; ++b)
            EXPECT_EQ(table[b] != 0, IsDBCSLeadByteEx(page, static_cast<BYTE>(b)) != 0)
                << "code page " << page << " byte " << b;
    }
}

TEST(CodePages, DefaultFollowsTheSystemCodePage)
{
    CodePage page;
    ASSERT_TRUE(page.select(0));
    for (int b = 0; b < 256; ++b)
        EXPECT_EQ(page.isLead(static_cast<unsigned char>(b)), IsDBCSLeadByte(static_cast<BYTE>(b)) != 0) << b;
}
#endif

}  // namespace
