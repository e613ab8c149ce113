// replace and parseBackSlashString on fuzzed texts, under a single-byte and a
// double-byte code page, checked against the plain algorithms.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "quillet.h"
#include "support/reference_model.h"

// Input: a code-page byte, a count byte, then text, pattern and replacement
// separated by NUL bytes.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2) return 0;
    testing_support::selectCodePage(data[0] & 1 ? 932 : 0);
    int count = static_cast<int8_t>(data[1]) % 8;
    std::string parts[3];
    int part = 0;
    for (size_t i = 2; i < size; ++i) {
        if (data[i] == 0 && part < 2) {
            ++part;
            continue;
        }
        if (data[i] != 0) parts[part].push_back(static_cast<char>(data[i]));
    }
    const std::string& text = parts[0];

    std::string expected = text;
    reference::replaceText(expected, parts[1], parts[2], count);
    if (expected != replace(text.c_str(), parts[1].c_str(), parts[2].c_str(), count)) std::abort();
    // Again, with the text handed in from the result buffer.
    const char* again = replace(replace(text.c_str(), "", "", 0), parts[1].c_str(), parts[2].c_str(), count);
    if (expected != again) std::abort();

    if (!text.empty() && reference::parseBackSlashString(text) != parseBackSlashString(text.c_str()))
        std::abort();
    return 0;
}
