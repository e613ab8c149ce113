// What the fuzz targets share: a failed expectation stops the run, and
// scratch files are named per process.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

// Stops the run at the first failed expectation, naming its line.
inline void checkAt(bool ok, int line)
{
    if (ok) return;
    std::fprintf(stderr, "check failed at line %d\n", line);
    std::abort();
}
#define check(ok) checkAt((ok), __LINE__)

// A scratch file of this process under /tmp, holding bytes.
inline std::string scratchFile(const char* name, const std::string& bytes)
{
    std::string path = "/tmp/quillet-fuzz-" + std::to_string(getpid()) + "-" + name;
    if (FILE* f = std::fopen(path.c_str(), "wb")) {
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
    }
    return path;
}
