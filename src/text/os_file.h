// The platform's file calls behind file_io, one set per platform
// (os_file_posix.cpp, os_file_windows.cpp), each keeping to these contracts.
// Only file_io.cpp and those two files include this.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "text/file_io.h"

#if defined(_WIN32)
#include <windows.h>
#endif

namespace quillet {
namespace os {

#if defined(_WIN32)
using OsFile = HANDLE;
const OsFile noFile = INVALID_HANDLE_VALUE;
#else
using OsFile = int;
const OsFile noFile = -1;
#endif

// What a replacing write finds at its target.
enum class Target { missing, regular, stream, unusable };

// What probeTarget learnt; file is open for writing unless missing or unusable.
struct Found {
    Target kind = Target::unusable;
    std::intptr_t file = -1;
    bool readable = false;      // regular: file is open for reading too
    bool shared = false;        // regular: a new file under its name would differ for others
    long long size = 0;         // regular: its length, a hint for reading it
    long long cutTo = -1;       // stream: the length to cut back to if the write fails
    long long owner = -1, group = -1;
    int mode = -1;
};

// The handle that a file's intptr_t holds, and back.
OsFile handleOf(std::intptr_t handle);
std::intptr_t handleValue(OsFile f);

// Writes all n bytes; false at the first failure.
bool writeBytes(OsFile f, const char* p, std::size_t n);
// Reads up to size bytes: the number read, 0 at the end, -1 on an error.
long long readBytes(OsFile f, char* buffer, std::size_t size);
bool closeFile(OsFile f);
void removePath(const std::string& path);
unsigned long processId();
bool seekTo(OsFile f, long long at);
// Cuts the file at length (the position moves there too).
bool truncateAt(OsFile f, long long length);
bool flushFile(OsFile f);
// Starts writing the file's bytes [from, from + length) to disk without
// waiting, where the platform allows: the flush at the end then has little
// left to wait for.
void startFlush(OsFile f, unsigned long long from, unsigned long long length);

// Looks at what a replacing write of fileName finds, opening it for writing
// (and reading, where it can) unless it is missing or unusable.
Found probeTarget(const char* fileName, OutputFile& file);
// A new file under tempPath that nobody else has open; private to us when
// it will replace a file (replacing).
OsFile createTempFile(const std::string& tempPath, bool replacing);
// The same without a name, in folder, where the platform allows; else noFile.
OsFile createUnnamed(const std::string& folder, bool replacing);
// Gives the new file the owner and group that found had: false when we may not.
bool keepOwner(OsFile f, const Found& found);
// Makes the complete new file ready to take the target's place (its mode,
// a name if it has none, its bytes flushed).
bool sealReplacement(OsFile f, OutputFile& file);
// Puts the new file in the target's place, on disk.
bool moveOver(const std::string& tempPath, const std::string& target);
// Opens fileName for appending; sets file.created and file.oldSize.
OsFile openForAppend(const char* fileName, OutputFile& file);
// Gives the new file its total bytes of blocks up front, where the platform allows.
void allocateBytes(OsFile f, unsigned long long total);
// Opens fileName for reading; sizeHint gets its length where it has one.
bool openForReading(const char* fileName, OsFile& f, std::size_t& sizeHint);

// The folder part of path, with its separator ("" for a bare name).
std::string folderOf(const std::string& path);
// A name for a temporary file in folder; a new one on every call.
std::string tempNameIn(const std::string& folder);

}  // namespace os
}  // namespace quillet
