// Plain step-by-step transcriptions of the INI store's routines, built from
// the shared routines as they stand (copies and takeToken), for checking the
// position-walking code against on generated stores.
#pragma once

#include <list>
#include <string>

#include "frame/module.h"
#include "support/reference_model.h"

namespace ini_reference {

using testing_support::Texts;

// The blocks of an INI store, as texts.
inline Texts blocksOf(const quillet::IniStore& store)
{
    Texts blocks;
    for (std::size_t i = 0; i < store.size(); ++i) blocks.emplace_back(store.block(i));
    return blocks;
}

// The blocks of the INI store of the library's state.
inline Texts iniSections()
{
    return blocksOf(quillet::module().ini);
}

// Puts a store of these blocks, in any shape, in the library's state.
inline void useStore(const Texts& blocks)
{
    quillet::module().ini = quillet::IniStore(blocks, quillet::module().codePage);
}

inline const std::string& resultText()
{
    return quillet::module().result.text();
}

// The store that loading a file of this text gives: lines, blocks, and the
// empty preamble put in front of a first header.
inline std::list<std::string> load(const std::string& text)
{
    std::list<std::string> store;
    for (const std::string& line : reference::splitLines(text)) store.push_back(line);
    reference::groupBlocks(store, "[", true);
    if (!store.empty() && store.front().compare(0, 1, "[") == 0) store.push_front("");
    return store;
}

inline void appendItem(std::string& list, const std::string& item)
{
    if (!list.empty()) list += "\n";
    list += item;
}

inline std::string sectionList(const std::list<std::string>& store)
{
    std::string list;
    for (auto it = store.begin(); it != store.end(); ++it) {
        if (it == store.begin()) continue;
        std::string block = *it;
        std::string line = reference::takeToken(block, "\n");
        std::size_t close = line.find(']');
        if (close != std::string::npos) appendItem(list, line.substr(1, close - 1));
    }
    return list;
}

// The first block that begins with "[" + name + "]", or null.
inline const std::string* firstBlock(const std::list<std::string>& store, const std::string& name)
{
    for (const std::string& block : store)
        if (block.compare(0, name.size() + 2, "[" + name + "]") == 0) return &block;
    return nullptr;
}

inline std::string keyList(const std::list<std::string>& store, const std::string& section)
{
    const std::string* found = section.empty() ? nullptr : firstBlock(store, section);
    if (!found) return "";
    std::string copy = *found, list;
    while (!copy.empty()) {
        std::string line = reference::takeToken(copy, "\n");
        if (line.empty() || line[0] == ';' || line[0] == '=') continue;
        std::size_t equals = line.find('=');
        if (equals != std::string::npos) appendItem(list, line.substr(0, equals));
    }
    return list;
}

inline int changeKeyName(std::list<std::string>& store, const std::string& section,
                         const std::string& oldKey, const std::string& newKey)
{
    if (section.empty() || oldKey.empty() || newKey.empty()) return 0;
    auto it = store.begin();
    while (it != store.end() && it->compare(0, section.size() + 2, "[" + section + "]") != 0) ++it;
    if (it == store.end()) return 0;
    std::string copy = *it, passed;
    while (!copy.empty()) {
        std::string line = reference::takeToken(copy, "\n");
        bool keyLine = line.size() > oldKey.size() && line.compare(0, oldKey.size(), oldKey) == 0 &&
                       std::string("\t =").find(line[oldKey.size()]) != std::string::npos;
        if (!keyLine) {
            passed += line + "\n";
            continue;
        }
        reference::replaceText(line, oldKey, newKey, 1);
        it = store.erase(it);
        store.insert(it, passed + line + "\n" + copy);
        return 1;
    }
    return 0;
}

}  // namespace ini_reference
