// The DLL's version resource, read the way Windows tools read it: through
// version.dll, loaded at run time so the test program needs no extra library.
#include <gtest/gtest.h>

#if defined(_WIN32)
#include <windows.h>

#include <string>
#include <vector>

namespace {

using SizeFn = DWORD(WINAPI*)(LPCSTR, LPDWORD);
using InfoFn = BOOL(WINAPI*)(LPCSTR, DWORD, DWORD, LPVOID);
using QueryFn = BOOL(WINAPI*)(LPCVOID, LPCSTR, LPVOID*, PUINT);

// An export of module as Fn (through the generic function type GCC accepts).
template <class Fn>
Fn procedure(HMODULE module, const char* name)
{
    return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

class VersionResource : public ::testing::Test {
protected:
    void SetUp() override
    {
        HMODULE library = LoadLibraryA("quillet.dll");
        ASSERT_NE(library, nullptr);
        char path[MAX_PATH] = {};
        ASSERT_GT(GetModuleFileNameA(library, path, MAX_PATH), 0u);
        HMODULE version = LoadLibraryA("version.dll");
        ASSERT_NE(version, nullptr);
        auto size = procedure<SizeFn>(version, "GetFileVersionInfoSizeA");
        auto info = procedure<InfoFn>(version, "GetFileVersionInfoA");
        query_ = procedure<QueryFn>(version, "VerQueryValueA");
        ASSERT_TRUE(size && info && query_);
        DWORD ignored = 0;
        DWORD bytes = size(path, &ignored);
        ASSERT_GT(bytes, 0u) << "no version resource in " << path;
        data_.resize(bytes);
        ASSERT_TRUE(info(path, 0, bytes, data_.data()));
    }

    // A value of the US English string table, or "(missing)".
    std::string text(const char* name) const
    {
        void* value = nullptr;
        UINT length = 0;
        std::string key = std::string("\\StringFileInfo\\040904B0\\") + name;
        if (!query_(data_.data(), key.c_str(), &value, &length) || !value) return "(missing)";
        return static_cast<const char*>(value);
    }

    const VS_FIXEDFILEINFO* fixed() const
    {
        void* value = nullptr;
        UINT length = 0;
        if (!query_(data_.data(), "\\", &value, &length) || length < sizeof(VS_FIXEDFILEINFO)) return nullptr;
        return static_cast<const VS_FIXEDFILEINFO*>(value);
    }

    QueryFn query_ = nullptr;
    std::vector<char> data_;
};

TEST_F(VersionResource, NamesTheProductItsVersionAndWhatItIs)
{
    EXPECT_EQ(text("ProductName"), "Quillet");
    EXPECT_EQ(text("ProductVersion"), QUILLET_PACKAGE_VERSION);
    EXPECT_EQ(text("FileVersion"), QUILLET_PACKAGE_VERSION);
    EXPECT_EQ(text("OriginalFilename"), "quillet.dll");
    EXPECT_EQ(text("FileDescription").rfind("Text utilities for settings data", 0), 0u) << text("FileDescription");
}

TEST_F(VersionResource, BinaryVersionMatchesTheTextAndMarksADll)
{
    const VS_FIXEDFILEINFO* info = fixed();
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(info->dwSignature, 0xFEEF04BDu);
    EXPECT_EQ(info->dwFileType, static_cast<DWORD>(VFT_DLL));
    std::string numbers = std::to_string(HIWORD(info->dwFileVersionMS)) + "." +
                          std::to_string(LOWORD(info->dwFileVersionMS)) + "." +
                          std::to_string(HIWORD(info->dwFileVersionLS));
    EXPECT_EQ(numbers, QUILLET_PACKAGE_VERSION);
    EXPECT_EQ(info->dwProductVersionMS, info->dwFileVersionMS);
    EXPECT_EQ(info->dwProductVersionLS, info->dwFileVersionLS);
}

}  // namespace
#endif
