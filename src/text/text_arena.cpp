// The arena's chunks: each the larger of what is expected and twice the last.
#include "text/text_arena.h"

#include <algorithm>
#include <cstring>

#include "text/byte_scan.h"

namespace quillet {
namespace {

const std::size_t smallestChunk = 1 << 16;
const std::size_t largestChunk = std::size_t(1) << 28;

}  // namespace

char* TextArena::room(std::size_t n)
{
    if (n > left_) {
        // The open text moves along to the new chunk.
        const std::size_t open = openSize();
        const std::size_t last = chunks_.empty() ? 0 : chunks_.back().size;
        const std::size_t needed = open + n;
        std::size_t size = std::max({smallestChunk, std::min(2 * last, largestChunk), expected_, needed + needed / 2});
        expected_ = 0;
        std::unique_ptr<char[]> bytes(new char[size]);
        if (open > 0) std::memcpy(bytes.get(), open_, open);
        chunks_.reserve(chunks_.size() + 1);
        open_ = bytes.get();
        next_ = open_ + open;
        left_ = size - open;
        chunks_.push_back({std::move(bytes), size});
    }
    char* at = next_;
    next_ += n;
    left_ -= n;
    used_ += n;
    return at;
}

std::string_view TextArena::keep(std::string_view text)
{
    add(text);
    return close();
}

void TextArena::add(std::string_view piece)
{
    char* at = room(piece.size());
    if (!piece.empty()) std::memcpy(at, piece.data(), piece.size());
}

std::string_view TextArena::close()
{
    const std::string_view text(open_, openSize());
    open_ = next_;
    return text;
}

void TextArena::reuse() noexcept
{
    used_ = 0;
    if (chunks_.empty()) return;
    auto largest = std::max_element(chunks_.begin(), chunks_.end(),
                                    [](const Chunk& a, const Chunk& b) { return a.size < b.size; });
    Chunk kept = std::move(*largest);
    chunks_.clear();
    open_ = next_ = kept.bytes.get();
    left_ = kept.size;
    chunks_.push_back(std::move(kept));
}

}  // namespace quillet
