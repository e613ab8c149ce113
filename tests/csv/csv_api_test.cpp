// The CSV exports as a host sees them, through the built library.
#include <gtest/gtest.h>

#include <string>

#include "quillet.h"
#include "support/host_library.h"
#include "support/test_files.h"

// The second names, which the header leaves undeclared.
extern "C" {
QUILLET_API const char* QUILLET_CALL _getCSVField(const char* record, int fieldNo);
QUILLET_API int QUILLET_CALL _transCSVToINI(const char* csvFileName, const char* iniFileName);
QUILLET_API int QUILLET_CALL _createINIFromCSVElement(const char* csvFileName,
                                                      const char* iniFileName,
                                                      const char* section, int keyField,
                                                      int valueField, int append);
}

namespace {

using testing_support::readBytes;
using testing_support::writeBytes;

class CSVExports : public testing_support::TempFolderTest {
protected:
    void TearDown() override
    {
        setCodePage(0);
        TempFolderTest::TearDown();
    }
};

TEST_F(CSVExports, AnswerUnderBothNames)
{
    testing_support::HostLibrary library;
    ASSERT_TRUE(library.loaded());
    const auto fieldFns = library.both<decltype(&getCSVField)>("getCSVField");
    const auto tableFns = library.both<decltype(&transCSVToINI)>("transCSVToINI");
    const auto elementFns = library.both<decltype(&createINIFromCSVElement)>("createINIFromCSVElement");
    const std::string csv = path("a.csv"), ini = path("a.ini");
    writeBytes(csv, "k,\"v \"\"1\"\"\"\r\n");
    for (auto fieldFn : {fieldFns.first, fieldFns.second, &_getCSVField}) {
        ASSERT_NE(fieldFn, nullptr);
        EXPECT_STREQ(fieldFn("a,\"b,c\",,\"d\"\"e\"", 4), "d\"e");
    }
    for (auto tableFn : {tableFns.first, tableFns.second, &_transCSVToINI}) {
        ASSERT_NE(tableFn, nullptr);
        ASSERT_EQ(tableFn(csv.c_str(), ini.c_str()), 1);
        EXPECT_EQ(readBytes(ini), "[csvinfo]\r\nline=1\r\n0=1\r\n\r\n[0]\r\n0=\"k\"\r\n1=\"v \"1\"\"\r\n");
        EXPECT_EQ(tableFn(path("none.csv").c_str(), ini.c_str()), 0);
    }
    for (auto elementFn : {elementFns.first, elementFns.second, &_createINIFromCSVElement}) {
        ASSERT_NE(elementFn, nullptr);
        ASSERT_EQ(elementFn(csv.c_str(), ini.c_str(), "s", 1, 2, 0), 1);
        EXPECT_EQ(readBytes(ini), "[s]\r\nk=\"v \"1\"\"\r\n");
        EXPECT_EQ(elementFn(csv.c_str(), path("no/x.ini").c_str(), "s", 1, 2, 0), 0);
    }
}

TEST_F(CSVExports, DoubleByteRecords)
{
    ASSERT_EQ(setCodePage(932), 1);
    EXPECT_STREQ(getCSVField("\x81,x,y", 1), "\x81,x");
    EXPECT_STREQ(getCSVField("a,b\x81", 2), "b\x81");
    const std::string csv = path("j.csv"), ini = path("j.ini");
    writeBytes(csv, "\x81,x,y\r\na,b\x81");
    ASSERT_EQ(transCSVToINI(csv.c_str(), ini.c_str()), 1);
    EXPECT_EQ(readBytes(ini), "[csvinfo]\r\nline=2\r\n0=1\r\n1=1\r\n\r\n[0]\r\n0=\"\x81,x\"\r\n1=\"y\"\r\n"
                              "\r\n[1]\r\n0=\"a\"\r\n1=\"b\x81\"\r\n");
    ASSERT_EQ(setCodePage(1252), 1);
    EXPECT_STREQ(getCSVField("\x81,x,y", 1), "\x81");
    EXPECT_STREQ(getCSVField("a,b\x81", 2), "b\x81");
}

}  // namespace
