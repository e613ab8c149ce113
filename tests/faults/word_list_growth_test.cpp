// Appending, sorting and thinning the word list over and over keeps the
// bytes of the entries that are left, not of every entry ever dropped.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "frame/module.h"
#include "quillet.h"

namespace {

using Words = std::vector<std::string>;

Words words()
{
    const quillet::WordList& list = quillet::module().words;
    return Words(list.begin(), list.end());
}

TEST(WordListGrowth, ThinningGivesBackTheBytesOfDroppedEntries)
{
    clearOneLineDic();
    const std::string word(1000, 'w');
    for (int round = 0; round < 3000; ++round) {
        ASSERT_EQ(appendToOneLineDic(word.c_str()), 1);
        sortOneLineDic();
        uniqueOneLineDic();
    }
    EXPECT_EQ(words(), Words{word});
    EXPECT_LT(quillet::module().words.byteCount(), 3 * word.size() + 4096);
    // Kept entries keep their text through the packing, in their order.
    clearOneLineDic();
    Words expected;
    for (int i = 0; i < 500; ++i) {
        const std::string w = std::to_string(i % 50) + word;
        appendToOneLineDic(w.c_str());
        expected.push_back(w);
    }
    sortOneLineDic();
    uniqueOneLineDic();
    std::sort(expected.begin(), expected.end());
    expected.erase(std::unique(expected.begin(), expected.end()), expected.end());
    EXPECT_EQ(words(), expected);
    clearOneLineDic();
}

}  // namespace
