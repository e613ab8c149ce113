// The exports of the text machinery: replace, backslash escapes, and the
// code page that every store reads its texts in.
#include <cstring>
#include <string>

#include "frame/export.h"
#include "text/string_ops.h"

using quillet::Module;
using quillet::guarded;
using quillet::guardedText;

extern "C" QUILLET_API const char* QUILLET_CALL replace(const char* text, const char* pattern,
                                                        const char* replacement, int count)
{
    return guardedText([&](Module& m) {
        // Any argument may point into the result text, which stays as it is
        // until the new text is complete.
        std::string& out = m.result.scratch();
        quillet::appendReplaced(text, std::strlen(text), pattern, replacement, count, out, m.codePage);
        return m.result.take(out);
    });
}
QUILLET_TWIN(const char*, replace, (const char* text, const char* pattern, const char* replacement, int count));

extern "C" QUILLET_API const char* QUILLET_CALL parseBackSlashString(const char* text)
{
    return guardedText([&](Module& m) {
        if (text[0] == '\0') {
            m.result.fail();
            return text;
        }
        // The result is never longer than the text, which may point into the
        // result text: it is resolved apart. Written once, in order, it takes
        // plain pages, as replace's does.
        const std::size_t n = std::strlen(text);
        std::string& out = m.result.scratch();
        out.reserve(n);
        out.resize(n);
        out.resize(quillet::resolveEscapes(text, n, &out[0], m.codePage));
        return m.result.take(out);
    });
}
QUILLET_TWIN(const char*, parseBackSlashString, (const char* text));

extern "C" QUILLET_API int QUILLET_CALL setCodePage(int codePage)
{
    return guarded(0, [&](Module& m) { return m.codePage.select(codePage) ? 1 : 0; });
}
QUILLET_TWIN(int, setCodePage, (int codePage));
