#include "ini/ini_store.h"

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
    // Built apart, so that running out of memory half way adds nothing.
    Store blocks(1);
    std::string* current = &blocks.back();
    const char* data = text.data();
    const std::size_t size = text.size();
    // Lines that keep all their bytes are copied as one run, up to the next
    // line that loses its indent or starts a section.
    std::size_t runStart = 0, runEnd = 0;
    for (std::size_t pos = 0; pos < size;) {
        std::size_t end = findLineEnd(data, size, pos);
        std::size_t first = pos;
        while (first < end && isBlankOrTab(data[first])) ++first;
        if (first == end) first = pos;  // blanks and tabs only: kept whole
        bool header = first < end && data[first] == '[';
        if (header || first != runEnd) {
            current->append(data + runStart, runEnd - runStart);
            if (header) {
                blocks.emplace_back();
                current = &blocks.back();
            }
            runStart = first;
        }
        if (end < size) {
            runEnd = end + 1;
        } else {
            // A last line without "\n" gets one.
            current->append(data + runStart, end - runStart);
            current->push_back('\n');
            runStart = runEnd = end;
        }
        pos = end + 1;
    }
    current->append(data + runStart, runEnd - runStart);
    if (blocks.size() == 1) return;  // no header line: nothing is kept
    store.splice(store.end(), blocks);
}

Store::iterator findSectionBlock(const std::string& name)
{
    const std::string prefix = "[" + name + "]";
    for (auto it = iniSections.begin(); it != iniSections.end(); ++it)
        if (hasPrefix(*it, prefix)) return it;
    return iniSections.end();
}

std::size_t lineEndIn(const std::string& block, std::size_t from)
{
    return findLineEnd(block.data(), block.size(), from);
}
