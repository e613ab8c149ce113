// How a file is replaced: a name for an open descriptor or a pipe is written
// through it, the new file stays private until complete, a file that others
// share is written in place, a killed writer leaves nothing behind, a
// temporary name already taken is passed over, and the new file is on disk
// before it takes the old one's place.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>

#include "quillet.h"
#include "support/host_library.h"
#include "support/test_files.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <csignal>
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace {

using testing_support::readBytes;
using testing_support::writeBytes;

// What makeINIDB writes for the word list that wordList makes.
const std::string wordFile = "[word]\r\n0=\"pear\"\r\n1=\"apple\"\r\n";

void wordList()
{
    clearOneLineDic();
    appendToOneLineDic("pear");
    appendToOneLineDic("apple");
}

class FileReplacement : public testing_support::TempFolderTest {};

#if defined(_WIN32)
// What a write to the pipe that this test serves brings: the bytes, or
// "failed" when the export reports a failure.
std::string throughPipe(const std::function<bool(const char*)>& write)
{
    const std::string name = "\\\\.\\pipe\\quillet-test-" + std::to_string(GetCurrentProcessId());
    HANDLE server = CreateNamedPipeA(name.c_str(), PIPE_ACCESS_INBOUND, PIPE_TYPE_BYTE | PIPE_WAIT, 1, 1 << 16,
                                     1 << 16, 0, nullptr);
    if (server == INVALID_HANDLE_VALUE) return "no pipe";
    std::string got = write(name.c_str()) ? "" : "failed";
    char buffer[4096];
    DWORD n = 0;
    while (ReadFile(server, buffer, sizeof buffer, &n, nullptr) && n > 0) got.append(buffer, n);
    CloseHandle(server);
    return got;
}

TEST_F(FileReplacement, APipeIsWrittenThrough)
{
    wordList();
    writeBytes(path("in.csv"), "a,b\r\n");
    const std::string csv = path("in.csv");
    EXPECT_EQ(throughPipe([](const char* name) { return makeINIDB(name, "") == 2; }), wordFile);
    EXPECT_EQ(throughPipe([&](const char* name) {
                  return createINIFromCSVElement(csv.c_str(), name, "s", 1, 2, 1) == 1;
              }),
              "\r\n[s]\r\na=\"b\"\r\n");
    EXPECT_EQ(listing(), "in.csv;");
}
#else
TEST_F(FileReplacement, ANameForAnOpenDescriptorIsWrittenWhereItStands)
{
    wordList();
    writeBytes(path("in.csv"), "a,b\r\n");
    // As the shell leaves them for "> at.txt" and ">> added.txt".
    const int at = open(path("at.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    writeBytes(path("added.txt"), "old\n");
    const int added = open(path("added.txt").c_str(), O_WRONLY | O_APPEND);
    ASSERT_GE(at, 0);
    ASSERT_GE(added, 0);
    std::string wantAt;
    for (const char* folder : {"/dev/fd/", "/proc/self/fd/"}) {
        ASSERT_EQ(write(at, "before\n", 7), 7);
        EXPECT_EQ(makeINIDB((folder + std::to_string(at)).c_str(), ""), 2);
        wantAt += "before\n" + wordFile;
    }
    ASSERT_EQ(write(at, "after\n", 6), 6);
    close(at);
    EXPECT_EQ(readBytes(path("at.txt")), wantAt + "after\n");

    std::fflush(stdout);
    const int savedOut = dup(1);
    dup2(added, 1);
    const int replaced = makeINIDB("/dev/stdout", "");
    const int appended = createINIFromCSVElement(path("in.csv").c_str(), "/dev/stdout", "s", 1, 2, 1);
    dup2(savedOut, 1);
    close(savedOut);
    EXPECT_EQ(replaced, 2);
    EXPECT_EQ(appended, 1);
    ASSERT_EQ(write(added, "after\n", 6), 6);
    close(added);
    EXPECT_EQ(readBytes(path("added.txt")), "old\n" + wordFile + "\r\n[s]\r\na=\"b\"\r\n" + "after\n");
    EXPECT_EQ(listing(), "added.txt;at.txt;in.csv;");
}

// Forks a child that runs write with files limited to one byte, and stops
// itself at the limit's signal: the child, stopped half way through the
// write, or -1 when it never stopped.
pid_t stoppedWriter(const std::function<bool()>& write)
{
    const pid_t child = fork();
    if (child == 0) {
        signal(SIGXFSZ, [](int) { raise(SIGSTOP); });
        struct rlimit limit = {1, RLIM_INFINITY};
        setrlimit(RLIMIT_FSIZE, &limit);
        _exit(write() ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, WUNTRACED);
    return WIFSTOPPED(status) ? child : -1;
}

void killChild(pid_t child)
{
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
}

TEST_F(FileReplacement, TheNewFileStaysPrivateUntilComplete)
{
    writeBytes(path("open.ini"), "[old]\r\n");
    ASSERT_EQ(chmod(path("open.ini").c_str(), 0644), 0);
    ASSERT_EQ(loadINIFile(path("open.ini").c_str()), 1);
    struct stat target;
    ASSERT_EQ(stat(path("open.ini").c_str(), &target), 0);
    const pid_t child = stoppedWriter([&] { return writeINIFile(path("open.ini").c_str()) == 1; });
    ASSERT_GT(child, 0);
    // The files the stopped writer has open in the folder, besides the target.
    int seen = 0;
    const std::string fds = "/proc/" + std::to_string(child) + "/fd";
    for (const auto& entry : std::filesystem::directory_iterator(fds)) {
        std::error_code ec;
        const std::string name = std::filesystem::read_symlink(entry.path(), ec).string();
        struct stat st;
        if (ec || name.rfind(folder_ + "/", 0) != 0 || stat(entry.path().c_str(), &st) != 0 ||
            st.st_ino == target.st_ino)
            continue;
        ++seen;
        EXPECT_EQ(st.st_mode & 07777, 0600u) << name;
    }
    killChild(child);
    EXPECT_EQ(seen, 1);
}

TEST_F(FileReplacement, AFileThatOthersShareIsWrittenInPlace)
{
    if (geteuid() != 0) GTEST_SKIP() << "needs root, to write as another user";
    const uid_t user = 65534;  // nobody
    const std::string old = "[old]\r\n", written = "[main]\r\nsize=10\r\n";
    writeBytes(path("in.ini"), written);
    ASSERT_EQ(loadINIFile(path("in.ini").c_str()), 1);
    // A folder the user may not write, holding a file the user may.
    std::filesystem::create_directory(path("locked"));
    writeBytes(path("locked/own.ini"), old);
    ASSERT_EQ(chown(path("locked/own.ini").c_str(), user, user), 0);
    // A folder the user may write: a file under two names, a file of root's
    // that all may write, and a link to a file not yet there.
    std::filesystem::create_directory(path("open"));
    ASSERT_EQ(chown(path("open").c_str(), user, user), 0);
    writeBytes(path("open/one.ini"), old);
    ASSERT_EQ(chown(path("open/one.ini").c_str(), user, user), 0);
    ASSERT_EQ(link(path("open/one.ini").c_str(), path("open/two.ini").c_str()), 0);
    writeBytes(path("open/root.ini"), old);
    ASSERT_EQ(chmod(path("open/root.ini").c_str(), 0666), 0);
    ASSERT_EQ(symlink("made.ini", path("open/link.ini").c_str()), 0);

    const pid_t child = fork();
    if (child == 0) {
        if (setgid(user) != 0 || setuid(user) != 0) _exit(100);
        // Too long for the limit: put back and reported; then written.
        signal(SIGXFSZ, SIG_IGN);
        struct rlimit limit = {static_cast<rlim_t>(old.size() + 2), RLIM_INFINITY};
        setrlimit(RLIMIT_FSIZE, &limit);
        int wrong = writeINIFile(path("locked/own.ini").c_str()) == 0 ? 0 : 1;
        limit.rlim_cur = RLIM_INFINITY;
        setrlimit(RLIMIT_FSIZE, &limit);
        for (const char* name : {"locked/own.ini", "open/one.ini", "open/root.ini", "open/link.ini"})
            wrong = wrong * 2 + (writeINIFile(path(name).c_str()) == 1 ? 0 : 1);
        _exit(wrong);
    }
    int status = -1;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "bits, first to last: failure put back, own, one, root, link";
    for (const char* name : {"locked/own.ini", "open/one.ini", "open/two.ini", "open/root.ini", "open/made.ini"})
        EXPECT_EQ(readBytes(path(name)), written) << name;
    struct stat st;
    ASSERT_EQ(stat(path("open/two.ini").c_str(), &st), 0);
    EXPECT_EQ(st.st_nlink, 2u);
    ASSERT_EQ(stat(path("open/root.ini").c_str(), &st), 0);
    EXPECT_EQ(st.st_uid, 0u);
    EXPECT_EQ(st.st_mode & 07777, 0666u);
    ASSERT_EQ(lstat(path("open/link.ini").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(listing(), "in.ini;locked;open;");
}

TEST_F(FileReplacement, AKilledWriterLeavesNothingBehind)
{
    writeBytes(path("kept.ini"), "[old]\r\n");
    ASSERT_EQ(loadINIFile(path("kept.ini").c_str()), 1);
    const std::string before = listing();
    for (const char* name : {"kept.ini", "new.ini"}) {
        SCOPED_TRACE(name);
        const pid_t child = stoppedWriter([&] { return writeINIFile(path(name).c_str()) == 1; });
        ASSERT_GT(child, 0);
        killChild(child);
        EXPECT_EQ(listing(), before);
    }
    EXPECT_EQ(readBytes(path("kept.ini")), "[old]\r\n");
}

// Each fsync the library makes ("file" or "folder"), and what the target
// then holds ("old" or "new"): see the test below.
std::string watched, syncLog;

}  // namespace

extern "C" int fsync(int fd)
{
    static auto real = reinterpret_cast<int (*)(int)>(dlsym(RTLD_NEXT, "fsync"));
    struct stat st;
    if (!watched.empty() && fstat(fd, &st) == 0)
        syncLog += std::string(S_ISDIR(st.st_mode) ? "folder " : "file ") +
                   (readBytes(watched) == wordFile ? "new;" : "old;");
    return real(fd);
}

namespace {

TEST_F(FileReplacement, TheNewFileIsOnDiskBeforeItTakesTheOldOnesPlace)
{
    wordList();
    writeBytes(path("words.ini"), "[old]\r\n");
    watched = path("words.ini");
    syncLog.clear();
    const int rows = makeINIDB(watched.c_str(), "");
    watched.clear();
    EXPECT_EQ(rows, 2);
    EXPECT_EQ(syncLog, "file old;folder new;");
}
#endif

TEST_F(FileReplacement, ATemporaryNameAlreadyTakenIsPassedOver)
{
    // A fresh copy of the library: its temporary names start from the first.
#if defined(_WIN32)
    char original[MAX_PATH];
    ASSERT_TRUE(GetModuleFileNameA(GetModuleHandleA("quillet.dll"), original, MAX_PATH));
    const std::string copy = "copy.dll";
#else
    const std::string original = QUILLET_LIBRARY_PATH, copy = "copy.so";
#endif
    std::filesystem::copy_file(original, path(copy));
    testing_support::HostLibrary library(path(copy));
    const auto append = reinterpret_cast<int(QUILLET_CALL*)(const char*)>(library.find("appendToOneLineDic"));
    const auto make = reinterpret_cast<int(QUILLET_CALL*)(const char*, const char*)>(library.find("makeINIDB"));
    ASSERT_TRUE(append && make);
    append("pear");
    append("apple");
    // Left by a killed process that had this one's id.
    std::string stale;
    for (int n = 1; n <= 4; ++n) {
        const std::string name = ".quillet-" + std::to_string(QUILLET_TEST_PID) + "-" + std::to_string(n) + ".tmp";
        writeBytes(path(name), "");
        stale += name + ";";
    }
    EXPECT_EQ(make(path("out.ini").c_str(), ""), 2);
    EXPECT_EQ(readBytes(path("out.ini")), wordFile);
    EXPECT_EQ(listing(), stale + copy + ";out.ini;");
}

}  // namespace
