// A pointer that an earlier call handed back stays readable until the next
// call starts, even when the result text needed more room; where it did not,
// the pointer shows the new text.
#include <gtest/gtest.h>

#include <string>

#include "quillet.h"
#include "support/test_files.h"

namespace {

class ResultText : public testing_support::TempFolderTest {};

TEST_F(ResultText, EarlierPointersStayReadableWhenTheResultGrows)
{
    testing_support::writeBytes(path("in.ini"), "[a]\r\nk=1\r\n");
    ASSERT_EQ(loadINIFile(path("in.ini").c_str()), 1);
    // A short result first: an ordinary name fits the room the result text
    // starts with, so the same pointer shows the bracketed name.
    const char* names = getSectionList("", 0);
    ASSERT_STREQ(names, "a");
    EXPECT_EQ(changeSectionName("a", "b"), 1);
    EXPECT_STREQ(names, "[a]");
    // An old name far past that room: the bracketed name moves the result
    // text to a larger buffer, and the pointer from before still reads (an
    // address sanitizer would stop here otherwise).
    const std::string longName(5000, 'x');
    ASSERT_EQ(changeSectionName("b", longName.c_str()), 1);
    const char* before = replace("tiny", "", "", 0);
    EXPECT_EQ(changeSectionName(longName.c_str(), "c"), 1);
    EXPECT_STREQ(before, "tiny");
    // So for a result built apart: replace's own earlier text, read after.
    const char* small = replace("small", "", "", 0);
    EXPECT_STREQ(replace(std::string(20000, 'q').c_str(), "q", "qq", -1), std::string(40000, 'q').c_str());
    EXPECT_STREQ(small, "small");
}

TEST_F(ResultText, AWriteThatReusesTheResultTextReadsItsFileNameFirst)
{
    const std::string text = "[a]\r\nk=1\r\n[b]\r\nj=2\r\n";
    testing_support::writeBytes(path("in.ini"), text);
    ASSERT_EQ(loadINIFile(path("in.ini").c_str()), 2);
    ASSERT_EQ(writeINIFile(path("first.ini").c_str()), 1);
    // The file name now lies in the result text, which has the room to hold
    // the joined file again and is reused for it.
    const char* name = replace((path("second") + ".ini").c_str(), "", "", 0);
    ASSERT_EQ(writeINIFile(name), 1);
    EXPECT_EQ(testing_support::readBytes(path("second.ini")), text);
    EXPECT_EQ(testing_support::readBytes(path("first.ini")), text);
}

}  // namespace
