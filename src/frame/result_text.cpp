// The result text and the buffers it gives up.
#include "frame/result_text.h"

namespace quillet {

ResultText::ResultText()
{
    text_.reserve(ordinaryRoom);
}

const char* ResultText::set(std::string_view text)
{
    if (text.size() <= text_.capacity()) {
        // Within the room: assign copies correctly even from inside the buffer.
        text_.assign(text.data(), text.size());
        return text_.c_str();
    }
    std::string& fresh = scratch();
    fresh.assign(text.data(), text.size());
    return take(fresh);
}

std::string& ResultText::scratch()
{
    spare_.clear();
    return spare_;
}

std::string& ResultText::room(std::size_t size)
{
    if (size > text_.capacity()) return scratch();
    text_.clear();
    return text_;
}

const char* ResultText::take(std::string& text)
{
    if (&text == &text_) return text_.c_str();
    // A short text would live inside the string object itself, and move with
    // it: the pointer handed out must point at a buffer of its own.
    if (text.capacity() < minimumRoom) text.reserve(minimumRoom);
    // A buffer given up twice in one call was made in it: never handed out.
    if (!retiredThisCall_) {
        retired_.swap(text_);
        retiredThisCall_ = true;
    }
    text_.swap(text);
    std::string().swap(text);
    return text_.c_str();
}

const char* ResultText::fail() noexcept
{
    text_.clear();
    return text_.c_str();
}

void ResultText::callStarted() noexcept
{
    // A spare that the call before did not need is given back.
    spare_.swap(retired_);
    std::string().swap(retired_);
    retiredThisCall_ = false;
}

}  // namespace quillet
