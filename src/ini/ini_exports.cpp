// The INI store's exports.
#include <string>

#include "frame/export.h"
#include "text/decimal.h"
#include "text/numbered_list.h"
#include "text/text_file.h"

using quillet::Module;
using quillet::guarded;
using quillet::guardedText;

namespace {

// Hands list back as the result text, or writes it to fileName as a
// numbered-list section under title and hands back the row count.
const char* finishList(Module& m, const char* title, const std::string& fileName, std::string& list, int append)
{
    if (fileName.empty()) return m.result.take(list);
    const long long rows = quillet::writeNumberedList(title, fileName.c_str(), list, append != 0, m.codePage);
    return m.result.set(quillet::decimalText(rows));
}

}  // namespace

extern "C" QUILLET_API int QUILLET_CALL loadINIFile(const char* fileName)
{
    return guarded(-1, [&](Module& m) { return m.ini.load(fileName, m.codePage); });
}
QUILLET_TWIN(int, loadINIFile, (const char* fileName));

extern "C" QUILLET_API int QUILLET_CALL writeINIFile(const char* fileName)
{
    return guarded(0, [&](Module& m) {
        const std::string name(fileName);  // may point into the result text, which the join may reuse
        std::string& joined = m.result.room(m.ini.joinedBound());
        m.ini.join(joined);
        m.result.take(joined);
        return quillet::writeTextFile(name.c_str(), m.result.text(), false) ? 1 : 0;
    });
}
QUILLET_TWIN(int, writeINIFile, (const char* fileName));

extern "C" QUILLET_API const char* QUILLET_CALL getSectionList(const char* fileName, int append)
{
    return guardedText([&](Module& m) {
        const std::string name(fileName);  // may point into the result text
        std::string& list = m.result.scratch();
        m.ini.appendSectionNames(list, m.codePage);
        return finishList(m, "[sectionlist]", name, list, append);
    });
}
QUILLET_TWIN(const char*, getSectionList, (const char* fileName, int append));

extern "C" QUILLET_API const char* QUILLET_CALL getKeyList(const char* section, const char* fileName, int append)
{
    return guardedText([&](Module& m) {
        const std::string sectionName(section), name(fileName);  // may point into the result text
        std::string& list = m.result.scratch();
        if (sectionName.empty() || !m.ini.appendKeys(sectionName, list, m.codePage)) return m.result.set("");
        return finishList(m, "[keylist]", name, list, append);
    });
}
QUILLET_TWIN(const char*, getKeyList, (const char* section, const char* fileName, int append));

extern "C" QUILLET_API int QUILLET_CALL changeSectionName(const char* oldName, const char* newName)
{
    return guarded(0, [&](Module& m) {
        const std::string oldText(oldName), newText(newName);  // may point into the result text
        if (oldText.empty() || newText.empty()) return 0;
        m.result.set("[" + oldText + "]");
        return m.ini.renameSection(oldText, newText, m.codePage) ? 1 : 0;
    });
}
QUILLET_TWIN(int, changeSectionName, (const char* oldName, const char* newName));

extern "C" QUILLET_API int QUILLET_CALL changeKeyName(const char* section, const char* oldKey, const char* newKey)
{
    return guarded(0, [&](Module& m) {
        const std::string sectionName(section), oldText(oldKey), newText(newKey);
        if (sectionName.empty() || oldText.empty() || newText.empty()) return 0;
        return m.ini.renameKey(sectionName, oldText, newText, m.codePage) ? 1 : 0;
    });
}
QUILLET_TWIN(int, changeKeyName, (const char* section, const char* oldKey, const char* newKey));

extern "C" QUILLET_API int QUILLET_CALL moveSection(int from, int to)
{
    return guarded(0, [&](Module& m) {
        std::string& moved = m.result.scratch();
        if (!m.ini.moveSection(from, to, moved)) return 0;
        m.result.take(moved);
        return 1;
    });
}
QUILLET_TWIN(int, moveSection, (int from, int to));
