// The decimal writer against printf's "%lld", at every width and both signs.
#include "text/decimal.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

TEST(WriteDecimal, MatchesPrintfAtEveryWidth)
{
    std::vector<long long> values = {0, LLONG_MIN, LLONG_MAX, 1000000000000000000LL};
    for (long long p = 1; p <= LLONG_MAX / 10; p *= 10)
        for (long long v : {p - 1, p, p + 1, 10 * p - 1}) {
            values.push_back(v);
            values.push_back(-v);
        }
    std::mt19937_64 rng(3);
    for (int i = 0; i < 10000; ++i) values.push_back(static_cast<long long>(rng() >> (rng() % 64)));
    for (long long v : values) {
        char expected[32], out[quillet::maxDecimal + 8];
        std::snprintf(expected, sizeof expected, "%lld", v);
        std::memset(out, '#', sizeof out);
        char* end = quillet::writeDecimal(out, v);
        ASSERT_EQ(std::string(out, static_cast<std::size_t>(end - out)), expected) << v;
        ASSERT_EQ(*end, '#') << v;  // nothing written past the end
    }
}
