// The word list (the one-line dictionary): every entry's bytes side by side
// in one buffer, and the entries as spans of it in list order. Sorting and
// thinning move only the spans, so a list of millions is two allocations.
// The buffer holds up to 4 GB: a list that would outgrow it is refused, as
// one that runs out of memory is.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "text/code_page.h"

namespace quillet {

// Where an entry's bytes lie in the list's buffer. Eight bytes, not sixteen:
// a list of millions of short words is mostly its spans.
struct WordSpan {
    std::uint32_t offset;
    std::uint32_t length;
};

class WordList {
public:
    // Walks the entries in order, each seen as a view of its bytes.
    class const_iterator {
    public:
        using iterator_category = std::random_access_iterator_tag;
        using value_type = std::string_view;
        using difference_type = std::ptrdiff_t;
        using pointer = void;
        using reference = std::string_view;

        const_iterator() = default;
        const_iterator(const char* bytes, const WordSpan* span) : bytes_(bytes), span_(span) {}

        std::string_view operator*() const { return {bytes_ + span_->offset, span_->length}; }
        const_iterator& operator++() { ++span_; return *this; }
        const_iterator operator++(int) { const_iterator was = *this; ++span_; return was; }
        const_iterator& operator+=(difference_type n) { span_ += n; return *this; }
        friend difference_type operator-(const const_iterator& a, const const_iterator& b) { return a.span_ - b.span_; }
        friend bool operator==(const const_iterator& a, const const_iterator& b) { return a.span_ == b.span_; }
        friend bool operator!=(const const_iterator& a, const const_iterator& b) { return a.span_ != b.span_; }

    private:
        const char* bytes_ = nullptr;
        const WordSpan* span_ = nullptr;
    };

    std::size_t size() const { return spans_.size(); }
    bool empty() const { return spans_.empty(); }
    std::string_view operator[](std::size_t i) const { return {bytes_.data() + spans_[i].offset, spans_[i].length}; }
    const_iterator begin() const { return {bytes_.data(), spans_.data()}; }
    const_iterator end() const { return {bytes_.data(), spans_.data() + spans_.size()}; }
    // The bytes the buffer holds, dropped entries' included.
    std::size_t byteCount() const { return bytes_.size(); }

    // Appends an entry; if memory runs out the list is as it was. text may be
    // a view of the list's own bytes.
    void push_back(std::string_view text);

    // Appends the lines of the file (cut by the line cursor's rule). False,
    // the list unchanged, when the file cannot be read.
    bool appendFile(const char* fileName, const CodePage& codePage);

    // Appends the lines of text, which may be taken over as the list's bytes
    // (it is unspecified afterwards).
    void appendLines(std::string& text, const CodePage& codePage);

    // Removes every entry and gives both buffers back: a list of millions is
    // not kept for a next one of unknown size.
    void clear() noexcept;

    // Puts the entries in ascending byte order (bytes unsigned, then the
    // shorter text first), on the caller's thread. Equal entries come to
    // share one span.
    void sort();

    // Removes every entry that equals the one kept before it. When the bytes
    // of dropped entries outweigh the live ones, the buffer is packed.
    // Straight after a sort only the spans are compared.
    void removeAdjacentRepeats();

    // Writes the "[word]" numbered-list section of the entries that begin
    // with prefix (each entry followed by "\n", cut into rows as a numbered
    // list's text is) to fileName, replacing it; nothing is written when it
    // is empty. The number of rows, or -1 when the file could not be written.
    long long writeSection(const char* fileName, std::string_view prefix, const CodePage& codePage) const;

    friend bool operator==(const WordList& a, const WordList& b);
    friend bool operator!=(const WordList& a, const WordList& b) { return !(a == b); }

private:
    void pack();

    std::string bytes_;
    std::vector<WordSpan> spans_;
    // Whether neighbours hold equal texts exactly when their spans are equal:
    // true from a sort until entries are added.
    bool repeatsShareSpans_ = false;
    // Whether some entry may hold a "\n": one appended whole, or a line cut
    // under a code page with lead bytes (where a "\n" can end a character).
    bool mayHoldBreaks_ = false;
};

// Sorts spans (of entries in bytes) into ascending byte order. Only the
// spans move, and equal entries leave with the first one's span; if memory
// runs out, nothing has changed. Reads a few bytes past an entry's end (up
// to keyReach): bytes must have that many readable past the last entry.
void sortWordSpans(const char* bytes, std::vector<WordSpan>& spans);

}  // namespace quillet
