// The scanning layer's SIMD twins against their plain twins, at every
// alignment and length around the 16-byte blocks, on bytes that hold what
// the kernels look for at every offset.
#include "text/byte_scan.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

#if defined(QUILLET_SSE2)
namespace plain = quillet::scan::plain;
namespace sse2 = quillet::scan::sse2;
using quillet::scan::overRead;

// Bytes made of what the kernels look for: line feeds, carriage returns,
// quotes, commas, backslashes, 0x1A, NUL, high bytes and letters.
std::string specialBytes(std::mt19937& rng, std::size_t length)
{
    static const char pool[] = {'\n', '\r', '"', ',', '\\', '\x1A', '\0', '\x81', '\xE0', 'a', 'b', 'a', 'b', 'c'};
    std::string bytes;
    for (std::size_t i = 0; i < length; ++i) bytes += pool[rng() % sizeof pool];
    return bytes;
}

// Every (offset, length) of a buffer with room after it: the text starts
// at each alignment and ends short of, on and past block edges.
template <class Check>
void overEveryWindow(std::mt19937& rng, Check check)
{
    for (int round = 0; round < 40; ++round) {
        const std::string bytes = specialBytes(rng, 100) + std::string(overRead + 4, 'z');
        for (std::size_t offset = 0; offset < 16; ++offset)
            for (std::size_t length = 0; offset + length <= 100; ++length)
                check(bytes.data() + offset, length);
    }
}

TEST(ByteScanTwins, SearchesFindTheSamePlace)
{
    std::mt19937 rng(1);
    overEveryWindow(rng, [](const char* data, std::size_t n) {
        for (char c : {'\n', '"', ',', 'z'}) {
            for (std::size_t from : {std::size_t(0), n / 3, n}) {
                ASSERT_EQ(sse2::findByte(data, from, n, c), plain::findByte(data, from, n, c));
                ASSERT_EQ(sse2::findEitherByte(data, from, n, c, ']'), plain::findEitherByte(data, from, n, c, ']'));
            }
            ASSERT_EQ(sse2::findByteOrHigh(data, data + n, c), plain::findByteOrHigh(data, data + n, c));
            std::size_t a = 0, b = 0;
            ASSERT_EQ(sse2::findByteCounting(data, data + n, c, '"', a), plain::findByteCounting(data, data + n, c, '"', b));
            ASSERT_EQ(a, b);
            ASSERT_EQ(sse2::countByte(data, n, c), plain::countByte(data, n, c));
        }
        ASSERT_EQ(sse2::anyHighByte(data, n), plain::anyHighByte(data, n));
        for (std::size_t length : {2, 3, 17}) {
            if (length > n) continue;
            const std::string needle(data + n - length, length);
            for (std::size_t from : {std::size_t(0), n / 2})
                ASSERT_EQ(sse2::findPattern(data, n, from, needle.data(), length),
                          plain::findPattern(data, n, from, needle.data(), length));
        }
    });
}

TEST(ByteScanTwins, CollectedPositionsAndMarksAgree)
{
    std::mt19937 rng(2);
    overEveryWindow(rng, [](const char* data, std::size_t n) {
        // A small room makes the search stop and resume inside a block.
        for (std::size_t room : {1, 3, 64}) {
            std::size_t a[64], b[64], scannedA = 0, scannedB = 0;
            for (std::size_t from = 0; from < n; from = scannedA) {
                const std::size_t got = sse2::collectByte(data, from, n, '\n', a, room, &scannedA);
                ASSERT_EQ(got, plain::collectByte(data, from, n, '\n', b, room, &scannedB));
                ASSERT_EQ(scannedA, scannedB);
                ASSERT_EQ(std::vector<std::size_t>(a, a + got), std::vector<std::size_t>(b, b + got));
                if (got == 0) break;
            }
        }
        const quillet::scan::ByteMarks x = sse2::markBytes(data, n, ',', '"', '\n');
        const quillet::scan::ByteMarks y = plain::markBytes(data, n, ',', '"', '\n');
        ASSERT_EQ(x.a, y.a);
        ASSERT_EQ(x.b, y.b);
        ASSERT_EQ(x.c, y.c);
        ASSERT_EQ(x.high, y.high);
    });
}

TEST(ByteScanTwins, CopiesWriteTheSameBytes)
{
    std::mt19937 rng(3);
    overEveryWindow(rng, [](const char* data, std::size_t n) {
        std::vector<char> outA(2 * n + 4 * overRead + 4), outB(outA.size());
        // As a writer calls it: a window of `limit` bytes at a time, handed
        // on whenever it is full. Where each stops may differ; what they
        // write in all may not.
        std::string expected;
        for (std::size_t i = 0; i < n; ++i) expected += data[i] == '\n' ? std::string("\r\n") : std::string(1, data[i]);
        for (std::size_t limit : {std::size_t(1), std::size_t(7), std::size_t(40), n + 1}) {
            for (bool simd : {false, true}) {
                std::string written;
                for (const char* in = data; in < data + n;) {
                    const quillet::scan::ExpandEnd e =
                        simd ? sse2::expandLineFeeds(in, data + n, outA.data(), outA.data() + limit)
                             : plain::expandLineFeeds(in, data + n, outA.data(), outA.data() + limit);
                    ASSERT_LE(e.out, outA.data() + limit + 2 * overRead + 2);
                    written.append(outA.data(), e.out);
                    in = e.in;
                }
                ASSERT_EQ(written, expected) << (simd ? "sse2" : "plain") << " window " << limit;
            }
        }
        const quillet::scan::CopyEnd c = sse2::copyTextBytes(data, data + n, outA.data());
        const quillet::scan::CopyEnd d = plain::copyTextBytes(data, data + n, outB.data());
        ASSERT_EQ(c.over, d.over);
        ASSERT_EQ(std::string(outA.data(), c.out), std::string(outB.data(), d.out));
        ASSERT_EQ(std::string(outA.data(), sse2::copyShort(outA.data(), data, n)), std::string(data, n));
    });
}
// Long runs between carriage returns, few stops: the text copy's long
// rounds, which must write no further past their end than the contract says.
TEST(ByteScanTwins, TextCopyOfLongRunsStaysWithinItsRoom)
{
    std::mt19937 rng(4);
    for (int round = 0; round < 3000; ++round) {
        std::string bytes;
        while (bytes.size() < 400) {
            const std::size_t run = rng() % 90;
            bytes.append(run, static_cast<char>('a' + rng() % 3));
            bytes += rng() % 50 == 0 ? (rng() % 2 ? '\0' : '\x1A') : '\r';
        }
        const std::size_t n = rng() % 400;
        std::vector<char> outA(n + 2 * overRead, '#'), outB(n + 2 * overRead);
        const quillet::scan::CopyEnd c = sse2::copyTextBytes(bytes.data(), bytes.data() + n, outA.data());
        const quillet::scan::CopyEnd d = plain::copyTextBytes(bytes.data(), bytes.data() + n, outB.data());
        ASSERT_EQ(c.over, d.over);
        ASSERT_EQ(std::string(outA.data(), c.out), std::string(outB.data(), d.out));
        const std::size_t untouched = static_cast<std::size_t>(c.out - outA.data()) + overRead;
        ASSERT_EQ(std::string(outA.begin() + untouched, outA.end()), std::string(outA.size() - untouched, '#'));
    }
}
#else
TEST(ByteScanTwins, OnlyThePlainTwinsAreBuilt)
{
    GTEST_SKIP() << "this build has no SIMD twins; the other tests run the plain ones";
}
#endif

}  // namespace
