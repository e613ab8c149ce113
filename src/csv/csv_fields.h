// The CSV field cursor: the fields of one record as the record splitter cuts
// it. A field is unquoted or opens with a quote; a quoted field closes at the
// last quote of the first run of quotes of odd length that "," or the end of
// the record follows; a lead byte takes the next byte with it, and one that
// ends the record is an ordinary byte. A quoted field that never closes is
// dropped with everything after it.
//
// The fields are what a reader of the record's split text (the fields joined
// by "\n", plus one more "\n" when the record's last byte is ",") takes from
// it line by line: a last empty field that no "\n" follows is not one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "text/code_page.h"
#include "text/numbered_list.h"

namespace quillet {

// One field: record[begin, end), quotes and all.
struct CsvField {
    std::size_t begin, end;
    bool quoted;       // it opens with a quote
    bool innerQuotes;  // quoted, with a quote between its enclosing ones (not a second byte)
};

class CsvFields {
public:
    explicit CsvFields(const CodePage& codePage);

    // Cuts record into its fields, replacing those of the last record. The
    // record must have scan::overRead readable bytes after it.
    void split(std::string_view record);

    // The number of fields of record, as split would cut it; quicker where
    // the record holds no quote.
    std::size_t count(std::string_view record);

    // The longest text markLines takes: its marks are five eighths of its
    // size, so a piece grown around a long line is cut line by line instead.
    static constexpr std::size_t markedTextLimit = std::size_t(1) << 20;

    // Marks lines, to be taken one at a time with nextMarkedLine: whole
    // lines as the line cursor cuts them, each with its "\n" but perhaps the
    // last, at most markedTextLimit bytes, with scan::overRead readable
    // bytes after it, kept until the next markLines; a code page with lead
    // bytes has them all above 0x7F. Quicker than cutting line by line: the
    // whole text is marked at once.
    void markLines(std::string_view lines);

    // Moves on to the next marked line; false when none is left.
    bool nextMarkedLine();

    // Appends to counts the number of fields of every marked line, as count
    // gives it, and leaves none to take: one sweep over the marks instead of
    // a search per line.
    void countMarkedLines(std::vector<std::size_t>& counts);

    // Cuts the marked line into its fields, as split does.
    void splitMarkedLine();

    // Writes the rows of the marked line, as writeRows does.
    std::size_t writeMarkedLineRows(NumberedList& rows);

    // Writes a row for each field of record into rows, unquoted, as it cuts
    // them (nothing is kept); returns their number. The record must have
    // scan::overRead readable bytes after it.
    std::size_t writeRows(std::string_view record, NumberedList& rows);

    std::size_t size() const { return count_; }
    const CsvField& operator[](std::size_t i) const { return fields_[i]; }
    std::string_view text(std::size_t i) const
    {
        return record_.substr(fields_[i].begin, fields_[i].end - fields_[i].begin);
    }

    // The record's split text: its fields joined by "\n", plus one more "\n"
    // when its last byte is ",".
    std::string splitText() const;

private:
    struct PieceList;
    struct PieceCount;
    struct PieceRows;

    bool holdsLeadBytes(std::string_view record) const;
    // The flags of record's rows: unquoted, slack after, perhaps a line feed.
    unsigned rowFlags(std::string_view record) const;
    // Each walk hands the pieces of the record's split text to pieces and
    // returns how many fields a reader takes from them.
    template <class Pieces>
    std::size_t walk(std::string_view record, Pieces& pieces);
    template <class Pieces>
    std::size_t walkMarked(Pieces& pieces);
    template <class Pieces>
    std::size_t walkPlain(Pieces& pieces);
    template <class Pieces>
    std::size_t walkWithLeadBytes(Pieces& pieces);
    template <class Pieces>
    std::size_t finish(Pieces& pieces, bool closed, std::size_t lastStart) const;
    // For a record of n bytes marked in words: finds its separators, the
    // commas outside quotes, where every quote is where well-formed quoting
    // puts it and the record does not end inside quotes; else false.
    bool findSeparators(std::size_t n, std::size_t words);
    bool wellQuoted(std::size_t w, std::size_t n, std::size_t words) const;
    // Hands pieces the fields of record_ as cut at the marked separators;
    // the marks begin origin bytes before record_.
    template <class Pieces>
    std::size_t cutAtSeparators(Pieces& pieces, const std::uint64_t* separators, const std::uint64_t* quotes,
                                std::size_t origin);

    const CodePage& codePage_;
    unsigned generation_;        // of the code page the table below is for
    std::uint64_t table_[256];   // the splitter's step for each byte value
    std::string_view record_;
    std::vector<CsvField> fields_;  // the pieces of the split text, all of them
    std::size_t count_ = 0;         // the fields a reader takes: the pieces but perhaps the last
    std::vector<std::uint64_t> commas_, quotes_;  // marks of a record's bytes, 64 to a word
    std::vector<std::uint64_t> separators_;       // the commas that separate, where well quoted
    std::uint64_t inside_[2] = {0, 0};            // inside quotes after each byte, two words kept

    // The marks of markLines' text, 64 bytes to a word: its separators,
    // quotes and line feeds, whether each byte is inside quotes, and the
    // bytes that fail their line's quoting.
    struct BlockMarks {
        std::vector<std::uint64_t> separators, quotes, feeds, inside, bad;
    };
    BlockMarks block_;
    std::string_view marked_;     // the marked text
    std::size_t next_ = 0;        // where its next line starts
    std::size_t lineOrigin_ = 0;  // where the line taken (record_) starts in it
    bool lineWell_ = false;       // the line taken is cut by the marks
};

// The field fieldNo (from 1) of record, unquoted; "" when fieldNo is below 1
// or beyond the last field. A "\n" in the record ends a field too.
std::string csvField(std::string_view record, int fieldNo, const CodePage& codePage);

}  // namespace quillet
