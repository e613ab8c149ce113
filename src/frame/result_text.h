// The result text: where every text that an export hands back lives, and the
// work buffer of writeINIFile, changeSectionName and moveSection.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace quillet {

// The buffer is never grown in place: a result that does not fit is built in
// another buffer, which then takes its place. The buffer given up stays
// readable until the next call starts, so that a pointer handed out before
// never points at freed memory; then it is kept as the room for the next
// result built apart.
class ResultText {
public:
    // Starts with room for ordinary names, so that replacing a short text by
    // another keeps the buffer: an earlier pointer then shows the new text.
    ResultText();

    const char* c_str() const { return text_.c_str(); }
    const std::string& text() const { return text_; }

    // Replaces the text by a copy of text, which may lie inside it.
    const char* set(std::string_view text);

    // An empty text to build a result in, apart from the result text (which
    // an argument may point into); take hands it over.
    std::string& scratch();

    // An empty text to build a result of at most size bytes in: the result
    // text itself when it has the room, so that a large result built again
    // and again reuses its memory (the caller has copied every argument
    // first: an earlier pointer then shows the new text), else scratch().
    std::string& room(std::size_t size);

    // Takes text over as the result (nothing to do when it was built in
    // place); text gets an empty string back.
    const char* take(std::string& text);

    // Empties the text: the result of a text export that failed.
    const char* fail() noexcept;

    // Called at the start of every export: what was given up in the call
    // before becomes the room for building the next result, and an older
    // spare is freed.
    void callStarted() noexcept;

private:
    static constexpr std::size_t ordinaryRoom = 256;  // an ordinary name or list fits
    static constexpr std::size_t minimumRoom = 32;    // past the room inside a string object

    std::string text_;
    std::string retired_;  // given up during this call
    bool retiredThisCall_ = false;
    std::string spare_;    // given up before; room to build in
};

}  // namespace quillet
