// The multi-line dictionary's exports.
#include "frame/export.h"
#include "text/decimal.h"
#include "text/numbered_list.h"

using quillet::Module;
using quillet::guarded;
using quillet::guardedText;

extern "C" QUILLET_API int QUILLET_CALL loadMultiLineDic(const char* fileName, const char* headMarker)
{
    return guarded(-1, [&](Module& m) { return m.dictionary.load(fileName, headMarker, m.codePage); });
}
QUILLET_TWIN(int, loadMultiLineDic, (const char* fileName, const char* headMarker));

extern "C" QUILLET_API const char* QUILLET_CALL getMultiLineDicTitle(const char* fileName)
{
    return guardedText([&](Module& m) {
        if (m.dictionary.empty()) return m.result.set("-1");
        std::string titles = m.dictionary.titles(m.codePage);
        if (fileName[0] == '\0') return m.result.take(titles);
        const long long rows = quillet::writeNumberedList("[titlelist]", fileName, titles, false, m.codePage);
        return m.result.set(quillet::decimalText(rows));
    });
}
QUILLET_TWIN(const char*, getMultiLineDicTitle, (const char* fileName));

extern "C" QUILLET_API const char* QUILLET_CALL searchInMultiLineDic(const char* searchText, int number)
{
    return guardedText([&](Module& m) {
        std::string found = m.dictionary.search(searchText, number, m.codePage);
        return m.result.take(found);
    });
}
QUILLET_TWIN(const char*, searchInMultiLineDic, (const char* searchText, int number));
