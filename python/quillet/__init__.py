"""Quillet from Python: text utilities for settings data.

    import quillet
    quillet.ini.load("settings.ini")          # number of sections
    quillet.ini.keys("window")                # ['width', 'height']
    quillet.ini.rename_key("window", "width", "columns")
    quillet.ini.write("settings.ini")

Texts are `str`, encoded with the encoding that `set_encoding` chooses (UTF-8
on Linux, the ANSI code page on Windows), or `bytes` in and out after
`set_encoding(None)`. File names follow the file system's own encoding.
Failures raise `FileError` (an OSError with the file name), `NoMatchError`
(a LookupError) or ValueError; no result is -1 or "-1".

The library keeps its state per process: `ini`, `words` and `dictionary` are
its one INI store, word list and multi-line dictionary, shared by every
module of the process that uses the library. Each call holds `lock`; hold it
yourself to keep several calls together (it may be taken again inside).
"""
import codecs
import os
import sys
import threading

from . import _native
from ._errors import Error, FileError, LibraryNotFoundError, NoMatchError

__version__ = "0.1.0"
__all__ = [
    "Error", "FileError", "LibraryNotFoundError", "NoMatchError",
    "lock", "library_path", "set_encoding", "get_encoding",
    "remove_file", "replace", "parse_backslash_string", "set_code_page",
    "get_csv_field", "trans_csv_to_ini", "create_ini_from_csv_element",
    "IniStore", "WordList", "MultiLineDic", "ini", "words", "dictionary",
]

lock = threading.RLock()
_DEFAULT_ENCODING = "mbcs" if sys.platform == "win32" else "utf-8"
_encoding = _DEFAULT_ENCODING
_library = None
_library_path = None


def _lib():
    """The loaded library (loaded on first use)."""
    global _library, _library_path
    with lock:
        if _library is None:
            _library, _library_path = _native.load()
        return _library


def _call(name, *arguments):
    """Calls one export under the lock; a text result comes back as bytes,
    copied out of the library's buffer before the lock is released."""
    with lock:
        return getattr(_lib(), name)(*arguments)


def library_path():
    """The path (or, found on the system's path, the name) of the loaded library."""
    _lib()
    return _library_path


def set_encoding(encoding):
    """Sets the encoding of texts in and out (a codec name), or None for bytes."""
    global _encoding
    if encoding is not None:
        codecs.lookup(encoding)
    with lock:
        _encoding = encoding


def get_encoding():
    """The encoding of texts, or None when they are bytes."""
    return _encoding


def _no_nul(data, what):
    if b"\0" in data:
        raise ValueError("%s holds a NUL byte" % what)
    return data


def _text(value, what="text"):
    """A text argument as the library's bytes."""
    if isinstance(value, (bytes, bytearray)):
        return _no_nul(bytes(value), what)
    if isinstance(value, str) and _encoding is not None:
        return _no_nul(value.encode(_encoding, "surrogateescape"), what)
    wanted = "bytes" if _encoding is None else "str or bytes"
    raise TypeError("%s must be %s, not %s" % (what, wanted, type(value).__name__))


def _path(value):
    """A file name as the library's bytes: the file system's encoding on
    POSIX, the ANSI code page on Windows (the library opens files with it)."""
    value = os.fspath(value)
    if isinstance(value, str):
        value = value.encode("mbcs") if sys.platform == "win32" else os.fsencode(value)
    if not value:
        raise ValueError("the file name is empty")
    return _no_nul(value, "the file name")


def _result(data):
    """A text result in the caller's type."""
    return data if _encoding is None else data.decode(_encoding, "surrogateescape")


def _lines(data, terminated=False):
    """A list text (items joined by, or each followed by, a line break) as a list."""
    if terminated and data.endswith(b"\n"):
        data = data[:-1]
    return [_result(item) for item in data.split(b"\n")] if data else []


def _rows(data, path):
    """The row count that an export returns as text after writing a list file."""
    if data == b"-1":
        raise FileError("cannot write the list file", path)
    return int(data)


# ---- Text operations and files ----

def remove_file(path):
    """Deletes a file (never a directory). removeFile"""
    if not _call("removeFile", _path(path)):
        raise FileError("cannot remove the file", path)


def replace(text, pattern, replacement, count=-1):
    """text with the first `count` occurrences of pattern replaced (all when
    count is negative); a match never starts on a trail byte. replace"""
    return _result(_call("replace", _text(text), _text(pattern, "pattern"),
                         _text(replacement, "replacement"), count))


def parse_backslash_string(text):
    """text with \\n, \\r, \\t and \\<any character> resolved. parseBackSlashString"""
    return _result(_call("parseBackSlashString", _text(text)))


def set_code_page(code_page):
    """Selects the lead bytes of a code page (932, 936, 949, 950: double-byte;
    0: the platform default) for every caller in the process; ValueError
    for a code page the library does not know. Choose the matching
    encoding with set_encoding. setCodePage"""
    if not _call("setCodePage", code_page):
        raise ValueError("unknown code page %r" % code_page)


def get_csv_field(record, field_no):
    """Field field_no (from 1) of a CSV record, unquoted; "" when there is
    none. getCSVField"""
    return _result(_call("getCSVField", _text(record, "record"), field_no))


def trans_csv_to_ini(csv_path, ini_path):
    """Replaces ini_path with the "[csvinfo]" table of the CSV file. transCSVToINI"""
    if not _call("transCSVToINI", _path(csv_path), _path(ini_path)):
        raise FileError("cannot read the CSV file (or it is empty) or write the INI file",
                        csv_path, ini_path)


def create_ini_from_csv_element(csv_path, ini_path, section, key_field=0, value_field=0,
                                append=False):
    """Writes one [section] of key="value" lines, a line per record, from
    columns key_field and value_field (from 1; 0: the record's number as
    key, an empty value). createINIFromCSVElement"""
    if not _call("createINIFromCSVElement", _path(csv_path), _path(ini_path),
                 _text(section, "section"), key_field, value_field, int(bool(append))):
        raise FileError("cannot read the CSV file (or it is empty) or write the INI file",
                        csv_path, ini_path)


# ---- The stores: one each per process ----

class _ProcessStore:
    """A store of the library: there is one per process, so every instance
    is the same object."""
    _instance = None
    _label = ""

    def __new__(cls):
        if cls.__dict__.get("_instance") is None:
            cls._instance = super().__new__(cls)
        return cls._instance

    def __repr__(self):
        return "<quillet.%s: the one %s of this process>" % (self._name, self._label)


class IniStore(_ProcessStore):
    """The INI store: one INI file held in memory. Sections are counted from 1
    in moves, in the order of the loaded (and moved) file."""
    _name, _label = "ini", "INI store"

    def load(self, path):
        """Loads an INI file in place of the one held; the number of sections.
        FileError when it cannot be read or holds no section (nothing is held
        then). loadINIFile"""
        count = _call("loadINIFile", _path(path))
        if count < 0:
            raise FileError("cannot read the INI file, or it holds no section", path)
        return count

    def write(self, path):
        """Writes the file held to path (replaced whole, or left as it was on
        failure). writeINIFile"""
        if not _call("writeINIFile", _path(path)):
            raise FileError("cannot write the INI file", path)

    def sections(self):
        """The section names in file order. getSectionList"""
        return _lines(_call("getSectionList", b"", 0))

    def write_sections(self, path, append=False):
        """Writes the names as a "[sectionlist]" section; the number of rows.
        getSectionList"""
        return _rows(_call("getSectionList", _path(path), int(bool(append))), path)

    def keys(self, section):
        """The keys of the first section so named, in line order; [] both for
        no such section and for a section without keys. getKeyList"""
        return _lines(_call("getKeyList", _text(section, "section"), b"", 0))

    def write_keys(self, section, path, append=False):
        """Writes the keys as a "[keylist]" section; the number of rows.
        NoMatchError when there is no such section. getKeyList"""
        data = _call("getKeyList", _text(section, "section"), _path(path), int(bool(append)))
        if not data:
            raise NoMatchError("no section %r" % (section,))
        return _rows(data, path)

    def rename_section(self, old_name, new_name):
        """Renames the first section old_name. changeSectionName"""
        if not _call("changeSectionName", _text(old_name, "old_name"), _text(new_name, "new_name")):
            raise NoMatchError("no section %r to rename (or a name is empty)" % (old_name,))

    def rename_key(self, section, old_key, new_key):
        """Renames old_key on its first line in the section. changeKeyName"""
        if not _call("changeKeyName", _text(section, "section"), _text(old_key, "old_key"),
                     _text(new_key, "new_key")):
            raise NoMatchError("no key %r in section %r (or a name is empty)" % (old_key, section))

    def move_section(self, position, to):
        """Moves the section at position (1 is the first) to position to.
        moveSection"""
        if not _call("moveSection", position, to):
            raise NoMatchError("no move from section %d to %d" % (position, to))


class WordList(_ProcessStore):
    """The word list (the one-line dictionary): entries in the order added
    until sorted."""
    _name, _label = "words", "word list"

    def append(self, text):
        """Adds text as one entry, unsplit. appendToOneLineDic"""
        _call("appendToOneLineDic", _text(text))

    def append_file(self, path):
        """Adds each line of a file as an entry. FileError when the file cannot
        be read, or when the list is still empty after it. appendFileToOneLineDic"""
        if not _call("appendFileToOneLineDic", _path(path)):
            raise FileError("cannot read the word file, or the word list is still empty", path)

    def clear(self):
        """Removes every entry. clearOneLineDic"""
        _call("clearOneLineDic")

    def sort(self):
        """Sorts the entries by their bytes. sortOneLineDic"""
        _call("sortOneLineDic")

    def unique(self):
        """Removes adjacent repeats (sort first to remove all). uniqueOneLineDic"""
        _call("uniqueOneLineDic")

    def count(self, prefix=""):
        """The number of "[word]" rows for the entries that begin with prefix.
        makeINIDB"""
        return _call("makeINIDB", b"", _text(prefix, "prefix"))

    def write(self, path, prefix=""):
        """Replaces path with the "[word]" list of the entries that begin with
        prefix (all for ""); the number of rows. makeINIDB"""
        rows = _call("makeINIDB", _path(path), _text(prefix, "prefix"))
        if rows < 0:
            raise FileError("cannot write the word list file", path)
        return rows


class MultiLineDic(_ProcessStore):
    """The multi-line dictionary: entries that each begin with a head line
    (the title, marker included) and run to the next."""
    _name, _label = "dictionary", "multi-line dictionary"

    def load(self, path, head_marker):
        """Loads the entries of a file in place of those held; their number.
        loadMultiLineDic"""
        marker = _text(head_marker, "head_marker")
        if not marker:
            raise ValueError("the head marker is empty")
        count = _call("loadMultiLineDic", _path(path), marker)
        if count < 0:
            raise FileError("cannot read the dictionary file, or it is empty", path)
        return count

    def titles(self):
        """The entry titles in file order ([] when nothing is loaded).
        getMultiLineDicTitle"""
        data = _call("getMultiLineDicTitle", b"")
        return [] if data == b"-1" else _lines(data, terminated=True)

    def write_titles(self, path):
        """Replaces path with the "[titlelist]" list; the number of rows.
        NoMatchError when nothing is loaded. getMultiLineDicTitle"""
        with lock:
            data = _call("getMultiLineDicTitle", _path(path))
            if data == b"-1" and _call("getMultiLineDicTitle", b"") == b"-1":
                raise NoMatchError("no dictionary is loaded")
            return _rows(data, path)

    def search(self, title, number=1):
        """The body of the number-th entry titled title (from 1), or None when
        there is none. searchInMultiLineDic"""
        if number < 1:
            raise ValueError("number counts from 1")
        if not _text(title, "title"):
            raise ValueError("the title is empty (entry() takes a position)")
        with lock:
            data = _call("searchInMultiLineDic", _text(title, "title"), number)
            if not data and self.count(title) < number:
                return None
            return _result(data)

    def entry(self, position):
        """The body of the entry at position (from 1), or None past the last.
        searchInMultiLineDic"""
        if position < 1:
            raise ValueError("position counts from 1")
        with lock:
            data = _call("searchInMultiLineDic", b"", position)
            if not data and len(self.titles()) < position:
                return None
            return _result(data)

    def count(self, title):
        """How many entries bear the title. searchInMultiLineDic"""
        return int(_call("searchInMultiLineDic", _text(title, "title"), -1) or 0)


ini = IniStore()
words = WordList()
dictionary = MultiLineDic()
