// The one-line dictionary as a host sees it, through the built library.
#include <gtest/gtest.h>

#include "quillet.h"
#include "support/host_library.h"
#include "support/test_files.h"

extern "C" {
QUILLET_API int QUILLET_CALL _appendFileToOneLineDic(const char* fileName);
QUILLET_API int QUILLET_CALL _makeINIDB(const char* fileName, const char* prefix);
}

namespace {

using testing_support::readBytes;

class OneLineDicHost : public testing_support::TempFolderTest {
protected:
    void TearDown() override
    {
        clearOneLineDic();
        setCodePage(0);
        TempFolderTest::TearDown();
    }
};

TEST_F(OneLineDicHost, EveryExportAnswersUnderBothNames)
{
    testing_support::HostLibrary library;
    ASSERT_TRUE(library.loaded());
    auto clear = library.both<decltype(&clearOneLineDic)>("clearOneLineDic");
    auto add = library.both<decltype(&appendToOneLineDic)>("appendToOneLineDic");
    auto addFile = library.both<decltype(&appendFileToOneLineDic)>("appendFileToOneLineDic");
    auto sort = library.both<decltype(&sortOneLineDic)>("sortOneLineDic");
    auto unique = library.both<decltype(&uniqueOneLineDic)>("uniqueOneLineDic");
    auto make = library.both<decltype(&makeINIDB)>("makeINIDB");
    ASSERT_TRUE(clear.second && add.second && addFile.second && sort.second && unique.second &&
                make.second);
    const std::string in = path("in.txt"), out = path("out.ini");
    testing_support::writeBytes(in, "b\r\nB\r\n");
    for (bool twin : {false, true}) {
        auto pick = [twin](auto fns) { return twin ? fns.second : fns.first; };
        EXPECT_EQ(pick(clear)(), 1);
        EXPECT_EQ(pick(addFile)(in.c_str()), 1);
        EXPECT_EQ(pick(add)("b"), 1);
        EXPECT_EQ(pick(unique)(), 1);
        EXPECT_EQ(pick(make)("", ""), 3);
        EXPECT_EQ(pick(sort)(), 1);
        EXPECT_EQ(pick(unique)(), 1);
        EXPECT_EQ(pick(make)(out.c_str(), ""), 2);
        EXPECT_EQ(readBytes(out), "[word]\r\n0=\"B\"\r\n1=\"b\"\r\n");
    }
}

TEST_F(OneLineDicHost, FilesSplitByTheCodePage)
{
    const std::string in = path("in.txt");
    testing_support::writeBytes(in, "x\x81\r\ny\r\n");
    for (int codePage : {932, 1252}) {
        ASSERT_EQ(setCodePage(codePage), 1);
        clearOneLineDic();
        EXPECT_EQ(_appendFileToOneLineDic(in.c_str()), 1);
        EXPECT_EQ(_makeINIDB("", "y"), codePage == 932 ? 0 : 1) << codePage;
    }
}

}  // namespace
