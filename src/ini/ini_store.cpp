#include "ini/ini_store.h"

#include <utility>
#include <vector>

#include "text/line_blocks.h"
#include "text/string_ops.h"

namespace {

bool isBlankOrTab(char c)
{
    return c == ' ' || c == '\t';
}

}  // namespace

void groupINIText(const std::string& text, Store& store)
{
    const char* data = text.data();
    const std::size_t size = text.size();
    // First the runs of bytes that the blocks keep, and where each block
    // begins among them; then every block is made at its final size, so that
    // the blocks lie in memory in store order and are not copied again.
    // Lines that keep all their bytes are one run, up to the next line that
    // loses its indent or starts a section.
    std::vector<std::pair<std::size_t, std::size_t>> runs;  // [start, end) in text
    std::vector<std::size_t> blockRuns{0};                    // index of each block's first run
    std::size_t runStart = 0, runEnd = 0;
    bool lastLineOpen = false;  // the last line has no "\n" of its own
    std::size_t ends[64];
    for (std::size_t pos = 0; pos < size;) {
        const std::size_t count = findLineEnds(data, size, pos, ends, 64);
        for (std::size_t i = 0; i < count; ++i) {
            const std::size_t end = ends[i];
            std::size_t first = pos;
            while (first < end && isBlankOrTab(data[first])) ++first;
            if (first == end) first = pos;  // blanks and tabs only: kept whole
            const bool header = first < end && data[first] == '[';
            if (header || first != runEnd) {
                if (runEnd > runStart) runs.emplace_back(runStart, runEnd);
                if (header) blockRuns.push_back(runs.size());
                runStart = first;
            }
            runEnd = end < size ? end + 1 : end;
            lastLineOpen = end == size;
            pos = end + 1;
        }
    }
    if (runEnd > runStart) runs.emplace_back(runStart, runEnd);
    if (blockRuns.size() == 1) return;  // no header line: nothing is kept
    blockRuns.push_back(runs.size());

    // Built apart, so that running out of memory half way adds nothing. All
    // the list's nodes first, then the texts: each lies in memory in store
    // order, which walks over the store follow without waiting on memory.
    Store blocks(blockRuns.size() - 1);
    std::size_t b = 0;
    for (std::string& block : blocks) {
        std::size_t length = 0;
        for (std::size_t r = blockRuns[b]; r < blockRuns[b + 1]; ++r) length += runs[r].second - runs[r].first;
        const bool last = b + 2 == blockRuns.size();
        block.reserve(length + (last && lastLineOpen ? 1 : 0));
        for (std::size_t r = blockRuns[b]; r < blockRuns[b + 1]; ++r)
            block.append(data + runs[r].first, runs[r].second - runs[r].first);
        // A last line without "\n" gets one.
        if (last && lastLineOpen) block.push_back('\n');
        ++b;
    }
    store.splice(store.end(), blocks);
}

Store::iterator findSectionBlock(const std::string& name)
{
    const std::string prefix = "[" + name + "]";
    auto ahead = firstAhead(iniSections);
    for (auto it = iniSections.begin(); it != iniSections.end(); ++it) {
        ahead = prefetchAhead(iniSections, ahead);
        if (hasPrefix(*it, prefix)) return it;
    }
    return iniSections.end();
}

std::size_t lineEndIn(const std::string& block, std::size_t from)
{
    return findLineEnd(block.data(), block.size(), from);
}
