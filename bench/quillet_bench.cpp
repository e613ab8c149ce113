// The benchmark's driver: makes the data files, and runs one library job in
// this process, either warm (a warm-up, then several timed runs) or once, as
// a host's whole job. bench.py starts one of these per job, so that the peak
// memory it reads is that of the job alone.
//
//   quillet_bench gen DIR SCALE [FILE...]
//   quillet_bench run LIBRARY JOB DIR RUNS QUICK_SECONDS [SWEEP_MB]
//   quillet_bench job LIBRARY JOB DIR
//   quillet_bench time REPORT COMMAND...
//
// "gen" makes every data file, or only the FILEs named.
//
// "run" is the warm figure. Before each run it sweeps the processor caches
// with a buffer of SWEEP_MB (96 by default), so that every run starts
// without the data in the cache. It sweeps from this
// process: a sweep from another process missed the caches that this one uses
// and left a half-size store largely cached. It prints three lines: input and
// output bytes and the bytes of the sweep buffer (always resident, to be
// taken off the process's peak); the wall seconds of each timed run; the
// processor seconds (user + system) of each.
//
// "job" is what a small host does once: load the library, read what the job
// needs, make the calls, write the output, exit. bench.py times the whole
// process; this prints one line: input and output bytes, and the wall
// seconds of the calls alone.
//
// "time" runs COMMAND as a whole process and writes to the file REPORT its
// wall seconds (from its start to its end), user and system seconds and peak
// bytes; its exit code is COMMAND's. bench.py starts every timed process,
// the library's and the peers', through it: a process that Python started
// would count Python's memory in its peak (the kernel keeps the peak across
// exec); one that this small program starts counts only this program's.
//
// The library is loaded at run time, so the same driver measures any build
// of it; an export it lacks makes the job fail with exit code 3 ("missing").
//
// Built for Windows, it offers "gen", "run" and "job", to measure a DLL under
// wine; "job" then adds a fourth number, the process's peak working set in
// bytes, since nothing outside wine sees the peak of the program alone.
#ifdef _WIN32
#define NOMINMAX
#include <windows.h>
#include <psapi.h>
#else
#include <dlfcn.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#endif

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

// ---- Deterministic data ----

// splitmix64: small, fast and the same everywhere.
struct Random {
    std::uint64_t state;
};

std::uint64_t next(Random& r)
{
    std::uint64_t z = (r.state += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

// A number in [0, n).
std::size_t below(Random& r, std::size_t n)
{
    return static_cast<std::size_t>(next(r) % n);
}

// True with probability 1/n.
bool oneIn(Random& r, std::size_t n)
{
    return below(r, n) == 0;
}

const char* const vocabulary[] = {
    "alpha", "amber", "basin", "cedar", "delta", "ember", "fable", "grove", "harbor", "ivory",
    "jasper", "kettle", "lantern", "meadow", "nectar", "orchid", "pepper", "quartz", "river",
    "saddle", "timber", "umber", "velvet", "willow", "yonder", "zephyr", "window", "paper",
    "stone", "cloud", "north", "south", "value", "level", "color", "width", "height", "path",
};

std::string word(Random& r)
{
    return vocabulary[below(r, sizeof vocabulary / sizeof vocabulary[0])];
}

// Shift-JIS characters, most with a trail byte of "\\", "[" or "]".
const char* const doubleByte[] = {
    "\x83\x5C", "\x95\x5C", "\x94\x5C", "\x8F\x5C", "\x90\x5C", "\xE0\x5C",  // trail "\\"
    "\x83\x5B", "\x8C\x5B", "\x89\x5B", "\x81\x5B",                          // trail "["
    "\x83\x5D", "\x8C\x5D", "\x89\x5D", "\x8E\x5D",                          // trail "]"
    "\x82\xA0", "\x93\xFA", "\x96\x7B",
};

// A run of one to four double-byte characters.
std::string doubleByteWord(Random& r)
{
    std::string w;
    for (std::size_t n = 1 + below(r, 4); n > 0; --n)
        w += doubleByte[below(r, sizeof doubleByte / sizeof doubleByte[0])];
    return w;
}

// A word, double-byte in about one case of three when sjis is set.
std::string mixedWord(Random& r, bool sjis)
{
    return sjis && oneIn(r, 3) ? doubleByteWord(r) : word(r);
}

// Words separated by blanks, at least `bytes` long.
std::string phrase(Random& r, std::size_t bytes, bool sjis)
{
    std::string s = mixedWord(r, sjis);
    while (s.size() < bytes) s += " " + mixedWord(r, sjis);
    return s;
}

class Output {
public:
    explicit Output(const std::string& path) : path_(path), f_(std::fopen(path.c_str(), "wb"))
    {
        if (!f_) throw std::runtime_error("cannot write " + path);
    }
    ~Output()
    {
        if (f_) std::fclose(f_);
    }
    void put(const std::string& s) { std::fwrite(s.data(), 1, s.size(), f_); }

private:
    std::string path_;
    std::FILE* f_;
};

// 200,000 sections at scale 1 (about 60 MB; a third of that in Shift-JIS):
// comments, blank and indented lines, CRLF.
void makeINI(const std::string& path, double scale, bool sjis)
{
    Random r{sjis ? 11u : 1u};
    const long sections = std::max(2L, std::lround((sjis ? 66000 : 200000) * scale));
    Output out(path);
    out.put("; settings for the benchmark\r\n; generated, do not edit\r\n\r\n");
    for (long s = 0; s < sections; ++s) {
        std::string t;
        char name[64];
        std::snprintf(name, sizeof name, "section_%06ld", s);
        if (oneIn(r, 50)) t += "  ";
        t += "[";
        if (sjis && oneIn(r, 2)) t += doubleByteWord(r) + "_";
        t += name;
        t += "]";
        if (oneIn(r, 8)) t += " ; " + phrase(r, 12, sjis);
        t += "\r\n";
        if (oneIn(r, 3)) t += "; " + phrase(r, 30, sjis) + "\r\n";
        if (oneIn(r, 10)) t += "# " + phrase(r, 20, sjis) + "\r\n";
        const std::size_t keys = 7 + below(r, 3);
        for (std::size_t k = 0; k < keys; ++k) {
            char key[32];
            std::snprintf(key, sizeof key, "key%02zu", k);
            if (oneIn(r, 6)) t += oneIn(r, 2) ? "\t" : "    ";
            t += key;
            t += oneIn(r, 4) ? " = " : "=";
            t += phrase(r, 14 + below(r, 14), sjis);
            t += "\r\n";
        }
        if (!oneIn(r, 5)) t += "\r\n";
        out.put(t);
    }
}

// One CSV field: plain, quoted with commas, quoted with doubled quotes, or empty.
std::string csvField(Random& r, std::size_t column, bool sjis)
{
    switch (column) {
    case 0:
        return std::to_string(next(r) % 1000000);
    case 2:
        return "\"" + phrase(r, 6, sjis) + ", " + phrase(r, 6, sjis) + "\"";
    case 3:
        return "\"said \"\"" + mixedWord(r, sjis) + "\"\" twice\"";
    case 4: {
        char f[32];
        std::snprintf(f, sizeof f, "%llu.%02llu", static_cast<unsigned long long>(next(r) % 10000),
                      static_cast<unsigned long long>(next(r) % 100));
        return f;
    }
    case 5:
        return oneIn(r, 3) ? std::string() : mixedWord(r, sjis);
    case 6: {
        char d[32];
        std::snprintf(d, sizeof d, "2024-%02llu-%02llu", static_cast<unsigned long long>(1 + next(r) % 12),
                      static_cast<unsigned long long>(1 + next(r) % 28));
        return d;
    }
    default:
        return phrase(r, 8 + below(r, 16), sjis);
    }
}

// About 100 MB at scale 1 (20 MB in Shift-JIS): records of 8 fields, some
// ending with ",".
void makeCSV(const std::string& path, double scale, bool sjis)
{
    Random r{sjis ? 12u : 2u};
    const unsigned long long target = static_cast<unsigned long long>((sjis ? 20e6 : 100e6) * scale);
    Output out(path);
    std::string t = "id,name,place,quote,price,tag,date,note\r\n";
    unsigned long long written = 0;
    while (written < target) {
        for (std::size_t c = 0; c < 8; ++c) {
            if (c > 0) t += ',';
            // A record ending with "," has an empty last field.
            if (c == 7 && oneIn(r, 10)) break;
            t += csvField(r, c, sjis);
        }
        t += "\r\n";
        if (t.size() > (1 << 16)) {
            out.put(t);
            written += t.size();
            t.clear();
        }
    }
    out.put(t);
}

// The words, one a line.
void writeLines(const std::string& path, const std::vector<std::string>& words)
{
    Output out(path);
    std::string t;
    for (const std::string& w : words) {
        t += w;
        t += '\n';
        if (t.size() > (1 << 16)) {
            out.put(t);
            t.clear();
        }
    }
    out.put(t);
}

// 5,000,000 words at scale 1, of 1 to 20 letters, about a third repeats.
void makeWords(const std::string& path, double scale)
{
    Random r{3};
    const long count = std::max(2L, std::lround(5000000 * scale));
    std::vector<std::string> words;
    words.reserve(count);
    for (long i = 0; i < count; ++i) {
        if (i > 0 && oneIn(r, 3)) {
            words.push_back(words[below(r, words.size())]);
            continue;
        }
        std::string w(1 + below(r, 20), ' ');
        for (char& c : w) c = static_cast<char>(oneIn(r, 8) ? 'A' + below(r, 26) : 'a' + below(r, 26));
        words.push_back(w);
    }
    writeLines(path, words);
}

// 5,000,000 words at scale 1 as a text's words come: drawn by Zipf's law
// (exponent 1) from a vocabulary of 250,000 made-up words of one to three
// syllables, the frequent words short, as in a real language; one word in
// ten capitalized, as at the start of a sentence.
void makeTextWords(const std::string& path, double scale)
{
    static const char* const onsets[] = {"",  "b", "br", "c", "ch", "d",  "f", "fl", "g",  "gr",
                                         "h", "j", "k",  "l", "m",  "n",  "p", "pl", "qu", "r",
                                         "s", "sh", "st", "t", "th", "tr", "v", "w",  "y",  "z"};
    static const char* const vowels[] = {"a", "e", "i", "o", "u", "ea", "ou", "ai", "y", "ee"};
    static const char* const codas[] = {"", "", "", "n", "r", "s", "t", "l", "nd", "ng", "st", "ck", "m"};
    auto pick = [](Random& r, const auto& from) { return from[below(r, sizeof from / sizeof from[0])]; };

    Random r{6};
    const std::size_t vocabulary = 250000;
    std::vector<std::string> words(vocabulary);
    std::vector<double> cumulative(vocabulary);
    double total = 0;
    for (std::size_t rank = 0; rank < vocabulary; ++rank) {
        // Ranks 1-999: one syllable; 1,000-9,999: one or two; rarer words:
        // two or three.
        const std::size_t least = rank < 10000 ? 1 : 2;
        const std::size_t most = rank < 1000 ? 1 : rank < 10000 ? 2 : 3;
        for (std::size_t s = least + below(r, most - least + 1); s > 0; --s)
            words[rank] += std::string(pick(r, onsets)) + pick(r, vowels) + pick(r, codas);
        total += 1.0 / static_cast<double>(rank + 1);
        cumulative[rank] = total;
    }
    const long count = std::max(2L, std::lround(5000000 * scale));
    std::vector<std::string> text;
    text.reserve(count);
    for (long i = 0; i < count; ++i) {
        const double u = static_cast<double>(next(r) >> 11) * 0x1.0p-53 * total;
        const std::size_t rank = std::min<std::size_t>(
            vocabulary - 1, std::upper_bound(cumulative.begin(), cumulative.end(), u) - cumulative.begin());
        text.push_back(words[rank]);
        if (oneIn(r, 10)) text.back()[0] = static_cast<char>(text.back()[0] - 'a' + 'A');
    }
    writeLines(path, text);
}

// 500,000 entries at scale 1, each a "#" head line and up to four body lines,
// a few titles twice; and the 1,000 search texts: titles spread over the
// whole file, some absent, some with the entry's first body line after a
// line break (written as "\n" in the file of search texts).
void makeDictionary(const std::string& path, const std::string& searchPath, double scale)
{
    Random r{4};
    const long entries = std::max(10L, std::lround(500000 * scale));
    std::vector<std::string> titles, firstLines;
    Output out(path);
    out.put("Benchmark dictionary\r\nentries follow\r\n");
    std::string t;
    for (long e = 0; e < entries; ++e) {
        char title[48];
        if (e > 0 && oneIn(r, 20))
            std::snprintf(title, sizeof title, "%s", titles[below(r, titles.size())].c_str());
        else
            std::snprintf(title, sizeof title, "#term%07ld", e);
        titles.push_back(title);
        t += title;
        t += "\r\n";
        const std::size_t lines = below(r, 5);
        std::string first;
        for (std::size_t l = 0; l < lines; ++l) {
            std::string line = phrase(r, 20 + below(r, 30), false);
            if (l == 0) first = line;
            t += line + "\r\n";
        }
        firstLines.push_back(first);
        if (t.size() > (1 << 16)) {
            out.put(t);
            t.clear();
        }
    }
    out.put(t);

    Output searches(searchPath);
    for (int i = 0; i < 1000; ++i) {
        const std::size_t e = below(r, titles.size());
        if (i % 10 == 9) {
            searches.put("#absent" + std::to_string(i) + "\n");
        } else if (i % 50 == 7 && !firstLines[e].empty()) {
            searches.put(titles[e] + "\\n" + firstLines[e] + "\n");
        } else {
            searches.put(titles[e] + "\n");
        }
    }
}

// About 100 MB at scale 1 (20 MB in Shift-JIS) of text with the pattern
// "quill" and backslash escapes all over; the Shift-JIS text also holds
// "quill" right after a lead byte, which is no occurrence.
void makeText(const std::string& path, double scale, bool sjis)
{
    Random r{sjis ? 15u : 5u};
    const unsigned long long target = static_cast<unsigned long long>((sjis ? 20e6 : 100e6) * scale);
    static const char* const escapes[] = {"\\n", "\\t", "\\\\", "\\\"", "\\r"};
    Output out(path);
    std::string t;
    unsigned long long written = 0;
    while (written < target) {
        for (std::size_t w = 5 + below(r, 10); w > 0; --w) {
            const std::size_t pick = below(r, 10);
            if (pick == 0)
                t += "quill";
            else if (pick == 1)
                t += escapes[below(r, 5)];
            else if (pick == 2 && sjis)
                t += "\x83quill";
            else
                t += mixedWord(r, sjis);
            t += ' ';
        }
        t += '\n';
        if (t.size() > (1 << 16)) {
            out.put(t);
            written += t.size();
            t.clear();
        }
    }
    out.put(t);
}

// Makes the data files named in only (all when it is empty).
int generate(const std::string& dir, double scale, const std::vector<std::string>& only)
{
    const std::map<std::string, std::function<void(const std::string&)>> makers = {
        {"settings.ini", [=](const std::string& p) { makeINI(p, scale, false); }},
        {"settings-sjis.ini", [=](const std::string& p) { makeINI(p, scale, true); }},
        {"table.csv", [=](const std::string& p) { makeCSV(p, scale, false); }},
        {"table-sjis.csv", [=](const std::string& p) { makeCSV(p, scale, true); }},
        {"words.txt", [=](const std::string& p) { makeWords(p, scale); }},
        {"text-words.txt", [=](const std::string& p) { makeTextWords(p, scale); }},
        {"dictionary.txt", [=](const std::string& p) { makeDictionary(p, dir + "/searches.txt", scale); }},
        {"text.txt", [=](const std::string& p) { makeText(p, scale, false); }},
        {"text-sjis.txt", [=](const std::string& p) { makeText(p, scale, true); }},
    };
    for (const std::string& name : only) {
        if (!makers.count(name)) {
            std::fprintf(stderr, "no data file %s\n", name.c_str());
            return 2;
        }
    }
    std::filesystem::create_directories(dir);
    for (const auto& maker : makers)
        if (only.empty() || std::find(only.begin(), only.end(), maker.first) != only.end())
            maker.second(dir + "/" + maker.first);
    return 0;
}

// ---- Timing ----

struct Missing : std::runtime_error {
    using std::runtime_error::runtime_error;
};

#ifdef _WIN32
HMODULE library = nullptr;

bool loadLibrary(const std::string& path)
{
    library = LoadLibraryA(path.c_str());
    if (!library) std::fprintf(stderr, "cannot load %s: error %lu\n", path.c_str(), GetLastError());
    return library != nullptr;
}

template <class Fn>
Fn exported(const char* name)
{
    FARPROC p = GetProcAddress(library, name);
    if (!p) throw Missing(name);
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(p));
}
#else
void* library = nullptr;

bool loadLibrary(const std::string& path)
{
    library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!library) std::fprintf(stderr, "cannot load %s: %s\n", path.c_str(), dlerror());
    return library != nullptr;
}

template <class Fn>
Fn exported(const char* name)
{
    void* p = dlsym(library, name);
    if (!p) throw Missing(name);
    return reinterpret_cast<Fn>(p);
}
#endif

// -1 when the file cannot be looked at. (ftell's long has 32 bits on
// Windows, too few for the large tables.)
long long fileSize(const std::string& path)
{
    std::error_code error;
    const auto n = std::filesystem::file_size(path, error);
    return error ? -1 : static_cast<long long>(n);
}

// A file's bytes with a NUL after them.
struct Text {
    std::unique_ptr<char[]> bytes;
    std::size_t size = 0;
};

// Reads as a C host does: into memory that is not cleared first.
Text readAll(const std::string& path)
{
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) throw std::runtime_error("cannot read " + path);
    std::fseek(f, 0, SEEK_END);
    const std::size_t size = static_cast<std::size_t>(std::ftell(f));
    std::fseek(f, 0, SEEK_SET);
    Text t;
    t.bytes.reset(new char[size + 1]);
    t.size = std::fread(t.bytes.get(), 1, size, f);
    t.bytes[t.size] = '\0';
    std::fclose(f);
    return t;
}

void writeAll(const std::string& path, const char* data, std::size_t size)
{
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) throw std::runtime_error("cannot write " + path);
    bool ok = std::fwrite(data, 1, size, f) == size;
    ok = std::fclose(f) == 0 && ok;
    if (!ok) throw std::runtime_error("cannot write " + path);
}

void check(bool ok, const std::string& what)
{
    if (!ok) throw std::runtime_error(what);
}

std::vector<std::string> lines(const std::string& text)
{
    std::vector<std::string> all;
    for (std::size_t pos = 0; pos < text.size();) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string::npos) end = text.size();
        all.push_back(text.substr(pos, end - pos));
        pos = end + 1;
    }
    return all;
}

// One job: what it reads (for MB/s), the code page, a setup, the calls
// (they return the output's size in bytes), and a last step that leaves the
// output in a file. Warm, only the calls are timed, again and again; as a
// host's whole job, all three run once.
struct Operation {
    std::string input;
    int codePage;
    std::function<void()> setup;
    std::function<long long()> body;
    std::function<void()> finish = [] {};
};

using IntFn0 = int (*)();
using IntFn1 = int (*)(const char*);
using TextFn = const char* (*)(const char*, int);

Operation operation(const std::string& name, const std::string& dir)
{
    const std::string out = dir + "/out-" + name;
    auto loadINI = exported<IntFn1>("loadINIFile");
    auto writeINI = exported<IntFn1>("writeINIFile");
    auto iniLoadWrite = [=](const std::string& in) {
        return [=] {
            check(loadINI(in.c_str()) > 0, "loadINIFile failed");
            check(writeINI(out.c_str()) == 1, "writeINIFile failed");
            return fileSize(out);
        };
    };
    if (name == "ini") return {dir + "/settings.ini", 0, [] {}, iniLoadWrite(dir + "/settings.ini")};
    if (name == "ini-sjis")
        return {dir + "/settings-sjis.ini", 932, [] {}, iniLoadWrite(dir + "/settings-sjis.ini")};

    // The queries and edits work on the loaded benchmark file, whose
    // sections are named section_000000 on.
    const std::string ini = dir + "/settings.ini";
    auto sections = std::make_shared<int>(0);
    auto last = std::make_shared<std::string>();
    auto loadOnce = [=] {
        *sections = loadINI(ini.c_str());
        check(*sections > 0, "loadINIFile failed");
        char name[32];
        std::snprintf(name, sizeof name, "section_%06d", *sections - 1);
        *last = name;
    };
    if (name == "ini-load")
        return {ini, 0, [] {}, [=] {
                    check(loadINI(ini.c_str()) > 0, "loadINIFile failed");
                    return 0LL;
                }};
    if (name == "ini-sections") {
        auto list = exported<const char* (*)(const char*, int)>("getSectionList");
        return {ini, 0, loadOnce, [=] { return static_cast<long long>(std::strlen(list("", 0))); }};
    }
    if (name == "ini-keys") {
        auto keys = exported<const char* (*)(const char*, const char*, int)>("getKeyList");
        return {ini, 0, loadOnce, [=] {
                    std::size_t n = std::strlen(keys(last->c_str(), "", 0));
                    check(n > 0, "getKeyList found no keys");
                    return static_cast<long long>(n);
                }};
    }
    if (name == "ini-edit") {
        auto rename = exported<int (*)(const char*, const char*, const char*)>("changeKeyName");
        auto flip = std::make_shared<bool>(false);
        return {ini, 0, loadOnce, [=] {
                    // Back and forth, so that every run finds its key.
                    *flip = !*flip;
                    check(rename(last->c_str(), *flip ? "key00" : "renamed00", *flip ? "renamed00" : "key00") == 1,
                          "changeKeyName failed");
                    return 0LL;
                }};
    }
    if (name == "ini-move") {
        auto move = exported<int (*)(int, int)>("moveSection");
        auto flip = std::make_shared<bool>(false);
        return {ini, 0, loadOnce, [=] {
                    *flip = !*flip;
                    check(*flip ? move(*sections, 1) : move(1, *sections), "moveSection failed");
                    return 0LL;
                }};
    }

    if (name == "csv" || name == "csv-sjis") {
        auto trans = exported<int (*)(const char*, const char*)>("transCSVToINI");
        const std::string in = dir + (name == "csv" ? "/table.csv" : "/table-sjis.csv");
        return {in, name == "csv" ? 0 : 932, [] {}, [=] {
                    check(trans(in.c_str(), out.c_str()) == 1, "transCSVToINI failed");
                    return fileSize(out);
                }};
    }
    if (name == "csv-element") {
        auto create = exported<int (*)(const char*, const char*, const char*, int, int, int)>(
            "createINIFromCSVElement");
        const std::string in = dir + "/table.csv";
        return {in, 0, [] {}, [=] {
                    // Each record's id as key, its name as value.
                    check(create(in.c_str(), out.c_str(), "table", 1, 2, 0) == 1, "createINIFromCSVElement failed");
                    return fileSize(out);
                }};
    }
    if (name == "words" || name == "text-words") {
        auto clear = exported<IntFn0>("clearOneLineDic");
        auto append = exported<IntFn1>("appendFileToOneLineDic");
        auto sort = exported<IntFn0>("sortOneLineDic");
        auto unique = exported<IntFn0>("uniqueOneLineDic");
        auto make = exported<int (*)(const char*, const char*)>("makeINIDB");
        const std::string in = dir + "/" + name + ".txt";
        return {in, 0, [] {}, [=] {
                    clear();
                    check(append(in.c_str()) == 1, "appendFileToOneLineDic failed");
                    sort();
                    unique();
                    check(make(out.c_str(), "") > 0, "makeINIDB failed");
                    return fileSize(out);
                }};
    }
    if (name == "dictionary") {
        auto load = exported<int (*)(const char*, const char*)>("loadMultiLineDic");
        auto search = exported<TextFn>("searchInMultiLineDic");
        const std::string in = dir + "/dictionary.txt";
        auto searches = std::make_shared<std::vector<std::string>>();
        auto answers = std::make_shared<std::string>();
        return {in, 0,
                [=] {
                    const Text all = readAll(dir + "/searches.txt");
                    for (std::string s : lines(std::string(all.bytes.get(), all.size))) {
                        for (std::size_t at; (at = s.find("\\n")) != std::string::npos;) s.replace(at, 2, "\n");
                        searches->push_back(s);
                    }
                },
                [=] {
                    // The first entry's body for every search text, then
                    // every count, one a line: what the Python peer writes.
                    check(load(in.c_str(), "#") > 0, "loadMultiLineDic failed");
                    answers->clear();
                    long long found = 0;
                    for (const std::string& s : *searches) {
                        const char* body = search(s.c_str(), 1);
                        found += *body != '\0';
                        *answers += body;
                        *answers += '\n';
                    }
                    for (const std::string& s : *searches) {
                        *answers += search(s.c_str(), -1);
                        *answers += '\n';
                    }
                    answers->pop_back();
                    check(found > 0, "no search found its entry");
                    return static_cast<long long>(answers->size());
                },
                [=] { writeAll(out, answers->data(), answers->size()); }};
    }
    // Warm, the call alone on a text already read; as a whole job the host
    // reads the file, calls and writes the result.
    auto text = std::make_shared<Text>();
    auto result = std::make_shared<const char*>(nullptr);
    auto writeResult = [=] { writeAll(out, *result, std::strlen(*result)); };
    if (name == "replace" || name == "replace-sjis") {
        auto replace = exported<const char* (*)(const char*, const char*, const char*, int)>("replace");
        const std::string in = dir + (name == "replace" ? "/text.txt" : "/text-sjis.txt");
        return {in, name == "replace" ? 0 : 932, [=] { *text = readAll(in); },
                [=] {
                    *result = replace(text->bytes.get(), "quill", "feather pen", -1);
                    std::size_t n = std::strlen(*result);
                    check(n > text->size, "replace changed nothing");
                    return static_cast<long long>(n);
                },
                writeResult};
    }
    if (name == "unescape" || name == "unescape-sjis") {
        auto parse = exported<const char* (*)(const char*)>("parseBackSlashString");
        const std::string in = dir + (name == "unescape" ? "/text.txt" : "/text-sjis.txt");
        return {in, name == "unescape" ? 0 : 932, [=] { *text = readAll(in); },
                [=] {
                    *result = parse(text->bytes.get());
                    std::size_t n = std::strlen(*result);
                    check(n < text->size, "parseBackSlashString resolved nothing");
                    return static_cast<long long>(n);
                },
                writeResult};
    }
    throw std::runtime_error("unknown job " + name);
}

double seconds(std::chrono::steady_clock::time_point from)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - from).count();
}

// User and system time of this process so far: unlike the wall time it
// hardly grows when other programs take the processors.
double processorSeconds()
{
#ifdef _WIN32
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) return 0;
    auto ticks = [](const FILETIME& t) { return (static_cast<ULONGLONG>(t.dwHighDateTime) << 32) | t.dwLowDateTime; };
    return static_cast<double>(ticks(kernel) + ticks(user)) / 1e7;  // 100 ns ticks
#else
    struct rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
#endif
}

// Reads and writes every cache line of sweep: memset writes buffers this
// large around the caches and would evict nothing.
void sweepCaches(std::vector<char>& sweep)
{
    static unsigned char pass = 0;
    ++pass;
    for (std::size_t i = 0; i < sweep.size(); i += 64) sweep[i] = static_cast<char>(sweep[i] + pass);
}

// Loads the library, makes the job and sets its code page, then hands the
// job to work; the exit code: work's, 2 when the library cannot be loaded,
// 3 when it lacks an export, 1 on any other failure.
int withJob(const std::string& libraryPath, const std::string& name, const std::string& dir,
            const std::function<int(Operation&)>& work)
{
    if (!loadLibrary(libraryPath)) return 2;
    try {
        Operation op = operation(name, dir);
        if (op.codePage != 0) check(exported<int (*)(int)>("setCodePage")(op.codePage) == 1, "setCodePage failed");
        return work(op);
    } catch (const Missing& e) {
        std::fprintf(stderr, "the library has no export %s\n", e.what());
        return 3;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s: %s\n", name.c_str(), e.what());
        return 1;
    }
}

// sweepBytes: larger than the processor caches (96 MB by default).
int run(const std::string& libraryPath, const std::string& name, const std::string& dir, int runs,
        double quickSeconds, std::size_t sweepBytes)
{
    // Taken and touched first, so that all of it counts in the peak from the
    // start and can be taken off exactly.
    std::vector<char> sweep(sweepBytes);
    sweepCaches(sweep);
    return withJob(libraryPath, name, dir, [&](Operation& op) {
        op.setup();
        long long output = op.body();  // warm-up
        // Quick operations run until quickSeconds are spent in them, for a
        // steadier median.
        std::vector<double> times, processor;
        double timed = 0;
        while (static_cast<int>(times.size()) < runs || (timed < quickSeconds && times.size() < 200)) {
            sweepCaches(sweep);
            auto t0 = std::chrono::steady_clock::now();
            double c0 = processorSeconds();
            output = op.body();
            times.push_back(seconds(t0));
            processor.push_back(processorSeconds() - c0);
            timed += times.back();
        }
        op.finish();
        std::printf("%lld %lld %zu\n", fileSize(op.input), output, sweepBytes);
        for (double t : times) std::printf(" %.9f", t);
        std::printf("\n");
        for (double t : processor) std::printf(" %.9f", t);
        std::printf("\n");
        return 0;
    });
}

// The whole job once, as a host does it.
int job(const std::string& libraryPath, const std::string& name, const std::string& dir)
{
    return withJob(libraryPath, name, dir, [&](Operation& op) {
        op.setup();
        auto t0 = std::chrono::steady_clock::now();
        long long output = op.body();
        double calls = seconds(t0);
        op.finish();
#ifdef _WIN32
        PROCESS_MEMORY_COUNTERS memory{};
        GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory);
        std::printf("%lld %lld %.9f %llu\n", fileSize(op.input), output, calls,
                    static_cast<unsigned long long>(memory.PeakWorkingSetSize));
#else
        std::printf("%lld %lld %.9f\n", fileSize(op.input), output, calls);
#endif
        return 0;
    });
}

#ifndef _WIN32
double microseconds(const timeval& t)
{
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
}

// Runs command (null-terminated) and writes its figures to report.
int timeCommand(const std::string& report, char** command)
{
    pid_t pid;
    auto t0 = std::chrono::steady_clock::now();
    int error = posix_spawnp(&pid, command[0], nullptr, nullptr, command, environ);
    if (error != 0) {
        std::fprintf(stderr, "cannot start %s: %s\n", command[0], std::strerror(error));
        return 127;
    }
    int status = 0;
    struct rusage usage;
    if (wait4(pid, &status, 0, &usage) < 0) {
        std::perror("wait4");
        return 127;
    }
    double wall = seconds(t0);
    std::FILE* f = std::fopen(report.c_str(), "w");
    if (!f || std::fprintf(f, "%.9f %.6f %.6f %lld\n", wall, microseconds(usage.ru_utime),
                           microseconds(usage.ru_stime), static_cast<long long>(usage.ru_maxrss) * 1024) < 0 ||
        std::fclose(f) != 0) {
        std::fprintf(stderr, "cannot write %s\n", report.c_str());
        return 127;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}
#endif

}  // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() >= 3 && args[0] == "gen")
        return generate(args[1], std::atof(args[2].c_str()), std::vector<std::string>(args.begin() + 3, args.end()));
    if ((args.size() == 6 || args.size() == 7) && args[0] == "run")
        return run(args[1], args[2], args[3], std::atoi(args[4].c_str()), std::atof(args[5].c_str()),
                   static_cast<std::size_t>(args.size() == 7 ? std::atoi(args[6].c_str()) : 96) << 20);
    if (args.size() == 4 && args[0] == "job") return job(args[1], args[2], args[3]);
#ifndef _WIN32
    if (args.size() >= 3 && args[0] == "time") return timeCommand(args[1], argv + 3);
#endif
#ifdef _WIN32
    const char* timeUsage = "";
#else
    const char* timeUsage = " | time REPORT COMMAND...";
#endif
    std::fprintf(stderr,
                 "usage: quillet_bench gen DIR SCALE [FILE...] | run LIBRARY JOB DIR RUNS QUICK_SECONDS [SWEEP_MB]"
                 " | job LIBRARY JOB DIR%s\n",
                 timeUsage);
    return 2;
}
