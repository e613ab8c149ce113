"""Finding and loading the Quillet library, with the C signature of each export."""
import ctypes
import os
import sys

from ._errors import LibraryNotFoundError

# Names a library file to load instead of looking for one.
ENVIRONMENT_VARIABLE = "QUILLET_LIBRARY"

if sys.platform == "win32":
    LIBRARY_NAME = "quillet.dll"
else:
    LIBRARY_NAME = "libquillet.so.0"

_TEXT = ctypes.c_char_p  # in: NUL-terminated bytes; out: copied into bytes at once
_INT = ctypes.c_int

# Every export but DllMain: its result type, then its argument types.
SIGNATURES = {
    "removeFile": (_INT, [_TEXT]),
    "replace": (_TEXT, [_TEXT, _TEXT, _TEXT, _INT]),
    "parseBackSlashString": (_TEXT, [_TEXT]),
    "setCodePage": (_INT, [_INT]),
    "appendFileToOneLineDic": (_INT, [_TEXT]),
    "appendToOneLineDic": (_INT, [_TEXT]),
    "clearOneLineDic": (_INT, []),
    "uniqueOneLineDic": (_INT, []),
    "sortOneLineDic": (_INT, []),
    "makeINIDB": (_INT, [_TEXT, _TEXT]),
    "loadINIFile": (_INT, [_TEXT]),
    "writeINIFile": (_INT, [_TEXT]),
    "getSectionList": (_TEXT, [_TEXT, _INT]),
    "getKeyList": (_TEXT, [_TEXT, _TEXT, _INT]),
    "changeSectionName": (_INT, [_TEXT, _TEXT]),
    "changeKeyName": (_INT, [_TEXT, _TEXT, _TEXT]),
    "moveSection": (_INT, [_INT, _INT]),
    "loadMultiLineDic": (_INT, [_TEXT, _TEXT]),
    "getMultiLineDicTitle": (_TEXT, [_TEXT]),
    "searchInMultiLineDic": (_TEXT, [_TEXT, _INT]),
    "getCSVField": (_TEXT, [_TEXT, _INT]),
    "transCSVToINI": (_INT, [_TEXT, _TEXT]),
    "createINIFromCSVElement": (_INT, [_TEXT, _TEXT, _TEXT, _INT, _INT, _INT]),
}


def _declare(library):
    """Gives every export of the loaded library its C signature."""
    for name, (result, arguments) in SIGNATURES.items():
        function = getattr(library, name)
        function.restype = result
        function.argtypes = arguments
    return library


def load():
    """The library, declared, and the path or name it was loaded from: the file
    that QUILLET_LIBRARY names, else the one beside this package (a wheel
    carries it there), else LIBRARY_NAME on the system's library path."""
    override = os.environ.get(ENVIRONMENT_VARIABLE)
    if override:
        try:
            return _declare(ctypes.CDLL(override)), override
        except (OSError, AttributeError) as error:
            raise LibraryNotFoundError(
                "cannot load the Quillet library that %s names, %s: %s"
                % (ENVIRONMENT_VARIABLE, override, error)) from None

    tried = []
    bundled = os.path.join(os.path.dirname(os.path.abspath(__file__)), LIBRARY_NAME)
    for candidate, where in ((bundled, bundled), (LIBRARY_NAME, LIBRARY_NAME + " on the system's library path")):
        if candidate is bundled and not os.path.exists(bundled):
            tried.append("%s (not there)" % where)
            continue
        try:
            return _declare(ctypes.CDLL(candidate)), candidate
        except (OSError, AttributeError) as error:
            tried.append("%s (%s)" % (where, error))
    raise LibraryNotFoundError(
        "cannot load the Quillet library; tried %s. Set %s to the library's path."
        % ("; ".join(tried), ENVIRONMENT_VARIABLE))
