// Loading an INI file: its lines cut into the preamble and one block per
// section as the file is read.
#include "ini/ini_store.h"

#include <utility>
#include <vector>

#include "text/text_file.h"

namespace quillet {
namespace {

bool isBlankOrTab(char c)
{
    return c == ' ' || c == '\t';
}

// The blocks being cut from an INI file's lines as they come in.
class INICut {
public:
    INICut(Store& old, SectionIndex* index, const CodePage& codePage) : index_(index), codePage_(codePage)
    {
        blocks_.old.swap(old);
    }

    // Takes the next line of the file; ended: its "\n" follows it.
    void addLine(std::string_view line, bool ended)
    {
        // Lines that keep all their bytes go into the block as one run, up to
        // the next line that loses its indent, starts a section, or lies
        // elsewhere (in another piece of the file).
        const char* pos = line.data();
        const char* end = pos + line.size();
        const char* first = pos;
        while (first < end && isBlankOrTab(*first)) ++first;
        if (first == end) first = pos;  // blanks and tabs only: kept whole
        const bool header = first < end && *first == '[';
        if (header || first != runEnd_) {
            endRun();
            if (header) finishBlock();
            runStart_ = first;
        }
        runEnd_ = ended ? end + 1 : end;
        if (!ended) {
            endRun();
            block_.push_back('\n');
        }
    }

    // The piece that the lines lie in is about to go.
    void endRun()
    {
        block_.append(runStart_, static_cast<std::size_t>(runEnd_ - runStart_));
        runStart_ = runEnd_ = nullptr;
    }

    // Moves the finished blocks to the end of store; nothing when no line
    // was a header line.
    void finish(Store& store)
    {
        endRun();
        if (!header_) return;
        finishBlock();
        Store fresh;
        std::size_t position = index_ ? index_->size() - fresh_.size() : 0;
        for (std::string& block : fresh_) {
            fresh.push_back(std::move(block));
            if (index_) index_->setNode(position++, std::prev(fresh.end()));
        }
        blocks_.built.splice(blocks_.built.end(), fresh);
        store.splice(store.end(), blocks_.built);
        clearStore(blocks_.old);
    }

private:
    // Ends the block being filled and starts the next one. The block is
    // built apart and copied once whole: the copy takes room of its size.
    void finishBlock()
    {
        if (index_) index_->add(block_, codePage_);
        if (std::string* reused = reuseOldElement(blocks_, block_.size())) {
            reused->assign(block_);
            if (index_) index_->setNode(index_->size() - 1, std::prev(blocks_.built.end()));
        } else {
            fresh_.emplace_back(block_);
        }
        block_.clear();
        header_ = true;
    }

    StoreRebuild blocks_;  // the finished blocks, the preamble first, on old elements
    // The finished blocks for which no old element was left. The list's nodes
    // for them are made one after the other at the end, so that they lie
    // side by side in memory: walks over the store then read ahead instead
    // of waiting on each node.
    std::vector<std::string> fresh_;
    SectionIndex* index_;
    const CodePage& codePage_;
    std::string block_;         // the block being filled
    bool header_ = false;       // a header line was met: block_ is a section
    const char* runStart_ = nullptr;
    const char* runEnd_ = nullptr;
};

}  // namespace

bool loadINIBlocks(const char* fileName, Store& store, Store& old, const CodePage& codePage, std::size_t pieceSize,
                   SectionIndex* index)
{
    LineReader reader(codePage, pieceSize);
    if (!reader.open(fileName)) return false;
    INICut cut(old, index, codePage);
    while (reader.nextPiece()) {
        std::string_view line;
        bool ended;
        while (reader.nextLine(line, ended)) cut.addLine(line, ended);
        cut.endRun();
    }
    if (reader.failed()) return false;
    cut.finish(store);
    return true;
}

}  // namespace quillet
