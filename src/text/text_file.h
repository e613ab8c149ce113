// Reading and writing text files: "\r\n" on disk, "\n" in memory.
#pragma once

#include <string>

#include "frame/module_state.h"

// Gives text room for `size` bytes, in large pages where the platform has
// them and the room is large: a buffer of many megabytes then costs a few
// page faults instead of one per 4 KB. The content is kept.
void reserveLarge(std::string& text, std::size_t size);

// Asks for large pages for the whole large pages inside [bytes, bytes + size),
// room that is not touched yet; nothing where the platform has none.
void adviseLargePages(char* bytes, std::size_t size);

// Reads the whole file into text with the text-file rules: every '\r' dropped,
// the data ending at the first 0x1A or NUL byte. False when the file cannot
// be opened or read (a directory included); text is then unspecified.
bool readTextFile(const char* fileName, std::string& text);

// readTextFile with room before the text, for output that is written behind
// the reading of it: front receives where the text starts, half the size
// that the file had when it was opened; the bytes before it are unspecified.
bool readTextFileAfterRoom(const char* fileName, std::string& text, std::size_t& front);

// Appends the lines of text (split at real "\n", a last line without one
// included, no empty element for a final "\n") to store.
void appendLines(const std::string& text, Store& store);

// Appends the file's lines to store. True when the file was read and the
// store is not empty afterwards; on false the store is unchanged.
bool readFileLines(const char* fileName, Store& store);

// Writes text with every "\n" as "\r\n". Replacing: the text goes to a new
// file beside the target that takes its place only once complete, so a failed
// write leaves the old file as it was. Appending: a line break comes first,
// and a failed write cuts the file back. False when anything failed.
bool writeTextFile(const char* fileName, const std::string& text, bool append);

// Bytes that are already as they go on disk, line breaks as "\r\n".
struct DiskBytes {
    const char* data;
    std::size_t size;
};

// writeTextFile replacing the file, for text that is already in its disk
// form and given as `count` consecutive pieces: written as they are, with
// the same guarantees.
bool replaceWithDiskBytes(const char* fileName, const DiskBytes* pieces, std::size_t count);
