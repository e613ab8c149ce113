// Cutting and rewriting text without ever starting a match on the second
// byte of a double-byte character.
#pragma once

#include <cstddef>
#include <string>

// Whether text[pos] is the second byte of a double-byte character: the run of
// lead-byte values just before pos has odd length. False for pos <= 0 and for
// pos beyond the end.
bool isTrailByteAt(const std::string& text, long long pos);

// Removes from the front of text the part before the first real occurrence of
// delimiter, and the delimiter itself; returns that part.
std::string takeToken(std::string& text, const std::string& delimiter);

// Replaces occurrences of pattern from left to right: at most count of them
// when count > 0, all when count < 0, none when count == 0. An occurrence on a
// trail byte is skipped but still uses up one unit of count.
std::string& replaceText(std::string& text, const std::string& pattern,
                         const std::string& replacement, int count);

// Strips the enclosing quotes of a text that begins with '"' (first and last
// byte, whatever the last is) and turns each '""' into '"'.
void unquoteField(std::string& text);

// Where the token that starts at data[from] ends: the position of the first
// real occurrence of delim in data[from, size), reading data[from..] as a
// whole text; size when there is none. Repeating it from the end of each
// token plus the delimiter walks the same pieces as repeated takeToken.
std::size_t findTokenEnd(const char* data, std::size_t size, std::size_t from,
                         const char* delim, std::size_t delimSize);

// findTokenEnd with the delimiter "\n".
std::size_t findLineEnd(const char* data, std::size_t size, std::size_t from);

// The ends of up to `room` lines, the first starting at data[from]: each as
// findLineEnd gives it, the next line starting one byte after. A last line
// without "\n" ends at size, and no line starts at size. Returns how many
// ends were stored; fewer than room only when the text is used up.
std::size_t findLineEnds(const char* data, std::size_t size, std::size_t from, std::size_t* ends,
                         std::size_t room);
