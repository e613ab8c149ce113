// The operating system's file calls, and none of the text rules: a file read
// a piece at a time; a file written either in place of the old one, which it
// replaces only once complete, or appended to and cut back if that fails.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace quillet {

// A file open for reading.
struct InputFile {
    std::intptr_t handle = -1;
};

// Opens fileName for reading; sizeHint gets its length where it has one, else
// 0 (a pipe has none, and a file may grow: a hint only). False, nothing left
// open, when it cannot be opened or is a folder.
bool openInputFile(const char* fileName, InputFile& file, std::size_t& sizeHint);

// Reads up to size bytes into buffer: the number read, 0 at the end of the
// file, -1 on a read error.
long long readInputBytes(InputFile& file, char* buffer, std::size_t size);

// Closes the file, if open.
void closeInputFile(InputFile& file) noexcept;

// Closes an input file when it goes out of scope.
struct InputFileCloser {
    InputFile& file;
    ~InputFileCloser() { closeInputFile(file); }
};

// Whether the two names lead to one existing file.
bool sameFile(const char* a, const char* b);

// Whether name is a regular file on disk (which can be read more than once).
bool isRegularFile(const char* name);

// A file being written. Replacing, the bytes go to a new file beside the
// target, which takes the target's place only once complete (a device or a
// pipe is written in place). Appending, they go to the end of the file,
// which is cut back to its old length if anything fails.
struct OutputFile {
    std::string target, tempPath;  // tempPath empty: written in place
    std::intptr_t handle = 0;
    bool append = false;
    bool created = false;      // appending to a file that did not exist
    long long oldSize = -1;    // appending: the length to cut back to (-1: none)
    bool failed = false;
};

// Opens fileName to be replaced (append false) or appended to. diskSize, when
// known, is the number of bytes that will be written: a new file gets its
// blocks up front where the platform allows. False, nothing created or
// changed, when it cannot be opened.
bool openOutputFile(const char* fileName, bool append, OutputFile& file,
                    unsigned long long diskSize = 0);

// Writes the bytes as they are; a failure is kept for finishOutputFile.
void writeOutputBytes(OutputFile& file, const char* data, std::size_t size);

// Closes the file: a replacement takes the target's place, an append stays.
// On any failure the target is left as it was. True when all went well.
bool finishOutputFile(OutputFile& file);

// Closes the file and undoes the write: the target stays as it was.
void abandonOutputFile(OutputFile& file) noexcept;

}  // namespace quillet
