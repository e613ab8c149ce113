// Reading and writing by the text-file rules.
#include "text/text_file.h"

#include <algorithm>
#include <vector>

#include "text/byte_scan.h"
#include "text/output_buffer.h"

namespace quillet {
namespace {

// How much of a file is read at a time: small enough to stay in the cache
// while its bytes are copied by the text-file rules.
const std::size_t readChunk = 1 << 18;

// The room a whole-file read takes up front, at most: beyond it, room grows
// with what is read (a sparse file may claim gigabytes and hold a few bytes).
const std::size_t hintCap = std::size_t(64) << 20;

// Gives text room for `more` bytes past its size: twice what it holds, but
// never past the file's size hint while the text is within it.
void growFor(std::string& text, std::size_t more, std::size_t sizeHint)
{
    const std::size_t needed = text.size() + more;
    if (needed <= text.capacity()) return;
    std::size_t wanted = std::max(needed, 2 * text.capacity());
    if (sizeHint + more > needed) wanted = std::min(wanted, sizeHint + more);
    scan::reserveLarge(text, wanted);
}

}  // namespace

bool TextReader::open(const char* fileName)
{
    ended_ = false;
    return openInputFile(fileName, file_, sizeHint_);
}

bool TextReader::read(std::string& text, std::size_t size)
{
    if (piece_.size() < size) piece_.resize(size);
    const long long got = readInputBytes(file_, piece_.data(), size);
    if (got <= 0) {
        ended_ = true;
        return got == 0;
    }
    const std::size_t used = text.size();
    growFor(text, static_cast<std::size_t>(got) + scan::overRead, sizeHint_);
    text.resize(used + static_cast<std::size_t>(got) + scan::overRead);
    char* start = &text[0];
    const scan::CopyEnd end = scan::copyTextBytes(piece_.data(), piece_.data() + got, start + used);
    text.resize(static_cast<std::size_t>(end.out - start));
    if (end.over) ended_ = true;
    return true;
}

bool readTextFile(const char* fileName, std::string& text)
{
    TextReader reader;
    if (!reader.open(fileName)) return false;
    text.clear();
    scan::reserveLarge(text, std::min(reader.sizeHint(), hintCap) + scan::overRead);
    while (!reader.ended())
        if (!reader.read(text, readChunk)) return false;
    // A file that held much less text than its size claimed gives its room back.
    if (text.capacity() > 2 * text.size() + (1 << 20)) {
        text.reserve(text.size() + scan::overRead);
        text.shrink_to_fit();
    }
    return true;
}

void LineReader::openText(std::string_view text)
{
    piece_ = text;
    given_ = true;
}

bool LineReader::nextPiece()
{
    if (last_ || failed_) return false;
    if (given_) {
        last_ = true;
        anyText_ = !piece_.empty();
        cursor_ = LineCursor(piece_.data(), piece_.size(), codePage_);
        return true;
    }
    // What is left of the last piece is part of a line: it moves to the front.
    buffer_.erase(0, pos_);
    pos_ = 0;
    // A line longer than what has been read is looked at again only once
    // twice as much is there, so that long lines cost linear time.
    const std::size_t wanted = std::max(2 * buffer_.size(), buffer_.size() + pieceSize_);
    while (buffer_.size() < wanted && !reader_.ended()) {
        if (!reader_.read(buffer_, std::min(pieceSize_, wanted - buffer_.size()))) {
            failed_ = true;
            return false;
        }
    }
    last_ = reader_.ended();
    anyText_ = anyText_ || !buffer_.empty();
    piece_ = buffer_;
    cursor_ = LineCursor(piece_.data(), piece_.size(), codePage_);
    return true;
}

bool LineReader::nextLines(std::string_view& lines, std::size_t most)
{
    const std::string_view rest = piece_.substr(pos_);
    if (rest.size() > most || (codePage_.anyLeads() && !codePage_.leadsAllHigh())) return false;
    // Unless the piece holds the end of the file, its last line may go on:
    // the lines end at the last real "\n". rest starts a line, and a "\n"
    // after an odd run of lead bytes is the second byte of a character.
    std::size_t whole = last_ ? rest.size() : 0;
    for (std::size_t p = rest.rfind('\n'); !last_ && p != std::string_view::npos; p = rest.rfind('\n', p - 1)) {
        if (!codePage_.anyLeads() || !codePage_.leadRunOdd(rest.data(), 0, p, false)) {
            whole = p + 1;
            break;
        }
        if (p == 0) break;
    }
    if (whole == 0) return false;
    lines = rest.substr(0, whole);
    pos_ += whole;
    cursor_ = LineCursor(piece_.data(), piece_.size(), codePage_, pos_);
    return true;
}

bool writeTextFile(const char* fileName, std::string_view text, bool append)
{
    const unsigned long long diskSize = append ? 0 : text.size() + scan::countByte(text.data(), text.size(), '\n');
    return writeTextFileBy(
        fileName, append,
        [&](OutputBuffer& out) {
            out.appendText(text);
            return true;
        },
        diskSize);
}

}  // namespace quillet
