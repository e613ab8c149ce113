#include <gtest/gtest.h>

#include <iterator>
#include <random>
#include <vector>

#include "ini/ini_reference_model.h"
#include "ini/ini_store.h"
#include "quillet.h"
#include "support/test_files.h"

namespace {

using testing_support::Texts;

using ini_reference::iniSections;
using ini_reference::resultText;
using ini_reference::useStore;

using testing_support::TempFolderTest;

// Names that collide in every way a lookup can: repeats, one the start of
// another up to its "]" ("a" finds "[a]b]"), "]" inside, a header without
// "]", double-byte characters whose trail byte is "]" or "[", and a lone
// lead byte, which under a double-byte page joins the next line to the header.
const std::vector<std::string> names = {"a", "b", "a]b", "", "[", "x y", "\x81]", "\x81\x5B", "ab", "\x82"};

std::string randomINIFile(std::mt19937& rng)
{
    std::uniform_int_distribution<std::size_t> pickName(0, names.size() - 1);
    std::uniform_int_distribution<int> sections(0, 12), shape(0, 9);
    std::string text = shape(rng) < 3 ? "; top\r\nk=0\r\n" : "";
    for (int n = sections(rng); n > 0; --n) {
        const std::string& name = names[pickName(rng)];
        switch (shape(rng)) {
        case 0: text += "[" + name + "\r\n"; break;          // no "]" on the line
        case 1: text += "  [" + name + "] tail\r\n"; break;  // indented, text after
        case 2: text += "[" + name + "]]\r\n"; break;
        default: text += "[" + name + "]\r\n"; break;
        }
        text += shape(rng) < 5 ? "k=1\r\nname=2\r\n" : "k=]\r\n";
    }
    return text;
}

// What changeSectionName does, on a plain list.
int renameSection(testing_support::Texts& store, const std::string& oldName, const std::string& newName)
{
    if (oldName.empty() || newName.empty()) return 0;
    for (std::string& block : store)
        if (block.compare(0, oldName.size() + 2, "[" + oldName + "]") == 0) {
            block.replace(1, oldName.size(), newName);
            return 1;
        }
    return 0;
}

// What moveSection does, on a plain list.
int moveBlock(testing_support::Texts& store, int from, int to)
{
    const int size = static_cast<int>(store.size());
    if (from < 1 || to < 1 || from >= size || to >= size) return 0;
    std::vector<std::string> blocks(store.begin(), store.end());
    std::string moved = blocks[from];
    blocks.erase(blocks.begin() + from);
    blocks.insert(blocks.begin() + to, moved);
    store.assign(blocks.begin(), blocks.end());
    return 1;
}

// Every lookup and list the index answers, against walks of the store.
void expectIndexAgrees(const std::string& step)
{
    ASSERT_EQ(getSectionList("", 0), ini_reference::sectionList(iniSections())) << step;
    for (const std::string& name : names) {
        ASSERT_EQ(getKeyList(name.c_str(), "", 0), ini_reference::keyList(iniSections(), name)) << step << " " << name;
        const std::size_t found = quillet::module().ini.findSection(name, testing_support::codePage());
        const Texts blocks = iniSections();
        std::size_t expected = quillet::IniBlocks::none, position = 0;
        for (const std::string& block : blocks) {
            if (block.compare(0, name.size() + 2, "[" + name + "]") == 0) {
                expected = position;
                break;
            }
            ++position;
        }
        ASSERT_EQ(found, expected) << step << " " << name;
    }
}

class SectionIndexTest : public TempFolderTest {
protected:
    void TearDown() override
    {
        useStore({});
        setCodePage(0);
        TempFolderTest::TearDown();
    }
};

// Loads, renames of sections and keys (headers included), moves and code
// page changes, in random order: the index never needs to be told.
TEST_F(SectionIndexTest, AgreesWithTheStoreThroughLoadsEditsMovesAndCodePages)
{
    std::mt19937 rng(20261208);
    std::uniform_int_distribution<std::size_t> pickName(0, names.size() - 1);
    std::uniform_int_distribution<int> op(0, 9), place(-1, 14);
    const std::string file = path("index.ini");
    for (int round = 0; round < 150; ++round) {
        setCodePage(round % 2 ? 932 : 1252);
        testing_support::writeBytes(file, randomINIFile(rng));
        const int loaded = loadINIFile(file.c_str());
        testing_support::Texts expected = iniSections();
        expectIndexAgrees("load " + std::to_string(loaded));
        for (int stepNo = 0; stepNo < 25; ++stepNo) {
            std::string step;
            switch (op(rng)) {
            case 0:
            case 1:
            case 2: {
                const std::string& from = names[pickName(rng)];
                const std::string& to = names[pickName(rng)];
                step = "changeSectionName " + from + " " + to;
                ASSERT_EQ(changeSectionName(from.c_str(), to.c_str()), renameSection(expected, from, to)) << step;
                break;
            }
            case 3:
            case 4:
            case 5: {
                // Keys that are the header line itself rename the header.
                const std::string& section = names[pickName(rng)];
                static const char* const keys[] = {"k", "name", "[a]", "[b]", "[a", "]"};
                const std::string oldKey = keys[rng() % 6], newKey = keys[rng() % 6];
                step = "changeKeyName " + section + " " + oldKey + " " + newKey;
                ASSERT_EQ(changeKeyName(section.c_str(), oldKey.c_str(), newKey.c_str()),
                          ini_reference::changeKeyName(expected, section, oldKey, newKey))
                    << step;
                break;
            }
            case 6:
            case 7:
            case 8: {
                const int from = place(rng), to = place(rng);
                step = "moveSection " + std::to_string(from) + " " + std::to_string(to);
                ASSERT_EQ(moveSection(from, to), moveBlock(expected, from, to)) << step;
                break;
            }
            default:
                step = "setCodePage";
                setCodePage(rng() % 2 ? 932 : 1252);
                break;
            }
            ASSERT_EQ(iniSections(), expected) << step;
            expectIndexAgrees(step);
        }
    }
}

// Loading a file on the store that the last load left uses its elements
// again; the index then describes the new nodes, not the old ones.
TEST_F(SectionIndexTest, AReloadOrAFailedLoadLeavesNoStaleBlock)
{
    testing_support::writeBytes(path("one.ini"), "[a]\r\nk=1\r\n[b]\r\nk=2\r\n");
    testing_support::writeBytes(path("two.ini"), "[b]\r\nx=1\r\n[a]\r\ny=2\r\n[c]\r\n");
    ASSERT_EQ(loadINIFile(path("one.ini").c_str()), 2);
    EXPECT_STREQ(getKeyList("b", "", 0), "k");
    ASSERT_EQ(loadINIFile(path("two.ini").c_str()), 3);
    EXPECT_STREQ(getSectionList("", 0), "b\na\nc");
    EXPECT_STREQ(getKeyList("a", "", 0), "y");
    EXPECT_STREQ(getKeyList("b", "", 0), "x");
    EXPECT_EQ(loadINIFile(path("missing.ini").c_str()), -1);
    EXPECT_STREQ(getSectionList("", 0), "");
    EXPECT_STREQ(getKeyList("a", "", 0), "");
    EXPECT_EQ(changeSectionName("a", "z"), 0);
    EXPECT_EQ(moveSection(1, 2), 0);
}

}  // namespace
