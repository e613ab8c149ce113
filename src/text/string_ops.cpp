// Replacing, unquoting and resolving escapes, each one pass over the text.
#include "text/string_ops.h"

#include <cstring>

#include "text/byte_scan.h"

namespace quillet {

void appendReplaced(const char* data, std::size_t size, std::string_view pattern, std::string_view replacement,
                    int count, std::string& out, const CodePage& codePage)
{
    // Room for the text and an eighth more at once: no doubling steps.
    if (out.capacity() < out.size() + size) out.reserve(out.size() + size + size / 8);
    // Finds the next occurrence at or after `from`; size when there is none.
    auto find = [&](std::size_t from) {
        return pattern.size() == 1 ? scan::findByte(data, from, size, pattern[0])
                                   : scan::findPattern(data, size, from, pattern.data(), pattern.size());
    };
    std::size_t p = count == 0 || pattern.empty() ? size : find(0);
    // A replacement is only made where the parity before it is even; this is
    // the parity it leaves at its end.
    const bool oddAfterReplacement = codePage.leadRunOdd(replacement.data(), 0, replacement.size(), false);

    // The current text is always the replaced text up to i, then data[i..];
    // `odd` is the parity of the lead run that ends at i in it. Bytes from
    // `copied` on are not in out yet.
    std::size_t i = 0, copied = 0;
    bool odd = false;
    while (p != size) {
        odd = codePage.leadRunOdd(data, i, p, odd);
        if (!odd) {
            out.append(data + copied, p - copied).append(replacement.data(), replacement.size());
            odd = oddAfterReplacement;
            i = copied = p + pattern.size();
        } else {
            // Not a real occurrence: look again after its first byte, which
            // closes a double-byte character, so the run parity after it is
            // even whatever its value.
            odd = false;
            i = p + 1;
        }
        if (count > 0 && --count == 0) break;
        p = find(i);
    }
    out.append(data + copied, size - copied);
}

std::string& replaceText(std::string& text, std::string_view pattern, std::string_view replacement, int count,
                         const CodePage& codePage)
{
    if (count == 0 || pattern.empty()) return text;
    std::string out;
    appendReplaced(text.data(), text.size(), pattern, replacement, count, out, codePage);
    text.swap(out);
    return text;
}

char* writeUnquoted(char* out, const char* field, std::size_t size, const CodePage& codePage)
{
    if (size == 0 || field[0] != '"') {
        std::memmove(out, field, size);
        return out + size;
    }
    if (size < 2) return out;
    const char* p = field + 1;
    const char* end = field + size - 1;
    // Forward: out never passes p, so it may be field.
    if (!codePage.anyLeads() ||
        (codePage.leadsAllHigh() && !scan::anyHighByte(p, static_cast<std::size_t>(end - p)))) {
        // No lead byte: the runs between quotes are copied whole (all of it
        // at once when there is no inner quote).
        while (p < end) {
            const char* q = p + scan::findByte(p, 0, static_cast<std::size_t>(end - p), '"');
            std::memmove(out, p, static_cast<std::size_t>(q - p));
            out += q - p;
            if (q == end) break;
            *out++ = '"';
            p = q + 1 < end && q[1] == '"' ? q + 2 : q + 1;
        }
        return out;
    }
    // Without an inner quote there is no pair to halve.
    if (!std::memchr(p, '"', static_cast<std::size_t>(end - p))) {
        std::memmove(out, p, static_cast<std::size_t>(end - p));
        return out + (end - p);
    }
    while (p < end) {
        if (codePage.isLead(*p)) {
            // The byte after a lead byte is never half of a pair of quotes.
            *out++ = *p++;
            if (p < end) *out++ = *p++;
        } else if (*p == '"' && p + 1 < end && p[1] == '"') {
            *out++ = '"';
            p += 2;
        } else {
            *out++ = *p++;
        }
    }
    return out;
}

void unquoteField(std::string& text, const CodePage& codePage)
{
    if (text.empty() || text[0] != '"') return;
    char* begin = &text[0];
    text.resize(static_cast<std::size_t>(writeUnquoted(begin, begin, text.size(), codePage) - begin));
}

std::size_t resolveEscapes(const char* text, std::size_t n, char* out, const CodePage& codePage)
{
    const bool leads = codePage.anyLeads();
    const bool highLeadsOnly = codePage.leadsAllHigh();
    const char* p = text;
    const char* const end = text + n;
    char* w = out;
    while (p < end) {
        // The next backslash or lead byte: where lead bytes are all above
        // 0x7F, only such bytes need the table.
        const char* stop;
        if (!leads) {
            stop = text + scan::findByte(text, static_cast<std::size_t>(p - text), n, '\\');
        } else {
            stop = p;
            while (stop < end) {
                stop = highLeadsOnly ? scan::findByteOrHigh(stop, end, '\\') : stop;
                if (stop == end || *stop == '\\' || codePage.isLead(*stop)) break;
                ++stop;
            }
        }
        std::memcpy(w, p, static_cast<std::size_t>(stop - p));
        w += stop - p;
        p = stop;
        if (p == end) break;
        if (p + 1 == end) {
            if (*p != '\\') *w++ = *p;
            break;
        }
        if (*p == '\\') {
            const char c = p[1];
            *w++ = c == 'n' ? '\n' : c == 'r' ? '\r' : c == 't' ? '\t' : c;
        } else {
            w[0] = p[0];
            w[1] = p[1];
            w += 2;
        }
        p += 2;
    }
    return static_cast<std::size_t>(w - out);
}

}  // namespace quillet
