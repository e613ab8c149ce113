// Loading an INI file: its lines cut into the preamble and one block per
// section as the file is read, each block built straight in the arena.
#include "ini/ini_store.h"

#include <algorithm>

#include "text/byte_scan.h"
#include "text/line_cursor.h"
#include "text/text_file.h"

namespace quillet {
namespace {

bool isBlankOrTab(char c)
{
    return c == ' ' || c == '\t';
}

// Whether a line that opens with c may lose bytes (its indent) or start a
// section; any other line joins the run whole.
bool opensApart(char c)
{
    return c == '[' || isBlankOrTab(c);
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

    // Takes a text of whole lines, as LineReader::nextLines hands them out,
    // in one go. Where no "\n" in it can be the second byte of a character,
    // only the lines that open apart are taken one by one: the lines between
    // them join the run together.
    void addLines(std::string_view lines)
    {
        const char* const data = lines.data();
        const std::size_t n = lines.size();
        if (codePage_.anyLeads() && scan::anyHighByte(data, n)) {
            LineCursor cursor(data, n, codePage_);
            for (Line line; cursor.next(line);) addLine(lines.substr(line.begin, line.end - line.begin), line.ended);
            return;
        }
        std::size_t feeds[64];
        std::size_t searched = 0, start = 0, joinFrom = 0;
        for (std::size_t got; (got = scan::collectByte(data, searched, n, '\n', feeds, 64, &searched)) > 0;) {
            for (std::size_t k = 0; k < got; ++k) {
                if (opensApart(data[start])) {
                    addWholeLines(data + joinFrom, data + start);
                    addLine(std::string_view(data + start, feeds[k] - start), true);
                    joinFrom = feeds[k] + 1;
                }
                start = feeds[k] + 1;
            }
        }
        addWholeLines(data + joinFrom, data + start);
        // The file's last line, when it has no "\n".
        if (start < n) addLine(std::string_view(data + start, n - start), false);
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
    // Takes the lines [from, to), each ended by its "\n", none of which opens
    // apart: they keep all their bytes.
    void addWholeLines(const char* from, const char* to)
    {
        if (from == to) return;
        if (from != runEnd_) {
            endRun();
            runStart_ = from;
        }
        runEnd_ = to;
    }

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
        std::string_view lines, line;
        if (reader.nextLines(lines, lines.npos)) cut.addLines(lines);
        bool ended;
        while (reader.nextLine(line, ended)) cut.addLine(line, ended);
        cut.endRun();
    }
    if (reader.failed()) return false;
    cut.finish();
    return true;
}

}  // namespace quillet
