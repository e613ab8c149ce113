// A file that claims gigabytes but holds a few bytes of text (a sparse file:
// zeros after them, and a NUL ends the text) is read as the few bytes it
// holds: every loader succeeds quickly, and memory follows the text, not the
// size the file claims. Linux only: the file is made sparse with truncate,
// and a child process measures its own peak memory.
#include <gtest/gtest.h>

#include <string>

#include "quillet.h"
#include "support/test_files.h"

#if !defined(_WIN32)
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

class SparseFile : public testing_support::TempFolderTest {};

// Runs body in a child process; true when it returned true and the child's
// peak memory stayed under limitMB.
template <class Body>
bool inChildWithin(long limitMB, Body body)
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

TEST_F(SparseFile, LoadersReadWhatTheFileHoldsNotWhatItClaims)
{
    const std::string file = path("sparse.txt");
    testing_support::writeBytes(file, "[s]\r\na,b\r\n");
    ASSERT_EQ(truncate(file.c_str(), 5LL << 30), 0);  // 5 GB, nearly all of it a hole
    const std::string out = path("out.ini");
    EXPECT_TRUE(inChildWithin(200, [&] {
        return loadINIFile(file.c_str()) == 1 && appendFileToOneLineDic(file.c_str()) == 1 &&
               loadMultiLineDic(file.c_str(), "[") == 1 && transCSVToINI(file.c_str(), out.c_str()) == 1 &&
               createINIFromCSVElement(file.c_str(), out.c_str(), "s", 1, 2, 0) == 1;
    }));
    EXPECT_EQ(testing_support::readBytes(out), "[s]\r\n[s]=\"\"\r\na=\"b\"\r\n");
}

}  // namespace
#endif
