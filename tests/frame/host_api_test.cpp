// Loads the library at run time, as a host that does not link it would, and
// finds every export under both its names.
#include <gtest/gtest.h>

#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "quillet.h"
#include "support/host_library.h"
#include "support/test_files.h"

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

#if defined(_WIN32) && defined(__i386__)
// Calls work(context) with the stack pointer offset bytes short of a 16-byte
// boundary at the call: a 32-bit Windows host may keep the stack aligned to
// 4 bytes only, and the library's SSE2 code must still not fault.
extern "C" void callOnShiftedStack(void (*work)(void*), void* context, unsigned offset);
asm(".text\n"
    ".globl _callOnShiftedStack\n"
    "_callOnShiftedStack:\n"
    "  pushl %ebp\n"
    "  movl %esp, %ebp\n"
    "  andl $-16, %esp\n"
    "  subl $12, %esp\n"      // with the argument below: aligned at the call
    "  subl 16(%ebp), %esp\n"  // less the offset
    "  pushl 12(%ebp)\n"
    "  call *8(%ebp)\n"
    "  movl %ebp, %esp\n"
    "  popl %ebp\n"
    "  ret\n");

void runWork(void* work)
{
    (*static_cast<std::function<void()>*>(work))();
}

class ShiftedStack : public testing_support::TempFolderTest {};

TEST_F(ShiftedStack, ExportsGiveTheSameResultsOnAStackAlignedToFourBytes)
{
    std::string csv, ini, text;
    for (int i = 0; i < 2000; ++i) {
        csv += std::to_string(i) + ",\"name " + std::to_string(i) + "\",\"a \"\"quoted\"\" word\",x\r\n";
        ini += "[section" + std::to_string(i) + "]\r\nkey=value " + std::to_string(i) + "\r\n";
        text += "line\\t" + std::to_string(i) + " with quill and \\x41\\n";
    }
    testing_support::writeBytes(path("t.csv"), csv);
    testing_support::writeBytes(path("s.ini"), ini);
    const std::string csvPath = path("t.csv"), iniPath = path("s.ini");
    // Every result of the run, one after the other.
    auto run = [&](const std::string& tag) {
        std::string results;
        results += std::to_string(transCSVToINI(csvPath.c_str(), path(tag + "-table.ini").c_str())) + "|";
        results += testing_support::readBytes(path(tag + "-table.ini")) + "|";
        results += std::to_string(loadINIFile(iniPath.c_str())) + "|";
        results += std::to_string(writeINIFile(path(tag + "-s.ini").c_str())) + "|";
        results += testing_support::readBytes(path(tag + "-s.ini")) + "|";
        results += replace(text.c_str(), "quill", "feather pen", -1);
        results += "|";
        results += parseBackSlashString(text.c_str());
        return results;
    };
    const std::string expected = run("aligned");
    for (unsigned offset : {4u, 8u, 12u}) {
        std::string shifted;
        std::function<void()> work = [&] { shifted = run("shifted" + std::to_string(offset)); };
        callOnShiftedStack(runWork, &work, offset);
        EXPECT_EQ(shifted, expected) << "offset " << offset;
    }
}
#endif

}  // namespace
