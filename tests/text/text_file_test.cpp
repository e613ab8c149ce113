#include "text/text_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <random>
#include <thread>

#include "onelinedic/word_list.h"
#include "support/reference_model.h"
#include "support/test_files.h"

#if !defined(_WIN32)
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace {

using Lines = std::vector<std::string>;
using quillet::readTextFile;
using quillet::writeTextFile;
using testing_support::codePage;
using testing_support::readBytes;
using testing_support::selectCodePage;
using testing_support::writeBytes;

// The lines that a line reader hands out for the file, in pieces of
// pieceSize bytes; inBlocks takes each piece's whole lines as one text first.
Lines readLines(const std::string& file, std::size_t pieceSize = quillet::LineReader::defaultPiece,
                bool inBlocks = false)
{
    quillet::LineReader reader(codePage(), pieceSize);
    Lines lines;
    if (!reader.open(file.c_str())) return lines;
    while (reader.nextPiece()) {
        std::string_view block, line;
        if (inBlocks && reader.nextLines(block, std::string_view::npos)) {
            quillet::LineCursor cut(block.data(), block.size(), codePage());
            for (quillet::Line l; cut.next(l);) lines.emplace_back(block.substr(l.begin, l.end - l.begin));
        }
        bool ended;
        while (reader.nextLine(line, ended)) lines.emplace_back(line);
    }
    EXPECT_FALSE(reader.failed());
    return lines;
}

class ReadFileLines : public testing_support::TempFolderTest {
protected:
    // The lines that reading a file of these bytes gives.
    Lines linesOf(const std::string& bytes)
    {
        writeBytes(path("in.txt"), bytes);
        return readLines(path("in.txt"));
    }
};

TEST_F(ReadFileLines, SplitsAtLineFeedsWithoutAFinalEmptyLine)
{
    EXPECT_EQ(linesOf(""), Lines());
    EXPECT_EQ(linesOf("a\nb\n"), (Lines{"a", "b"}));
    EXPECT_EQ(linesOf("a\nb"), (Lines{"a", "b"}));
    EXPECT_EQ(linesOf("a\n\nb\n"), (Lines{"a", "", "b"}));
    EXPECT_EQ(linesOf("\n"), (Lines{""}));
    EXPECT_EQ(linesOf("\n\n"), (Lines{"", ""}));
    EXPECT_EQ(linesOf("  padded  \n"), (Lines{"  padded  "}));
}

TEST_F(ReadFileLines, AppliesTheTextFileRules)
{
    EXPECT_EQ(linesOf("a\r\nb\r\n"), (Lines{"a", "b"}));
    EXPECT_EQ(linesOf("a\rb\n"), (Lines{"ab"}));  // a lone carriage return is dropped too
    EXPECT_EQ(linesOf("a\n\x1A" "b\n"), (Lines{"a"}));
    EXPECT_EQ(linesOf(std::string("a\0b\nc\n", 6)), (Lines{"a"}));
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
            quillet::TextReader reader;
            ASSERT_TRUE(reader.open(file.c_str()));
            EXPECT_EQ(reader.sizeHint(), content.size());
            std::string text;
            int reads = 0;
            while (!reader.ended() && reads++ <= 100) ASSERT_TRUE(reader.read(text, size));
            EXPECT_EQ(text, whole) << "round " << round << " pieces of " << size;
        }
    }
    quillet::TextReader reader;
    EXPECT_FALSE(reader.open(path("missing.txt").c_str()));
    EXPECT_FALSE(reader.open(path("").c_str()));  // the folder
    quillet::LineReader lines(codePage());
    EXPECT_FALSE(lines.open(folder_.c_str()));
}

TEST_F(ReadFileLines, LineFeedAfterALeadByteStaysInTheLine)
{
    selectCodePage(932);
    EXPECT_EQ(linesOf("a\x81\nb\nc\n"), (Lines{"a\x81\nb", "c"}));
    EXPECT_EQ(linesOf("\x81\x5C\n\x82\xA0\r\n"), (Lines{"\x81\x5C", "\x82\xA0"}));
    selectCodePage(1252);
    EXPECT_EQ(linesOf("a\x81\nb\nc\n"), (Lines{"a\x81", "b", "c"}));
    selectCodePage(0);
}

TEST_F(ReadFileLines, MatchesThePlainRulesOnRandomFiles)
{
    testing_support::underBothCodePages([&](int) {
        std::mt19937 rng(7);
        for (int round = 0; round < 300; ++round) {
            std::string bytes = testing_support::randomText(rng, 200);
            if (round % 3 == 0) bytes += std::string(1, '\0') + "after nul";
            const Lines expected = reference::splitLines(reference::applyReadRules(bytes));
            ASSERT_EQ(linesOf(bytes), expected) << ::testing::PrintToString(bytes);
            ASSERT_EQ(readLines(path("in.txt"), 1 + round % 13), expected) << ::testing::PrintToString(bytes);
            ASSERT_EQ(readLines(path("in.txt"), 1 + round % 13, true), expected) << ::testing::PrintToString(bytes);
        }
    });
}

// The word list's reading: the same lines, behind the entries already
// there, in an array sized once for the file's line feeds.
TEST_F(ReadFileLines, IntoTheWordListAsIntoAList)
{
    testing_support::underBothCodePages([&](int) {
        std::mt19937 rng(13);
        for (int round = 0; round < 200; ++round) {
            std::string bytes = testing_support::randomText(rng, round % 10 == 0 ? 20000 : 300);
            if (round % 4 == 0) bytes += std::string(5000 + rng() % 300, '\n');
            writeBytes(path("in.txt"), bytes);
            Lines list{"kept"};
            for (const std::string& line : readLines(path("in.txt"))) list.push_back(line);
            quillet::WordList words;
            words.push_back("kept");
            EXPECT_TRUE(words.appendFile(path("in.txt").c_str(), codePage()));
            ASSERT_EQ(Lines(words.begin(), words.end()), list) << ::testing::PrintToString(bytes);
        }
    });
    writeBytes(path("empty.txt"), "");
    quillet::WordList store;
    EXPECT_TRUE(store.appendFile(path("empty.txt").c_str(), codePage()));
    EXPECT_TRUE(store.empty());
    EXPECT_FALSE(store.appendFile(path("missing.txt").c_str(), codePage()));
    EXPECT_FALSE(store.appendFile(folder_.c_str(), codePage()));
}

#if !defined(_WIN32)
TEST_F(ReadFileLines, ReadsAPipeToItsEnd)
{
    std::string fifo = path("pipe");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    std::string big(200000, 'x');
    std::thread writer([&] { writeBytes(fifo, "first\r\n" + big + "\nlast"); });
    const Lines lines = readLines(fifo, 4096);
    writer.join();
    EXPECT_EQ(lines, (Lines{"first", big, "last"}));
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
    // Told more than it gets, the file still ends where the bytes end.
    ASSERT_TRUE(quillet::openOutputFile(fresh.c_str(), false, replacement, 4096));
    quillet::writeOutputBytes(replacement, "abc", 3);
    EXPECT_TRUE(quillet::finishOutputFile(replacement));
    EXPECT_EQ(readBytes(fresh), "abc");
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
