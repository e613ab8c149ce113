// Loads the library at run time, as a host that does not link it would, and
// finds every export under both its names.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "quillet.h"
#include "support/host_library.h"

namespace {

using testing_support::HostLibrary;

TEST(HostLibrary, EveryExportHasBothNamesForTheSameCode)
{
    HostLibrary library;
    ASSERT_TRUE(library.loaded()) << library.path();
    std::vector<std::string> names;
    std::stringstream list(QUILLET_EXPORT_NAMES);
    for (std::string name; std::getline(list, name, ',');) names.push_back(name);
    ASSERT_FALSE(names.empty());
    for (const std::string& name : names) {
        void* plain = library.find(name.c_str());
        void* twin = library.find(("_" + name).c_str());
        EXPECT_NE(plain, nullptr) << name;
        EXPECT_EQ(plain, twin) << name;
    }
    EXPECT_NE(library.find("DllMain"), nullptr);
}

TEST(HostLibrary, FrameExportsAnswerUnderBothNames)
{
    HostLibrary library;
    ASSERT_TRUE(library.loaded());
    auto replaceFns = library.both<decltype(&replace)>("replace");
    auto parseFns = library.both<decltype(&parseBackSlashString)>("parseBackSlashString");
    auto removeFns = library.both<decltype(&removeFile)>("removeFile");
    auto codePageFns = library.both<decltype(&setCodePage)>("setCodePage");
    for (auto replaceFn : {replaceFns.first, replaceFns.second})
        EXPECT_STREQ(replaceFn("a-b-c", "-", "+", 1), "a+b-c");
    for (auto parseFn : {parseFns.first, parseFns.second}) EXPECT_STREQ(parseFn("a\\tb"), "a\tb");
    for (auto removeFn : {removeFns.first, removeFns.second})
        EXPECT_EQ(removeFn("no such file here.ini"), 0);
    for (auto codePageFn : {codePageFns.first, codePageFns.second}) {
        EXPECT_EQ(codePageFn(99999), 0);
        EXPECT_EQ(codePageFn(0), 1);
    }
}

TEST(HostLibrary, EntryReturnsOneForEveryReason)
{
    HostLibrary library;
    ASSERT_TRUE(library.loaded());
    using Entry = int(QUILLET_ENTRY_CALL*)(void*, unsigned long, void*);
    auto entry = reinterpret_cast<Entry>(library.find("DllMain"));
    ASSERT_NE(entry, nullptr);
    for (unsigned long reason = 0; reason < 4; ++reason) EXPECT_EQ(entry(nullptr, reason, nullptr), 1);
}

}  // namespace
