// The multi-line dictionary as a host sees it, through the built library.
#include <gtest/gtest.h>

#include "quillet.h"
#include "support/host_library.h"
#include "support/test_files.h"

extern "C" {
QUILLET_API int QUILLET_CALL _loadMultiLineDic(const char* fileName, const char* headMarker);
QUILLET_API const char* QUILLET_CALL _getMultiLineDicTitle(const char* fileName);
}

namespace {

class MultiLineDicHost : public testing_support::TempFolderTest {
protected:
    void TearDown() override
    {
        loadMultiLineDic(path("none").c_str(), "#");
        setCodePage(0);
        TempFolderTest::TearDown();
    }
};

TEST_F(MultiLineDicHost, EveryExportAnswersUnderBothNames)
{
    testing_support::HostLibrary library;
    ASSERT_TRUE(library.loaded());
    auto load = library.both<decltype(&loadMultiLineDic)>("loadMultiLineDic");
    auto titles = library.both<decltype(&getMultiLineDicTitle)>("getMultiLineDicTitle");
    auto search = library.both<decltype(&searchInMultiLineDic)>("searchInMultiLineDic");
    ASSERT_TRUE(load.second && titles.second && search.second);
    const std::string dict = path("d.txt"), out = path("t.ini");
    testing_support::writeBytes(dict, "#a\r\none\r\n#b\r\n#a\r\ntwo\r\n");
    for (bool twin : {false, true}) {
        auto pick = [twin](auto fns) { return twin ? fns.second : fns.first; };
        EXPECT_EQ(pick(load)(dict.c_str(), "#"), 3);
        EXPECT_STREQ(pick(titles)(""), "#a\n#b\n#a\n");
        EXPECT_STREQ(pick(titles)(out.c_str()), "3");
        EXPECT_STREQ(pick(search)("#a", 2), "two\n");
        EXPECT_STREQ(pick(search)("#a", -1), "2");
        EXPECT_STREQ(pick(search)(pick(search)("", 3), 1), "");  // its own result as the argument
    }
    EXPECT_EQ(testing_support::readBytes(out),
              "[titlelist]\r\n0=\"#a\"\r\n1=\"#b\"\r\n2=\"#a\"\r\n");
}

TEST_F(MultiLineDicHost, FilesSplitByTheCodePage)
{
    const std::string dict = path("d.txt");
    testing_support::writeBytes(dict, "#a\x81\r\n#b\r\nbody\r\n");
    // Under code page 932 the line feed after the lead byte 0x81 stays inside
    // the line: one entry, whose title runs on to "#b".
    ASSERT_EQ(setCodePage(932), 1);
    EXPECT_EQ(_loadMultiLineDic(dict.c_str(), "#"), 1);
    EXPECT_STREQ(_getMultiLineDicTitle(""), "#a\x81\n#b\n");
    EXPECT_STREQ(searchInMultiLineDic("", 1), "body\n");
    ASSERT_EQ(setCodePage(1252), 1);
    EXPECT_EQ(_loadMultiLineDic(dict.c_str(), "#"), 2);
    EXPECT_STREQ(searchInMultiLineDic("", 1), "");
    EXPECT_STREQ(searchInMultiLineDic("#b", 1), "body\n");
}

}  // namespace
