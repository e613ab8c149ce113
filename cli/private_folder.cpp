// The tool's private folder in the temporary folder: standard input copied
// for the library to read, results on their way to standard output. It is
// removed on a normal exit, on an error, and from the signal handlers
// (SIGINT, SIGTERM, SIGHUP, SIGPIPE), which use only async-signal-safe calls.
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>

#include "tool.h"

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <pthread.h>
#include <unistd.h>
#if defined(__linux__)
#include <sys/syscall.h>
#endif
#endif

namespace {

// The folder's path, for the signal handlers; set before folderMade.
char folderPath[4096];
volatile std::sig_atomic_t folderMade = 0;
bool stdinTaken = false;
std::string folderProblem;

#if !defined(_WIN32)
bool isDotName(const char* name)
{
    return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

// Removes the folder and the files in it (the library's own temporary files
// included, whatever their names) with async-signal-safe calls only.
void removeFolderNow()
{
    if (!folderMade) return;
#if defined(__linux__)
    struct Entry {
        unsigned long long inode;
        long long offset;
        unsigned short length;
        unsigned char type;
        char name[1];
    };
    int folder = open(folderPath, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        // Unlinking while reading may hide entries from the same pass.
        for (int pass = 0; pass < 8; ++pass) {
            bool removedAny = false;
            alignas(8) char buffer[4096];
            lseek(folder, 0, SEEK_SET);
            for (long got; (got = syscall(SYS_getdents64, folder, buffer, sizeof buffer)) > 0;) {
                for (long at = 0; at < got;) {
                    const Entry* entry = reinterpret_cast<const Entry*>(buffer + at);
                    if (!isDotName(entry->name) && unlinkat(folder, entry->name, 0) == 0) removedAny = true;
                    at += entry->length;
                }
            }
            if (!removedAny) break;
        }
        close(folder);
    }
#else
    // Elsewhere only the names the tool gives are known.
    for (const char* name : {"/stdin", "/result"}) {
        char path[sizeof folderPath + 16];
        std::size_t length = std::strlen(folderPath);
        std::memcpy(path, folderPath, length);
        std::memcpy(path + length, name, std::strlen(name) + 1);
        unlink(path);
    }
#endif
    rmdir(folderPath);
}

extern "C" void cleanUpAndDie(int signalNumber)
{
    removeFolderNow();
    // The handler was reset to the default: the signal, blocked while this
    // runs, ends the process as it would have without the tool's handler.
    raise(signalNumber);
}

const int cleanupSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGPIPE};

// Holds the cleanup signals back while the folder is made or removed, so
// that a handler never sees it half made.
struct SignalsHeld {
    sigset_t before;
    SignalsHeld()
    {
        sigset_t held;
        sigemptyset(&held);
        for (int signalNumber : cleanupSignals) sigaddset(&held, signalNumber);
        pthread_sigmask(SIG_BLOCK, &held, &before);
    }
    ~SignalsHeld() { pthread_sigmask(SIG_SETMASK, &before, nullptr); }
};
#else
struct SignalsHeld {
    SignalsHeld() {}
};

BOOL WINAPI cleanUpOnConsoleEvent(DWORD)
{
    removePrivateFolder();
    return FALSE;  // the system's handler ends the process
}
#endif

}  // namespace

void installCleanup()
{
#if defined(_WIN32)
    SetConsoleCtrlHandler(cleanUpOnConsoleEvent, TRUE);
#else
    struct sigaction action;
    std::memset(&action, 0, sizeof action);
    action.sa_handler = cleanUpAndDie;
    action.sa_flags = SA_RESETHAND;
    sigemptyset(&action.sa_mask);
    for (int signalNumber : cleanupSignals) sigaddset(&action.sa_mask, signalNumber);
    for (int signalNumber : cleanupSignals) {
        struct sigaction before;
        // A signal the caller ignores (SIGINT for a background job) stays ignored.
        if (sigaction(signalNumber, nullptr, &before) == 0 && before.sa_handler == SIG_IGN) continue;
        sigaction(signalNumber, &action, nullptr);
    }
#endif
}

std::string privateFile(const char* name)
{
    namespace fs = std::filesystem;
    if (folderMade) return std::string(folderPath) + "/" + name;
    std::error_code ec;
    fs::path base = fs::temp_directory_path(ec);
    if (ec) {
        folderProblem = ec.message();
        return "";
    }
    std::random_device seed;
    std::mt19937 random(seed());
    SignalsHeld held;
    // A new folder of our own: nobody else can have placed a file or a link
    // where the library is about to write.
    for (int attempt = 0; attempt < 100; ++attempt) {
        char folderName[32];
        std::snprintf(folderName, sizeof folderName, "quillet-%08x", static_cast<unsigned>(random()));
        fs::path candidate = base / folderName;
        std::string path = candidate.string();
        if (path.size() >= sizeof folderPath) break;
        if (fs::create_directory(candidate, ec) && !ec) {
#if !defined(_WIN32)
            fs::permissions(candidate, fs::perms::owner_all, ec);
#endif
            std::memcpy(folderPath, path.c_str(), path.size() + 1);
            folderMade = 1;
            return path + "/" + name;
        }
        if (ec) break;
    }
    folderProblem = (ec ? ec.message() : std::string("no new name found")) + " in " + ::quoted(base.string());
    return "";
}

std::string privateFolderProblem()
{
    return folderProblem;
}

void removePrivateFolder()
{
    if (!folderMade) return;
    SignalsHeld held;
    std::error_code ec;
    std::filesystem::remove_all(folderPath, ec);
    folderMade = 0;
}

std::string inputFile(const Args& args, const std::string& operand)
{
    if (operand != "-") return operand;
    if (stdinTaken) {
        usageError(args.command, "standard input ('-') can be read only once");
        return "";
    }
    stdinTaken = true;
    std::string spool = privateFile("stdin");
    if (spool.empty()) {
        failure("cannot keep standard input in the temporary folder: " + folderProblem);
        return "";
    }
#if defined(_WIN32)
    _setmode(_fileno(stdin), _O_BINARY);
#endif
    std::FILE* out = std::fopen(spool.c_str(), "wb");
    if (!out) {
        writeFailure(spool);
        return "";
    }
    char buffer[65536];
    bool ok = true;
    for (std::size_t got; ok && (got = std::fread(buffer, 1, sizeof buffer, stdin)) > 0;)
        ok = std::fwrite(buffer, 1, got, out) == got;
    bool readFailed = std::ferror(stdin) != 0;
    if (std::fclose(out) != 0) ok = false;
    if (readFailed) {
        failure(std::string("cannot read standard input: ") + std::strerror(errno));
        return "";
    }
    if (!ok) {
        failure("cannot keep standard input in " + ::quoted(spool) + ": " + std::strerror(errno));
        return "";
    }
    return spool;
}
