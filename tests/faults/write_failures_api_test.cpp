// Every export that writes a file, made to fail on purpose: it reports its
// failure result, the file that was there stays byte for byte, no temporary
// file is left, and the next call works.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "quillet.h"
#include "support/test_files.h"

#if !defined(_WIN32)
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace {

using testing_support::readBytes;
using testing_support::writeBytes;

// One export that writes: prepare loads what it needs from the folder, write
// writes to path and answers whether it succeeded; failures are its failure
// result and nothing else.
struct Writer {
    std::string name;
    std::function<void(const std::string& folder)> prepare;
    std::function<bool(const std::string& path)> write;
};

std::vector<Writer> writers()
{
    auto prepareIni = [](const std::string& folder) {
        writeBytes(folder + "/in.ini", "[main]\r\nsize=10\r\n[extra]\r\na=1\r\n");
        ASSERT_EQ(loadINIFile((folder + "/in.ini").c_str()), 2);
    };
    auto answer = [](const char* text, const char* failure) { return std::string(text) != failure; };
    static std::string csv;  // the CSV file that prepareCsv wrote
    auto prepareCsv = [](const std::string& folder) {
        csv = folder + "/in.csv";
        writeBytes(csv, "id,name\r\n1,\"a, \"\"b\"\"\"\r\n");
    };
    auto prepareWords = [](const std::string&) {
        clearOneLineDic();
        appendToOneLineDic("pear");
        appendToOneLineDic("apple");
    };
    auto prepareDictionary = [](const std::string& folder) {
        writeBytes(folder + "/dict.txt", "#apple\r\nA fruit.\r\n#pear\r\n");
        ASSERT_EQ(loadMultiLineDic((folder + "/dict.txt").c_str(), "#"), 2);
    };
    return {
        {"makeINIDB", prepareWords, [](const std::string& path) { return makeINIDB(path.c_str(), "") == 2; }},
        {"getMultiLineDicTitle", prepareDictionary,
         [=](const std::string& path) { return answer(getMultiLineDicTitle(path.c_str()), "-1"); }},
        {"transCSVToINI", prepareCsv,
         [](const std::string& path) { return transCSVToINI(csv.c_str(), path.c_str()) == 1; }},
        {"createINIFromCSVElement", prepareCsv,
         [](const std::string& path) {
             return createINIFromCSVElement(csv.c_str(), path.c_str(), "s", 1, 2, 0) == 1;
         }},
        {"createINIFromCSVElement appending", prepareCsv,
         [](const std::string& path) {
             return createINIFromCSVElement(csv.c_str(), path.c_str(), "s", 1, 2, 1) == 1;
         }},
        {"writeINIFile", prepareIni, [](const std::string& path) { return writeINIFile(path.c_str()) == 1; }},
        {"getSectionList", prepareIni,
         [=](const std::string& path) { return answer(getSectionList(path.c_str(), 0), "-1"); }},
        {"getKeyList", prepareIni,
         [=](const std::string& path) { return answer(getKeyList("main", path.c_str(), 0), "-1"); }},
    };
}

class WriteFailures : public testing_support::TempFolderTest {};

TEST_F(WriteFailures, AFolderOrAMissingFolderIsReportedAndNothingChanges)
{
    for (const Writer& writer : writers()) {
        SCOPED_TRACE(writer.name);
        writer.prepare(folder_);
        std::string before = listing();
        std::filesystem::create_directory(path("taken"));
        EXPECT_FALSE(writer.write(path("taken")));
        EXPECT_TRUE(std::filesystem::is_directory(path("taken")));
        EXPECT_FALSE(writer.write(path("no/such/folder/out.ini")));
        EXPECT_FALSE(testing_support::exists(path("no")));
        std::filesystem::remove(path("taken"));
        EXPECT_EQ(listing(), before);
        // And the next call works.
        EXPECT_TRUE(writer.write(path("out.ini")));
        EXPECT_FALSE(readBytes(path("out.ini")).empty());
        std::filesystem::remove(path("out.ini"));
    }
}

#if !defined(_WIN32)
// Runs body in a child process and returns whether it returned true.
template <class Body>
bool inChild(Body body)
{
    pid_t child = fork();
    if (child == 0) _exit(body() ? 0 : 1);
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

TEST_F(WriteFailures, AFullDeviceIsReported)
{
    for (const Writer& writer : writers()) {
        SCOPED_TRACE(writer.name);
        writer.prepare(folder_);
        EXPECT_FALSE(writer.write("/dev/full"));
        EXPECT_TRUE(writer.write(path("after.ini")));
    }
}

TEST_F(WriteFailures, AWriteCutShortLeavesTheOldFile)
{
    const std::string old = "[old]\r\nkept=1\r\n";
    for (const Writer& writer : writers()) {
        SCOPED_TRACE(writer.name);
        writer.prepare(folder_);
        writeBytes(path("target.ini"), old);
        std::string before = listing();
        // Within a limit of 4 bytes nothing the writers make fits; the
        // child then writes a file that does fit, with the limit lifted.
        bool reported = inChild([&] {
            signal(SIGXFSZ, SIG_IGN);
            struct rlimit limit = {4, RLIM_INFINITY};
            setrlimit(RLIMIT_FSIZE, &limit);
            if (writer.write(path("target.ini"))) return false;
            limit.rlim_cur = RLIM_INFINITY;
            setrlimit(RLIMIT_FSIZE, &limit);
            return writer.write(path("next.ini"));
        });
        EXPECT_TRUE(reported);
        EXPECT_EQ(readBytes(path("target.ini")), old);
        std::filesystem::remove(path("next.ini"));
        EXPECT_EQ(listing(), before);
    }
}

TEST_F(WriteFailures, AReadOnlyTargetIsReportedAndKept)
{
    const std::string old = "[old]\r\n";
    for (const Writer& writer : writers()) {
        SCOPED_TRACE(writer.name);
        writer.prepare(folder_);
        writeBytes(path("locked.ini"), old);
        ASSERT_EQ(chmod(path("locked.ini").c_str(), 0444), 0);
        ASSERT_EQ(chmod(folder_.c_str(), 0777), 0);
        // Root may write anything: try as an ordinary user.
        bool reported = inChild([&] {
            if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) return false;
            return !writer.write(path("locked.ini"));
        });
        EXPECT_TRUE(reported);
        EXPECT_EQ(readBytes(path("locked.ini")), old);
        std::filesystem::remove(path("locked.ini"));
    }
}
#endif

}  // namespace
