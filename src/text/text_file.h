// Reading and writing text files: "\r\n" on disk, "\n" in memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "frame/module_state.h"
#include "text/file_io.h"

// Asks for large pages for the whole large pages inside [data, data + bytes),
// where the platform has them: memory not touched yet then costs a few page
// faults instead of one per 4 KB. Small ranges are left alone.
void adviseLargePages(const void* data, std::size_t bytes);

// Gives text room for `size` bytes, in large pages where the platform has
// them and the room is large: a buffer of many megabytes then costs a few
// page faults instead of one per 4 KB. The content is kept.
void reserveLarge(std::string& text, std::size_t size);

// Reads the whole file into text with the text-file rules: every '\r' dropped,
// the data ending at the first 0x1A or NUL byte. False when the file cannot
// be opened or read (a directory included); text is then unspecified.
bool readTextFile(const char* fileName, std::string& text);

// readTextFile with room before the text, for output that is written behind
// the reading of it: front receives where the text starts, half the size
// that the file had when it was opened; the bytes before it are unspecified.
bool readTextFileAfterRoom(const char* fileName, std::string& text, std::size_t& front);

// A file read a piece at a time by the text-file rules.
struct TextFileReader {
    quillet::InputFile file;
    bool ended = false;       // no data follows: end of file, or a 0x1A or NUL byte met
    std::vector<char> piece;  // the bytes of one read, before the rules
};

// Opens fileName for readTextPiece; sizeGuess gets its length where it has
// one (else 0). False, nothing left open, when it cannot be opened or is a
// directory.
bool openTextFile(const char* fileName, TextFileReader& reader, std::size_t& sizeGuess);

// Reads up to size more bytes of the file and appends them to text by the
// text-file rules; sets ended when no data follows. The pieces of a file,
// one after the other, give the text that readTextFile gives. False on a
// read error.
bool readTextPiece(TextFileReader& reader, std::string& text, std::size_t size);

// Closes the reader's file, if open.
void closeTextFile(TextFileReader& reader);

// Appends the lines of text (split at real "\n", a last line without one
// included, no empty element for a final "\n") to store.
void appendLines(const std::string& text, Store& store);

// The same for the word list, which gets room for all of them first and is
// left as it was if that fails. text may be taken over as the store's bytes
// (when the store is empty); it is unspecified afterwards.
void appendLines(std::string& text, WordStore& store);

// Appends the file's lines to store. True when the file was read and the
// store is not empty afterwards; on false the store is unchanged.
bool readFileLines(const char* fileName, Store& store);
bool readFileLines(const char* fileName, WordStore& store);

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
