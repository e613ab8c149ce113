// The library entry and the file removal export.
#include "frame/export.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <unistd.h>
#endif

// The module state needs no work here: it is built by the static
// constructors before this runs and torn down after the last detach.
extern "C" QUILLET_API int QUILLET_ENTRY_CALL DllMain(void* instance, unsigned long reason, void* reserved);
extern "C" QUILLET_API int QUILLET_ENTRY_CALL DllMain(void*, unsigned long, void*)
{
    return 1;
}

extern "C" QUILLET_API int QUILLET_CALL removeFile(const char* fileName)
{
    return quillet::guarded(0, [&](quillet::Module&) {
#if defined(_WIN32)
        return DeleteFileA(fileName) ? 1 : 0;
#else
        // unlink, not remove: remove would also delete an empty directory.
        return unlink(fileName) == 0 ? 1 : 0;
#endif
    });
}
QUILLET_TWIN(int, removeFile, (const char* fileName));
