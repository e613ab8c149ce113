// The word list's storage: every entry's bytes side by side in one buffer,
// and the entries as spans of it in list order.
#pragma once

#include <cstddef>
#include <initializer_list>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

// Where an entry's bytes lie in the store's buffer.
struct WordSpan {
    std::size_t offset;
    std::size_t length;
};

// Sorting and thinning move only the spans: no entry's bytes are copied or
// freed one by one, and a list of millions is two allocations.
class WordStore {
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
        std::string_view operator[](difference_type i) const { return *(*this + i); }
        const_iterator& operator++() { ++span_; return *this; }
        const_iterator operator++(int) { const_iterator was = *this; ++span_; return was; }
        const_iterator& operator--() { --span_; return *this; }
        const_iterator operator--(int) { const_iterator was = *this; --span_; return was; }
        const_iterator& operator+=(difference_type n) { span_ += n; return *this; }
        const_iterator& operator-=(difference_type n) { span_ -= n; return *this; }
        friend const_iterator operator+(const_iterator i, difference_type n) { return i += n; }
        friend const_iterator operator+(difference_type n, const_iterator i) { return i += n; }
        friend const_iterator operator-(const_iterator i, difference_type n) { return i -= n; }
        friend difference_type operator-(const const_iterator& a, const const_iterator& b) { return a.span_ - b.span_; }
        friend bool operator==(const const_iterator& a, const const_iterator& b) { return a.span_ == b.span_; }
        friend bool operator!=(const const_iterator& a, const const_iterator& b) { return a.span_ != b.span_; }
        friend bool operator<(const const_iterator& a, const const_iterator& b) { return a.span_ < b.span_; }
        friend bool operator>(const const_iterator& a, const const_iterator& b) { return a.span_ > b.span_; }
        friend bool operator<=(const const_iterator& a, const const_iterator& b) { return a.span_ <= b.span_; }
        friend bool operator>=(const const_iterator& a, const const_iterator& b) { return a.span_ >= b.span_; }

    private:
        const char* bytes_ = nullptr;
        const WordSpan* span_ = nullptr;
    };
    using iterator = const_iterator;
    using value_type = std::string_view;
    using size_type = std::size_t;

    WordStore() = default;
    WordStore(std::initializer_list<std::string_view> texts) : WordStore(texts.begin(), texts.end()) {}
    template <class Iterator>
    WordStore(Iterator first, Iterator last)
    {
        for (; first != last; ++first) push_back(*first);
    }

    std::size_t size() const { return spans_.size(); }
    bool empty() const { return spans_.empty(); }
    // The number of entries the span array has room for.
    std::size_t capacity() const { return spans_.capacity(); }

    std::string_view operator[](std::size_t i) const { return {bytes_.data() + spans_[i].offset, spans_[i].length}; }
    std::string_view front() const { return (*this)[0]; }
    std::string_view back() const { return (*this)[size() - 1]; }
    const_iterator begin() const { return {bytes_.data(), spans_.data()}; }
    const_iterator end() const { return {bytes_.data(), spans_.data() + spans_.size()}; }

    // Appends an entry; if memory runs out the store is as it was. text may
    // be a view of the store's own bytes.
    void push_back(std::string_view text)
    {
        // Both buffers grow before either changes.
        if (spans_.size() == spans_.capacity()) spans_.reserve(spans_.empty() ? 16 : 2 * spans_.size());
        const std::size_t offset = bytes_.size();
        bytes_.append(text.data(), text.size());
        spans_.push_back({offset, text.size()});
    }

    // Removes every entry and gives both buffers back: a list of millions is
    // not kept for a next one of unknown size.
    void clear() noexcept
    {
        std::string().swap(bytes_);
        std::vector<WordSpan>().swap(spans_);
    }

    // For the routines that fill, order and thin the list in bulk: spans may
    // be reordered or dropped freely; bytes only grow, and no span may point
    // past their end. Bytes no span covers are simply unused.
    std::string& bytes() { return bytes_; }
    const std::string& bytes() const { return bytes_; }
    std::vector<WordSpan>& spans() { return spans_; }
    const std::vector<WordSpan>& spans() const { return spans_; }

    friend bool operator==(const WordStore& a, const WordStore& b)
    {
        if (a.size() != b.size()) return false;
        for (std::size_t i = 0; i < a.size(); ++i)
            if (a[i] != b[i]) return false;
        return true;
    }
    friend bool operator!=(const WordStore& a, const WordStore& b) { return !(a == b); }

private:
    std::string bytes_;
    std::vector<WordSpan> spans_;
};
