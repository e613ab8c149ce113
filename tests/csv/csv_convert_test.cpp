#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <thread>

#if !defined(_WIN32)
#include <sys/stat.h>
#endif

#include "quillet.h"
#include "support/csv_reference.h"
#include "support/reference_model.h"
#include "support/test_files.h"

namespace {

using testing_support::readBytes;
using testing_support::writeBytes;

// Text as it stands on disk: every "\n" as "\r\n".
std::string onDisk(std::string text)
{
    std::string out;
    for (char c : text) out += c == '\n' ? std::string("\r\n") : std::string(1, c);
    return out;
}

const char fruitCSV[] = "id,name,price\r\n1,\"Apple, red\",100\r\n2,\"Pear \"\"green\"\"\",\r\n";

class CSVConversion : public testing_support::TempFolderTest {
protected:
    void SetUp() override
    {
        TempFolderTest::SetUp();
        csv_ = path("in.csv");
        ini_ = path("out.ini");
        writeBytes(csv_, fruitCSV);
    }
    // createINIFromCSVElement on the file in.csv, as written text.
    std::string elements(const char* section, int key, int value)
    {
        EXPECT_EQ(createINIFromCSVElement(csv_.c_str(), ini_.c_str(), section, key, value, 0), 1);
        return readBytes(ini_);
    }
    std::string csv_, ini_;
};

TEST_F(CSVConversion, WholeTableOfTheExample)
{
    ASSERT_EQ(transCSVToINI(csv_.c_str(), ini_.c_str()), 1);
    EXPECT_EQ(readBytes(ini_),
              onDisk("[csvinfo]\nline=3\n0=2\n1=2\n2=2\n\n[0]\n0=\"id\"\n1=\"name\"\n2=\"price\"\n"
                     "\n[1]\n0=\"1\"\n1=\"Apple, red\"\n2=\"100\"\n\n[2]\n0=\"2\"\n1=\"Pear \"green\"\"\n"
                     "2=\"\"\n"));
}

TEST_F(CSVConversion, KeyAndValueColumns)
{
    EXPECT_EQ(elements("fruit", 1, 2),
              onDisk("[fruit]\nid=\"name\"\n1=\"Apple, red\"\n2=\"Pear \"green\"\"\n"));
    EXPECT_EQ(elements("s", 0, 3), onDisk("[s]\n0=\"price\"\n1=\"100\"\n2=\"\"\n"));
    EXPECT_EQ(elements("s", 2, 2),
              onDisk("[s]\nname=\"\"\nApple, red=\"\"\nPear \"green\"=\"\"\n"));
    EXPECT_EQ(elements("s", 4, 1), onDisk("[s]\n=\"id\"\n=\"1\"\n=\"2\"\n"));
    EXPECT_EQ(elements("s", 3, 0), onDisk("[s]\nprice=\"\"\n100=\"\"\n=\"\"\n"));
    EXPECT_EQ(elements("", -1, -1), onDisk("[]\n0=\"\"\n1=\"\"\n2=\"\"\n"));
}

TEST_F(CSVConversion, EmptyLinesAreRecordsWithoutFields)
{
    writeBytes(csv_, "a,b\r\n\r\nc");
    ASSERT_EQ(transCSVToINI(csv_.c_str(), ini_.c_str()), 1);
    EXPECT_EQ(readBytes(ini_), onDisk("[csvinfo]\nline=3\n0=1\n1=-1\n2=0\n\n[0]\n0=\"a\"\n1=\"b\"\n"
                                      "\n[1]\n\n[2]\n0=\"c\"\n"));
    EXPECT_EQ(elements("s", 0, 2), onDisk("[s]\n0=\"b\"\n1=\"\"\n2=\"\"\n"));

    // A final line break ends the last record; an empty line after it is one.
    writeBytes(csv_, "x\n");
    ASSERT_EQ(transCSVToINI(csv_.c_str(), ini_.c_str()), 1);
    EXPECT_EQ(readBytes(ini_), onDisk("[csvinfo]\nline=1\n0=0\n\n[0]\n0=\"x\"\n"));
    writeBytes(csv_, "x\n\n");
    ASSERT_EQ(transCSVToINI(csv_.c_str(), ini_.c_str()), 1);
    EXPECT_EQ(readBytes(ini_), onDisk("[csvinfo]\nline=2\n0=0\n1=-1\n\n[0]\n0=\"x\"\n\n[1]\n"));
}

TEST_F(CSVConversion, AppendsAfterALineBreak)
{
    writeBytes(ini_, "[old]\r\n");
    ASSERT_EQ(createINIFromCSVElement(csv_.c_str(), ini_.c_str(), "f", 1, 3, 1), 1);
    EXPECT_EQ(readBytes(ini_), onDisk("[old]\n\n[f]\nid=\"price\"\n1=\"100\"\n2=\"\"\n"));
}

TEST_F(CSVConversion, FailuresLeaveTheOutputAlone)
{
    writeBytes(ini_, "keep\r\n");
    const std::string missing = path("missing.csv"), empty = path("empty.csv");
    writeBytes(empty, "");
    for (const std::string& source : {missing, empty, folder_}) {
        EXPECT_EQ(transCSVToINI(source.c_str(), ini_.c_str()), 0) << source;
        EXPECT_EQ(createINIFromCSVElement(source.c_str(), ini_.c_str(), "s", 1, 2, 1), 0);
    }
    EXPECT_EQ(readBytes(ini_), "keep\r\n");

    // Outputs that cannot be written.
    const std::string noFolder = path("none/out.ini");
    EXPECT_EQ(transCSVToINI(csv_.c_str(), noFolder.c_str()), 0);
    EXPECT_EQ(createINIFromCSVElement(csv_.c_str(), folder_.c_str(), "s", 1, 2, 0), 0);
    EXPECT_EQ(createINIFromCSVElement(csv_.c_str(), folder_.c_str(), "s", 1, 2, 1), 0);
    EXPECT_EQ(transCSVToINI(csv_.c_str(), ""), 0);
    EXPECT_EQ(listing(), "empty.csv;in.csv;out.ini;");
    EXPECT_TRUE(std::filesystem::is_directory(folder_));
}

TEST_F(CSVConversion, OutputMayBeTheInput)
{
    ASSERT_EQ(createINIFromCSVElement(csv_.c_str(), csv_.c_str(), "f", 2, 0, 0), 1);
    EXPECT_EQ(readBytes(csv_), onDisk("[f]\nname=\"\"\nApple, red=\"\"\nPear \"green\"=\"\"\n"));
    ASSERT_EQ(transCSVToINI(csv_.c_str(), csv_.c_str()), 1);
    EXPECT_EQ(readBytes(csv_), onDisk("[csvinfo]\nline=4\n0=0\n1=0\n2=1\n3=0\n\n[0]\n0=\"[f]\"\n"
                                      "\n[1]\n0=\"name=\"\"\"\n\n[2]\n0=\"Apple\"\n1=\" red=\"\"\"\n"
                                      "\n[3]\n0=\"Pear \"green\"=\"\"\"\n"));
}

// Whole files of random bytes, converted both ways, against the plain
// algorithms applied to the lines that reading the file gives.
TEST_F(CSVConversion, MatchesThePlainAlgorithmsOnRandomFiles)
{
    testing_support::underBothCodePages([&](int) {
        std::mt19937 rng(77);
        for (int round = 0; round < 150; ++round) {
            const std::string bytes = testing_support::randomText(rng, 600);
            writeBytes(csv_, bytes);
            std::list<std::string> records;
            for (const std::string& line : reference::splitLines(reference::applyReadRules(bytes)))
                records.push_back(reference::librarySplit(line));
            const int key = static_cast<int>(rng() % 5) - 1, value = static_cast<int>(rng() % 5) - 1;
            const int written = transCSVToINI(csv_.c_str(), ini_.c_str());
            ASSERT_EQ(written, records.empty() ? 0 : 1);
            if (records.empty()) continue;
            ASSERT_EQ(readBytes(ini_), onDisk(reference::csvTableText(records)))
                << ::testing::PrintToString(bytes);
            ASSERT_EQ(createINIFromCSVElement(csv_.c_str(), ini_.c_str(), "s", key, value, 0), 1);
            ASSERT_EQ(readBytes(ini_), onDisk(reference::csvElementText(records, "s", key, value)))
                << ::testing::PrintToString(bytes) << " key " << key << " value " << value;
        }
    });
}

// CSV-shaped files: fields plain, quoted, with doubled, stray and unclosed
// quotes, of every length around the 16- and 64-byte blocks and past the
// longest record that the masked walk takes; lead bytes (a quote, a comma and
// a line feed among their trail bytes), empty lines, final commas, and every
// file ending. Each is converted after the one before, so the records of the
// last conversion are taken again at every size.
std::string csvShapedFile(std::mt19937& rng)
{
    static const char* const pieces[] = {",", ",", "\"", "\"\"", "\",", "\r\n", "\n", " ", "\x82\xA0",
                                         "\x81\"", "\x81,", "\x81\n", "\xE0", "\x1A"};
    const std::size_t longest = rng() % 8 == 0 ? 5000 : rng() % 2 ? 200 : 40;
    std::string file;
    for (int n = static_cast<int>(rng() % 40); n > 0; --n) {
        const unsigned kind = rng() % 16;
        if (kind < 7) {
            file += pieces[rng() % (kind < 5 ? 7 : 14)];
        } else if (kind < 14) {
            file.append(rng() % (longest + 1), static_cast<char>('a' + rng() % 26));
        } else if (kind == 14) {
            // A quoted field that closes, with pairs inside.
            file += "\"" + std::string(rng() % 70, 'q') + "\"\"" + std::string(rng() % 20, 'r') + "\",";
        } else {
            // Many fields, or many lines, in few bytes: more output per byte
            // than any other record.
            file.append(rng() % 3000, rng() % 2 ? ',' : '\n');
        }
    }
    return file;
}

TEST_F(CSVConversion, MatchesThePlainAlgorithmsOnCSVShapedFiles)
{
    testing_support::underBothCodePages([&](int) {
        std::mt19937 rng(2024);
        for (int round = 0; round < 250; ++round) {
            const std::string bytes = csvShapedFile(rng);
            writeBytes(csv_, bytes);
            std::list<std::string> records;
            for (const std::string& line : reference::splitLines(reference::applyReadRules(bytes)))
                records.push_back(reference::librarySplit(line));
            ASSERT_EQ(transCSVToINI(csv_.c_str(), ini_.c_str()), records.empty() ? 0 : 1);
            if (records.empty()) continue;
            ASSERT_EQ(readBytes(ini_), onDisk(reference::csvTableText(records)))
                << ::testing::PrintToString(bytes);
        }
    });
}

// Records whose last byte, a closing quote or a final comma, falls just
// before, on and after the edges of the marked blocks and of the longest
// record that the masked walk takes, with and without a line break after.
TEST_F(CSVConversion, RecordsAtTheEdgesOfTheMarkedBlocks)
{
    testing_support::underBothCodePages([&](int) {
        for (std::size_t length : {15, 16, 17, 63, 64, 65, 127, 128, 4095, 4096, 4097, 4098})
            for (const char* ending : {"\"", ",", "\"\",", "\"\"\""})
                for (const char* lineEnd : {"", "\r\n"}) {
                    const std::string last = "\"" + std::string(length - std::strlen(ending) - 1, 'w');
                    const std::string bytes = "a,b\r\n" + last + ending + lineEnd;
                    writeBytes(csv_, bytes);
                    std::list<std::string> records;
                    for (const std::string& line : reference::splitLines(reference::applyReadRules(bytes)))
                        records.push_back(reference::librarySplit(line));
                    ASSERT_EQ(transCSVToINI(csv_.c_str(), ini_.c_str()), 1);
                    ASSERT_EQ(readBytes(ini_), onDisk(reference::csvTableText(records)))
                        << length << ending << lineEnd;
                }
    });
}

// The key and value section for every pair of field numbers, on files of
// records with long rows and doubled quotes.
TEST_F(CSVConversion, EveryKeyAndValueMatchesThePlainAlgorithm)
{
    testing_support::underBothCodePages([&](int) {
        std::mt19937 rng(1234);
        for (int round = 0; round < 40; ++round) {
            std::string bytes;
            std::list<std::string> records;
            for (int n = static_cast<int>(rng() % 15); n > 0; --n) bytes += testing_support::randomText(rng, 80) + "\n";
            for (const std::string& line : reference::splitLines(reference::applyReadRules(bytes)))
                records.push_back(reference::librarySplit(line));
            writeBytes(csv_, bytes);
            for (int key = -1; key <= 4; ++key)
                for (int value = -1; value <= 4; ++value) {
                    ASSERT_EQ(createINIFromCSVElement(csv_.c_str(), ini_.c_str(), "t", key, value, 0),
                              records.empty() ? 0 : 1);
                    if (records.empty()) continue;
                    ASSERT_EQ(readBytes(ini_), onDisk(reference::csvElementText(records, "t", key, value)))
                        << key << " " << value;
                }
        }
    });
}

#if !defined(_WIN32)
// A CSV file that can be read only once (a pipe) is converted all the same.
TEST_F(CSVConversion, APipeIsConvertedAsAFile)
{
    const std::string fifo = path("pipe.csv");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    std::thread writer([&] { writeBytes(fifo, fruitCSV); });
    ASSERT_EQ(transCSVToINI(fifo.c_str(), ini_.c_str()), 1);
    writer.join();
    ASSERT_EQ(transCSVToINI(csv_.c_str(), path("file.ini").c_str()), 1);
    EXPECT_EQ(readBytes(ini_), readBytes(path("file.ini")));
}
#endif

}  // namespace
