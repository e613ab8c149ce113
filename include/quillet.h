/*
 * Quillet: text utilities for settings data.
 *
 * Every function is exported twice, under its plain name and under the same
 * name with a leading underscore (removeFile and _removeFile); both names lead
 * to the same code.  Texts are NUL-terminated byte strings in the ANSI code
 * page and must not be null.  A returned text points into the library's one
 * result buffer and stays valid only until the next call that returns a text
 * (or uses the buffer, as writeINIFile, changeSectionName and moveSection do):
 * copy what you want to keep.  Its memory stays readable until the next call
 * starts, even when that call's result needs a larger buffer.
 *
 * The library's state belongs to the process, not to a caller: one INI store,
 * one word list, one multi-line dictionary and one result buffer, shared by
 * every module of the process that loads the library (two plug-ins of one
 * host see each other's INI file and results).  The code page chosen with
 * setCodePage holds for all of them too.  Every call runs on the caller's
 * thread; the library starts none.  Calls must not overlap: one thread at a
 * time, or a lock around each call and its use of the result.
 *
 * An empty text can answer two questions: getKeyList gives "" both for a
 * section that does not exist and for one without keys (see there).
 */
#ifndef QUILLET_H
#define QUILLET_H

/* The version of this header and of the library it comes with. */
#define QUILLET_VERSION_MAJOR 0
#define QUILLET_VERSION_MINOR 1
#define QUILLET_VERSION_PATCH 0
#define QUILLET_VERSION_STRING "0.1.0"

#if defined(_WIN32)
#  define QUILLET_CALL __cdecl
#  define QUILLET_ENTRY_CALL __stdcall
#  if defined(QUILLET_BUILDING)
#    define QUILLET_API __declspec(dllexport)
#  else
#    define QUILLET_API __declspec(dllimport)
#  endif
#else
#  define QUILLET_CALL
#  define QUILLET_ENTRY_CALL
#  if defined(QUILLET_BUILDING)
#    define QUILLET_API __attribute__((visibility("default")))
#  else
#    define QUILLET_API
#  endif
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Library frame and text operations ---- */

/* 1 when the file was deleted, 0 otherwise; a directory is never removed. */
QUILLET_API int QUILLET_CALL removeFile(const char* fileName);
/* text with pattern replaced by replacement: the first count occurrences,
   all of them when count is negative, none when it is 0. */
QUILLET_API const char* QUILLET_CALL replace(const char* text, const char* pattern,
                                             const char* replacement, int count);
/* text with \n, \r, \t and \<any byte> resolved; an empty text returns the
   argument pointer itself. */
QUILLET_API const char* QUILLET_CALL parseBackSlashString(const char* text);

/* DllMain, the library entry, is exported too (once, under that name) and
   returns 1 for every reason; only the system loader calls it. */

/* ---- One-line dictionary ---- */

/* 1 when the file was read and the word list is not empty afterwards, else 0;
   each line of the file is appended as one word. */
QUILLET_API int QUILLET_CALL appendFileToOneLineDic(const char* fileName);
/* 1 (0 only when memory runs out, or the word list would pass 4 GB of text);
   text is appended whole as one word. */
QUILLET_API int QUILLET_CALL appendToOneLineDic(const char* text);
/* 1; the word list is empty afterwards. */
QUILLET_API int QUILLET_CALL clearOneLineDic(void);
/* 1; each run of equal adjacent words has shrunk to its first word. */
QUILLET_API int QUILLET_CALL uniqueOneLineDic(void);
/* 1; the words are in ascending byte order, the empty word first. */
QUILLET_API int QUILLET_CALL sortOneLineDic(void);
/* the number of "[word]" rows for the words that begin with prefix (all when
   it is empty), written to fileName unless that is empty; -1 when the file
   could not be written (the old file is then left as it was). */
QUILLET_API int QUILLET_CALL makeINIDB(const char* fileName, const char* prefix);

/* ---- INI section store ---- */

/* The number of sections of the file now loaded, or -1 when it cannot be
   read or holds no section (the store is then empty). */
QUILLET_API int QUILLET_CALL loadINIFile(const char* fileName);
/* 1 when the loaded file was written to fileName, 0 when writing failed. */
QUILLET_API int QUILLET_CALL writeINIFile(const char* fileName);
/* The section names, one per line; with a fileName, the number of rows
   written there as a "[sectionlist]" section ("-1" when writing failed). */
QUILLET_API const char* QUILLET_CALL getSectionList(const char* fileName, int append);
/* The keys of section, one per line; "" both when there is no such section
   and when the section has no keys.  With a fileName, the number of rows
   written as a "[keylist]" section ("0" for a section without keys), and ""
   with nothing written when there is no such section. */
QUILLET_API const char* QUILLET_CALL getKeyList(const char* section, const char* fileName,
                                                int append);
/* 1 when the section oldName was renamed to newName, else 0. */
QUILLET_API int QUILLET_CALL changeSectionName(const char* oldName, const char* newName);
/* 1 when the first line of oldKey in section was renamed to newKey, else 0. */
QUILLET_API int QUILLET_CALL changeKeyName(const char* section, const char* oldKey,
                                           const char* newKey);
/* 1 when the section at position from (1 is the first) now stands at
   position to, else 0. */
QUILLET_API int QUILLET_CALL moveSection(int from, int to);

/* ---- Multi-line dictionary ---- */

/* the number of entries loaded from fileName, each beginning at a line that
   starts with headMarker; -1 when headMarker is empty (the loaded entries
   stay) or the file cannot be read or has no lines (none stay). */
QUILLET_API int QUILLET_CALL loadMultiLineDic(const char* fileName, const char* headMarker);
/* the entry titles, each followed by "\n"; with a fileName, the number of
   "[titlelist]" rows written there as text; "-1" when nothing is loaded or
   the file could not be written. */
QUILLET_API const char* QUILLET_CALL getMultiLineDicTitle(const char* fileName);
/* the body of the number-th entry titled searchText (of the number-th entry
   when searchText is empty); with number -1, how many entries bear that
   title, as text; "" when nothing is found. */
QUILLET_API const char* QUILLET_CALL searchInMultiLineDic(const char* searchText, int number);

/* ---- CSV records and conversion ---- */

/* field fieldNo (from 1) of the CSV record, without its enclosing quotes and
   with doubled quotes made single; "" when fieldNo is below 1 or beyond the
   last field. */
QUILLET_API const char* QUILLET_CALL getCSVField(const char* record, int fieldNo);
/* 1 when iniFileName was replaced by the whole table of the CSV file (a
   [csvinfo] head, then one numbered section per record); 0 when the CSV file
   cannot be read or is empty, or the output cannot be written. */
QUILLET_API int QUILLET_CALL transCSVToINI(const char* csvFileName, const char* iniFileName);
/* 1 when one section of key="value" lines, a line per record, was written
   (appended after a line break when append is non-zero); field numbers count
   from 1, a keyField of 0 or less keys each line by its record's index, a
   valueField of 0 or less leaves the values empty; 0 as transCSVToINI. */
QUILLET_API int QUILLET_CALL createINIFromCSVElement(const char* csvFileName,
                                                     const char* iniFileName,
                                                     const char* section, int keyField,
                                                     int valueField, int append);

/* ---- Extensions ---- */

/* 1 when codePage is known and now selects the lead bytes (0: the platform
   default; 932, 936, 949, 950: double-byte; single-byte pages: none), else 0
   and nothing changes.  The choice is global: it holds for every caller in
   the process until the next setCodePage. */
QUILLET_API int QUILLET_CALL setCodePage(int codePage);

#ifdef __cplusplus
}
#endif

#endif /* QUILLET_H */
