// The code page that texts are read in: which bytes begin a double-byte
// character, and the facts about them that the scanning routines ask for.
#pragma once

#include <cstddef>
#include <cstdint>

namespace quillet {

// Fills table from the library's own lead-byte ranges for codePage (0 and the
// single-byte pages: no lead bytes). False, table untouched, when unknown.
bool ownLeadBytes(int codePage, unsigned char table[256]);

// The second bytes of characters among 64 bytes whose lead bytes are
// marked in leads (bit i for byte i): every byte that follows a lead byte
// which begins a character. carry says on entry that byte 0 is one, and on
// return that the byte after the 64 is. The runs of lead bytes are worked out
// all at once, as leadRunOdd does for one.
std::uint64_t trailBytes(std::uint64_t leads, bool& carry);

class CodePage {
public:
    // The platform's default page (on Linux: no lead bytes).
    CodePage();

    // Selects the lead bytes of codePage (0: the platform default). False,
    // and nothing changes, when the code page is unknown.
    bool select(int codePage);

    // Whether b is the first byte of a double-byte character.
    bool isLead(unsigned char b) const { return table_[b] != 0; }
    bool isLead(char b) const { return table_[static_cast<unsigned char>(b)] != 0; }

    // Whether any byte is a lead byte: without them, searches need no
    // double-byte rule at all.
    bool anyLeads() const { return anyLeads_; }

    // Whether every lead byte is above 0x7F, so that a text without such
    // bytes holds none.
    bool leadsAllHigh() const { return leadsAllHigh_; }

    // Counts the selections, so that what was worked out under one page can
    // tell that it is out of date.
    unsigned generation() const { return generation_; }

    // The parity of the run of lead bytes that ends just before data[p],
    // looking back no further than data[q] (q <= p): oddAtQ is the parity of
    // the run that ends just before q. Walking forward with it costs one look
    // per byte in all. An odd run makes data[p] the second byte of a
    // character.
    bool leadRunOdd(const char* data, std::size_t q, std::size_t p, bool oddAtQ) const
    {
        std::size_t j = p;
        while (j > q && isLead(data[j - 1])) --j;
        const bool runOdd = ((p - j) & 1) != 0;
        return j == q ? oddAtQ != runOdd : runOdd;
    }

    // The lead bytes among the 64 bytes at p whose bytes above 0x7F are
    // marked in high (bit i for p[i]); only these are looked at, so it
    // serves where leadsAllHigh().
    std::uint64_t markLeads(const char* p, std::uint64_t high) const
    {
        std::uint64_t leads = 0;
        for (; high != 0; high &= high - 1) {
            const unsigned i = static_cast<unsigned>(__builtin_ctzll(high));
            leads |= std::uint64_t(table_[static_cast<unsigned char>(p[i])] != 0) << i;
        }
        return leads;
    }

private:
    void use(const unsigned char table[256]);

    unsigned char table_[256];
    bool anyLeads_ = false;
    bool leadsAllHigh_ = true;
    unsigned generation_ = 0;
};

}  // namespace quillet
