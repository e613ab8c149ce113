#include "text/text_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <random>
#include <thread>

#include "support/reference_model.h"
#include "support/test_files.h"
#include "text/code_page.h"

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

class ReadFileLines : public testing_support::TempFolderTest {
protected:
    // The store that reading a file of these bytes gives.
    Store linesOf(const std::string& bytes)
    {
        writeBytes(path("in.txt"), bytes);
        Store store;
        readFileLines(path("in.txt").c_str(), store);
        return store;
    }
};

TEST_F(ReadFileLines, SplitsAtLineFeedsWithoutAFinalEmptyLine)
{
    EXPECT_EQ(linesOf(""), Store());
    EXPECT_EQ(linesOf("a\nb\n"), (Store{"a", "b"}));
    EXPECT_EQ(linesOf("a\nb"), (Store{"a", "b"}));
    EXPECT_EQ(linesOf("a\n\nb\n"), (Store{"a", "", "b"}));
    EXPECT_EQ(linesOf("\n"), (Store{""}));
    EXPECT_EQ(linesOf("\n\n"), (Store{"", ""}));
    EXPECT_EQ(linesOf("  padded  \n"), (Store{"  padded  "}));
}

TEST_F(ReadFileLines, AppliesTheTextFileRules)
{
    EXPECT_EQ(linesOf("a\r\nb\r\n"), (Store{"a", "b"}));
    EXPECT_EQ(linesOf("a\rb\n"), (Store{"ab"}));  // a lone carriage return is dropped too
    EXPECT_EQ(linesOf("a\n\x1A" "b\n"), (Store{"a"}));
    EXPECT_EQ(linesOf(std::string("a\0b\nc\n", 6)), (Store{"a"}));
}

// Read a piece at a time, a file gives the text that readTextFile gives,
// wherever the pieces end: between "\r" and "\n", on a 0x1A or NUL byte, or
// inside the sixteen-byte blocks that are copied at once.
TEST_F(ReadFileLines, PiecesGiveTheWholeText)
{
    std::mt19937 rng(5);
    const char bytes[] = {'a', 'b', '\r', '\n', '\x81', '\x1A', '\0'};
    const std::string file = path("in.txt");
    for (int round = 0; round < 300; ++round) {
        std::string content;
        for (int n = rng() % 80; n-- > 0;) {
            const int pick = rng() % 40;
            content += pick < 30 ? 'x' : bytes[pick % 7];  // rare 0x1A and NUL
        }
        writeBytes(file, content);
        std::string whole;
        ASSERT_TRUE(readTextFile(file.c_str(), whole));
        ASSERT_EQ(whole, reference::applyReadRules(content));
        for (std::size_t size : {1, 2, 3, 15, 16, 17, 100}) {
            TextFileReader reader;
            std::size_t sizeGuess = 0;
            ASSERT_TRUE(openTextFile(file.c_str(), reader, sizeGuess));
            EXPECT_EQ(sizeGuess, content.size());
            std::string text;
            int reads = 0;
            while (!reader.ended && reads++ <= 100) ASSERT_TRUE(readTextPiece(reader, text, size));
            closeTextFile(reader);
            EXPECT_EQ(text, whole) << "round " << round << " pieces of " << size;
        }
    }
    TextFileReader reader;
    std::size_t sizeGuess = 0;
    EXPECT_FALSE(openTextFile(path("missing.txt").c_str(), reader, sizeGuess));
    EXPECT_FALSE(openTextFile(path("").c_str(), reader, sizeGuess));  // the folder
    EXPECT_EQ(reader.file.handle, -1);  // nothing left open
}

TEST_F(ReadFileLines, ResultTellsWhetherTheStoreHoldsAnything)
{
    writeBytes(path("empty.txt"), "");
    Store store;
    EXPECT_FALSE(readFileLines(path("empty.txt").c_str(), store));
    store = {"kept"};
    EXPECT_TRUE(readFileLines(path("empty.txt").c_str(), store));
    EXPECT_EQ(store, Store{"kept"});
    EXPECT_FALSE(readFileLines(path("missing.txt").c_str(), store));
    EXPECT_EQ(store, Store{"kept"});
    // A folder is no file, on every platform.
    EXPECT_FALSE(readFileLines(folder_.c_str(), store));
    EXPECT_EQ(store, Store{"kept"});
    writeBytes(path("two.txt"), "x\ny");
    EXPECT_TRUE(readFileLines(path("two.txt").c_str(), store));
    EXPECT_EQ(store, (Store{"kept", "x", "y"}));
}

TEST_F(ReadFileLines, LineFeedAfterALeadByteStaysInTheLine)
{
    selectCodePage(932);
    EXPECT_EQ(linesOf("a\x81\nb\nc\n"), (Store{"a\x81\nb", "c"}));
    EXPECT_EQ(linesOf("\x81\x5C\n\x82\xA0\r\n"), (Store{"\x81\x5C", "\x82\xA0"}));
    selectCodePage(1252);
    EXPECT_EQ(linesOf("a\x81\nb\nc\n"), (Store{"a\x81", "b", "c"}));
    selectCodePage(0);
}

TEST_F(ReadFileLines, MatchesThePlainRulesOnRandomFiles)
{
    testing_support::underBothCodePages([&](int) {
        std::mt19937 rng(7);
        for (int round = 0; round < 300; ++round) {
            std::string bytes = testing_support::randomText(rng, 200);
            if (round % 3 == 0) bytes += std::string(1, '\0') + "after nul";
            std::vector<std::string> expected =
                reference::splitLines(reference::applyReadRules(bytes));
            Store got = linesOf(bytes);
            ASSERT_EQ(std::vector<std::string>(got.begin(), got.end()), expected)
                << ::testing::PrintToString(bytes);
        }
    });
}

// Reading with room in front gives the same text after half the file's size.
TEST_F(ReadFileLines, RoomInFrontKeepsTheTextAndItsRules)
{
    std::mt19937 rng(11);
    for (int round = 0; round < 100; ++round) {
        std::string bytes = testing_support::randomText(rng, round % 10 == 0 ? 300000 : 300);
        if (round % 4 == 0) bytes += std::string(1, '\0') + "after nul";
        writeBytes(path("in.txt"), bytes);
        std::string text = "earlier", plain;
        std::size_t front = 1;
        ASSERT_TRUE(readTextFileAfterRoom(path("in.txt").c_str(), text, front));
        ASSERT_TRUE(readTextFile(path("in.txt").c_str(), plain));
        EXPECT_EQ(front, bytes.size() / 2);
        ASSERT_EQ(text.substr(front), plain);
        EXPECT_EQ(plain, reference::applyReadRules(bytes));
    }
    std::string text;
    std::size_t front;
    EXPECT_FALSE(readTextFileAfterRoom(path("missing.txt").c_str(), text, front));
    EXPECT_FALSE(readTextFileAfterRoom(folder_.c_str(), text, front));
}

// The word list's reading: the same lines as a list's, behind the entries
// already there, in an array sized once for the file's line feeds.
TEST_F(ReadFileLines, IntoTheWordListAsIntoAList)
{
    testing_support::underBothCodePages([&](int) {
        std::mt19937 rng(13);
        for (int round = 0; round < 200; ++round) {
            std::string bytes = testing_support::randomText(rng, round % 10 == 0 ? 20000 : 300);
            if (round % 4 == 0) bytes += std::string(5000 + rng() % 300, '\n');
            writeBytes(path("in.txt"), bytes);
            Store list{"kept"};
            WordStore words{"kept"}, fresh;
            EXPECT_TRUE(readFileLines(path("in.txt").c_str(), list));
            EXPECT_TRUE(readFileLines(path("in.txt").c_str(), words));
            ASSERT_EQ(words, WordStore(list.begin(), list.end())) << ::testing::PrintToString(bytes);
            readFileLines(path("in.txt").c_str(), fresh);
            const std::string text = reference::applyReadRules(bytes);
            EXPECT_LE(fresh.capacity(), static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')) + 1);
        }
    });
    writeBytes(path("empty.txt"), "");
    WordStore store;
    EXPECT_FALSE(readFileLines(path("empty.txt").c_str(), store));
    EXPECT_FALSE(readFileLines(path("missing.txt").c_str(), store));
    store.push_back("x");
    EXPECT_TRUE(readFileLines(path("empty.txt").c_str(), store));
    EXPECT_FALSE(readFileLines(folder_.c_str(), store));
    EXPECT_EQ(store, WordStore{"x"});
}

#if !defined(_WIN32)
TEST_F(ReadFileLines, ReadsAPipeToItsEnd)
{
    std::string fifo = path("pipe");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    std::string big(200000, 'x');
    std::thread writer([&] { writeBytes(fifo, "first\r\n" + big + "\nlast"); });
    Store store;
    EXPECT_TRUE(readFileLines(fifo.c_str(), store));
    writer.join();
    EXPECT_EQ(store, (Store{"first", big, "last"}));
}
#endif

class WriteTextFile : public testing_support::TempFolderTest {};

TEST_F(WriteTextFile, WritesLineFeedsAsCarriageReturnLineFeed)
{
    std::string file = path("out.txt");
    EXPECT_TRUE(writeTextFile(file.c_str(), "x\ny\n", false));
    EXPECT_EQ(readBytes(file), "x\r\ny\r\n");
    EXPECT_TRUE(writeTextFile(file.c_str(), "a\rb", false));
    EXPECT_EQ(readBytes(file), "a\rb");
    EXPECT_TRUE(writeTextFile(file.c_str(), "", false));
    EXPECT_EQ(readBytes(file), "");
    EXPECT_TRUE(testing_support::exists(file));
    // Long texts cross the write buffer; line ends stay whole across it.
    std::string lines;
    for (int i = 0; i < 50000; ++i) lines += "line " + std::to_string(i) + "\n";
    EXPECT_TRUE(writeTextFile(file.c_str(), lines, false));
    std::string expected;
    for (char c : lines) expected += c == '\n' ? std::string("\r\n") : std::string(1, c);
    EXPECT_EQ(readBytes(file), expected);
    EXPECT_EQ(listing(), "out.txt;");
}

TEST_F(WriteTextFile, AppendingStartsOnANewLine)
{
    std::string file = path("log.txt");
    EXPECT_TRUE(writeTextFile(file.c_str(), "a\n", true));
    EXPECT_EQ(readBytes(file), "\r\na\r\n");
    EXPECT_TRUE(writeTextFile(file.c_str(), "", true));
    EXPECT_EQ(readBytes(file), "\r\na\r\n\r\n");
    EXPECT_TRUE(writeTextFile(file.c_str(), "b", true));
    EXPECT_EQ(readBytes(file), "\r\na\r\n\r\n\r\nb");
}

TEST_F(WriteTextFile, FailsWithoutTouchingAnythingWhenTheTargetIsNoFile)
{
    std::string inMissingFolder = path("no/such/folder/out.txt");
    EXPECT_FALSE(writeTextFile(inMissingFolder.c_str(), "x\n", false));
    EXPECT_FALSE(writeTextFile(inMissingFolder.c_str(), "x\n", true));
    EXPECT_FALSE(testing_support::exists(inMissingFolder));
    EXPECT_FALSE(writeTextFile(folder_.c_str(), "x\n", false));
    EXPECT_FALSE(writeTextFile(folder_.c_str(), "x\n", true));
    EXPECT_TRUE(std::filesystem::is_directory(folder_));
    EXPECT_FALSE(writeTextFile("", "x\n", false));
    EXPECT_EQ(listing(), "");
}

// Bytes already in disk form go out as they are, piece after piece, and
// replace the file as a converted text does.
TEST_F(WriteTextFile, DiskBytesAreWrittenAsTheyStand)
{
    const std::string file = path("out.ini");
    writeBytes(file, "old\r\n");
    const std::string big(700000, 'b');
    const DiskBytes pieces[] = {{"a\r\n", 3}, {"", 0}, {"x\ny\r", 4}, {big.data(), big.size()}};
    EXPECT_TRUE(replaceWithDiskBytes(file.c_str(), pieces, 4));
    EXPECT_EQ(readBytes(file), "a\r\nx\ny\r" + big);
    EXPECT_TRUE(replaceWithDiskBytes(file.c_str(), pieces, 0));
    EXPECT_EQ(readBytes(file), "");
    EXPECT_EQ(listing(), "out.ini;");

    writeBytes(file, "kept\r\n");
    EXPECT_FALSE(replaceWithDiskBytes(path("no/folder.ini").c_str(), pieces, 4));
    EXPECT_FALSE(replaceWithDiskBytes(folder_.c_str(), pieces, 4));
    EXPECT_FALSE(replaceWithDiskBytes("", pieces, 4));
    EXPECT_TRUE(std::filesystem::is_directory(folder_));
    EXPECT_EQ(readBytes(file), "kept\r\n");
    EXPECT_EQ(listing(), "out.ini;");
}

// A file replaced piece by piece: bytes as they are, the target untouched
// until the end, nothing left behind when it fails or is given up.
TEST_F(WriteTextFile, AReplacementInPiecesTakesThePlaceOnlyWhenFinished)
{
    const std::string file = path("out.ini");
    writeBytes(file, "old\r\n");
    quillet::OutputFile replacement;
    ASSERT_TRUE(quillet::openOutputFile(file.c_str(), false, replacement));
    quillet::writeOutputBytes(replacement, "a\nb", 3);
    quillet::writeOutputBytes(replacement, "", 0);
    quillet::writeOutputBytes(replacement, "\r\nc", 3);
    EXPECT_EQ(readBytes(file), "old\r\n");
    EXPECT_TRUE(quillet::finishOutputFile(replacement));
    EXPECT_EQ(readBytes(file), "a\nb\r\nc");
    EXPECT_EQ(listing(), "out.ini;");

    ASSERT_TRUE(quillet::openOutputFile(file.c_str(), false, replacement));
    quillet::writeOutputBytes(replacement, "new", 3);
    quillet::abandonOutputFile(replacement);
    EXPECT_EQ(readBytes(file), "a\nb\r\nc");
    EXPECT_EQ(listing(), "out.ini;");

    const std::string fresh = path("fresh.ini");
    ASSERT_TRUE(quillet::openOutputFile(fresh.c_str(), false, replacement));
    EXPECT_TRUE(quillet::finishOutputFile(replacement));
    EXPECT_EQ(readBytes(fresh), "");
    EXPECT_FALSE(quillet::openOutputFile(path("no/such/folder/x.ini").c_str(), false, replacement));
    EXPECT_FALSE(quillet::openOutputFile(folder_.c_str(), false, replacement));
    EXPECT_FALSE(quillet::openOutputFile("", false, replacement));
    EXPECT_EQ(listing(), "fresh.ini;out.ini;");
}

#if !defined(_WIN32)
TEST_F(WriteTextFile, ReportsAFullDevice)
{
    EXPECT_FALSE(writeTextFile("/dev/full", "some text\n", false));
    EXPECT_FALSE(writeTextFile("/dev/full", "some text\n", true));
    // A device is written in place, never replaced.
    EXPECT_TRUE(writeTextFile("/dev/null", "x\n", false));
    struct stat st;
    ASSERT_EQ(stat("/dev/null", &st), 0);
    EXPECT_TRUE(S_ISCHR(st.st_mode));
}

// Runs body in a child process whose files may grow to limit bytes, with
// SIGXFSZ ignored so that writes fail instead; returns body's result.
template <class Body>
bool underFileSizeLimit(rlim_t limit, Body body)
{
    pid_t child = fork();
    if (child == 0) {
        signal(SIGXFSZ, SIG_IGN);
        struct rlimit rl = {limit, limit};
        setrlimit(RLIMIT_FSIZE, &rl);
        _exit(body() ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

TEST_F(WriteTextFile, AWriteCutShortKeepsTheOldFile)
{
    std::string file = path("settings.ini");
    writeBytes(file, "[old]\r\nkept=1\r\n");
    std::string big(500000, 'z');
    EXPECT_FALSE(underFileSizeLimit(100000, [&] { return writeTextFile(file.c_str(), big, false); }));
    EXPECT_EQ(readBytes(file), "[old]\r\nkept=1\r\n");
    EXPECT_EQ(listing(), "settings.ini;");
    // Appending: the file is cut back to what it was.
    EXPECT_FALSE(underFileSizeLimit(100000, [&] { return writeTextFile(file.c_str(), big, true); }));
    EXPECT_EQ(readBytes(file), "[old]\r\nkept=1\r\n");
    // A new file that could not be written completely is not left behind.
    std::string fresh = path("fresh.ini");
    EXPECT_FALSE(underFileSizeLimit(100000, [&] { return writeTextFile(fresh.c_str(), big, true); }));
    EXPECT_FALSE(underFileSizeLimit(100000, [&] { return writeTextFile(fresh.c_str(), big, false); }));
    EXPECT_EQ(listing(), "settings.ini;");
    // Within the limit all is well.
    EXPECT_TRUE(underFileSizeLimit(100000, [&] { return writeTextFile(file.c_str(), "new\n", false); }));
    EXPECT_EQ(readBytes(file), "new\r\n");
    // The same for bytes in disk form.
    const DiskBytes pieces[] = {{"head\r\n", 6}, {big.data(), big.size()}};
    EXPECT_FALSE(underFileSizeLimit(100000, [&] { return replaceWithDiskBytes(file.c_str(), pieces, 2); }));
    EXPECT_EQ(readBytes(file), "new\r\n");
    EXPECT_EQ(listing(), "settings.ini;");
}

TEST_F(WriteTextFile, AReplacementThatFailsInAnyPieceKeepsTheOldFile)
{
    const std::string file = path("settings.ini");
    writeBytes(file, "[old]\r\n");
    const std::string piece(60000, 'p');
    EXPECT_FALSE(underFileSizeLimit(100000, [&] {
        quillet::OutputFile replacement;
        if (!quillet::openOutputFile(file.c_str(), false, replacement)) return true;
        for (int i = 0; i < 3; ++i) quillet::writeOutputBytes(replacement, piece.data(), piece.size());
        return quillet::finishOutputFile(replacement);
    }));
    EXPECT_EQ(readBytes(file), "[old]\r\n");
    EXPECT_EQ(listing(), "settings.ini;");
    quillet::OutputFile device;
    ASSERT_TRUE(quillet::openOutputFile("/dev/full", false, device));
    quillet::writeOutputBytes(device, "x", 1);
    EXPECT_FALSE(quillet::finishOutputFile(device));
}

TEST_F(WriteTextFile, ReplacingKeepsPermissionsAndSymbolicLinks)
{
    std::string file = path("real.ini");
    std::string link = path("link.ini");
    writeBytes(file, "old\r\n");
    ASSERT_EQ(chmod(file.c_str(), 0640), 0);
    ASSERT_EQ(symlink(file.c_str(), link.c_str()), 0);
    EXPECT_TRUE(writeTextFile(link.c_str(), "new\n", false));
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(readBytes(file), "new\r\n");
    struct stat st;
    ASSERT_EQ(stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(listing(), "link.ini;real.ini;");
}
#endif

}  // namespace
