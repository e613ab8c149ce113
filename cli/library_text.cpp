// Files read the way the library reads them, for what its exports do not
// tell: the blocks of an INI file that move-section counts, a byte-order mark
// in front of the first section, and CSV lines whose quoted field never
// closes. The lead bytes of the code page are asked of the library itself.
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>

#include "quillet.h"
#include "tool.h"

namespace {

// Which bytes the library takes for lead bytes under the code page selected
// now. replace() never starts a match on a trail byte, so "Lx" keeps its x
// exactly when L is a lead byte.
struct LeadBytes {
    bool lead[256] = {};
    LeadBytes()
    {
        for (int byte = 1; byte < 256; ++byte) {
            char text[3] = {static_cast<char>(byte), 'x', '\0'};
            lead[byte] = std::strcmp(replace(text, "x", "y", 1), text) == 0;
        }
    }
    bool operator()(unsigned char byte) const { return lead[byte]; }
};

// Calls onLine with each line of fileName as the library splits the file:
// carriage returns dropped, the data ending at a 0x1A or NUL byte, and a line
// feed right after a lead byte taken as that character's second byte. False
// when the file cannot be opened.
bool forEachLine(const std::string& fileName, const std::function<void(const std::string&)>& onLine)
{
    std::FILE* f = std::fopen(fileName.c_str(), "rb");
    if (!f) return false;
    LeadBytes isLead;
    std::string line;
    bool trail = false, ended = false;
    char buffer[65536];
    for (std::size_t got; !ended && (got = std::fread(buffer, 1, sizeof buffer, f)) > 0;) {
        for (std::size_t i = 0; i < got;) {
            // A run of bytes that stay in the line, then the byte that stops it.
            std::size_t start = i;
            for (; i < got; ++i) {
                unsigned char c = static_cast<unsigned char>(buffer[i]);
                if (c == '\r' || c == 0x1A || c == 0 || (c == '\n' && !trail)) break;
                trail = !trail && isLead(c);
            }
            line.append(buffer + start, i - start);
            if (i == got) break;
            char stop = buffer[i++];
            if (stop == '\r') continue;
            if (stop == '\n') {
                onLine(line);
                line.clear();
                continue;
            }
            ended = true;
            break;
        }
    }
    std::fclose(f);
    if (!line.empty()) onLine(line);
    return true;
}

// line without its leading blanks and tabs, unless it holds nothing else.
std::string withoutLeadingBlanks(const std::string& line)
{
    std::size_t first = line.find_first_not_of(" \t");
    return first == std::string::npos ? line : line.substr(first);
}

// Whether a CSV record ends inside a quoted field: the splitter's rules
// (a field's first quote opens it; "" inside stands for a quote; a quote
// before "," or the end closes it; a lead byte takes the byte after it).
bool endsInsideQuotes(const std::string& record, const LeadBytes& isLead)
{
    // The record is read as if a "," followed it, which ends its last field.
    const std::size_t size = record.size() + 1;
    auto at = [&record](std::size_t i) { return i < record.size() ? record[i] : ','; };
    bool inQuotes = false;
    std::size_t fieldStart = 0;
    for (std::size_t i = 0; i < size;) {
        unsigned char c = static_cast<unsigned char>(at(i));
        if (isLead(c)) {
            i += 2;
        } else if (c == '"' && inQuotes) {
            if (i + 1 < size && at(i + 1) == '"') {
                i += 2;
                continue;
            }
            if (i + 1 < size && at(i + 1) == ',') inQuotes = false;
            ++i;
        } else if (c == '"') {
            inQuotes = i == fieldStart;
            ++i;
        } else {
            if (c == ',' && !inQuotes) fieldStart = i + 1;
            ++i;
        }
    }
    return inQuotes;
}

}  // namespace

bool readSectionHeads(const std::string& fileName, std::vector<std::string>& heads)
{
    heads.clear();
    return forEachLine(fileName, [&heads](const std::string& line) {
        std::string prepared = withoutLeadingBlanks(line);
        if (!prepared.empty() && prepared[0] == '[') heads.push_back(prepared);
    });
}

bool sectionNameOf(const std::string& head, std::string& name)
{
    std::size_t close = head.find(']');
    if (close == std::string::npos) return false;
    name = head.substr(1, close - 1);
    return true;
}

bool byteOrderMarkHidesSection(const std::string& fileName)
{
    std::FILE* f = std::fopen(fileName.c_str(), "rb");
    if (!f) return false;
    char start[256];
    std::size_t got = std::fread(start, 1, sizeof start, f);
    std::fclose(f);
    if (got < 4 || std::memcmp(start, "\xEF\xBB\xBF", 3) != 0) return false;
    std::size_t i = 3;
    while (i < got && (start[i] == ' ' || start[i] == '\t' || start[i] == '\r')) ++i;
    return i < got && start[i] == '[';
}

std::vector<long> unclosedQuoteLines(const std::string& fileName)
{
    LeadBytes isLead;
    std::vector<long> lines;
    long number = 0;
    forEachLine(fileName, [&](const std::string& record) {
        ++number;
        if (record.find('"') != std::string::npos && endsInsideQuotes(record, isLead)) lines.push_back(number);
    });
    return lines;
}
