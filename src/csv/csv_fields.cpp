// Cutting CSV records into fields: by marks of their commas and quotes (the
// second bytes of characters unmarked; their separators are found in
// csv_separators.cpp), else by searches, or, for long records holding lead
// bytes, by the splitter's table, a step per byte.
#include "csv/csv_fields.h"

#include <algorithm>

#include "csv/csv_marks.h"
#include "text/byte_scan.h"

namespace quillet {

using namespace csvmarks;

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
