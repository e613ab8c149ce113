// The numbered-list section, the one format in which lists are written to
// files: a title line, then a row 'N="line"' for each line of the list,
// numbered from 0. Every "[sectionlist]", "[keylist]", "[titlelist]",
// "[word]" and CSV table section is written here.
#pragma once

#include <cstddef>
#include <string_view>

#include "text/code_page.h"
#include "text/decimal.h"
#include "text/output_buffer.h"

namespace quillet {

class NumberedList {
public:
    // Starts the section in out with the title line; an empty title gives a
    // bare line break.
    NumberedList(OutputBuffer& out, std::string_view title, const CodePage& codePage);

    // More of the list's text. A row ends at a real "\n" (one that does not
    // follow an odd run of lead bytes within the row), so a row may go on
    // from one piece into the next.
    void feed(std::string_view text);

    // feed of line, then of "\n": one row when line holds no line feed and
    // does not end inside a character.
    void feedLine(std::string_view line);

    // What the caller of row knows of a row's text.
    enum RowFlags : unsigned {
        unquote = 1,       // unquote it first
        innerQuotes = 2,   // a quote may stand between its first and last byte
        slackAfter = 4,    // scan::overRead bytes after it may be read
        mayHoldBreak = 8,  // it may hold a "\n" (the second byte of a character)
    };

    // A whole row for text, which the caller has cut (a row ends nowhere in
    // it), as flags tell. No row may be open.
    void row(std::string_view text, unsigned flags)
    {
        // Most fields have room after them and nothing inside to unquote or
        // expand: they are put together here, without a call.
        if ((flags & (slackAfter | innerQuotes | mayHoldBreak)) != slackAfter) return rowWithCare(text, flags);
        const bool quoted = (flags & unquote) && !text.empty() && text[0] == '"';
        const std::string_view bytes = quoted ? text.substr(1, text.size() >= 2 ? text.size() - 2 : 0) : text;
        char* w = out_.reserve(maxDecimal + 2 + bytes.size() + 3);
        w = writeDecimal(w, rows_);
        *w++ = '=';
        *w++ = '"';
        w = scan::copyShort(w, bytes.data(), bytes.size());
        out_.commit(closeQuote(w));
        ++rows_;
    }

    // Closes a row left open (a last line without "\n" counts) and returns
    // the number of rows.
    long long finish();

    long long rows() const { return rows_; }

private:
    void openRow();
    void closeRow();
    void rowWithCare(std::string_view text, unsigned flags);

    // Writes a row's end at w: the closing quote and a line break.
    char* closeQuote(char* w) const
    {
        *w++ = '"';
        if (out_.diskForm()) *w++ = '\r';
        *w++ = '\n';
        return w;
    }

    OutputBuffer& out_;
    const CodePage& codePage_;
    long long rows_ = 0;
    bool open_ = false;  // the open row's number and opening quote are written
    bool odd_ = false;   // the lead bytes at the open row's end so far are odd in number
};

// The section for the list text, written to fileName (appended after a line
// break, or replacing the file) unless fileName is empty. The number of rows,
// or -1 when the file could not be written.
long long writeNumberedList(std::string_view title, const char* fileName, std::string_view text, bool append,
                            const CodePage& codePage);

}  // namespace quillet
