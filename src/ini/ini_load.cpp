// Loading an INI file: its lines cut into the preamble and one block per
// section as the file is read, each block built straight in the arena.
#include "ini/ini_store.h"

#include <algorithm>

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
    INICut(IniBlocks& blocks, const CodePage& codePage) : blocks_(blocks), arena_(blocks.arena()), codePage_(codePage)
    {
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
            arena_.add("\n");
        }
    }

    // The piece that the lines lie in is about to go.
    void endRun()
    {
        if (runStart_ != runEnd_) arena_.add(std::string_view(runStart_, static_cast<std::size_t>(runEnd_ - runStart_)));
        runStart_ = runEnd_ = nullptr;
    }

    // Ends the last block; none at all when no line was a header line.
    void finish()
    {
        endRun();
        if (header_) {
            blocks_.append(codePage_);
        } else {
            arena_.close();
            blocks_.clear();
        }
    }

private:
    // Ends the block being built and starts the next one.
    void finishBlock()
    {
        blocks_.append(codePage_);
        header_ = true;
    }

    IniBlocks& blocks_;
    TextArena& arena_;
    const CodePage& codePage_;
    bool header_ = false;  // a header line was met: the open block is a section
    const char* runStart_ = nullptr;
    const char* runEnd_ = nullptr;
};

}  // namespace

bool loadINIBlocks(const char* fileName, IniBlocks& blocks, const CodePage& codePage, std::size_t pieceSize)
{
    LineReader reader(codePage, pieceSize);
    if (!reader.open(fileName)) return false;
    // The blocks take the file's bytes less its carriage returns; a size
    // that a sparse file may claim is taken as a hint up to a point.
    blocks.expect(std::min<std::size_t>(reader.sizeHint(), std::size_t(64) << 20));
    INICut cut(blocks, codePage);
    while (reader.nextPiece()) {
        std::string_view line;
        bool ended;
        while (reader.nextLine(line, ended)) cut.addLine(line, ended);
        cut.endRun();
    }
    if (reader.failed()) return false;
    cut.finish();
    return true;
}

}  // namespace quillet
