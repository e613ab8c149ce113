// A file that claims gigabytes but holds a few bytes of text (a sparse file:
// zeros after them, and a NUL ends the text) is read as the few bytes it
// holds: every loader succeeds, and memory follows the text, not the size the
// file claims. On Linux a child process measures its own peak memory; under
// Windows the process's peak working set is read before and after.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "quillet.h"
#include "support/test_files.h"

#if defined(_WIN32)
#include <windows.h>
#include <psapi.h>
#else
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace {

class SparseFile : public testing_support::TempFolderTest {};

bool loadersReadTheFewBytes(const std::string& file, const std::string& out)
{
    return loadINIFile(file.c_str()) == 1 && clearOneLineDic() == 1 && appendFileToOneLineDic(file.c_str()) == 1 &&
           loadMultiLineDic(file.c_str(), "[") == 1 && transCSVToINI(file.c_str(), out.c_str()) == 1 &&
           createINIFromCSVElement(file.c_str(), out.c_str(), "s", 1, 2, 0) == 1;
}

#if defined(_WIN32)
// Runs body; true when it returned true and the process's peak working set
// grew by less than limitMB meanwhile.
template <class Body>
bool withinMemory(long limitMB, Body body)
{
    PROCESS_MEMORY_COUNTERS before{}, after{};
    GetProcessMemoryInfo(GetCurrentProcess(), &before, sizeof before);
    const bool ok = body();
    GetProcessMemoryInfo(GetCurrentProcess(), &after, sizeof after);
    return ok && after.PeakWorkingSetSize - before.PeakWorkingSetSize < static_cast<SIZE_T>(limitMB) << 20;
}
#else
// Runs body in a child process; true when it returned true and the child's
// peak memory stayed under limitMB.
template <class Body>
bool withinMemory(long limitMB, Body body)
{
    pid_t child = fork();
    if (child == 0) {
        const bool ok = body();
        struct rusage usage;
        getrusage(RUSAGE_SELF, &usage);
        _exit(ok && usage.ru_maxrss < limitMB * 1024 ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}
#endif

TEST_F(SparseFile, LoadersReadWhatTheFileHoldsNotWhatItClaims)
{
    const std::string file = path("sparse.txt");
    testing_support::writeBytes(file, "[s]\r\na,b\r\n");
    std::filesystem::resize_file(file, 5ULL << 30);  // 5 GB, nearly all of it a hole
    const std::string out = path("out.ini");
    EXPECT_TRUE(withinMemory(200, [&] { return loadersReadTheFewBytes(file, out); }));
    EXPECT_EQ(testing_support::readBytes(out), "[s]\r\n[s]=\"\"\r\na=\"b\"\r\n");
}

}  // namespace
