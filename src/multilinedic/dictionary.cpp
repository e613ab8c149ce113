// The multi-line dictionary: loading entries from a file as it is read, and
// finding them again through chains of title hashes.
#include "multilinedic/dictionary.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <stdexcept>
#include <string_view>

#include "text/byte_scan.h"
#include "text/decimal.h"
#include "text/line_cursor.h"
#include "text/string_ops.h"
#include "text/text_file.h"

namespace quillet {
namespace {

const std::uint32_t noPosition = 0xFFFFFFFFu;

// The hash of the bytes before the first line-feed byte of text.
std::size_t headHash(std::string_view text)
{
    const std::size_t length = scan::findByte(text.data(), 0, text.size(), '\n');
    return std::hash<std::string_view>{}(text.substr(0, length));
}

// Whether line, with "\n" appended, begins with marker.
bool isHeadLine(std::string_view line, const std::string& marker)
{
    if (marker.size() <= line.size()) return std::memcmp(line.data(), marker.data(), marker.size()) == 0;
    return marker.size() == line.size() + 1 && marker.back() == '\n' &&
           std::memcmp(line.data(), marker.data(), line.size()) == 0;
}

// Where the first line of text ends, as the line cursor cuts it.
std::size_t firstLineEnd(std::string_view text, const CodePage& codePage)
{
    return lineEnd(text.data(), 0, text.size(), codePage);
}

// Gives back the room of v when it is more than twice what v holds.
template <class T>
void trimRoom(std::vector<T>& v)
{
    if (v.capacity() / 2 > v.size()) v.shrink_to_fit();
}

// The entries being cut from a file's lines as they come in, each built in
// the arena.
class EntryCut {
public:
    EntryCut(TextArena& arena, std::vector<std::string_view>& entries) : arena_(arena), entries_(entries) {}

    // Takes the next line; ended: its "\n" follows it in the piece.
    void addLine(std::string_view line, bool ended, const std::string& marker)
    {
        if (isHeadLine(line, marker)) {
            if (open_) closeEntry();
            open_ = true;
            runStart_ = line.data();
        } else if (!open_) {
            return;  // before the first head line: dropped
        } else if (runStart_ == nullptr) {
            runStart_ = line.data();
        }
        runEnd_ = line.data() + line.size() + (ended ? 1 : 0);
        if (!ended) {
            endRun();
            arena_.add("\n");
        }
    }

    // The piece that the lines lie in is about to go: the open entry keeps
    // what it has of it.
    void endRun()
    {
        if (runStart_) arena_.add(std::string_view(runStart_, static_cast<std::size_t>(runEnd_ - runStart_)));
        runStart_ = runEnd_ = nullptr;
    }

    // Closes the open entry.
    void finish()
    {
        endRun();
        if (open_) closeEntry();
    }

    std::vector<std::uint32_t> titleHashes;  // of the finished entries, for the index

private:
    // Finishes the open entry; its title's hash is taken while it is still
    // in the cache.
    void closeEntry()
    {
        endRun();
        const std::string_view entry = arena_.close();
        scan::roomForOne(entries_);
        scan::roomForOne(titleHashes);
        entries_.push_back(entry);
        titleHashes.push_back(static_cast<std::uint32_t>(headHash(entry)));
    }

    TextArena& arena_;
    std::vector<std::string_view>& entries_;
    bool open_ = false;  // a head line has been met: lines go to an entry
    const char* runStart_ = nullptr;  // the open entry's bytes in this piece
    const char* runEnd_ = nullptr;
};

}  // namespace

int Dictionary::load(const char* fileName, const std::string& headMarker, const CodePage& codePage,
                     std::size_t pieceSize)
{
    if (headMarker.empty()) return -1;
    // The entries before are gone whatever happens; their memory is used
    // again, and the index keeps its room.
    entries_.clear();
    arena_.reuse();
    chainNext_.clear();
    chainHead_.clear();
    LineReader reader(codePage, pieceSize);
    if (!reader.open(fileName)) {
        clearIndex();
        return -1;
    }
    arena_.expect(std::min<std::size_t>(reader.sizeHint(), std::size_t(64) << 20));
    try {
        EntryCut cut(arena_, entries_);
        scan::reserveLarge(cut.titleHashes, entries_.capacity());
        while (reader.nextPiece()) {
            std::string_view line;
            bool ended;
            while (reader.nextLine(line, ended)) cut.addLine(line, ended, headMarker);
            cut.endRun();
        }
        // A read error, or an empty text, which has no line at all.
        if (reader.failed() || reader.empty()) {
            clearIndex();
            return -1;
        }
        cut.finish();
        buildChains(cut.titleHashes);
    } catch (...) {
        // Half a dictionary, or one without its index, is worse than none.
        clearIndex();
        throw;
    }
    return static_cast<int>(entries_.size());
}

void Dictionary::clearIndex() noexcept
{
    entries_.clear();
    arena_.reuse();
    std::vector<std::uint32_t>().swap(chainNext_);
    std::vector<std::uint32_t>().swap(chainHead_);
}

void Dictionary::buildChains(const std::vector<std::uint32_t>& titleHashes)
{
    const std::size_t n = entries_.size();
    // Positions are kept in 32 bits, which only a 64-bit build could exceed.
    if (n >= noPosition) throw std::length_error("too many entries to index");
    std::size_t buckets = 1;
    while (buckets < n) buckets *= 2;
    scan::reserveLarge(chainHead_, buckets);
    scan::reserveLarge(chainNext_, n);
    chainHead_.assign(buckets, noPosition);
    chainNext_.assign(n, noPosition);
    // From the back, so that each chain runs in order. The heads are met in
    // no order and outgrow the cache: each is asked for early.
    const std::size_t ahead = 16;
    for (std::size_t p = n; p-- > 0;) {
        if (p >= ahead) scan::prefetch(&chainHead_[titleHashes[p - ahead] & (buckets - 1)]);
        std::uint32_t& head = chainHead_[titleHashes[p] & (buckets - 1)];
        chainNext_[p] = head;
        head = static_cast<std::uint32_t>(p);
    }
    trimRoom(entries_);
    trimRoom(chainNext_);
    trimRoom(chainHead_);
}

std::uint32_t Dictionary::chainOf(const std::string& key) const
{
    return chainHead_[headHash(key) & (chainHead_.size() - 1)];
}

std::string Dictionary::titles(const CodePage& codePage) const
{
    std::string titles;
    for (const std::string_view entry : entries_) {
        titles.append(entry.substr(0, firstLineEnd(entry, codePage)));
        titles += '\n';
    }
    return titles;
}

std::string Dictionary::search(const std::string& searchText, int number, const CodePage& codePage) const
{
    if ((number != -1 && number <= 0) || entries_.empty()) return std::string();
    // The entry without its first line, as the line cursor cuts that line.
    auto bodyOf = [&](std::string_view entry) {
        const std::size_t end = firstLineEnd(entry, codePage);
        return end < entry.size() ? std::string(entry.substr(end + 1)) : std::string();
    };
    if (searchText.empty() && number != -1) {
        if (static_cast<std::size_t>(number) > entries_.size()) return std::string();
        return bodyOf(entries_[number - 1]);
    }
    const std::string key = searchText + '\n';
    if (number == -1) {
        long long count = 0;
        for (std::uint32_t p = chainOf(key); p != noPosition; p = chainNext_[p])
            if (hasPrefix(entries_[p], key)) ++count;
        return decimalText(count);
    }
    for (std::uint32_t p = chainOf(key); p != noPosition; p = chainNext_[p])
        if (hasPrefix(entries_[p], key) && --number == 0) return bodyOf(entries_[p]);
    return std::string();
}

}  // namespace quillet
