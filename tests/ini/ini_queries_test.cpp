#include <gtest/gtest.h>

#include <random>

#include "ini/ini_reference_model.h"
#include "ini/ini_store.h"
#include "quillet.h"
#include "support/test_files.h"

namespace {

using ini_reference::iniSections;
using ini_reference::resultText;
using ini_reference::useStore;

using testing_support::TempFolderTest;

class INIQueries : public TempFolderTest {
protected:
    void SetUp() override
    {
        TempFolderTest::SetUp();
        useStore(testing_support::Texts{"; [pre]\nx=1\n",
                       "[main]\n; window\nsize=10\nname =Bob\nflag\n=x\n",
                       "[extra]\na=1\n"});
    }
    void TearDown() override
    {
        useStore({});
        TempFolderTest::TearDown();
    }
};

TEST_F(INIQueries, ListsSectionsAndKeysAsText)
{
    EXPECT_STREQ(getSectionList("", 0), "main\nextra");
    EXPECT_STREQ(getKeyList("main", "", 0), "size\nname ");
    EXPECT_STREQ(getKeyList("Main", "", 0), "");
    EXPECT_STREQ(getKeyList(" main", "", 0), "");
    EXPECT_STREQ(getKeyList("", "", 0), "");
    useStore({});
    EXPECT_STREQ(getSectionList("", 0), "");
    EXPECT_STREQ(getKeyList("main", "", 0), "");
}

TEST_F(INIQueries, SectionNamesComeFromHeaderLinesUpToTheFirstBracket)
{
    useStore(testing_support::Texts{"", "[]\n", "[a]b]c\n", "[no bracket\nk=]\n", "[\xE0]]\n", "[]\n"});
    EXPECT_STREQ(getSectionList("", 0), "a\n\xE0\n");
    testing_support::Texts changed = iniSections();
    changed.front() = "]\n";
    useStore(changed);
    changed.insert(std::next(changed.begin()), "[first]\n");
    useStore(changed);
    EXPECT_STREQ(getSectionList("", 0), "first\n\na\n\xE0\n");
    // A header renamed as a key into one that starts with its "]".
    useStore(testing_support::Texts{"", "[a]\n", "[b] x\n"});
    ASSERT_EQ(changeKeyName("b", "[b]", "]"), 1);
    EXPECT_STREQ(getSectionList("", 0), "a\n");
}

TEST_F(INIQueries, LongHeaderLinesAreSearchedToTheirEndAndNoFurther)
{
    // "]" past the first sixteen bytes, and "]" only on a later line.
    const std::string longName(40, 'n');
    useStore(testing_support::Texts{"", "[" + longName + "] ;c\n", "[" + longName + "\nk=]\n", "[" + longName + "x",
                   "[" + std::string(15, 'm') + "\n]\n"});
    testing_support::underBothCodePages([&](int) {
        EXPECT_EQ(std::string(getSectionList("", 0)), longName);
    });
}

TEST_F(INIQueries, KeysNeedAnEqualsSignAndNoCommentMark)
{
    useStore(testing_support::Texts{"", "[a=b] ;c\n#x=1\n;y=2\nk=1\nk=2\n \t \n", "[a=b]\nother=1\n"});
    EXPECT_STREQ(getKeyList("a=b", "", 0), "[a\n#x\nk\nk");
}

TEST_F(INIQueries, WritesNumberedListsToFiles)
{
    std::string out = path("list.ini");
    EXPECT_STREQ(getKeyList("main", out.c_str(), 0), "2");
    EXPECT_EQ(testing_support::readBytes(out), "[keylist]\r\n0=\"size\"\r\n1=\"name \"\r\n");
    EXPECT_STREQ(getSectionList(out.c_str(), 1), "2");
    EXPECT_EQ(testing_support::readBytes(out),
              "[keylist]\r\n0=\"size\"\r\n1=\"name \"\r\n\r\n[sectionlist]\r\n0=\"main\"\r\n1=\"extra\"\r\n");
    EXPECT_STREQ(getKeyList("extra", out.c_str(), 0), "1");
    EXPECT_EQ(testing_support::readBytes(out), "[keylist]\r\n0=\"a\"\r\n");
    // No section, no file.
    EXPECT_STREQ(getKeyList("none", path("not written").c_str(), 0), "");
    EXPECT_FALSE(testing_support::exists(path("not written")));
    useStore(testing_support::Texts{"", "[nokeys]\n;c\n"});
    EXPECT_STREQ(getKeyList("nokeys", out.c_str(), 0), "0");
    EXPECT_EQ(testing_support::readBytes(out), "[keylist]\r\n");
}

TEST_F(INIQueries, AFailedWriteAnswersMinusOne)
{
    std::string out = path("missing/list.ini");
    EXPECT_STREQ(getSectionList(out.c_str(), 0), "-1");
    EXPECT_STREQ(getKeyList("main", out.c_str(), 1), "-1");
    EXPECT_STREQ(getSectionList(folder_.c_str(), 0), "-1");
    EXPECT_FALSE(testing_support::exists(out));
}

TEST(INIQueryWalk, GivesTheListsOfTheStepByStepAlgorithm)
{
    std::mt19937 rng(7);
    testing_support::underBothCodePages([&](int) {
        for (int i = 0; i < 3000; ++i) {
            std::string text = "[s]\n" + testing_support::randomText(rng, 120);
            useStore(ini_reference::load(text));
            ASSERT_EQ(getSectionList("", 0), ini_reference::sectionList(iniSections()));
            for (const char* section : {"s", "", "a", "\x81", "\x81\x5D"})
                ASSERT_EQ(getKeyList(section, "", 0), ini_reference::keyList(iniSections(), section))
                    << testing::PrintToString(text) << " " << section;
        }
    });
    useStore({});
}

}  // namespace
