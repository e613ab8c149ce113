// The built library loaded at run time by name, as a host without an import
// library loads it (header-only).
#pragma once

#include <string>
#include <utility>

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace testing_support {

class HostLibrary {
public:
    HostLibrary()
#if defined(_WIN32)
        : HostLibrary("quillet.dll")
#else
        : HostLibrary(QUILLET_LIBRARY_PATH)
#endif
    {
    }
    // The library in file (a copy is loaded afresh, with state of its own).
    explicit HostLibrary(const std::string& file)
    {
#if defined(_WIN32)
        handle_ = LoadLibraryA(file.c_str());
#else
        handle_ = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
#endif
    }
    ~HostLibrary()
    {
        if (!handle_) return;
#if defined(_WIN32)
        FreeLibrary(static_cast<HMODULE>(handle_));
#else
        dlclose(handle_);
#endif
    }
    HostLibrary(const HostLibrary&) = delete;
    HostLibrary& operator=(const HostLibrary&) = delete;

    bool loaded() const { return handle_ != nullptr; }
    std::string path() const { return QUILLET_LIBRARY_PATH; }

    // The address exported under name, or null.
    void* find(const char* name) const
    {
#if defined(_WIN32)
        return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle_), name));
#else
        return dlsym(handle_, name);
#endif
    }

    // The export under its plain and its underscore name.
    template <class Fn>
    std::pair<Fn, Fn> both(const std::string& name) const
    {
        return {reinterpret_cast<Fn>(find(name.c_str())), reinterpret_cast<Fn>(find(("_" + name).c_str()))};
    }

private:
    void* handle_ = nullptr;
};

}  // namespace testing_support
