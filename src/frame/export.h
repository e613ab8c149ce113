// How the library defines its exports: both names, nothing thrown across.
#pragma once

#include "frame/module_state.h"
#include "quillet.h"

// Declares `_name`, the second exported name of `name`, bound to the same code.
// Place it after the definition of `name` in the same file.
#define QUILLET_TWIN(ret, name, params) \
    extern "C" QUILLET_API ret QUILLET_CALL _##name params noexcept __attribute__((alias(#name)))

// Runs body and returns its result; any exception becomes `failure`.
template <class R, class Body>
R guarded(R failure, Body&& body) noexcept
{
    try {
        return body();
    } catch (...) {
        return failure;
    }
}

// Runs the body of a text export; any exception empties resultText and
// returns it.
template <class Body>
const char* guardedText(Body&& body) noexcept
{
    try {
        return body();
    } catch (...) {
        return failedTextResult();
    }
}
