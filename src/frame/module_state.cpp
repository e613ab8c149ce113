#include "frame/module_state.h"

// Defined in this order in one translation unit, so they are created in this
// order when the library is loaded and destroyed in reverse at unload.
Store csvLines;
Store multiLineDic;
WordStore oneLineDic;
Store iniSections;
std::string resultText;

namespace {

// Frees old elements while the new ones hold more bytes than the old ones gone.
void releaseOld(StoreRebuild& rebuild)
{
    while (rebuild.owed > 0 && !rebuild.old.empty()) {
        rebuild.owed -= static_cast<long long>(rebuild.old.front().capacity());
        rebuild.old.pop_front();
    }
}

}  // namespace

std::string* reuseOldElement(StoreRebuild& rebuild, std::size_t size)
{
    if (rebuild.old.empty()) return nullptr;
    rebuild.owed += static_cast<long long>(size);
    rebuild.built.splice(rebuild.built.end(), rebuild.old, rebuild.old.begin());
    std::string& element = rebuild.built.back();
    rebuild.owed -= static_cast<long long>(element.capacity());
    if (element.capacity() < size || element.capacity() - size > size / 8 + 16) std::string().swap(element);
    element.clear();
    releaseOld(rebuild);
    return &element;
}

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
