// Loading an INI file into iniSections and writing the store back.
#include "frame/export.h"
#include "ini/ini_store.h"
#include "text/text_file.h"

namespace {

// Replaces text by the store's blocks joined in order, each made to end
// with "\n". The room that text already has is used first.
void joinBlocks(const Store& store, std::string& text)
{
    std::size_t total = 0;
    for (const std::string& block : store) total += block.size() + 1;
    text.clear();
    reserveLarge(text, total);
    for (const std::string& block : store) {
        text += block;
        if (!text.empty() && text.back() != '\n') text.push_back('\n');
    }
}

}  // namespace

extern "C" QUILLET_API int QUILLET_CALL loadINIFile(const char* fileName)
{
    // Emptied before anything can fail, and filled only once whole: a failed
    // load leaves the store empty, never holding part of a file. The old
    // blocks lend their room to the new ones.
    Store old;
    old.swap(iniSections);
    SectionIndex index;
    reclaimSectionIndex(index);
    const int result = guarded(-1, [&] {
        Store blocks;
        if (!loadINIBlocks(fileName, blocks, old, iniPiece, &index)) return -1;
        if (blocks.empty()) return -1;
        iniSections.swap(blocks);
        useSectionIndex(index);
        return static_cast<int>(iniSections.size() - 1);
    });
    clearStore(old);
    return result;
}
QUILLET_TWIN(int, loadINIFile, (const char* fileName));

extern "C" QUILLET_API int QUILLET_CALL writeINIFile(const char* fileName)
{
    return guarded(0, [&] {
        std::string name(fileName);  // may point into resultText
        joinBlocks(iniSections, resultText);
        return writeTextFile(name.c_str(), resultText, false) ? 1 : 0;
    });
}
QUILLET_TWIN(int, writeINIFile, (const char* fileName));
