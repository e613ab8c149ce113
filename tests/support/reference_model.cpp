#include "support/reference_model.h"

#include "frame/module.h"

namespace reference {

bool isTrailByteAt(const std::string& text, long long pos)
{
    if (pos <= 0) return false;
    long long k = 0;
    for (long long i = pos - 1; i >= 0; --i) {
        if (!testing_support::isLeadByte(static_cast<unsigned char>(text[i]))) break;
        ++k;
    }
    return k % 2 == 1;
}

std::string takeToken(std::string& text, const std::string& delimiter)
{
    std::size_t p = text.size();
    if (!delimiter.empty()) {
        std::size_t from = 0;
        for (;;) {
            std::size_t found = text.find(delimiter, from);
            if (found == std::string::npos) break;
            if (!isTrailByteAt(text, static_cast<long long>(found))) {
                p = found;
                break;
            }
            from = found + 1;
        }
    }
    std::string token = text.substr(0, p);
    std::size_t remove = p + delimiter.size();
    text.erase(0, remove < text.size() ? remove : text.size());
    return token;
}

std::string& replaceText(std::string& text, const std::string& pattern,
                         const std::string& replacement, int count)
{
    if (count == 0 || pattern.empty()) return text;
    std::size_t pos = 0;
    for (;;) {
        std::size_t p = text.find(pattern, pos);
        if (p == std::string::npos) break;
        if (!isTrailByteAt(text, static_cast<long long>(p))) {
            text.replace(p, pattern.size(), replacement);
            pos = p + replacement.size();
        } else {
            pos = p + 1;
        }
        if (count > 0 && --count == 0) break;
    }
    return text;
}

void unquoteField(std::string& text)
{
    if (text.empty() || text[0] != '"') return;
    text.erase(0, 1);
    if (!text.empty()) text.erase(text.size() - 1);
    replaceText(text, "\"\"", "\"", -1);
}

std::string parseBackSlashString(const std::string& text)
{
    std::string copy = text;
    copy.push_back('\0');
    std::string out(copy.size() + 1, '\0');
    std::size_t i = 0, o = 0;
    while (i <= text.size()) {
        unsigned char b = static_cast<unsigned char>(copy[i]);
        out[o] = static_cast<char>(b);
        if (testing_support::isLeadByte(b)) {
            ++i;
            out[o + 1] = copy[i];
            ++o;
        } else if (b == '\\') {
            char c = copy[i + 1];
            out[o] = c == 'n' ? '\n' : c == 'r' ? '\r' : c == 't' ? '\t' : c;
            ++i;
        }
        ++i;
        ++o;
    }
    return out.substr(0, out.find('\0'));
}

std::string applyReadRules(const std::string& bytes)
{
    std::string text;
    for (char c : bytes) {
        if (c == '\x1A') break;
        if (c != '\r') text.push_back(c);
    }
    return text.substr(0, text.find('\0'));
}

std::vector<std::string> splitLines(std::string text)
{
    std::vector<std::string> lines;
    while (!text.empty()) lines.push_back(takeToken(text, "\n"));
    return lines;
}

static bool hasPrefix(const std::string& text, const std::string& prefix)
{
    return text.compare(0, prefix.size(), prefix) == 0 && text.size() >= prefix.size();
}

void groupBlocks(std::list<std::string>& store, const std::string& marker, bool iniMode)
{
    std::size_t count = store.size();
    std::string current;
    for (std::size_t pass = 0; pass <= count; ++pass) {
        std::string line;
        if (pass < count) {
            line = store.front();
            store.pop_front();
        } else {
            line = current;
        }
        if (iniMode) {
            std::size_t first = line.find_first_not_of(" \t");
            if (first != std::string::npos) line.erase(0, first);
        }
        line += "\n";
        if (hasPrefix(line, marker)) {
            if (!current.empty()) store.push_back(current);
            current = line;
        } else if (iniMode || !current.empty()) {
            current += line;
        }
    }
}

std::string formatNumberedList(const std::string& title, std::string text, bool unquote)
{
    std::string out = title + "\n";
    int row = 0;
    while (!text.empty()) {
        std::string line = takeToken(text, "\n");
        if (unquote) unquoteField(line);
        out += std::to_string(row) + "=\"" + line + "\"\n";
        ++row;
    }
    return out;
}

}  // namespace reference

namespace testing_support {

static const unsigned char biasedBytes[] = {
    '\n', '\n', '\r', '"', '"', ',', ',', '\\', '\\', '[', ']', '=', ';', ' ', '\t', 'a',
    'b',  'n',  't',  'x', 0x1A, 0x81, 0x82, 0x9F, 0xE0, 0xFC, 0x40, 0x5C, 0x7E, 0x80, 0xA0, 0xFD,
};

std::string randomText(std::mt19937& rng, std::size_t maxLength)
{
    std::uniform_int_distribution<std::size_t> length(0, maxLength);
    std::uniform_int_distribution<int> pick(0, sizeof biasedBytes - 1);
    std::uniform_int_distribution<int> anyByte(1, 255);
    std::string text(length(rng), ' ');
    for (char& c : text) {
        int choice = pick(rng);
        c = static_cast<char>(choice == 0 ? anyByte(rng) : biasedBytes[choice]);
    }
    return text;
}

}  // namespace testing_support
