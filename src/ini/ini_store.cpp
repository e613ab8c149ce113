#include "ini/ini_store.h"

#include <utility>
#include <vector>

#include "text/line_blocks.h"
#include "text/string_ops.h"
#include "text/text_file.h"

namespace {

bool isBlankOrTab(char c)
{
    return c == ' ' || c == '\t';
}

// The blocks being cut from an INI file's text as it comes in.
struct INICut {
    StoreRebuild blocks;  // the finished blocks, the preamble first, on old elements
    // The finished blocks for which no old element was left. The list's nodes
    // for them are made one after the other at the end, so that they lie
    // side by side in memory: walks over the store then read ahead instead
    // of waiting on each node (interleaved with the texts, a walk over
    // 200,000 sections took 21 ms instead of 4.5).
    std::vector<std::string> fresh;
    SectionIndex* index = nullptr;  // where the finished blocks are described, if anywhere
    std::string block;    // the block being filled
    bool header = false;  // a header line was met: block is a section
};

// Ends the block being filled and starts the next one. The block is built
// apart and copied once whole: the copy takes room of its exact size.
void finishBlock(INICut& cut)
{
    if (cut.index) indexBlock(*cut.index, cut.block);
    if (std::string* reused = reuseOldElement(cut.blocks, cut.block.size())) {
        reused->assign(cut.block);
        if (cut.index) cut.index->blocks.back().node = std::prev(cut.blocks.built.end());
    } else {
        cut.fresh.emplace_back(cut.block);
    }
    cut.block.clear();
    cut.header = true;
}

// Cuts the complete lines of data[0, size) into cut: all of them when final,
// a last line without "\n" then getting one; otherwise a last line without
// its "\n" is left for later. Returns how many bytes were used.
std::size_t cutINILines(const char* data, std::size_t size, bool final, INICut& cut)
{
    // Lines that keep all their bytes go into the block as one run, up to the
    // next line that loses its indent or starts a section.
    std::size_t runStart = 0, runEnd = 0, pos = 0;
    bool lastLineOpen = false;  // the last line has no "\n" of its own
    std::size_t ends[64];
    while (pos < size) {
        const std::size_t count = findLineEnds(data, size, pos, ends, 64);
        for (std::size_t i = 0; i < count; ++i) {
            const std::size_t end = ends[i];
            if (end == size && !final) {
                cut.block.append(data + runStart, runEnd - runStart);
                return pos;
            }
            std::size_t first = pos;
            while (first < end && isBlankOrTab(data[first])) ++first;
            if (first == end) first = pos;  // blanks and tabs only: kept whole
            const bool header = first < end && data[first] == '[';
            if (header || first != runEnd) {
                cut.block.append(data + runStart, runEnd - runStart);
                if (header) finishBlock(cut);
                runStart = first;
            }
            runEnd = end < size ? end + 1 : end;
            lastLineOpen = end == size;
            pos = end + 1;
        }
    }
    cut.block.append(data + runStart, runEnd - runStart);
    if (lastLineOpen) cut.block.push_back('\n');
    return size;
}

// Moves the blocks cut from a whole text to the end of store; nothing when
// no line was a header line.
void finishCut(INICut& cut, Store& store)
{
    if (!cut.header) return;
    finishBlock(cut);
    Store fresh;
    std::size_t described = cut.index ? cut.index->blocks.size() - cut.fresh.size() : 0;
    for (std::string& block : cut.fresh) {
        fresh.push_back(std::move(block));
        if (cut.index) cut.index->blocks[described++].node = std::prev(fresh.end());
    }
    cut.blocks.built.splice(cut.blocks.built.end(), fresh);
    store.splice(store.end(), cut.blocks.built);
}

}  // namespace

void groupINIText(const std::string& text, Store& store)
{
    // Built apart, so that running out of memory half way adds nothing.
    INICut cut;
    cutINILines(text.data(), text.size(), true, cut);
    finishCut(cut, store);
}

bool loadINIBlocks(const char* fileName, Store& store, Store& old, std::size_t pieceSize,
                   SectionIndex* index)
{
    TextFileReader reader;
    std::size_t sizeGuess = 0;
    if (!openTextFile(fileName, reader, sizeGuess)) return false;
    struct Closer {
        TextFileReader& reader;
        ~Closer() { closeTextFile(reader); }
    } closer{reader};
    INICut cut;
    cut.index = index;
    cut.blocks.old.swap(old);
    // Text read but not cut yet: pending[used, size()), a part of a line at
    // most. A line longer than what has been read is looked at again only
    // once twice as much is there, so that long lines cost linear time.
    std::string pending;
    std::size_t used = 0, cutAt = 0;
    while (!reader.ended) {
        if (used > 0) {
            pending.erase(0, used);  // less than a line
            used = 0;
        }
        if (!readTextPiece(reader, pending, pieceSize)) return false;
        if (pending.size() < cutAt) continue;
        used = cutINILines(pending.data(), pending.size(), false, cut);
        cutAt = used == 0 ? 2 * pending.size() : 0;
    }
    cutINILines(pending.data() + used, pending.size() - used, true, cut);
    finishCut(cut, store);
    clearStore(cut.blocks.old);
    return true;
}

std::size_t lineEndIn(const std::string& block, std::size_t from)
{
    return findLineEnd(block.data(), block.size(), from);
}
