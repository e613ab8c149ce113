// The CSV field cursor, getCSVField and both conversions on fuzzed records,
// written as a file, under a single-byte and a double-byte code page, checked
// against the plain algorithms.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <list>
#include <string>

#include "csv/csv_fields.h"
#include "fuzz_support.h"
#include "quillet.h"
#include "support/csv_reference.h"
#include "support/reference_model.h"
#include "text/byte_scan.h"

namespace {

// The bytes of a file, as they stand on disk.
std::string fileBytes(const std::string& path)
{
    std::string bytes;
    if (FILE* f = std::fopen(path.c_str(), "rb")) {
        char chunk[4096];
        for (std::size_t got; (got = std::fread(chunk, 1, sizeof chunk, f)) > 0;) bytes.append(chunk, got);
        std::fclose(f);
    }
    return bytes;
}

}  // namespace

// Input: a code-page byte, a byte of two field numbers, then the records,
// one per line.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2) return 0;
    testing_support::selectCodePage(data[0] & 1 ? 932 : 1252);
    const int key = (data[1] & 7) - 1, value = (data[1] >> 3 & 7) - 1;
    const std::string bytes(reinterpret_cast<const char*>(data) + 2, size - 2);

    quillet::CsvFields cursor(testing_support::codePage());
    for (const std::string& line : reference::splitLines(bytes)) {
        std::string record = line;
        record.reserve(record.size() + quillet::scan::overRead);
        cursor.split(record);
        check(cursor.splitText() == reference::librarySplit(line));
        std::string fields = cursor.splitText(), raw;
        for (int n = 1; n <= 3; ++n) {
            raw = reference::takeToken(fields, "\n");
            reference::unquoteField(raw);
            if (line.find('\0') == std::string::npos) check(getCSVField(line.c_str(), n) == raw);
        }
    }

    // The whole file at once, as the lines that reading it gives.
    std::list<std::string> lines;
    for (const std::string& line : reference::splitLines(reference::applyReadRules(bytes)))
        lines.push_back(reference::librarySplit(line));
    const std::string in = scratchFile("in.csv", bytes), out = scratchFile("out.ini", "");
    auto onDisk = [](const std::string& text) {
        std::string bytes;
        for (char c : text) bytes += c == '\n' ? "\r\n" : std::string(1, c);
        return bytes;
    };
    check(transCSVToINI(in.c_str(), out.c_str()) == (lines.empty() ? 0 : 1));
    if (!lines.empty()) check(fileBytes(out) == onDisk(reference::csvTableText(lines)));
    check(createINIFromCSVElement(in.c_str(), out.c_str(), "s", key, value, 0) == (lines.empty() ? 0 : 1));
    if (!lines.empty()) check(fileBytes(out) == onDisk(reference::csvElementText(lines, "s", key, value)));
    std::remove(in.c_str());
    std::remove(out.c_str());
    testing_support::selectCodePage(0);
    return 0;
}
