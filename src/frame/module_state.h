// The module's working data: four stores and the one result text, shared by
// every call from load to unload.
#pragma once

#include <list>
#include <string>
#include <vector>

#include "frame/word_store.h"

// An ordered list of texts. A linked list, so that a block can be inserted or
// removed without moving the others.
using Store = std::list<std::string>;

extern Store csvLines;
extern Store multiLineDic;
extern WordStore oneLineDic;
extern Store iniSections;
extern std::string resultText;

// For walks that read every element's text: the element `lookahead` places
// after the first, to start with; then, at each step, prefetchAhead asks
// memory for that element and gives the next one, so that several reads
// are under way instead of each waited for in turn.
// Inline: they run once per element of walks over millions of elements.
inline Store::const_iterator firstAhead(const Store& store)
{
    auto ahead = store.cbegin();
    for (int i = 0; i < 16 && ahead != store.cend(); ++i) ++ahead;
    return ahead;
}

inline Store::const_iterator prefetchAhead(const Store& store, Store::const_iterator ahead)
{
    if (ahead == store.cend()) return ahead;
#if defined(__GNUC__)
    __builtin_prefetch(&*ahead);
    __builtin_prefetch(ahead->data());
#endif
    return ++ahead;
}

// Empties store, asking memory for the elements a few places ahead of the
// one being freed: freeing a large store is otherwise mostly waiting.
void clearStore(Store& store) noexcept;

// Replaces resultText by a copy of text and returns a pointer to its first byte.
const char* setResultText(const std::string& text);

// Empties resultText and returns it: the result of a text export that failed.
const char* failedTextResult() noexcept;
