// The one module object.
#include "frame/module.h"

namespace quillet {
namespace {

// Built by the static constructors when the library is loaded, before any
// export can be called, and torn down at unload.
Module theModule;

}  // namespace

Module& module()
{
    return theModule;
}

}  // namespace quillet
