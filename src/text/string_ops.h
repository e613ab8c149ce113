// Rewriting text without ever starting a match on the second byte of a
// double-byte character: replacing a pattern, unquoting a field, resolving
// backslash escapes.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "text/code_page.h"

namespace quillet {

// Whether text begins with prefix, byte for byte.
inline bool hasPrefix(std::string_view text, std::string_view prefix)
{
    return text.size() >= prefix.size() && text.compare(0, prefix.size(), prefix) == 0;
}

// Appends data[0, size) to out with pattern replaced, from left to right: at
// most count occurrences when count > 0, all when count < 0, none when count
// is 0. An occurrence on a trail byte is skipped but uses up one unit of
// count; an inserted replacement is never searched again.
void appendReplaced(const char* data, std::size_t size, std::string_view pattern, std::string_view replacement,
                    int count, std::string& out, const CodePage& codePage);

// appendReplaced on text in place; returns text.
std::string& replaceText(std::string& text, std::string_view pattern, std::string_view replacement, int count,
                         const CodePage& codePage);

// Writes field at out as unquoteField leaves it; returns the end. out may be
// field itself (the text only shrinks) or have room for size bytes.
char* writeUnquoted(char* out, const char* field, std::size_t size, const CodePage& codePage);

// Strips the enclosing quotes of a text that begins with '"' (its first and
// last byte, whatever the last is) and turns each '""' into '"'.
void unquoteField(std::string& text, const CodePage& codePage);

// Writes text[0, n) with its backslash escapes resolved at out (room for n
// bytes) and returns the length written: a lead byte takes the next byte
// with it unlooked at; a backslash and the byte after it give that byte, or
// 0x0A, 0x0D, 0x09 for n, r, t. A backslash or lead byte that is the last
// byte takes the end of the text with it.
std::size_t resolveEscapes(const char* text, std::size_t n, char* out, const CodePage& codePage);

}  // namespace quillet
