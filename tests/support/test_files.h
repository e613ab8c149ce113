// Temporary folders and whole-file helpers for the tests (header-only: both
// test programs use it).
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#if defined(_WIN32)
#include <process.h>
#define QUILLET_TEST_PID _getpid()
#else
#include <unistd.h>
#define QUILLET_TEST_PID getpid()
#endif

namespace testing_support {

// The whole content of a file as bytes ("" when it cannot be read).
inline std::string readBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void writeBytes(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline bool exists(const std::string& path)
{
    std::error_code ec;
    return std::filesystem::exists(path, ec);
}

// A fixture with a fresh folder of its own, removed afterwards.
class TempFolderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        static int counter = 0;
        folder_ = (std::filesystem::temp_directory_path() /
                   ("quillet-test-" + std::to_string(QUILLET_TEST_PID) + "-" + std::to_string(++counter)))
                      .string();
        std::filesystem::remove_all(folder_);
        std::filesystem::create_directories(folder_);
    }
    void TearDown() override
    {
        std::error_code ec;
        std::filesystem::remove_all(folder_, ec);
    }
    // The path of name inside the folder.
    std::string path(const std::string& name) const { return folder_ + "/" + name; }
    // Names of everything in the folder, sorted: shows stray temporary files.
    std::string listing() const
    {
        std::string names;
        std::vector<std::string> all;
        for (const auto& entry : std::filesystem::directory_iterator(folder_))
            all.push_back(entry.path().filename().string());
        std::sort(all.begin(), all.end());
        for (const auto& name : all) names += name + ";";
        return names;
    }

    std::string folder_;
};

}  // namespace testing_support
