// The frame's exports as a host sees them, through the built library.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "quillet.h"
#include "support/test_files.h"

// The second names, which the header leaves undeclared.
extern "C" {
QUILLET_API int QUILLET_CALL _removeFile(const char* fileName);
QUILLET_API const char* QUILLET_CALL _replace(const char* text, const char* pattern,
                                              const char* replacement, int count);
QUILLET_API const char* QUILLET_CALL _parseBackSlashString(const char* text);
QUILLET_API int QUILLET_CALL _setCodePage(int codePage);
}

namespace {

using testing_support::TempFolderTest;

// Restores the default code page after each test.
class CodePageReset : public ::testing::Test {
protected:
    void TearDown() override { setCodePage(0); }
};

class RemoveFile : public TempFolderTest {};

TEST_F(RemoveFile, DeletesFilesButNeverFolders)
{
    std::string file = path("old.ini");
    testing_support::writeBytes(file, "x");
    EXPECT_EQ(removeFile(file.c_str()), 1);
    EXPECT_FALSE(testing_support::exists(file));
    EXPECT_EQ(removeFile(file.c_str()), 0);

    std::string folder = path("empty");
    std::filesystem::create_directory(folder);
    EXPECT_EQ(removeFile(folder.c_str()), 0);
    EXPECT_EQ(_removeFile(folder.c_str()), 0);
    EXPECT_TRUE(std::filesystem::is_directory(folder));

    testing_support::writeBytes(file, "y");
    EXPECT_EQ(_removeFile(file.c_str()), 1);
    EXPECT_FALSE(testing_support::exists(file));
}

TEST(Replace, ReplacesAsManyAsCountSays)
{
    EXPECT_STREQ(replace("a.b.c", ".", "::", -1), "a::b::c");
    EXPECT_STREQ(replace("a.b.c", ".", "::", 1), "a::b.c");
    EXPECT_STREQ(replace("a.b.c", ".", "::", 0), "a.b.c");
    EXPECT_STREQ(replace("a.b.c", ".", "", -3), "abc");
    EXPECT_STREQ(replace("a.b.c", "", "x", -1), "a.b.c");
    EXPECT_STREQ(_replace("aaa", "aa", "b", -1), "ba");
}

TEST(Replace, TakesItsOwnEarlierResultAsAnyArgument)
{
    const char* first = replace("key=old", "old", "new", 1);
    EXPECT_STREQ(first, "key=new");
    const char* second = replace(first, "key", "name", 1);
    EXPECT_STREQ(second, "name=new");
    // The earlier result as pattern and as replacement.
    const char* third = replace("x name=new y", second, second, -1);
    EXPECT_STREQ(third, "x name=new y");
    EXPECT_STREQ(replace("abc", "b", replace("B", "B", "[b]", 1), 1), "a[b]c");
}

TEST(ParseBackSlashString, ResolvesEscapes)
{
    EXPECT_STREQ(parseBackSlashString("a\\nb"), "a\nb");
    EXPECT_STREQ(parseBackSlashString("\\r\\t\\\\\\\"\\q"), "\r\t\\\"q");
    EXPECT_STREQ(parseBackSlashString("ends with\\"), "ends with");
    EXPECT_STREQ(parseBackSlashString("\\"), "");
    EXPECT_STREQ(_parseBackSlashString("plain"), "plain");
}

TEST(ParseBackSlashString, EmptyTextReturnsTheArgumentItself)
{
    static const char empty[] = "";
    EXPECT_EQ(parseBackSlashString(empty), empty);
    EXPECT_STREQ(replace("a-b", "-", "+", -1), "a+b");
    const char* previous = parseBackSlashString("x\\ty");
    EXPECT_STREQ(parseBackSlashString(previous), "x\ty");
    EXPECT_STREQ(parseBackSlashString(parseBackSlashString("\\\\\\\\n")), "\\n");
}

TEST_F(CodePageReset, ParseBackSlashStringKeepsDoubleByteCharacters)
{
    ASSERT_EQ(setCodePage(932), 1);
    // 0x81 0x5C is one character: its trail byte starts no escape.
    EXPECT_STREQ(parseBackSlashString("\x81\x5Cn"), "\x81\x5Cn");
    // A backslash before a lead byte gives the lead byte alone; the byte after
    // it is read afresh, so its 0x5C starts an escape.
    EXPECT_STREQ(parseBackSlashString("\\\x81\x5Cn"), "\x81\n");
    // A lone lead byte at the end stays.
    EXPECT_STREQ(parseBackSlashString("a\x81"), "a\x81");
    ASSERT_EQ(setCodePage(1252), 1);
    EXPECT_STREQ(parseBackSlashString("\x81\x5Cn"), "\x81\n");
}

TEST_F(CodePageReset, ReplaceRespectsDoubleByteCharacters)
{
    ASSERT_EQ(setCodePage(932), 1);
    EXPECT_STREQ(replace("\x81\x5C\\", "\\", "/", -1), "\x81\x5C/");
    EXPECT_STREQ(replace("\x81\x5C\\", "\\", "/", 1), "\x81\x5C\\");
    ASSERT_EQ(setCodePage(1252), 1);
    EXPECT_STREQ(replace("\x81\x5C\\", "\\", "/", -1), "\x81//");
}

TEST_F(CodePageReset, SetCodePageKnowsItsPages)
{
    for (int page : {0, 932, 936, 949, 950, 1250, 1252, 1258, 437, 850, 65001, 28591})
        EXPECT_EQ(setCodePage(page), 1) << page;
    ASSERT_EQ(setCodePage(932), 1);
    // An unknown page is refused and changes nothing.
    EXPECT_EQ(setCodePage(12345), 0);
    EXPECT_EQ(_setCodePage(-1), 0);
    EXPECT_STREQ(replace("\x81\x5C\\", "\\", "/", -1), "\x81\x5C/");
    // GBK: every byte from 0x81 to 0xFE leads, so 0xFE 0x5C is one character.
    ASSERT_EQ(setCodePage(936), 1);
    EXPECT_STREQ(replace("\xFE\x5C\\", "\\", "/", -1), "\xFE\x5C/");
    ASSERT_EQ(setCodePage(932), 1);
    EXPECT_STREQ(replace("\xFE\x5C\\", "\\", "/", -1), "\xFE//");
}

TEST_F(CodePageReset, DefaultIsTheSystemCodePage)
{
    ASSERT_EQ(setCodePage(0), 1);
    const char* expected = std::getenv("QUILLET_EXPECT_CODEPAGE");
    bool doubleByte = expected && std::string(expected) == "932";
    EXPECT_STREQ(replace("\x81\x5C\\", "\\", "/", -1), doubleByte ? "\x81\x5C/" : "\x81//");
}

}  // namespace
