// The word list's operations: filling, clearing, thinning, packing and
// writing its "[word]" section.
#include "onelinedic/word_list.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "onelinedic/sort_keys.h"
#include "text/byte_scan.h"
#include "text/file_io.h"
#include "text/line_cursor.h"
#include "text/numbered_list.h"
#include "text/output_buffer.h"
#include "text/text_file.h"

namespace quillet {
namespace {

// Throws when the buffer cannot take `more` bytes: spans reach 4 GB.
void checkRoom(std::size_t used, std::size_t more)
{
    if (more > UINT32_MAX - std::min<std::size_t>(used, UINT32_MAX)) throw std::length_error("word list over 4 GB");
}

// How many entries ahead the scattered reads of their bytes are started:
// after a sort the entries' bytes lie in no order.
const std::size_t ahead = 32;

}  // namespace

void WordList::push_back(std::string_view text)
{
    checkRoom(bytes_.size(), text.size());
    // Read before the append, which may move the bytes that text views.
    const bool holdsBreak = scan::findByte(text.data(), 0, text.size(), '\n') != text.size();
    // Both buffers grow before either changes.
    if (spans_.size() == spans_.capacity()) spans_.reserve(spans_.empty() ? 16 : 2 * spans_.size());
    const std::size_t offset = bytes_.size();
    bytes_.append(text.data(), text.size());
    spans_.push_back({static_cast<std::uint32_t>(offset), static_cast<std::uint32_t>(text.size())});
    repeatsShareSpans_ = false;
    mayHoldBreaks_ = mayHoldBreaks_ || holdsBreak;
}

bool WordList::appendFile(const char* fileName, const CodePage& codePage)
{
    std::string text;
    if (!readTextFile(fileName, text)) return false;
    appendLines(text, codePage);
    return true;
}

void WordList::appendLines(std::string& text, const CodePage& codePage)
{
    if (text.empty()) return;
    checkRoom(spans_.empty() ? 0 : bytes_.size(), text.size());
    // Room for every span at once: no doubling steps, each of which would
    // hold the old and the new array together.
    const std::size_t needed = spans_.size() + scan::countByte(text.data(), text.size(), '\n') + 1;
    if (needed > spans_.capacity())
        scan::reserveLarge(spans_, std::max(needed, spans_.capacity() + spans_.capacity() / 2));
    std::size_t base = 0;
    if (spans_.empty()) {
        // The text itself becomes the list's bytes: nothing is copied.
        bytes_.swap(text);
    } else {
        base = bytes_.size();
        if (bytes_.capacity() - base < text.size())
            scan::reserveLarge(bytes_, std::max(base + text.size(), bytes_.capacity() + bytes_.capacity() / 2));
        bytes_.append(text);
    }
    // Nothing asks for memory from here on.
    repeatsShareSpans_ = false;
    mayHoldBreaks_ = mayHoldBreaks_ || codePage.anyLeads();
    LineCursor lines(bytes_.data(), bytes_.size(), codePage, base);
    for (Line line; lines.next(line);)
        spans_.push_back({static_cast<std::uint32_t>(line.begin), static_cast<std::uint32_t>(line.end - line.begin)});
}

void WordList::clear() noexcept
{
    std::string().swap(bytes_);
    std::vector<WordSpan>().swap(spans_);
    repeatsShareSpans_ = false;
    mayHoldBreaks_ = false;
}

void WordList::sort()
{
    // The sort reads a few bytes past the last entry.
    static_assert(scan::overRead >= keyReach, "the room past the bytes must cover a sort key's reach");
    if (bytes_.capacity() - bytes_.size() < scan::overRead) scan::reserveLarge(bytes_, bytes_.size() + scan::overRead);
    sortWordSpans(bytes_.data(), spans_);
    repeatsShareSpans_ = true;
}

void WordList::removeAdjacentRepeats()
{
    const char* bytes = bytes_.data();
    const std::size_t n = spans_.size();
    if (n == 0) return;
    // Each entry that differs from the last one kept moves down behind it.
    // Otherwise than straight after a sort, the bytes are compared; they may
    // lie in no order: asked for ahead, but only where a neighbour has the
    // same length (the last one kept is as long as the entry before).
    const bool readBytes = !repeatsShareSpans_;
    std::size_t kept = 0, liveBytes = spans_[0].length;
    for (std::size_t next = 1; next < n; ++next) {
        const std::size_t soon = next + ahead;
        if (readBytes && soon < n &&
            (spans_[soon].length == spans_[soon - 1].length ||
             (soon + 1 < n && spans_[soon].length == spans_[soon + 1].length)))
            scan::prefetchBytes(bytes + spans_[soon].offset, spans_[soon].length);
        const WordSpan word = spans_[next], last = spans_[kept];
        if (word.length == last.length &&
            (word.offset == last.offset ||
             (readBytes && std::memcmp(bytes + word.offset, bytes + last.offset, word.length) == 0)))
            continue;
        spans_[++kept] = word;
        liveBytes += word.length;
    }
    spans_.resize(kept + 1);
    // Packing costs as much as the live bytes, and is done only when the
    // dropped ones are more: each byte is copied a bounded number of times.
    if (bytes_.size() > 2 * liveBytes + 4096) pack();
}

void WordList::pack()
{
    std::string packed;
    std::size_t total = 0;
    for (const WordSpan& span : spans_) total += span.length;
    scan::reserveLarge(packed, total + scan::overRead);  // the room a sort reads past the end
    for (WordSpan& span : spans_) {
        const std::size_t at = packed.size();
        packed.append(bytes_, span.offset, span.length);
        span.offset = static_cast<std::uint32_t>(at);
    }
    bytes_.swap(packed);
    spans_.shrink_to_fit();
}

long long WordList::writeSection(const char* fileName, std::string_view prefix, const CodePage& codePage) const
{
    // Written in pieces as the rows are made: the section is never whole.
    long long rows = 0;
    auto write = [&](OutputBuffer& out) {
        NumberedList list(out, "[word]", codePage);
        const std::size_t n = spans_.size();
        const char* bytes = bytes_.data();
        // Each entry is one row, put together in place, unless it may hold a
        // "\n" or end inside a character; with room past the bytes, rows
        // are copied in blocks.
        const bool wholeRows = !mayHoldBreaks_ && !codePage.anyLeads();
        const bool slack = bytes_.capacity() - bytes_.size() >= scan::overRead;
        const unsigned flags = slack ? unsigned(NumberedList::slackAfter) : 0u;
        for (std::size_t i = 0; i < n; ++i) {
            if (i + ahead < n) scan::prefetchBytes(bytes + spans_[i + ahead].offset, spans_[i + ahead].length);
            const std::string_view word(bytes + spans_[i].offset, spans_[i].length);
            // An empty prefix (the usual case) takes every word: no call to
            // compare per word, which costs more than the row itself.
            if (!prefix.empty() &&
                (word.size() < prefix.size() || std::memcmp(word.data(), prefix.data(), prefix.size()) != 0))
                continue;
            if (wholeRows)
                list.row(word, flags);
            else
                list.feedLine(word);
        }
        rows = list.finish();
        return true;
    };
    return writeTextFileOrCount(fileName, false, write) ? rows : -1;
}

bool operator==(const WordList& a, const WordList& b)
{
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (a[i] != b[i]) return false;
    return true;
}

}  // namespace quillet
