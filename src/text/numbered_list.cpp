// Writing numbered-list sections, row by row, into the output buffer.
#include "text/numbered_list.h"

#include <cstring>

#include "text/decimal.h"
#include "text/string_ops.h"
#include "text/text_file.h"

namespace quillet {
namespace {

// Turns each "\n" of [begin, end) into "\r\n" in place; the room past end
// must take one more byte per "\n". Returns the new end.
char* expandInPlace(char* begin, char* end)
{
    const std::size_t breaks = scan::countByte(begin, static_cast<std::size_t>(end - begin), '\n');
    char* to = end + breaks;
    char* const newEnd = to;
    for (char* from = end; from != begin && to != from;) {
        const char c = *--from;
        *--to = c;
        if (c == '\n') *--to = '\r';
    }
    return newEnd;
}

}  // namespace

NumberedList::NumberedList(OutputBuffer& out, std::string_view title, const CodePage& codePage)
    : out_(out), codePage_(codePage)
{
    out_.append(title);
    out_.lineBreak();
}

void NumberedList::openRow()
{
    char* w = out_.reserve(maxDecimal + 2);
    w = writeDecimal(w, rows_);
    *w++ = '=';
    *w++ = '"';
    out_.commit(w);
    open_ = true;
    odd_ = false;
}

void NumberedList::closeRow()
{
    out_.commit(closeQuote(out_.reserve(3)));
    ++rows_;
    open_ = false;
}

void NumberedList::feed(std::string_view text)
{
    const char* data = text.data();
    const std::size_t size = text.size();
    for (std::size_t pos = 0; pos < size;) {
        if (!open_) openRow();
        const std::size_t end = scan::findByte(data, pos, size, '\n');
        odd_ = codePage_.leadRunOdd(data, pos, end, odd_);
        out_.append(data + pos, end - pos);
        if (end == size) return;
        if (odd_) {
            // The second byte of a character: the row goes on. A line feed is
            // no lead byte, so the run after it starts afresh.
            out_.lineBreak();
            odd_ = false;
        } else {
            closeRow();
        }
        pos = end + 1;
    }
}

void NumberedList::feedLine(std::string_view line)
{
    if (!open_ && scan::findByte(line.data(), 0, line.size(), '\n') == line.size() &&
        !codePage_.leadRunOdd(line.data(), 0, line.size(), false)) {
        // The common case: one row, put together in place.
        char* w = out_.reserve(maxDecimal + 2 + line.size() + 3);
        w = writeDecimal(w, rows_);
        *w++ = '=';
        *w++ = '"';
        std::memcpy(w, line.data(), line.size());
        out_.commit(closeQuote(w + line.size()));
        ++rows_;
        return;
    }
    feed(line);
    feed(std::string_view("\n", 1));
}

void NumberedList::rowWithCare(std::string_view text, unsigned flags)
{
    // A field may double where its line feeds (second bytes of characters)
    // become "\r\n".
    char* const start = out_.reserve(maxDecimal + 2 + 2 * text.size() + 3);
    char* w = writeDecimal(start, rows_);
    *w++ = '=';
    *w++ = '"';
    char* const field = w;
    const bool quoted = (flags & unquote) && !text.empty() && text[0] == '"';
    if (quoted && (flags & innerQuotes)) {
        w = writeUnquoted(w, text.data(), text.size(), codePage_);
    } else {
        // Only the enclosing quotes go, if any: there is no pair to halve.
        const std::string_view bytes = quoted ? text.substr(1, text.size() >= 2 ? text.size() - 2 : 0) : text;
        if (flags & slackAfter) {
            w = scan::copyShort(w, bytes.data(), bytes.size());
        } else if (!bytes.empty()) {
            std::memcpy(w, bytes.data(), bytes.size());
            w += bytes.size();
        }
    }
    if ((flags & mayHoldBreak) && out_.diskForm() && codePage_.anyLeads() &&
        std::memchr(field, '\n', static_cast<std::size_t>(w - field)))
        w = expandInPlace(field, w);
    out_.commit(closeQuote(w));
    ++rows_;
}

long long NumberedList::finish()
{
    if (open_) closeRow();
    return rows_;
}

long long writeNumberedList(std::string_view title, const char* fileName, std::string_view text, bool append,
                            const CodePage& codePage)
{
    long long rows = 0;
    auto write = [&](OutputBuffer& out) {
        NumberedList list(out, title, codePage);
        list.feed(text);
        rows = list.finish();
        return true;
    };
    return writeTextFileOrCount(fileName, append, write) ? rows : -1;
}

}  // namespace quillet
