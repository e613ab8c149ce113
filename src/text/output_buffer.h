// The one output buffer, as Lua's luaL_Buffer is: every list, table and text
// that the library writes to a file is put together here and handed to the
// file in large pieces as it fills (or, to count what would be written, to
// nothing).
#pragma once

#include <cstddef>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "text/byte_scan.h"
#include "text/file_io.h"

namespace quillet {

class OutputBuffer {
public:
    // Hands the bytes to file, 256 KB at a time; line breaks become "\r\n".
    explicit OutputBuffer(OutputFile& file);
    // Only counts: nothing is kept, and line breaks are "\n".
    OutputBuffer();
    OutputBuffer(const OutputBuffer&) = delete;
    OutputBuffer& operator=(const OutputBuffer&) = delete;

    // Whether line breaks are written as "\r\n".
    bool diskForm() const { return file_ != nullptr; }

    // Where the next n bytes go: room for n + scan::overRead bytes. Nothing
    // counts as written before commit.
    char* reserve(std::size_t n)
    {
        if (end_ - next_ < static_cast<std::ptrdiff_t>(n + scan::overRead)) makeRoom(n + scan::overRead);
        return next_;
    }

    // The bytes up to end (within the last reserve) are written.
    void commit(char* end) { next_ = end; }

    // Appends bytes as they are.
    void append(const char* data, std::size_t n)
    {
        if (static_cast<std::size_t>(end_ - next_) < n) {
            appendLarge(data, n);
            return;
        }
        std::memcpy(next_, data, n);
        next_ += n;
    }
    void append(std::string_view bytes) { append(bytes.data(), bytes.size()); }

    // Appends a line break: "\r\n" in disk form, else "\n".
    void lineBreak()
    {
        if (diskForm())
            append("\r\n", 2);
        else
            append("\n", 1);
    }

    // Appends text whose "\n" bytes are line breaks.
    void appendText(const char* data, std::size_t n);
    void appendText(std::string_view text) { appendText(text.data(), text.size()); }

    // Hands what is gathered to the file (the file reports how it went).
    void flush();

private:
    void makeRoom(std::size_t n);
    void appendLarge(const char* data, std::size_t n);

    OutputFile* file_ = nullptr;
    std::unique_ptr<char[]> own_;  // the piece gathered for a file, or scratch room when only counting
    std::size_t ownSize_ = 0;
    char* begin_ = nullptr;  // where the bytes not yet handed on begin
    char* next_ = nullptr;
    char* end_ = nullptr;
};

}  // namespace quillet
