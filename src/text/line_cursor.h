// The line cursor: the one place where a text is cut into lines by the
// double-byte rule. A line ends at its first real "\n" (one that is not the
// second byte of a double-byte character) or at the end of the text; a text
// that ends with "\n" has no empty line after it.
#pragma once

#include <cstddef>

#include "text/byte_scan.h"
#include "text/code_page.h"

namespace quillet {

// One line of a text: data[begin, end), and whether a real "\n" stands at end.
struct Line {
    std::size_t begin, end;
    bool ended;
};

// Where the line that starts at data[from] ends: at its real "\n", or at
// size. For one line; a walk over many takes a LineCursor.
inline std::size_t lineEnd(const char* data, std::size_t from, std::size_t size, const CodePage& codePage)
{
    std::size_t scanned = from;
    bool odd = false;
    for (std::size_t p = scan::findByte(data, from, size, '\n'); p < size; p = scan::findByte(data, p + 1, size, '\n')) {
        if (!codePage.anyLeads()) return p;
        odd = codePage.leadRunOdd(data, scanned, p, odd);
        scanned = p;
        if (!odd) return p;
    }
    return size;
}

class LineCursor {
public:
    // Walks the lines of data[from, size).
    LineCursor(const char* data, std::size_t size, const CodePage& codePage, std::size_t from = 0)
        : data_(data), size_(size), codePage_(&codePage), leads_(codePage.anyLeads()), pos_(from), searched_(from),
          scanned_(from)
    {
    }

    // Takes the next line; false when the text is used up.
    bool next(Line& line)
    {
        if (pos_ >= size_) return false;
        for (;;) {
            if (next_ == count_ && !refill()) {
                line = {pos_, size_, false};
                pos_ = size_;
                return true;
            }
            const std::size_t p = feeds_[next_++];
            if (leads_) {
                // A line feed after an odd run of lead bytes is the second
                // byte of a character: the line goes on.
                odd_ = codePage_->leadRunOdd(data_, scanned_, p, odd_);
                scanned_ = p;
                if (odd_) continue;
            }
            line = {pos_, p, true};
            pos_ = scanned_ = p + 1;
            odd_ = false;
            return true;
        }
    }

    // Where the next line starts (the size of the text when it is used up).
    std::size_t position() const { return pos_; }

private:
    // Finds the next line feeds, many at a time; false when there are none.
    bool refill()
    {
        next_ = 0;
        count_ = scan::collectByte(data_, searched_, size_, '\n', feeds_, room, &searched_);
        return count_ > 0;
    }

    static constexpr std::size_t room = 64;
    const char* data_;
    std::size_t size_;
    const CodePage* codePage_;
    bool leads_;            // the code page has lead bytes: line feeds are checked
    std::size_t pos_;       // where the next line starts
    std::size_t searched_;  // line feeds before this are in feeds_ or used
    std::size_t scanned_;   // the lead-byte parity below is that of the run ending here
    bool odd_ = false;
    std::size_t feeds_[room];
    std::size_t next_ = 0, count_ = 0;
};

}  // namespace quillet
