// The CSV exports: one field of a record, and the two conversions.
#include <string>

#include "csv/csv_convert.h"
#include "csv/csv_fields.h"
#include "frame/export.h"

using quillet::Module;
using quillet::guarded;
using quillet::guardedText;

extern "C" QUILLET_API const char* QUILLET_CALL getCSVField(const char* record, int fieldNo)
{
    return guardedText([&](Module& m) {
        // record may point into the result text: it is read whole first.
        std::string field = quillet::csvField(record, fieldNo, m.codePage);
        return m.result.take(field);
    });
}
QUILLET_TWIN(const char*, getCSVField, (const char* record, int fieldNo));

extern "C" QUILLET_API int QUILLET_CALL transCSVToINI(const char* csvFileName, const char* iniFileName)
{
    return guarded(0, [&](Module& m) { return quillet::writeCsvTable(csvFileName, iniFileName, m.codePage) ? 1 : 0; });
}
QUILLET_TWIN(int, transCSVToINI, (const char* csvFileName, const char* iniFileName));

extern "C" QUILLET_API int QUILLET_CALL createINIFromCSVElement(const char* csvFileName, const char* iniFileName,
                                                                const char* section, int keyField, int valueField,
                                                                int append)
{
    return guarded(0, [&](Module& m) {
        return quillet::writeCsvSection(csvFileName, iniFileName, section, keyField, valueField, append != 0,
                                        m.codePage)
                   ? 1
                   : 0;
    });
}
QUILLET_TWIN(int, createINIFromCSVElement,
             (const char* csvFileName, const char* iniFileName, const char* section, int keyField, int valueField,
              int append));
