#include "frame/module_state.h"

// Defined in this order in one translation unit, so they are created in this
// order when the library is loaded and destroyed in reverse at unload.
Store csvLines;
Store multiLineDic;
Store oneLineDic;
Store iniSections;
std::string resultText;

const char* setResultText(const std::string& text)
{
    resultText = text;
    return resultText.c_str();
}

const char* failedTextResult() noexcept
{
    resultText.clear();
    return resultText.c_str();
}

void clearStore(Store& store) noexcept
{
    auto ahead = store.begin();
    for (int i = 0; i < 16 && ahead != store.end(); ++i) ++ahead;
    while (!store.empty()) {
        if (ahead != store.end()) {
#if defined(__GNUC__)
            __builtin_prefetch(&*ahead);
            __builtin_prefetch(ahead->data());
#endif
            ++ahead;
        }
        store.pop_front();
    }
}
