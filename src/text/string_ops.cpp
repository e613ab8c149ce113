#include "text/string_ops.h"

#include <cstring>
#include <string_view>

#include "frame/export.h"
#include "frame/module_state.h"
#include "text/code_page.h"

namespace {

const std::size_t npos = std::string::npos;

// First occurrence of needle lying wholly in data[from, size), or npos.
std::size_t findBytes(const char* data, std::size_t size, std::size_t from,
                      const char* needle, std::size_t needleSize)
{
    if (needleSize > size || from > size - needleSize) return npos;
    if (needleSize == 1) {
        const void* hit = std::memchr(data + from, needle[0], size - from);
        return hit ? static_cast<const char*>(hit) - data : npos;
    }
#if defined(__GLIBC__)
    const void* hit = memmem(data + from, size - from, needle, needleSize);
    return hit ? static_cast<const char*>(hit) - data : npos;
#else
    return std::string_view(data, size).find(std::string_view(needle, needleSize), from);
#endif
}

// Parity of the run of lead-byte values that ends just before p, given
// `odd`, the parity of the run that ends just before q (q <= p). Looks at no
// byte before q, so walking forward costs one look per byte in all.
bool leadRunParity(const unsigned char* data, std::size_t q, std::size_t p, bool odd)
{
    std::size_t j = p;
    while (j > q && isLeadByte(data[j - 1])) --j;
    bool runOdd = ((p - j) & 1) != 0;
    return j == q ? (odd != runOdd) : runOdd;
}

}  // namespace

bool isTrailByteAt(const std::string& text, long long pos)
{
    if (pos <= 0 || pos > static_cast<long long>(text.size())) return false;
    std::size_t k = 0;
    for (std::size_t i = static_cast<std::size_t>(pos); i > 0; --i) {
        if (!isLeadByte(static_cast<unsigned char>(text[i - 1]))) break;
        ++k;
    }
    return (k & 1) != 0;
}

std::size_t findTokenEnd(const char* data, std::size_t size, std::size_t from,
                         const char* delim, std::size_t delimSize)
{
    if (delimSize == 0) return size;
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(data);
    std::size_t scanned = from;  // parity below is that of data[from, scanned)
    bool odd = false;
    for (std::size_t start = from;;) {
        std::size_t p = findBytes(data, size, start, delim, delimSize);
        if (p == npos) return size;
        odd = leadRunParity(bytes, scanned, p, odd);
        scanned = p;
        if (!odd) return p;
        start = p + 1;
    }
}

std::size_t findLineEnd(const char* data, std::size_t size, std::size_t from)
{
    return findTokenEnd(data, size, from, "\n", 1);
}

std::string takeToken(std::string& text, const std::string& delimiter)
{
    std::size_t p = findTokenEnd(text.data(), text.size(), 0, delimiter.data(), delimiter.size());
    std::string token(text, 0, p);
    text.erase(0, std::min(text.size(), p + delimiter.size()));
    return token;
}

namespace {

// Appends to out the bytes data[0, size) after replacement, as replaceText
// would leave them; data must not lie inside out.
void appendReplaced(const char* data, std::size_t size, const std::string& pattern,
                    const std::string& replacement, int count, std::string& out)
{
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(data);
    std::size_t p = (count == 0 || pattern.empty())
                        ? npos
                        : findBytes(data, size, 0, pattern.data(), pattern.size());
    if (p == npos) {
        out.append(data, size);
        return;
    }
    // A replacement is only made where the parity before it is even; this is
    // the parity it leaves at its end.
    const unsigned char* rep = reinterpret_cast<const unsigned char*>(replacement.data());
    const bool oddAfterReplacement = leadRunParity(rep, 0, replacement.size(), false);

    // The current text is always out + data[i..]: earlier replacements are
    // in out, and `odd` is the parity of the lead run at the end of out.
    out.reserve(out.size() + size);
    std::size_t i = 0;
    bool odd = false;
    while (p != npos) {
        out.append(data + i, p - i);
        odd = leadRunParity(bytes, i, p, odd);
        if (!odd) {
            out.append(replacement);
            odd = oddAfterReplacement;
            i = p + pattern.size();
        } else {
            // Not a real occurrence: keep its first byte and look again after
            // it. That byte closes a double-byte character, so the run parity
            // after it is even whatever its value.
            out.push_back(data[p]);
            odd = false;
            i = p + 1;
        }
        if (count > 0 && --count == 0) break;
        p = findBytes(data, size, i, pattern.data(), pattern.size());
    }
    out.append(data + i, size - i);
}

}  // namespace

std::string& replaceText(std::string& text, const std::string& pattern,
                         const std::string& replacement, int count)
{
    if (count == 0 || pattern.empty()) return text;
    if (findBytes(text.data(), text.size(), 0, pattern.data(), pattern.size()) == npos) return text;
    std::string out;
    appendReplaced(text.data(), text.size(), pattern, replacement, count, out);
    text.swap(out);
    return text;
}

void unquoteField(std::string& text)
{
    if (text.empty() || text[0] != '"') return;
    if (text.size() == 1) {
        text.clear();
        return;
    }
    text.pop_back();
    text.erase(0, 1);
    static const std::string doubled("\"\""), single("\"");
    replaceText(text, doubled, single, -1);
}

extern "C" QUILLET_API const char* QUILLET_CALL replace(const char* text, const char* pattern,
                                                        const char* replacement, int count)
{
    return guardedText([&] {
        // Any argument may point into resultText, which stays untouched until
        // the new text is complete.
        std::string patternCopy(pattern), replacementCopy(replacement), out;
        appendReplaced(text, std::strlen(text), patternCopy, replacementCopy, count, out);
        resultText.swap(out);
        return resultText.c_str();
    });
}
QUILLET_TWIN(const char*, replace,
             (const char* text, const char* pattern, const char* replacement, int count));

extern "C" QUILLET_API const char* QUILLET_CALL parseBackSlashString(const char* text)
{
    return guardedText([&] {
        // text may point into resultText, which stays untouched until the new
        // text is complete.
        if (text[0] == '\0') {
            resultText.clear();
            return text;
        }
        // Walk the text and its terminating NUL; the result ends at the first
        // NUL written, which a backslash at the very end produces.
        const char* s = text;
        const std::size_t n = std::strlen(text);
        std::string out;
        out.reserve(n);
        for (std::size_t i = 0; i <= n; ++i) {
            char b = s[i];
            if (isLeadByte(static_cast<unsigned char>(b))) {
                out.push_back(b);
                ++i;
                if (s[i] == '\0') break;
                out.push_back(s[i]);
            } else if (b == '\\') {
                char c = s[i + 1];
                if (c == '\0') break;
                out.push_back(c == 'n' ? '\n' : c == 'r' ? '\r' : c == 't' ? '\t' : c);
                ++i;
            } else if (b == '\0') {
                break;
            } else {
                out.push_back(b);
            }
        }
        resultText.swap(out);
        return resultText.c_str();
    });
}
QUILLET_TWIN(const char*, parseBackSlashString, (const char* text));
