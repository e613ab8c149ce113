// Plain, slow transcriptions of the library's text algorithms, step by step,
// for checking the fast routines against on many generated inputs.
#pragma once

#include <gtest/gtest.h>

#include <list>
#include <random>
#include <string>
#include <vector>

#include "frame/module.h"

namespace reference {

bool isTrailByteAt(const std::string& text, long long pos);
std::string takeToken(std::string& text, const std::string& delimiter);
std::string& replaceText(std::string& text, const std::string& pattern,
                         const std::string& replacement, int count);
void unquoteField(std::string& text);
// The result text of parseBackSlashString for a non-empty text.
std::string parseBackSlashString(const std::string& text);
// The text that reading a file of these bytes yields (carriage returns
// dropped, stop at 0x1A, end at NUL).
std::string applyReadRules(const std::string& bytes);
// The lines that the file text gives, by repeated takeToken.
std::vector<std::string> splitLines(std::string text);
void groupBlocks(std::list<std::string>& store, const std::string& marker, bool iniMode);
std::string formatNumberedList(const std::string& title, std::string text, bool unquote);

}  // namespace reference

namespace testing_support {

// Texts in order, as the tests spell stores out.
using Texts = std::list<std::string>;

// The code page that the library's state reads texts in.
inline const quillet::CodePage& codePage()
{
    return quillet::module().codePage;
}

// Whether b is a lead byte of that code page.
inline bool isLeadByte(unsigned char b)
{
    return codePage().isLead(b);
}

// Selects codePage for the library's state, as setCodePage does.
inline bool selectCodePage(int page)
{
    return quillet::module().codePage.select(page);
}

// Random bytes biased towards what the routines treat specially: line
// breaks, quotes, commas, backslashes, brackets, blanks, lead bytes of code
// page 932 and trail bytes in 0x40..0xFC. Never a NUL. Up to maxLength bytes.
std::string randomText(std::mt19937& rng, std::size_t maxLength);

// Runs body(codePage) under a single-byte code page and under code page 932,
// then goes back to the default.
template <class Body>
void underBothCodePages(Body&& body)
{
    for (int codePage : {1252, 932}) {
        SCOPED_TRACE("code page " + std::to_string(codePage));
        selectCodePage(codePage);
        body(codePage);
    }
    selectCodePage(0);
}

}  // namespace testing_support
