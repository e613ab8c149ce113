// Finding the separators of CSV records by marks of their bytes: of one
// record at a time, or of a whole text of lines at once, which the
// marked-line cursor then hands out line by line.
#include <algorithm>

#include "csv/csv_fields.h"
#include "csv/csv_marks.h"
#include "text/byte_scan.h"

namespace quillet {

using namespace csvmarks;

bool CsvFields::findSeparators(std::size_t n, std::size_t words)
{
    if (separators_.size() < words) separators_.resize(words);
    // Inside quotes after each byte: the parity of the quotes up to it.
    std::uint64_t carry = 0;
    for (std::size_t w = 0; w < words; ++w) {
        const std::uint64_t inside = prefixParity(quotes_[w], carry);
        carry = inside >> 63;
        separators_[w] = commas_[w] & ~inside;
        inside_[w % 2] = inside;
        // The quotes that open (inside after them) and close (outside after
        // them), checked once the next word is known.
        if (w > 0 && !wellQuoted(w - 1, n, words)) return false;
    }
    if (!wellQuoted(words - 1, n, words)) return false;
    // A record that ends inside quotes is left to the walk.
    const std::size_t last = n - 1;
    return ((inside_[(words - 1) % 2] >> (last % 64)) & 1) == 0;
}

bool CsvFields::wellQuoted(std::size_t w, std::size_t n, std::size_t words) const
{
    // A quote opens only at the start of a field (after a separator, or the
    // record's first byte) or right after a quote that closes (a pair); it
    // closes only before a separator, the end, or a quote that opens.
    const std::uint64_t inside = inside_[w % 2];
    const std::uint64_t opens = quotes_[w] & inside, closes = quotes_[w] & ~inside;
    const std::uint64_t before = w > 0 ? (separators_[w - 1] | quotes_[w - 1]) >> 63 : 1;
    const std::uint64_t after = w + 1 < words ? (separators_[w + 1] | quotes_[w + 1]) << 63 : 0;
    const std::uint64_t prevOk = ((separators_[w] | quotes_[w]) << 1) | before;
    std::uint64_t nextOk = ((separators_[w] | quotes_[w]) >> 1) | after;
    // The record's last byte may close.
    if (w == words - 1) nextOk |= std::uint64_t(1) << ((n - 1) % 64);
    return (opens & ~prevOk) == 0 && (closes & ~nextOk) == 0;
}

void CsvFields::markLines(std::string_view lines)
{
    marked_ = lines;
    next_ = 0;
    const char* data = lines.data();
    const std::size_t n = lines.size();
    const std::size_t words = (n + 63) / 64;
    BlockMarks& m = block_;
    if (m.separators.size() < words)
        for (auto* marks : {&m.separators, &m.quotes, &m.feeds, &m.inside, &m.bad}) marks->resize(words);
    // Inside quotes after each byte: the parity of the quotes of its line up
    // to it. Past a line feed the count starts again. A second byte of a
    // character is neither comma, quote nor line end; a real line feed is no
    // lead byte, so the pairing starts afresh on each line without a reset.
    const bool leads = codePage_.anyLeads();
    bool leadCarry = false;
    std::uint64_t carry = 0;
    for (std::size_t w = 0; w < words; ++w) {
        const scan::ByteMarks marks = scan::markBytes(data + 64 * w, n - 64 * w, ',', '"', '\n');
        const std::uint64_t trail =
            leads ? trailBytes(marks.high ? codePage_.markLeads(data + 64 * w, marks.high) : 0, leadCarry) : 0;
        const std::uint64_t commas = marks.a & ~trail, quotes = marks.b & ~trail, feeds = marks.c & ~trail;
        std::uint64_t inside = prefixParity(quotes, carry);
        for (std::uint64_t rest = feeds; rest != 0; rest &= rest - 1) {
            const unsigned p = scan::lowestBit(rest);
            if ((inside >> p) & 1) inside ^= ~std::uint64_t(1) << p;
        }
        // A line feed as the last byte leaves the next word on a new line.
        carry = (inside & ~feeds) >> 63;
        m.separators[w] = commas & ~inside;
        m.quotes[w] = quotes;
        m.feeds[w] = feeds;
        m.inside[w] = inside;
    }
    // What findSeparators asks of a record, for every line at once: a quote
    // opens only at the start of a field or after a quote, closes only before
    // a separator, a quote or the line's end, and the line ends outside
    // quotes. A mark in bad fails the line that holds it (a line feed
    // belongs to the line it ends).
    const auto edges = [&](std::size_t w) { return m.separators[w] | m.quotes[w] | m.feeds[w]; };
    for (std::size_t w = 0; w < words; ++w) {
        const std::uint64_t before = w > 0 ? edges(w - 1) >> 63 : 1;
        std::uint64_t after = w + 1 < words ? edges(w + 1) << 63 : 0;
        const std::uint64_t inside = m.inside[w];
        std::uint64_t bad = m.feeds[w] & inside;
        if (w + 1 == words) {
            // The text's last byte ends a line.
            const std::uint64_t last = std::uint64_t(1) << ((n - 1) % 64);
            after |= last;
            bad |= inside & last;
        }
        const std::uint64_t prevOk = edges(w) << 1 | before, nextOk = edges(w) >> 1 | after;
        m.bad[w] = bad | (m.quotes[w] & inside & ~prevOk) | (m.quotes[w] & ~inside & ~nextOk);
    }
}

bool CsvFields::nextMarkedLine()
{
    const std::size_t n = marked_.size();
    if (next_ >= n) return false;
    const std::size_t end = nextMarked(block_.feeds.data(), next_, n);
    // A line that fails, or is past the marked length, is cut on its own.
    const std::size_t checked = std::min(end + 1, n);  // with its line feed
    lineWell_ = end - next_ <= markedLimit && nextMarked(block_.bad.data(), next_, checked) == checked;
    lineOrigin_ = next_;
    record_ = marked_.substr(next_, end - next_);
    next_ = end + 1;
    return true;
}

void CsvFields::countMarkedLines(std::vector<std::size_t>& counts)
{
    const std::size_t n = marked_.size();
    // A line is counted by its marks unless it fails its quoting (a mark in
    // bad, its line feed included) or is past the marked length; then it is
    // cut on its own.
    const auto add = [&](std::size_t begin, std::size_t end, std::size_t separators, bool bad) {
        if (bad || end - begin > markedLimit)
            counts.push_back(count(marked_.substr(begin, end - begin)));
        else
            counts.push_back(end == begin ? 0 : separators + 1);
    };
    std::size_t start = 0, separators = 0;
    bool bad = false;
    for (std::size_t w = 0; 64 * w < n; ++w) {
        std::uint64_t seps = block_.separators[w], bads = block_.bad[w];
        for (std::uint64_t feeds = block_.feeds[w]; feeds != 0; feeds &= feeds - 1) {
            const unsigned p = scan::lowestBit(feeds);
            const std::uint64_t upTo = p == 63 ? ~std::uint64_t(0) : (std::uint64_t(2) << p) - 1;  // bits 0 to p
            add(start, 64 * w + p, separators + scan::countBits(seps & upTo), bad || (bads & upTo) != 0);
            seps &= ~upTo;
            bads &= ~upTo;
            start = 64 * w + p + 1;
            separators = 0;
            bad = false;
        }
        separators += scan::countBits(seps);
        bad = bad || bads != 0;
    }
    if (start < n) add(start, n, separators, bad);
    next_ = n;
}

}  // namespace quillet
