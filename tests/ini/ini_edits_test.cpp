#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "ini/ini_reference_model.h"
#include "ini/ini_store.h"
#include "quillet.h"

namespace {

using ini_reference::iniSections;
using ini_reference::resultText;
using ini_reference::useStore;

class INIEdits : public ::testing::Test {
protected:
    void TearDown() override
    {
        useStore({});
    }
};

TEST_F(INIEdits, RenamesOnlyTheFirstKeyLineFollowedByATabBlankOrEquals)
{
    useStore(testing_support::Texts{"", "[main]\nnames=1\nname=2\nname\n;name=3\nname = 4\n", "[name]\nname=5\n"});
    EXPECT_EQ(changeKeyName("main", "name", "title"), 1);
    EXPECT_EQ(changeKeyName("main", "name", "title"), 1);
    EXPECT_EQ(changeKeyName("main", "name", "title"), 0);
    EXPECT_EQ(iniSections(), (testing_support::Texts{"", "[main]\nnames=1\ntitle=2\nname\n;name=3\ntitle = 4\n",
                                  "[name]\nname=5\n"}));
    useStore(testing_support::Texts{"", "[s]\nk\tv\n;c=1\n"});
    EXPECT_EQ(changeKeyName("s", "k", "key"), 1);
    EXPECT_EQ(changeKeyName("s", ";c", "c"), 1);
    EXPECT_EQ(iniSections().back(), "[s]\nkey\tv\nc=1\n");
    for (auto args : {std::vector<const char*>{"", "k", "x"}, {"s", "", "x"}, {"s", "key", ""},
                      {"S", "key", "x"}, {"t", "key", "x"}})
        EXPECT_EQ(changeKeyName(args[0], args[1], args[2]), 0);
    EXPECT_EQ(iniSections().back(), "[s]\nkey\tv\nc=1\n");
}

TEST_F(INIEdits, KeyRenamesMatchTheStepByStepAlgorithm)
{
    std::mt19937 rng(99);
    testing_support::underBothCodePages([&](int) {
        for (int i = 0; i < 3000; ++i) {
            std::string text = "[s]" + testing_support::randomText(rng, 100);
            testing_support::Texts expected = ini_reference::load(text);
            useStore(expected);
            for (const char* key : {"a", "[s]", "\x81", "\x81\x5C", "=", "b\t"}) {
                int result = ini_reference::changeKeyName(expected, "s", key, "NEW\x81");
                ASSERT_EQ(changeKeyName("s", key, "NEW\x81"), result);
                ASSERT_EQ(iniSections(), expected) << testing::PrintToString(text) << " " << key;
            }
        }
    });
}

TEST_F(INIEdits, RenamesTheFirstSectionOfThatNameOnItsHeaderLine)
{
    useStore(testing_support::Texts{"", "[old] ;c\nold=old\n", "[old]\n", "[Old]\n"});
    EXPECT_EQ(changeSectionName("old", "new"), 1);
    EXPECT_EQ(resultText(), "[old]");
    EXPECT_EQ(changeSectionName("old", "new"), 1);
    EXPECT_EQ(changeSectionName("old", "x"), 0);
    EXPECT_EQ(resultText(), "[old]");
    EXPECT_EQ(iniSections(), (testing_support::Texts{"", "[new] ;c\nold=old\n", "[new]\n", "[Old]\n"}));
    EXPECT_STREQ(getKeyList("new", "", 0), "old");

    quillet::module().result.set("kept");
    EXPECT_EQ(changeSectionName("", "x"), 0);
    EXPECT_EQ(changeSectionName("new", ""), 0);
    EXPECT_EQ(resultText(), "kept");
}

TEST_F(INIEdits, ANameOfOpeningBracketsKeepsItsHeaderBracket)
{
    useStore(testing_support::Texts{"", "[[]\nk=1\n", "[[[]\n"});
    EXPECT_EQ(changeSectionName("[", "a"), 1);
    EXPECT_EQ(changeSectionName("[[", "b"), 1);
    EXPECT_EQ(iniSections(), (testing_support::Texts{"", "[a]\nk=1\n", "[b]\n"}));
}

TEST_F(INIEdits, MovesSectionsByIndexAndNeverThePreamble)
{
    struct Move {
        int from, to;
        const char* order;
    };
    for (Move move : std::vector<Move>{{1, 3, "PBCAD"}, {4, 1, "PDABC"}, {2, 4, "PACDB"}, {2, 2, "PABCD"},
                                       {0, 2, "PABCD"}, {1, 5, "PABCD"}, {5, 1, "PABCD"}, {-1, 1, "PABCD"},
                                       {1, 0, "PABCD"}, {4, 4, "PABCD"}}) {
        useStore(testing_support::Texts{"P", "[A]", "[B]", "[C]", "[D]"});
        const quillet::IniStore& store = quillet::module().ini;
        std::vector<const char*> texts;
        for (std::size_t i = 0; i < store.size(); ++i) texts.push_back(store.block(i).data());
        quillet::module().result.set("before");
        bool valid = move.from >= 1 && move.from <= 4 && move.to >= 1 && move.to <= 4;
        EXPECT_EQ(moveSection(move.from, move.to), valid ? 1 : 0);
        std::string order;
        for (std::size_t i = 0; i < store.size(); ++i) {
            const std::string_view block = store.block(i);
            order += block == "P" ? 'P' : block[1];
            // The same texts, in another order: no block was copied.
            EXPECT_EQ(block.data(), texts[block == "P" ? 0 : block[1] - 'A' + 1]);
        }
        EXPECT_EQ(order, move.order) << move.from << " to " << move.to;
        EXPECT_EQ(resultText(), valid ? "[" + std::string(1, "ABCD"[move.from - 1]) + "]" : "before");
    }
    useStore({});
    EXPECT_EQ(moveSection(1, 1), 0);
}

// Blocks are reached from either end of the list; every pair of places in
// stores of both parities against a plain erase and insert.
TEST_F(INIEdits, MovesEveryPairOfPlacesAsAPlainEraseAndInsert)
{
    for (int sections = 1; sections <= 9; ++sections)
        for (int from = 0; from <= sections + 1; ++from)
            for (int to = 0; to <= sections + 1; ++to) {
                std::vector<std::string> expected{"P"};
                for (int i = 1; i <= sections; ++i) expected.push_back("[" + std::to_string(i) + "]\n");
                useStore(testing_support::Texts(expected.begin(), expected.end()));
                const bool valid = from >= 1 && from <= sections && to >= 1 && to <= sections;
                if (valid) {
                    std::string moved = expected[from];
                    expected.erase(expected.begin() + from);
                    expected.insert(expected.begin() + to, moved);
                }
                ASSERT_EQ(moveSection(from, to), valid ? 1 : 0) << sections << ": " << from << " to " << to;
                const testing_support::Texts blocks = iniSections();
                ASSERT_EQ(std::vector<std::string>(blocks.begin(), blocks.end()), expected)
                    << sections << ": " << from << " to " << to;
            }
}

}  // namespace
