// Cutting CSV records into fields: by marks of their commas and quotes (the
// second bytes of characters unmarked), made a record at a time or, for runs
// of lines without lead bytes, for the whole run at once; else, for long
// records holding lead bytes, by the splitter's table, a step per byte.
#include "csv/csv_fields.h"

#include <algorithm>
#include <utility>

#include "text/byte_scan.h"

namespace quillet {
namespace {

// The splitter's states, each the offset of its 6-bit slot in a transition
// word: unquoted at the start of a field, unquoted inside one, quoted,
// quoted right after a quote (which the next byte decides on), and right
// after a lead byte, unquoted or quoted.
enum : unsigned {
    atFieldStart = 0,
    unquoted = 6,
    quoted = 12,
    afterQuote = 18,
    leadUnquoted = 24,
    leadQuoted = 30,
};

// A transition word: for each state, the state that a byte leads to.
std::uint64_t transitions(unsigned fromStart, unsigned fromUnquoted, unsigned fromQuoted, unsigned fromAfterQuote)
{
    // After a lead byte, the next byte passes whatever it is.
    return std::uint64_t(fromStart) << atFieldStart | std::uint64_t(fromUnquoted) << unquoted |
           std::uint64_t(fromQuoted) << quoted | std::uint64_t(fromAfterQuote) << afterQuote |
           std::uint64_t(unquoted) << leadUnquoted | std::uint64_t(quoted) << leadQuoted;
}

// Fills table with the splitter's step for each byte value under codePage.
void makeSplitTable(const CodePage& codePage, std::uint64_t table[256])
{
    // A quote after a quote inside quotes is the second of a pair; a comma
    // after one ends the quoted part and separates; anything else leaves
    // that quote an ordinary byte. Only a quote at the start of a field opens
    // quotes. Entering atFieldStart always means a separator.
    const std::uint64_t other = transitions(unquoted, unquoted, quoted, quoted);
    const std::uint64_t quote = transitions(quoted, unquoted, afterQuote, quoted);
    const std::uint64_t comma = transitions(atFieldStart, atFieldStart, quoted, atFieldStart);
    const std::uint64_t lead = transitions(leadUnquoted, leadUnquoted, leadQuoted, leadQuoted);
    for (unsigned b = 0; b < 256; ++b)
        table[b] = codePage.isLead(static_cast<unsigned char>(b)) ? lead : b == '"' ? quote : b == ',' ? comma : other;
}

// Records up to this long are cut by marks; longer ones, rare, by searches.
const std::size_t markedLimit = 4096;

// The first position at or after from whose bit is set in masks, or n.
inline std::size_t nextMarked(const std::uint64_t* masks, std::size_t from, std::size_t n)
{
    if (from >= n) return n;
    std::size_t word = from / 64;
    std::uint64_t bits = masks[word] & (~std::uint64_t(0) << (from % 64));
    while (bits == 0) {
        if (++word * 64 >= n) return n;
        bits = masks[word];
    }
    return std::min(n, word * 64 + scan::lowestBit(bits));
}

// The first position at or after from whose bit is clear in masks, or n.
inline std::size_t nextUnmarked(const std::uint64_t* masks, std::size_t from, std::size_t n)
{
    if (from >= n) return n;
    std::size_t word = from / 64;
    std::uint64_t bits = ~masks[word] & (~std::uint64_t(0) << (from % 64));
    while (bits == 0) {
        if (++word * 64 >= n) return n;
        bits = ~masks[word];
    }
    return std::min(n, word * 64 + scan::lowestBit(bits));
}

// How many bits of masks are set in [from, to).
inline std::size_t countMarked(const std::uint64_t* masks, std::size_t from, std::size_t to)
{
    std::size_t count = 0;
    for (std::size_t at = from; at < to;) {
        const std::size_t w = at / 64, wordEnd = 64 * (w + 1);
        std::uint64_t bits = masks[w] & (~std::uint64_t(0) << (at % 64));
        if (to < wordEnd) bits &= (std::uint64_t(1) << (to % 64)) - 1;
        count += scan::countBits(bits);
        at = wordEnd;
    }
    return count;
}

// Whether a quote is marked strictly between the first and the last byte of
// the field at [begin, end).
inline bool innerQuote(const std::uint64_t* quotes, std::size_t begin, std::size_t end)
{
    return end - begin >= 3 && nextMarked(quotes, begin + 1, end - 1) < end - 1;
}

// Where the quoted field that opens at text[s] closes, by searches: the last
// quote of the first run of quotes after s that is of odd length and is
// followed by "," or by the end. n when it never closes.
std::size_t quotedFieldClose(const char* text, std::size_t s, std::size_t n)
{
    for (std::size_t q = scan::findByte(text, s + 1, n, '"'); q < n; q = scan::findByte(text, q, n, '"')) {
        std::size_t run = q;
        while (run < n && text[run] == '"') ++run;
        if ((run - q) % 2 == 1 && (run == n || text[run] == ',')) return run - 1;
        q = run;
    }
    return n;
}

}  // namespace

CsvFields::CsvFields(const CodePage& codePage) : codePage_(codePage), generation_(codePage.generation())
{
    makeSplitTable(codePage_, table_);
}

// Where a walk puts the pieces of the record's split text: kept as fields,
// or only counted.
struct CsvFields::PieceList {
    static constexpr bool onlyCounts = false;
    CsvFields& owner;
    std::size_t count = 0;
    bool lastEmpty = false;

    void piece(std::size_t begin, std::size_t end, bool innerQuotes)
    {
        const bool quoted = begin < end && owner.record_[begin] == '"';
        owner.fields_.push_back({begin, end, quoted, quoted && innerQuotes});
        ++count;
        lastEmpty = begin == end;
    }
};

struct CsvFields::PieceCount {
    static constexpr bool onlyCounts = true;
    CsvFields& owner;
    std::size_t count = 0;
    bool lastEmpty = false;

    void piece(std::size_t begin, std::size_t end, bool)
    {
        ++count;
        lastEmpty = begin == end;
    }
};

struct CsvFields::PieceRows {
    static constexpr bool onlyCounts = false;
    CsvFields& owner;
    NumberedList& rows;
    unsigned flags;  // what holds for every field of the record
    std::size_t count = 0;
    bool lastEmpty = false;

    void piece(std::size_t begin, std::size_t end, bool innerQuotes)
    {
        // An empty piece waits: a reader drops it when it comes last.
        if (lastEmpty) rows.row(std::string_view(), 0);
        ++count;
        lastEmpty = begin == end;
        if (lastEmpty) return;
        const std::string_view text = owner.record_.substr(begin, end - begin);
        rows.row(text, flags | (text[0] == '"' && innerQuotes ? unsigned(NumberedList::innerQuotes) : 0u));
    }
};

template <class Pieces>
std::size_t CsvFields::finish(Pieces& pieces, bool closed, std::size_t lastStart) const
{
    const std::size_t n = record_.size();
    // Closed, the split text runs to the end, so its last piece is the last
    // field, empty when the record ends with a separator. Not closed, it
    // ends before the separator ahead of the unclosed field, and is one empty
    // piece when there is none.
    if (closed) {
        if (lastStart == n) pieces.piece(n, n, false);
    } else if (pieces.count == 0) {
        pieces.piece(0, 0, false);
    }
    // A reader drops a last empty piece unless the final "\n" follows it.
    const bool endsWithComma = n > 0 && record_[n - 1] == ',';
    return !endsWithComma && pieces.lastEmpty ? pieces.count - 1 : pieces.count;
}

bool CsvFields::holdsLeadBytes(std::string_view record) const
{
    if (!codePage_.anyLeads()) return false;
    if (codePage_.leadsAllHigh() && !scan::anyHighByte(record.data(), record.size())) return false;
    return std::any_of(record.begin(), record.end(), [&](char c) { return codePage_.isLead(c); });
}

template <class Pieces>
std::size_t CsvFields::walk(std::string_view record, Pieces& pieces)
{
    record_ = record;
    if (generation_ != codePage_.generation()) {
        makeSplitTable(codePage_, table_);
        generation_ = codePage_.generation();
    }
    if (record.size() <= markedLimit && codePage_.leadsAllHigh()) return walkMarked(pieces);
    return holdsLeadBytes(record) ? walkWithLeadBytes(pieces) : walkPlain(pieces);
}

unsigned CsvFields::rowFlags(std::string_view record) const
{
    // A line feed inside a record is the second byte of a character, and
    // rare: one search for the record spares one for each field.
    const bool breaks = codePage_.anyLeads() && scan::findByte(record.data(), 0, record.size(), '\n') < record.size();
    return NumberedList::unquote | NumberedList::slackAfter | (breaks ? NumberedList::mayHoldBreak : 0u);
}

std::size_t CsvFields::writeRows(std::string_view record, NumberedList& rows)
{
    PieceRows pieces{*this, rows, rowFlags(record)};
    const std::size_t fields = walk(record, pieces);
    // The empty piece held back is a field unless the reader dropped it.
    if (pieces.lastEmpty && fields == pieces.count) rows.row(std::string_view(), 0);
    return fields;
}

void CsvFields::split(std::string_view record)
{
    fields_.clear();
    PieceList pieces{*this};
    count_ = walk(record, pieces);
}

std::size_t CsvFields::count(std::string_view record)
{
    // Without a quote or a lead byte, every comma separates: the fields are
    // the commas and one more (none in an empty record).
    std::size_t commas = 0;
    const char* end = record.data() + record.size();
    if (scan::findByteCounting(record.data(), end, '"', ',', commas) == end && !holdsLeadBytes(record))
        return record.empty() ? 0 : commas + 1;
    PieceCount pieces{*this};
    return walk(record, pieces);
}

namespace {

// Bit i of the result: the parity of the bits 0 to i of x (an odd count
// gives 1), after carry, the parity of the words before.
inline std::uint64_t prefixParity(std::uint64_t x, std::uint64_t carry)
{
    x ^= x << 1;
    x ^= x << 2;
    x ^= x << 4;
    x ^= x << 8;
    x ^= x << 16;
    x ^= x << 32;
    return carry ? ~x : x;
}

}  // namespace

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

std::size_t CsvFields::countMarkedLine()
{
    if (!lineWell_) return count(record_);
    const std::size_t n = record_.size();
    return n == 0 ? 0 : countMarked(block_.separators.data(), lineOrigin_, lineOrigin_ + n) + 1;
}

void CsvFields::splitMarkedLine()
{
    if (!lineWell_) return split(record_);
    fields_.clear();
    PieceList pieces{*this};
    count_ = cutAtSeparators(pieces, block_.separators.data(), block_.quotes.data(), lineOrigin_);
}

std::size_t CsvFields::writeMarkedLineRows(NumberedList& rows)
{
    if (!lineWell_) return writeRows(record_, rows);
    PieceRows pieces{*this, rows, rowFlags(record_)};
    const std::size_t fields = cutAtSeparators(pieces, block_.separators.data(), block_.quotes.data(), lineOrigin_);
    if (pieces.lastEmpty && fields == pieces.count) rows.row(std::string_view(), 0);
    return fields;
}

template <class Pieces>
std::size_t CsvFields::cutAtSeparators(Pieces& pieces, const std::uint64_t* separators, const std::uint64_t* quotes,
                                       std::size_t origin)
{
    const std::size_t n = record_.size(), end = origin + n;
    // Only a field that opens with a quote is asked about quotes inside.
    const auto inner = [&](std::size_t begin, std::size_t fieldEnd) {
        return begin < fieldEnd && record_[begin] == '"' && innerQuote(quotes, origin + begin, origin + fieldEnd);
    };
    std::size_t start = 0;
    for (std::size_t w = origin / 64; 64 * w < end; ++w) {
        std::uint64_t bits = separators[w];
        if (w == origin / 64) bits &= ~std::uint64_t(0) << (origin % 64);
        if (end < 64 * (w + 1)) bits &= (std::uint64_t(1) << (end % 64)) - 1;
        for (; bits != 0; bits &= bits - 1) {
            const std::size_t at = 64 * w + scan::lowestBit(bits) - origin;
            pieces.piece(start, at, inner(start, at));
            start = at + 1;
        }
    }
    if (start < n) pieces.piece(start, n, inner(start, n));
    return finish(pieces, true, start);
}

template <class Pieces>
std::size_t CsvFields::walkMarked(Pieces& pieces)
{
    const char* line = record_.data();
    const std::size_t n = record_.size();
    const std::size_t words = (n + 63) / 64;
    if (commas_.size() < words) {
        commas_.resize(words);
        quotes_.resize(words);
    }
    const bool leads = codePage_.anyLeads();
    bool carry = false;
    for (std::size_t w = 0; w < words; ++w) {
        const scan::ByteMarks marks = scan::markBytes(line + 64 * w, n - 64 * w, ',', '"', '\n');
        // A second byte of a character is neither comma nor quote.
        const std::uint64_t trail =
            leads ? trailBytes(marks.high ? codePage_.markLeads(line + 64 * w, marks.high) : 0, carry) : 0;
        commas_[w] = marks.a & ~trail;
        quotes_[w] = marks.b & ~trail;
    }
    // Where every quote sits as well-formed quoting has it, the separators
    // are the commas outside quotes, and the fields lie between them.
    if (n > 0 && findSeparators(n, words)) {
        if constexpr (Pieces::onlyCounts) {
            // A field ends at each separator, and one more follows the last.
            std::size_t separators = 0;
            for (std::size_t w = 0; w < words; ++w) separators += scan::countBits(separators_[w]);
            return separators + 1;
        }
        return cutAtSeparators(pieces, separators_.data(), quotes_.data(), 0);
    }
    const std::uint64_t* commas = commas_.data();
    const std::uint64_t* quotes = quotes_.data();
    std::size_t s = 0;
    while (s < n) {
        std::size_t separator;
        bool inner = false;
        if (line[s] == '"') {
            // The quoted field closes at the last quote of the first run of
            // odd length that "," or the end follows.
            std::size_t close = n;
            const std::size_t first = nextMarked(quotes, s + 1, n);
            for (std::size_t q = first; q < n;) {
                const std::size_t run = nextUnmarked(quotes, q, n);
                if ((run - q) % 2 == 1 && (run == n || line[run] == ',')) {
                    close = run - 1;
                    inner = first < close;
                    break;
                }
                q = nextMarked(quotes, run, n);
            }
            if (close == n) return finish(pieces, false, s);
            separator = close + 1;
        } else {
            separator = nextMarked(commas, s, n);
        }
        pieces.piece(s, separator, inner);
        if (separator == n) return finish(pieces, true, s);
        s = separator + 1;
    }
    return finish(pieces, true, s);
}

template <class Pieces>
std::size_t CsvFields::walkPlain(Pieces& pieces)
{
    const char* line = record_.data();
    const std::size_t n = record_.size();
    std::size_t s = 0;
    while (s < n) {
        std::size_t separator;
        bool inner = false;
        if (line[s] == '"') {
            const std::size_t close = quotedFieldClose(line, s, n);
            if (close == n) return finish(pieces, false, s);
            inner = scan::findByte(line, s + 1, close, '"') < close;
            separator = close + 1;
        } else {
            separator = scan::findByte(line, s, n, ',');
        }
        pieces.piece(s, separator, inner);
        if (separator == n) return finish(pieces, true, s);
        s = separator + 1;
    }
    return finish(pieces, true, s);
}

template <class Pieces>
std::size_t CsvFields::walkWithLeadBytes(Pieces& pieces)
{
    // One table step per byte: the state that a separator leads to is
    // atFieldStart and no other.
    const unsigned char* data = reinterpret_cast<const unsigned char*>(record_.data());
    const std::size_t n = record_.size();
    unsigned state = atFieldStart;
    std::size_t start = 0;
    for (std::size_t i = 0; i < n; ++i) {
        state = static_cast<unsigned>(table_[data[i]] >> state) & 63;
        if (state == atFieldStart) {
            pieces.piece(start, i, true);
            start = i + 1;
        }
    }
    // The end of the record closes the last field unless quotes are still
    // open. A lead byte that ends the record has nothing to pair with and
    // counts as an ordinary byte.
    const bool closed = state != quoted && state != leadQuoted;
    if (closed && start < n) pieces.piece(start, n, true);
    return finish(pieces, closed, start);
}

}  // namespace quillet
