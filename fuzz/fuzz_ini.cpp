// loadINIFile on fuzzed file contents, checked against grouping the file's
// lines the plain way, then the queries, edits and writeINIFile on what it
// loaded, and the queries again after the edits.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

#include "frame/module.h"
#include "fuzz_support.h"
#include "ini/ini_reference_model.h"
#include "quillet.h"
#include "support/reference_model.h"
#include "text/text_file.h"

// Input: a code-page byte, then the file's bytes.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1) return 0;
    testing_support::selectCodePage(data[0] & 1 ? 932 : 0);
    const std::string bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
    const std::string in = scratchFile("in.ini", bytes), out = scratchFile("out.ini", "");

    // What loading must give: the file's lines grouped one by one.
    std::list<std::string> expected;
    for (const std::string& line : reference::splitLines(reference::applyReadRules(bytes)))
        expected.push_back(line);
    reference::groupBlocks(expected, "[", true);
    if (!expected.empty() && expected.front()[0] == '[') expected.push_front("");

    int sections = loadINIFile(in.c_str());
    check(ini_reference::iniSections() == expected);
    check(sections == (expected.empty() ? -1 : static_cast<int>(expected.size()) - 1));

    std::string names = getSectionList("", 0);
    std::string firstName = names.substr(0, names.find('\n'));
    std::string keys = getKeyList(firstName.c_str(), "", 0);
    std::string firstKey = keys.substr(0, keys.find('\n'));
    changeKeyName(firstName.c_str(), firstKey.c_str(), "renamed");
    changeSectionName(firstName.c_str(), "other");
    check(moveSection(1, sections) == (sections >= 1 ? 1 : 0));
    // The lists and lookups, answered from the index kept through the edits,
    // against walks of the store.
    check(getSectionList("", 0) == ini_reference::sectionList(ini_reference::iniSections()));
    check(getKeyList("other", "", 0) == ini_reference::keyList(ini_reference::iniSections(), "other"));
    check(getKeyList(firstName.c_str(), "", 0) == ini_reference::keyList(ini_reference::iniSections(), firstName));

    check(writeINIFile(out.c_str()) == 1);
    std::string joined;
    for (const std::string& block : ini_reference::iniSections()) joined += block;
    check(ini_reference::resultText() == joined);
    // The loaded text holds no carriage return, 0x1A or NUL, so reading the
    // file back gives exactly what was written.
    std::string written;
    check(quillet::readTextFile(out.c_str(), written));
    check(written == joined);
    std::remove(in.c_str());
    std::remove(out.c_str());
    return 0;
}
