// Loading a file too large for the address space left: the export returns
// its failure result (no crash, nothing thrown across), and the next call
// works. Linux only: a child process runs under RLIMIT_AS.
#include <gtest/gtest.h>

#include <string>

#include "quillet.h"
#include "support/test_files.h"

#if !defined(_WIN32) && !defined(__SANITIZE_ADDRESS__)
#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QUILLET_UNDER_ASAN 1
#endif
#endif
#endif

#if !defined(_WIN32) && !defined(__SANITIZE_ADDRESS__) && !defined(QUILLET_UNDER_ASAN)
#include <cstdio>
#include <fstream>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// The process's current virtual size in bytes.
long long virtualSize()
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmSize:", 0) == 0) return std::stoll(line.substr(7)) * 1024;
    return 0;
}

class MemoryExhaustion : public testing_support::TempFolderTest {
protected:
    void SetUp() override
    {
        TempFolderTest::SetUp();
        // 96 MB of short lines, of every kind the loaders read.
        std::ofstream big(path("big.txt"), std::ios::binary);
        std::string chunk;
        for (int i = 0; i < 4096; ++i) chunk += i % 50 == 0 ? "[s]\r\n" : "#t,\"k\",v=1\r\n";
        while (big.tellp() < 96LL << 20) big << chunk;
        big.close();
        // A table whose every record has another number of fields than the
        // one before: nothing about it can be kept in less than a word a
        // record.
        std::ofstream table(path("ragged.csv"), std::ios::binary);
        chunk.clear();
        for (int i = 0; i < 4096; ++i) chunk += i % 2 ? "a,b\r\n" : "a\r\n";
        while (table.tellp() < 96LL << 20) table << chunk;
        testing_support::writeBytes(path("small.txt"), "[s]\r\n#t,k=1\r\n");
    }

    // Runs load on the big file under an address-space limit of 48 MB more
    // than the process uses now, then on the small file without the limit
    // lifted; true when the first failed with `failure` and the second did not.
    bool failsThenRecovers(int (*load)(const std::string&), int failure, const char* bigFile = "big.txt")
    {
        pid_t child = fork();
        if (child == 0) {
            rlim_t limit = static_cast<rlim_t>(virtualSize() + (48LL << 20));
            struct rlimit rl = {limit, limit};
            setrlimit(RLIMIT_AS, &rl);
            bool ok = load(path(bigFile)) == failure && load(path("small.txt")) != failure;
            _exit(ok ? 0 : 1);
        }
        int status = 0;
        waitpid(child, &status, 0);
        return WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }
};

TEST_F(MemoryExhaustion, LoadersReportFailureAndKeepWorking)
{
    EXPECT_TRUE(failsThenRecovers([](const std::string& file) { return loadINIFile(file.c_str()); }, -1));
    EXPECT_TRUE(failsThenRecovers(
        [](const std::string& file) { return loadMultiLineDic(file.c_str(), "#"); }, -1));
    EXPECT_TRUE(failsThenRecovers(
        [](const std::string& file) {
            clearOneLineDic();
            return appendFileToOneLineDic(file.c_str());
        },
        0));
    static std::string out;
    out = path("out.ini");
    EXPECT_TRUE(failsThenRecovers(
        [](const std::string& file) { return transCSVToINI(file.c_str(), out.c_str()); }, 0, "ragged.csv"));
}

}  // namespace
#endif
