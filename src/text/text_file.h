// Text files: "\r\n" on disk, "\n" in memory. On reading, every '\r' is
// dropped and the data ends at the first 0x1A or NUL byte; on writing, every
// "\n" becomes "\r\n", and an append starts with a line break.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "text/code_page.h"
#include "text/file_io.h"
#include "text/line_cursor.h"
#include "text/output_buffer.h"

namespace quillet {

// A file read a piece at a time by the text-file rules.
class TextReader {
public:
    TextReader() = default;
    ~TextReader() { closeInputFile(file_); }
    TextReader(const TextReader&) = delete;
    TextReader& operator=(const TextReader&) = delete;

    // False, nothing open, when the file cannot be opened or is a folder.
    bool open(const char* fileName);

    // Appends up to size more bytes of the file's text to text, with room for
    // scan::overRead bytes after them. False on a read error.
    bool read(std::string& text, std::size_t size);

    // Whether the text is over: the end of the file, or a 0x1A or NUL byte.
    bool ended() const { return ended_; }

    // The file's length where it has one, else 0: a hint only (a file may
    // grow, shrink, or hold a byte that ends its text early).
    std::size_t sizeHint() const { return sizeHint_; }

private:
    InputFile file_;
    std::vector<char> piece_;  // the bytes of one read, before the rules
    std::size_t sizeHint_ = 0;
    bool ended_ = false;
};

// Reads the whole file into text by the text-file rules, with room for
// scan::overRead bytes after it. Its room follows what is read; the file's
// size is only a hint. False when the file cannot be opened or read.
bool readTextFile(const char* fileName, std::string& text);

// A text file handed out in pieces of whole lines, cut by the line cursor's
// rule; a line longer than a piece waits until it is whole.
class LineReader {
public:
    // How much is read at a time by default: a piece stays in the cache
    // while it is cut.
    static constexpr std::size_t defaultPiece = 1 << 18;

    explicit LineReader(const CodePage& codePage, std::size_t pieceSize = defaultPiece)
        : codePage_(codePage), pieceSize_(pieceSize), cursor_(nullptr, 0, codePage)
    {
    }

    // False when the file cannot be opened.
    bool open(const char* fileName) { return reader_.open(fileName); }

    // Hands out the lines of text (read by the text-file rules already)
    // instead of a file's, as one piece; text must outlive the reader and
    // have scan::overRead readable bytes after it.
    void openText(std::string_view text);

    // Reads the next piece; false when the file is used up or failed.
    bool nextPiece();

    // The next whole line of the piece: its bytes, and whether its "\n"
    // follows them (only the file's last line can lack one). The bytes stay
    // valid until the next nextPiece. Inline: it runs once per line.
    bool nextLine(std::string_view& line, bool& ended)
    {
        Line found;
        if (!cursor_.next(found)) {
            pos_ = piece_.size();
            return false;
        }
        if (!found.ended && !last_) {
            // Not whole yet: it waits for the next piece.
            pos_ = found.begin;
            return false;
        }
        pos_ = cursor_.position();
        line = std::string_view(piece_.data() + found.begin, found.end - found.begin);
        ended = found.ended;
        return true;
    }

    // The rest of the piece's whole lines as one text, each with its "\n"
    // (the file's last line perhaps without). False, nothing taken, when no
    // whole line is left, the lines run past most bytes (a piece grown for a
    // long line), or the code page has a lead byte below 0x80; nextLine then
    // goes on. The text has scan::overRead readable bytes after it.
    bool nextLines(std::string_view& lines, std::size_t most);

    // Whether reading failed (as opposed to ending).
    bool failed() const { return failed_; }

    // Whether the file gave no text at all.
    bool empty() const { return !anyText_; }

    // The file's length where it has one, else 0: a hint only.
    std::size_t sizeHint() const { return reader_.sizeHint(); }

private:
    const CodePage& codePage_;
    std::size_t pieceSize_;
    TextReader reader_;
    std::string buffer_;
    std::string_view piece_;  // the piece being handed out: buffer_, or the text given
    LineCursor cursor_;       // over the piece
    std::size_t pos_ = 0;     // the first byte of the piece not handed out
    bool last_ = false;       // the piece holds the end of the file
    bool given_ = false;      // a text was given instead of a file
    bool failed_ = false;
    bool anyText_ = false;
};

// Writes a text file through an output buffer that body(OutputBuffer&)
// fills (in disk form: "\n" as "\r\n"), replacing the file, or appending to
// it after a line break. body returns false to give the write up. False when
// anything failed; the old file is then as it was. diskSize, when known, is
// the number of bytes the file will get.
template <class Body>
bool writeTextFileBy(const char* fileName, bool append, Body&& body, unsigned long long diskSize = 0)
{
    OutputFile file;
    if (!openOutputFile(fileName, append, file, diskSize)) return false;
    bool ok = false;
    try {
        OutputBuffer out(file);
        if (append) out.lineBreak();
        ok = body(out);
        out.flush();
    } catch (...) {
        abandonOutputFile(file);
        throw;
    }
    if (!ok) {
        abandonOutputFile(file);
        return false;
    }
    return finishOutputFile(file);
}

// writeTextFileBy, or, when fileName is empty, body run on a buffer that
// keeps nothing (for what it counts).
template <class Body>
bool writeTextFileOrCount(const char* fileName, bool append, Body&& body)
{
    if (fileName[0] != '\0') return writeTextFileBy(fileName, append, body);
    OutputBuffer counter;
    return body(counter);
}

// Writes text with every "\n" as "\r\n", as writeTextFileBy does.
bool writeTextFile(const char* fileName, std::string_view text, bool append);

}  // namespace quillet
