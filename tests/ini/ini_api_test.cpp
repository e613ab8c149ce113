// The INI store as a host sees it, through the built library.
#include <gtest/gtest.h>

#include <string>

#include "quillet.h"
#include "support/host_library.h"
#include "support/test_files.h"

#if !defined(_WIN32)
#include <csignal>
#include <sys/resource.h>
#endif

// The second names, which the header leaves undeclared.
extern "C" {
QUILLET_API int QUILLET_CALL _loadINIFile(const char* fileName);
QUILLET_API int QUILLET_CALL _writeINIFile(const char* fileName);
}

namespace {

using testing_support::readBytes;
using testing_support::writeBytes;

class INIFiles : public testing_support::TempFolderTest {
protected:
    void TearDown() override
    {
        setCodePage(0);
        TempFolderTest::TearDown();
    }
};

const char realistic[] =
    "; Application settings\r\n"
    "; edited by hand\r\n"
    "\r\n"
    "[window]\r\n"
    "width=800\r\n"
    "height = 600 \r\n"
    "  ; indented comment\r\n"
    "\r\n"
    "  [paths] ; where things live\r\n"
    "\tdata=C:\\data\r\n"
    "    temp = C:\\temp\\\r\n"
    "   \t\r\n"
    "[empty]\r\n"
    "[last]\r\n"
    "key=value without final break";

const char realisticWritten[] =
    "; Application settings\r\n"
    "; edited by hand\r\n"
    "\r\n"
    "[window]\r\n"
    "width=800\r\n"
    "height = 600 \r\n"
    "; indented comment\r\n"
    "\r\n"
    "[paths] ; where things live\r\n"
    "data=C:\\data\r\n"
    "temp = C:\\temp\\\r\n"
    "   \t\r\n"
    "[empty]\r\n"
    "[last]\r\n"
    "key=value without final break\r\n";

TEST_F(INIFiles, RoundTripDropsOnlyIndentsAndAddsTheFinalBreak)
{
    writeBytes(path("in.ini"), realistic);
    ASSERT_EQ(loadINIFile(path("in.ini").c_str()), 4);
    EXPECT_EQ(_writeINIFile(path("out.ini").c_str()), 1);
    EXPECT_EQ(readBytes(path("out.ini")), realisticWritten);
    // Written output loads back to the same text.
    ASSERT_EQ(_loadINIFile(path("out.ini").c_str()), 4);
    EXPECT_EQ(writeINIFile(path("out.ini").c_str()), 1);
    EXPECT_EQ(readBytes(path("out.ini")), realisticWritten);
    EXPECT_EQ(listing(), "in.ini;out.ini;");
}

TEST_F(INIFiles, EditsAreWrittenInPlaceOfTheOldLines)
{
    writeBytes(path("in.ini"), realistic);
    ASSERT_EQ(loadINIFile(path("in.ini").c_str()), 4);
    EXPECT_STREQ(getSectionList("", 0), "window\npaths\nempty\nlast");
    EXPECT_STREQ(getKeyList("paths", "", 0), "data\ntemp ");
    // Arguments that point into the result buffer are read before it changes.
    EXPECT_EQ(changeSectionName("paths", replace("fold", "fold", "folders", 1)), 1);
    EXPECT_EQ(changeKeyName("folders", "temp", "scratch"), 1);
    EXPECT_EQ(moveSection(4, 1), 1);
    EXPECT_STREQ(getSectionList("", 0), "last\nwindow\nfolders\nempty");
    ASSERT_EQ(writeINIFile(replace(path("out.ini").c_str(), "", "", 0)), 1);
    std::string expected = realisticWritten;
    std::string last = "[last]\r\nkey=value without final break\r\n";
    expected.erase(expected.find(last));
    expected.insert(expected.find("[window]"), last);
    expected.replace(expected.find("[paths]"), 7, "[folders]");
    expected.replace(expected.find("temp ="), 4, "scratch");
    EXPECT_EQ(readBytes(path("out.ini")), expected);
}

TEST_F(INIFiles, DoubleByteNamesAreCutAtTheirBracketByte)
{
    ASSERT_EQ(setCodePage(932), 1);
    // 0x81 0x5D holds a "]" byte; 0x83 0x5C a backslash; 0x81 before a line
    // break makes the break its second byte.
    writeBytes(path("in.ini"), "[\x83\x5C\x81\x5D\x82\xA0]\r\n\x83\x5C=1\r\nk=\x81\r\n[joined]\r\n");
    ASSERT_EQ(loadINIFile(path("in.ini").c_str()), 1);
    EXPECT_STREQ(getSectionList("", 0), "\x83\x5C\x81");
    EXPECT_STREQ(getKeyList("\x83\x5C\x81\x5D\x82\xA0", "", 0), "\x83\x5C\nk");
    EXPECT_EQ(changeKeyName("\x83\x5C\x81", "\x83\x5C", "\x82\xA0"), 1);
    ASSERT_EQ(writeINIFile(path("out.ini").c_str()), 1);
    EXPECT_EQ(readBytes(path("out.ini")), "[\x83\x5C\x81\x5D\x82\xA0]\r\n\x82\xA0=1\r\nk=\x81\r\n[joined]\r\n");
    ASSERT_EQ(setCodePage(1252), 1);
    EXPECT_EQ(loadINIFile(path("in.ini").c_str()), 2);
}

#if !defined(_WIN32)
TEST_F(INIFiles, AWriteCutShortLeavesTheOldFile)
{
    std::string big = "[a]\r\n";
    for (int i = 0; i < 50; ++i) big += "[section" + std::to_string(i) + "]\r\nkey" + std::to_string(i) + "=1\r\n";
    writeBytes(path("in.ini"), big);
    writeBytes(path("old.ini"), "old\r\n");
    ASSERT_EQ(loadINIFile(path("in.ini").c_str()), 51);

    struct rlimit saved;
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    struct rlimit small = saved;
    small.rlim_cur = 64;
    auto previous = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    int written = writeINIFile(path("old.ini").c_str());
    std::string replaced = getSectionList(path("old.ini").c_str(), 0);
    std::string appended = getSectionList(path("old.ini").c_str(), 1);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);

    EXPECT_EQ(written, 0);
    EXPECT_EQ(replaced, "-1");
    EXPECT_EQ(appended, "-1");
    EXPECT_EQ(readBytes(path("old.ini")), "old\r\n");
    EXPECT_EQ(listing(), "in.ini;old.ini;");
}
#endif

TEST_F(INIFiles, EveryExportAnswersUnderBothNames)
{
    testing_support::HostLibrary library;
    ASSERT_TRUE(library.loaded());
    auto load = library.both<decltype(&loadINIFile)>("loadINIFile");
    auto write = library.both<decltype(&writeINIFile)>("writeINIFile");
    auto sections = library.both<decltype(&getSectionList)>("getSectionList");
    auto keys = library.both<decltype(&getKeyList)>("getKeyList");
    auto renameSection = library.both<decltype(&changeSectionName)>("changeSectionName");
    auto renameKey = library.both<decltype(&changeKeyName)>("changeKeyName");
    auto move = library.both<decltype(&moveSection)>("moveSection");
    writeBytes(path("in.ini"), "[a]\r\nk=1\r\n[b]\r\n");
    for (int twin = 0; twin < 2; ++twin) {
        auto pick = [twin](auto fns) { return twin ? fns.second : fns.first; };
        SCOPED_TRACE(twin ? "underscore name" : "plain name");
        ASSERT_EQ(pick(load)(path("in.ini").c_str()), 2);
        EXPECT_STREQ(pick(sections)("", 0), "a\nb");
        EXPECT_STREQ(pick(keys)("a", "", 0), "k");
        EXPECT_EQ(pick(renameSection)("a", "c"), 1);
        EXPECT_EQ(pick(renameKey)("c", "k", "v"), 1);
        EXPECT_EQ(pick(move)(1, 2), 1);
        std::string out = path("out" + std::to_string(twin) + ".ini");
        EXPECT_EQ(pick(write)(out.c_str()), 1);
        EXPECT_EQ(readBytes(out), "[b]\r\n[c]\r\nv=1\r\n");
    }
}

}  // namespace
