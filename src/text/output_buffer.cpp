// The output buffer's growing and handing on.
#include "text/output_buffer.h"

#include <algorithm>
#include <cstring>

namespace quillet {
namespace {

// How much is gathered before it is handed to a file: small enough to stay
// in the cache, large enough that each write is worth its call.
const std::size_t pieceSize = 1 << 18;

// The room expandLineFeeds may write past its limit.
const std::size_t expandSlack = 2 * scan::overRead + 2;

}  // namespace

OutputBuffer::OutputBuffer(OutputFile& file) : file_(&file), own_(new char[pieceSize]), ownSize_(pieceSize)
{
    begin_ = next_ = own_.get();
    end_ = begin_ + ownSize_;
}

OutputBuffer::OutputBuffer() : own_(new char[1024]), ownSize_(1024)
{
    begin_ = next_ = own_.get();
    end_ = begin_ + ownSize_;
}

void OutputBuffer::flush()
{
    if (file_) writeOutputBytes(*file_, begin_, static_cast<std::size_t>(next_ - begin_));
    next_ = begin_;
}

void OutputBuffer::makeRoom(std::size_t n)
{
    flush();
    if (n > ownSize_) {
        own_.reset(new char[n]);
        ownSize_ = n;
    }
    begin_ = next_ = own_.get();
    end_ = begin_ + ownSize_;
}

void OutputBuffer::appendLarge(const char* data, std::size_t n)
{
    flush();
    // A large run goes straight to the file; when only counting, nowhere.
    if (file_ && n >= pieceSize / 2) {
        writeOutputBytes(*file_, data, n);
        return;
    }
    while (n > 0) {
        const std::size_t part = std::min(n, static_cast<std::size_t>(end_ - next_));
        std::memcpy(next_, data, part);
        next_ += part;
        data += part;
        n -= part;
        if (n > 0) flush();
    }
}

void OutputBuffer::appendText(const char* data, std::size_t n)
{
    if (!diskForm()) {
        append(data, n);
        return;
    }
    const char* end = data + n;
    while (data < end) {
        if (end_ - next_ < static_cast<std::ptrdiff_t>(expandSlack + 64)) makeRoom(expandSlack + 64);
        const scan::ExpandEnd done = scan::expandLineFeeds(data, end, next_, end_ - expandSlack);
        data = done.in;
        next_ = done.out;
    }
}

}  // namespace quillet
