#include "frame/module_state.h"

// Defined in this order in one translation unit, so they are created in this
// order when the library is loaded and destroyed in reverse at unload.
Store csvLines;
Store multiLineDic;
WordStore oneLineDic;
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
    auto ahead = firstAhead(store);
    while (!store.empty()) {
        ahead = prefetchAhead(store, ahead);
        store.pop_front();
    }
}
