// The one decimal writer: numbers as "%d" prints them, two digits at a time.
#pragma once

#include <cstddef>
#include <cstring>
#include <string>

namespace quillet {

// The most bytes writeDecimal writes: a sign and 19 digits.
constexpr std::size_t maxDecimal = 20;

// How many digits value has in decimal.
inline std::size_t decimalDigits(unsigned long long value)
{
    std::size_t digits = 1;
    for (; value >= 10000; value /= 10000) digits += 4;
    return digits + (value >= 10) + (value >= 100) + (value >= 1000);
}

// Writes value at out as "%d" does; returns the end.
inline char* writeDecimal(char* out, long long value)
{
    static const char pairs[] =
        "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
        "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
        "8081828384858687888990919293949596979899";
    unsigned long long rest = static_cast<unsigned long long>(value);
    if (value < 0) {
        *out++ = '-';
        rest = 0ULL - rest;
    }
    if (rest < 10) {
        *out++ = static_cast<char>('0' + rest);
        return out;
    }
    // Counted first, the digits go straight into place from the last one
    // back: no copy of a varying length, which would be a call.
    char* const end = out + decimalDigits(rest);
    char* d = end;
    while (rest >= 100) {
        d -= 2;
        std::memcpy(d, pairs + 2 * (rest % 100), 2);
        rest /= 100;
    }
    if (rest < 10) {
        *--d = static_cast<char>('0' + rest);
    } else {
        d -= 2;
        std::memcpy(d, pairs + 2 * rest, 2);
    }
    return end;
}

// Appends value to text as "%d" does.
inline void appendDecimal(std::string& text, long long value)
{
    char digits[maxDecimal];
    text.append(digits, static_cast<std::size_t>(writeDecimal(digits, value) - digits));
}

// value as "%d" prints it.
inline std::string decimalText(long long value)
{
    std::string text;
    appendDecimal(text, value);
    return text;
}

}  // namespace quillet
