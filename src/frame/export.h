// How the library defines its exports: both names, and nothing thrown across.
#pragma once

#include "frame/module.h"
#include "quillet.h"

// Declares `_name`, the second exported name of `name`, bound to the same code.
// Place it after the definition of `name` in the same file.
#define QUILLET_TWIN(ret, name, params) \
    extern "C" QUILLET_API ret QUILLET_CALL _##name params noexcept __attribute__((alias(#name)))

namespace quillet {

// Runs body on the module and returns its result; any exception becomes
// `failure`.
template <class R, class Body>
R guarded(R failure, Body&& body) noexcept
{
    try {
        Module& m = module();
        m.result.callStarted();
        return body(m);
    } catch (...) {
        return failure;
    }
}

// Runs the body of a text export; any exception empties the result text and
// returns it.
template <class Body>
const char* guardedText(Body&& body) noexcept
{
    Module& m = module();
    try {
        m.result.callStarted();
        return body(m);
    } catch (...) {
        return m.result.fail();
    }
}

}  // namespace quillet
