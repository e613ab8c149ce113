#include "text/line_blocks.h"

#include <cstdio>
#include <cstring>

#include "text/string_ops.h"
#include "text/text_file.h"

namespace {

// Position of the first byte of line that is neither a blank nor a tab, or
// 0 when there is none (such a line is kept whole).
std::size_t indentOf(const std::string& line)
{
    std::size_t first = line.find_first_not_of(" \t");
    return first == std::string::npos ? 0 : first;
}

// Whether text[from..] followed by "\n" begins with prefix.
bool hasPrefixWithLineFeed(const std::string& text, std::size_t from, const std::string& prefix)
{
    std::size_t available = text.size() - from;
    if (prefix.size() > available + 1) return false;
    if (prefix.size() == available + 1)
        return prefix.back() == '\n' && text.compare(from, available, prefix, 0, available) == 0;
    return text.compare(from, prefix.size(), prefix) == 0;
}

void appendDecimal(std::string& out, int value)
{
    char digits[16];
    int n = std::snprintf(digits, sizeof digits, "%d", value);
    out.append(digits, n);
}

}  // namespace

void groupBlocks(Store& store, const std::string& marker, bool iniMode)
{
    Store blocks;
    std::string current;
    // Each line is taken off the front as it is used, so the lines and the
    // blocks are not both held in full. A finished block is stored as an
    // exact copy, and current keeps its room for the next one. The lines a
    // few places ahead are asked for early.
    auto ahead = firstAhead(store);
    while (!store.empty()) {
        ahead = prefetchAhead(store, ahead);
        const std::string& line = store.front();
        const std::size_t from = iniMode ? indentOf(line) : 0;
        if (hasPrefixWithLineFeed(line, from, marker)) {
            if (!current.empty()) blocks.emplace_back(current);
            current.assign(line, from, std::string::npos);
            current.push_back('\n');
        } else if (iniMode || !current.empty()) {
            current.append(line, from, std::string::npos);
            current.push_back('\n');
        }
        store.pop_front();
    }
    // The last block is kept only when it, prepared as a line, is a head
    // line: a leading block with no head line after it is dropped.
    std::size_t from = iniMode ? indentOf(current) : 0;
    if (!current.empty() && hasPrefixWithLineFeed(current, from, marker)) blocks.emplace_back(current);
    store.swap(blocks);
}

bool hasPrefix(const std::string& text, const std::string& prefix)
{
    return text.size() >= prefix.size() &&
           std::memcmp(text.data(), prefix.data(), prefix.size()) == 0;
}

int findNthPrefix(const Store& store, const std::string& prefix, int& n)
{
    if (n <= 0) {
        n = 0;
        return -1;
    }
    int position = 0, matches = 0;
    for (const std::string& element : store) {
        if (hasPrefix(element, prefix) && ++matches == n) return position;
        ++position;
    }
    n = matches;
    return -1;
}

int formatNumberedList(const std::string& title, const char* fileName, std::string& text,
                       bool append, bool unquote)
{
    std::string out;
    out.reserve(title.size() + 1 + text.size() + text.size() / 4 + 16);
    out += title;
    out += '\n';
    int row = 0;
    const char* data = text.data();
    const std::size_t size = text.size();
    std::string line;
    for (std::size_t pos = 0; pos < size; ++row) {
        std::size_t end = findLineEnd(data, size, pos);
        appendDecimal(out, row);
        out += "=\"";
        if (unquote) {
            line.assign(data + pos, end - pos);
            unquoteField(line);
            out += line;
        } else {
            out.append(data + pos, end - pos);
        }
        out += "\"\n";
        pos = end + 1;
    }
    text.swap(out);
    if (fileName[0] != '\0' && !writeTextFile(fileName, text, append)) return -1;
    return row;
}
