/* A host that does not link the library: it loads quillet.dll (or
   libquillet.so.0) at run time, as a scripting host or a plug-in loader does,
   finds each export it uses under both of its names and checks that the two
   names answer alike.

   Usage: host_dynamic [library path]   (default: quillet.dll / libquillet.so.0) */
#include <stdio.h>
#include <string.h>

#if defined(_WIN32)
#include <windows.h>
#define QUILLET_DEFAULT_LIBRARY "quillet.dll"
#define QUILLET_CDECL __cdecl
#else
#include <dlfcn.h>
#define QUILLET_DEFAULT_LIBRARY "libquillet.so.0"
#define QUILLET_CDECL
#endif

/* The exports used here, as the header declares them. */
typedef const char*(QUILLET_CDECL* ReplaceFn)(const char* text, const char* pattern,
                                              const char* replacement, int count);
typedef const char*(QUILLET_CDECL* ParseFn)(const char* text);
typedef int(QUILLET_CDECL* RemoveFileFn)(const char* fileName);
typedef void (*AnyFn)(void);

static void* openLibrary(const char* path)
{
#if defined(_WIN32)
    return (void*)LoadLibraryA(path);
#else
    return dlopen(path, RTLD_NOW | RTLD_LOCAL);
#endif
}

static void closeLibrary(void* library)
{
#if defined(_WIN32)
    FreeLibrary((HMODULE)library);
#else
    dlclose(library);
#endif
}

/* The address exported under name, or null (reported). */
static AnyFn findExport(void* library, const char* name)
{
    AnyFn fn;
#if defined(_WIN32)
    fn = (AnyFn)GetProcAddress((HMODULE)library, name);
#else
    *(void**)&fn = dlsym(library, name);
#endif
    if (!fn) fprintf(stderr, "export %s is missing\n", name);
    return fn;
}

int main(int argc, char** argv)
{
    const char* path = argc > 1 ? argv[1] : QUILLET_DEFAULT_LIBRARY;
    void* library = openLibrary(path);
    if (!library) {
        fprintf(stderr, "cannot load %s\n", path);
        return 1;
    }

    const char* names[2] = {"", "_"};
    char answers[2][256];
    int failures = 0;
    for (int n = 0; n < 2; ++n) {
        char name[64];
        snprintf(name, sizeof name, "%sparseBackSlashString", names[n]);
        ParseFn parse = (ParseFn)findExport(library, name);
        snprintf(name, sizeof name, "%sreplace", names[n]);
        ReplaceFn replace = (ReplaceFn)findExport(library, name);
        snprintf(name, sizeof name, "%sremoveFile", names[n]);
        RemoveFileFn removeFile = (RemoveFileFn)findExport(library, name);
        if (!parse || !replace || !removeFile) {
            ++failures;
            continue;
        }

        /* Each returned text lives in the library's buffer until the next
           call that returns text: copy it before that call. */
        char value[256];
        snprintf(value, sizeof value, "%s", parse("dir=C:\\\\data\\\\old\\tmode=old"));
        snprintf(answers[n], sizeof answers[n], "%s", replace(value, "old", "new", -1));
        printf("%-22s %s\n", names[n][0] ? "with the _ names:" : "with the plain names:", answers[n]);

        if (removeFile("no such file, surely.ini") != 0) {
            fprintf(stderr, "%sremoveFile reported a missing file as deleted\n", names[n]);
            ++failures;
        }
    }
    closeLibrary(library);

    if (failures) return 1;
    if (strcmp(answers[0], answers[1]) != 0 || strcmp(answers[0], "dir=C:\\data\\new\tmode=new") != 0) {
        fprintf(stderr, "the two names answer differently or wrongly\n");
        return 1;
    }
    printf("both names agree\n");
    return 0;
}
