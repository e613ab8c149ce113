// The lead bytes of the code pages the library knows, and the selection of
// one of them.
#include "text/code_page.h"

#include <cstring>

#if defined(_WIN32)
#include <windows.h>
#endif

namespace quillet {
namespace {

// Inclusive lead-byte ranges of a double-byte code page.
struct LeadRange {
    unsigned char first, last;
};

struct DoubleBytePage {
    int codePage;
    LeadRange ranges[2];
};

// Shift-JIS, GBK, Unified Hangul and Big5, as Windows defines them.
const DoubleBytePage doubleBytePages[] = {
    {932, {{0x81, 0x9F}, {0xE0, 0xFC}}},
    {936, {{0x81, 0xFE}, {0x81, 0xFE}}},
    {949, {{0x81, 0xFE}, {0x81, 0xFE}}},
    {950, {{0x81, 0xFE}, {0x81, 0xFE}}},
};

const int singleBytePages[] = {
    437,   720,   737,   775,   850,   852,   855,   857,   858,   860,   861,   862,
    863,   864,   865,   866,   869,   874,   1250,  1251,  1252,  1253,  1254,  1255,
    1256,  1257,  1258,  20127, 28591, 28592, 28593, 28594, 28595, 28596, 28597, 28598,
    28599, 28603, 28605, 65001,
};

const DoubleBytePage* findDoubleBytePage(int codePage)
{
    for (const DoubleBytePage& page : doubleBytePages)
        if (page.codePage == codePage) return &page;
    return nullptr;
}

bool isSingleBytePage(int codePage)
{
    for (int page : singleBytePages)
        if (page == codePage) return true;
    return false;
}

// The table for code page 0 on this platform.
void defaultLeadBytes(unsigned char table[256])
{
#if defined(_WIN32)
    for (int b = 0; b < 256; ++b) table[b] = IsDBCSLeadByte(static_cast<BYTE>(b)) ? 1 : 0;
#else
    // Without a system ANSI code page, texts are taken as single-byte (or
    // UTF-8, whose bytes never need the double-byte rule).
    std::memset(table, 0, 256);
#endif
}

}  // namespace

std::uint64_t trailBytes(std::uint64_t leads, bool& carry)
{
    const std::uint64_t evenBits = 0x5555555555555555ULL;
    const std::uint64_t in = carry ? 1 : 0;
    // A second byte begins nothing, whatever its value.
    leads &= ~in;
    const std::uint64_t follows = leads << 1 | in;
    // Within a run of lead bytes the second bytes fall on every other bit
    // from the run's second byte: on odd bits for a run that starts on an
    // even bit, on even bits for the others. Adding the first bit of each run
    // that starts on an odd bit clears that run (the carry lands just past
    // it), which tells the two kinds apart; a carry out of bit 63 is such a
    // run, of odd length, reaching the end.
    const std::uint64_t oddStarts = leads & ~evenBits & ~follows;
    std::uint64_t evenRuns;
    carry = __builtin_add_overflow(oddStarts, leads, &evenRuns);
    const std::uint64_t flipped = evenRuns << 1;
    return (evenBits ^ flipped) & follows;
}

bool ownLeadBytes(int codePage, unsigned char table[256])
{
    if (codePage == 0 || isSingleBytePage(codePage)) {
        std::memset(table, 0, 256);
        return true;
    }
    const DoubleBytePage* page = findDoubleBytePage(codePage);
    if (!page) return false;
    std::memset(table, 0, 256);
    for (const LeadRange& range : page->ranges)
        for (int b = range.first; b <= range.last; ++b) table[b] = 1;
    return true;
}

CodePage::CodePage()
{
    unsigned char table[256];
    defaultLeadBytes(table);
    use(table);
}

bool CodePage::select(int codePage)
{
    unsigned char table[256];
    if (codePage == 0) {
        defaultLeadBytes(table);
    } else if (!ownLeadBytes(codePage, table)) {
        return false;
    } else {
#if defined(_WIN32)
        // The system's own table where it has the page installed.
        if (findDoubleBytePage(codePage) && IsValidCodePage(codePage))
            for (int b = 0; b < 256; ++b)
                table[b] = IsDBCSLeadByteEx(codePage, static_cast<BYTE>(b)) ? 1 : 0;
#endif
    }
    use(table);
    ++generation_;
    return true;
}

void CodePage::use(const unsigned char table[256])
{
    std::memcpy(table_, table, 256);
    anyLeads_ = false;
    leadsAllHigh_ = true;
    for (int b = 0; b < 256; ++b) {
        if (!table_[b]) continue;
        anyLeads_ = true;
        if (b < 0x80) leadsAllHigh_ = false;
    }
}

}  // namespace quillet
