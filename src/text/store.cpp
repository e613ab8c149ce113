// Freeing stores and building them on old elements.
#include "text/store.h"

namespace quillet {
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

void clearStore(Store& store) noexcept
{
    ReadAhead ahead(store);
    while (!store.empty()) {
        ahead.step();
        store.pop_front();
    }
}

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

}  // namespace quillet
