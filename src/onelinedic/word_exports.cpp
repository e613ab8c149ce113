// The word list's exports.
#include "frame/export.h"

using quillet::Module;
using quillet::guarded;

extern "C" QUILLET_API int QUILLET_CALL appendFileToOneLineDic(const char* fileName)
{
    return guarded(0, [&](Module& m) { return m.words.appendFile(fileName, m.codePage) && !m.words.empty() ? 1 : 0; });
}
QUILLET_TWIN(int, appendFileToOneLineDic, (const char* fileName));

extern "C" QUILLET_API int QUILLET_CALL appendToOneLineDic(const char* text)
{
    return guarded(0, [&](Module& m) {
        m.words.push_back(text);
        return 1;
    });
}
QUILLET_TWIN(int, appendToOneLineDic, (const char* text));

extern "C" QUILLET_API int QUILLET_CALL clearOneLineDic()
{
    return guarded(0, [&](Module& m) {
        m.words.clear();
        return 1;
    });
}
QUILLET_TWIN(int, clearOneLineDic, ());

extern "C" QUILLET_API int QUILLET_CALL uniqueOneLineDic()
{
    return guarded(0, [&](Module& m) {
        m.words.removeAdjacentRepeats();
        return 1;
    });
}
QUILLET_TWIN(int, uniqueOneLineDic, ());

extern "C" QUILLET_API int QUILLET_CALL sortOneLineDic()
{
    // No entry moves before the order is known, so a failure leaves the list
    // as it was.
    return guarded(0, [&](Module& m) {
        m.words.sort();
        return 1;
    });
}
QUILLET_TWIN(int, sortOneLineDic, ());

extern "C" QUILLET_API int QUILLET_CALL makeINIDB(const char* fileName, const char* prefix)
{
    return guarded(-1, [&](Module& m) { return static_cast<int>(m.words.writeSection(fileName, prefix, m.codePage)); });
}
QUILLET_TWIN(int, makeINIDB, (const char* fileName, const char* prefix));
