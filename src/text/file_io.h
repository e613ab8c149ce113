// The operating system's file calls, and none of the text rules: a file read
// a piece at a time; a file replaced by a complete new one, or written in
// place with its old bytes kept, or appended to and cut back if that fails.
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

// A file being written, in one of four ways. Replacing, the bytes go to a new
// file beside the target, which takes its place only once complete. Where
// that would change what others see (more than one name, another owner, a
// folder we may not write), the target is written in place instead, its old
// bytes kept to be put back if the write fails. A name for an open descriptor,
// a device or a pipe is written through it where it stands. Appending, the
// bytes go to the end of the file, which is cut back if anything fails.
struct OutputFile {
    enum class Way { replace, inPlace, stream, append };
    Way way = Way::replace;
    std::string target;        // the file the bytes are for
    std::string tempPath;      // replace: the new file's own name ("" while it has none)
    std::string oldBytes;      // in place: what to put back if the write fails
    std::intptr_t handle = -1;
    int mode = -1;             // replace: the old file's permission bits (-1: a new file)
    bool created = false;      // appending to a file that did not exist
    long long oldSize = -1;    // append or stream: the length to cut back to (-1: none)
    unsigned long long written = 0;
    unsigned long long claimed = 0;  // replace: the size its blocks were taken up front for
    bool failed = false;
};

// Opens fileName to be replaced (append false) or appended to. diskSize, when
// known, is the number of bytes that will be written: a new file gets its
// blocks up front where the platform allows (and is cut back to what was
// written, should that be less). False, nothing created or changed, when it
// cannot be opened.
bool openOutputFile(const char* fileName, bool append, OutputFile& file,
                    unsigned long long diskSize = 0);

// Writes the bytes as they are; a failure is kept for finishOutputFile.
void writeOutputBytes(OutputFile& file, const char* data, std::size_t size);

// Closes the file: a replacement is flushed to disk and takes the target's
// place (the folder then flushed too); a file written in place is flushed; an
// append stays. On any failure the target is left as it was. True when all
// went well.
bool finishOutputFile(OutputFile& file);

// Closes the file and undoes the write: the target stays as it was.
void abandonOutputFile(OutputFile& file) noexcept;

}  // namespace quillet
