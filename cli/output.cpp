// Standard output and result files: the line ends of standard output, where
// -o sends a result, and how a result that the library writes to a file by
// name reaches standard output or an open descriptor.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "tool.h"

#if !defined(_WIN32)
#include <unistd.h>
#endif

// How results reach standard output and descriptors such as /dev/fd/3.
// 0: the library writes them to a file in the private folder, which the tool
//    then copies and removes.
// 1: no temporary file. A descriptor name goes to the library as it is, and
//    for standard output (on POSIX systems) the library writes /dev/fd/N, the
//    write end of a pipe whose read end a thread copies to standard output.
//    This needs a library that writes such names through the open
//    descriptor instead of replacing the file behind it.
#ifndef QUILLET_CLI_DIRECT_RESULTS
#define QUILLET_CLI_DIRECT_RESULTS 0
#endif
#if QUILLET_CLI_DIRECT_RESULTS && !defined(_WIN32)
#define QUILLET_CLI_RESULT_PIPE 1
#include <thread>
#else
#define QUILLET_CLI_RESULT_PIPE 0
#endif

bool crlfOnStandardOutput = false;

namespace {

// Line-end state of standard output between writes.
bool heldReturn = false;  // a file's CR not yet written: CR LF becomes LF
bool lastWasReturn = false;

bool wantsCrlf()
{
#if defined(_WIN32)
    return true;
#else
    return crlfOnStandardOutput;
#endif
}

// Writes bytes to standard output with its line ends: "\n" becomes CR LF
// where those are wanted; otherwise a file's CR LF becomes "\n", while a
// text result goes out as it is. False when standard output failed.
bool putOut(const char* data, std::size_t size, bool fromFile)
{
    std::string out;
    out.reserve(size + size / 16 + 2);
    bool crlf = wantsCrlf();
    for (std::size_t i = 0; i < size; ++i) {
        char c = data[i];
        if (heldReturn) {
            heldReturn = false;
            if (c != '\n') out += '\r';
        }
        if (crlf) {
            if (c == '\n' && !lastWasReturn) out += '\r';
        } else if (fromFile && c == '\r') {
            heldReturn = true;
            continue;
        }
        out += c;
        lastWasReturn = c == '\r';
    }
    return std::fwrite(out.data(), 1, out.size(), stdout) == out.size() && !std::ferror(stdout);
}

// The descriptor that name denotes ("/dev/stdout", "/dev/fd/3",
// "/proc/self/fd/3"; "CON" on Windows, which has no number: -2), or -1.
int descriptorOf(const std::string& name)
{
#if defined(_WIN32)
    std::string upper;
    for (char c : name) upper += static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    return upper == "CON" || upper == "CONOUT$" ? -2 : -1;
#else
    if (name == "/dev/stdin") return 0;
    if (name == "/dev/stdout") return 1;
    if (name == "/dev/stderr") return 2;
    for (const char* folder : {"/dev/fd/", "/proc/self/fd/"}) {
        std::size_t length = std::strlen(folder);
        if (name.compare(0, length, folder) != 0 || name.size() == length || name.size() > length + 9) continue;
        if (name.find_first_not_of("0123456789", length) != std::string::npos) continue;
        return std::stoi(name.substr(length));
    }
    return -1;
#endif
}

// Copies fileName's bytes to the target: converted for standard output, as
// they are for a descriptor. "" or the system's reason.
std::string copyToTarget(const std::string& fileName, const OutputTarget& target)
{
    std::FILE* in = std::fopen(fileName.c_str(), "rb");
    if (!in) return std::strerror(errno);
    std::FILE* stream = nullptr;  // a device opened by name
    if (target.kind == OutputTarget::descriptor) {
        flushStandardOutput();
        if (target.number < 0) stream = std::fopen(target.name.c_str(), "ab");
        if (target.number < 0 && !stream) {
            std::fclose(in);
            return std::strerror(errno);
        }
    }
    char buffer[65536];
    int error = 0;
    for (std::size_t got; !error && (got = std::fread(buffer, 1, sizeof buffer, in)) > 0;) {
        bool ok;
        if (target.kind == OutputTarget::standardOutput) {
            ok = putOut(buffer, got, true);
        } else if (stream || target.number == 1 || target.number == 2) {
            std::FILE* to = stream ? stream : target.number == 1 ? stdout : stderr;
            ok = std::fwrite(buffer, 1, got, to) == got;
        } else {
#if defined(_WIN32)
            ok = false;
#else
            ok = true;
            for (std::size_t done = 0; ok && done < got;) {
                ssize_t wrote = ::write(target.number, buffer + done, got - done);
                ok = wrote > 0 || (wrote < 0 && errno == EINTR);
                if (wrote > 0) done += static_cast<std::size_t>(wrote);
            }
#endif
        }
        if (!ok) error = errno ? errno : EIO;
    }
    if (!error && std::ferror(in)) error = EIO;
    std::fclose(in);
    if (stream && std::fclose(stream) != 0 && !error) error = errno;
    if (!error && target.number == 2 && std::fflush(stderr) != 0) error = errno;
    return error ? std::strerror(error) : "";
}

// The target as messages name it.
std::string targetName(const OutputTarget& target)
{
    return target.kind == OutputTarget::standardOutput ? "standard output" : quoted(target.name);
}

}  // namespace

void printText(const char* text)
{
    std::size_t length = std::strlen(text);
    putOut(text, length, false);
    if (length > 0 && text[length - 1] != '\n') putOut("\n", 1, false);
}

bool flushStandardOutput()
{
    if (heldReturn) {
        heldReturn = false;
        std::fputc('\r', stdout);
    }
    return std::fflush(stdout) == 0 && !std::ferror(stdout);
}

OutputTarget outputTarget(const Args& args)
{
    OutputTarget target;
    if (!args.has("output") || args.value("output") == "-") return target;
    target.name = args.value("output");
    target.number = descriptorOf(target.name);
    target.kind = target.number == -1 ? OutputTarget::file : OutputTarget::descriptor;
    return target;
}

#if QUILLET_CLI_RESULT_PIPE
// A pipe whose read end a thread copies to standard output until the library
// closes the write end; after a failed write it goes on reading, so that the
// library never waits on a full pipe.
struct ResultFile::Copier {
    int ends[2] = {-1, -1};
    int error = 0;
    std::thread thread;
    void copy()
    {
        char buffer[65536];
        for (ssize_t got; (got = ::read(ends[0], buffer, sizeof buffer)) != 0;) {
            if (got < 0 && errno == EINTR) continue;
            if (got < 0) {
                error = errno;
                break;
            }
            if (!error && !putOut(buffer, static_cast<std::size_t>(got), true)) error = errno ? errno : EIO;
        }
    }
};
#else
struct ResultFile::Copier {};
#endif

ResultFile::ResultFile(const OutputTarget& target) : target_(target)
{
    if (target.kind == OutputTarget::file || (QUILLET_CLI_DIRECT_RESULTS && target.kind == OutputTarget::descriptor)) {
        // What the tool printed goes before what the library writes there.
        if (target.kind == OutputTarget::descriptor) flushStandardOutput();
        name_ = target.name;
        return;
    }
#if QUILLET_CLI_RESULT_PIPE
    if (target.kind == OutputTarget::standardOutput) {
        copier_ = new Copier;
        if (::pipe(copier_->ends) != 0) {
            delete copier_;
            copier_ = nullptr;
            name_ = privateFile("result");
            return;
        }
        flushStandardOutput();
        copier_->thread = std::thread(&Copier::copy, copier_);
        name_ = "/dev/fd/" + std::to_string(copier_->ends[1]);
        return;
    }
#endif
    name_ = privateFile("result");
}

ResultFile::~ResultFile()
{
    if (copier_) deliver();
}

int ResultFile::failed() const
{
    return failure("cannot keep the result in the temporary folder: " + privateFolderProblem());
}

int ResultFile::deliver()
{
    if (target_.kind == OutputTarget::file || name_.empty() || name_ == target_.name) return exitOk;
    std::string problem;
#if QUILLET_CLI_RESULT_PIPE
    if (copier_) {
        ::close(copier_->ends[1]);
        copier_->thread.join();
        ::close(copier_->ends[0]);
        if (copier_->error) problem = std::strerror(copier_->error);
        delete copier_;
        copier_ = nullptr;
        if (problem.empty() && !flushStandardOutput()) problem = std::strerror(errno);
        return problem.empty() ? exitOk : failure("cannot write to standard output: " + problem);
    }
#endif
    problem = copyToTarget(name_, target_);
    std::remove(name_.c_str());
    if (problem.empty() && target_.kind == OutputTarget::standardOutput && !flushStandardOutput())
        problem = std::strerror(errno);
    return problem.empty() ? exitOk : failure("cannot write to " + targetName(target_) + ": " + problem);
}

int checkOutput(const Args& args)
{
    if (args.has("output") && args.value("output").empty())
        return usageError(args.command, "the output file name is empty");
    if (args.has("append") && !args.has("output"))
        return usageError(args.command, "--append needs an output file (-o FILE)");
    return exitOk;
}

int printOrWriteList(const Args& args, const std::function<const char*(const char* fileName, int append)>& list)
{
    if (!args.has("output")) {
        printText(list("", 0));
        return exitOk;
    }
    ResultFile result(outputTarget(args));
    if (result.name().empty()) return result.failed();
    if (std::strcmp(list(result.name().c_str(), args.has("append") ? 1 : 0), "-1") == 0)
        return writeFailure(result.name());
    return result.deliver();
}
