"""The exceptions that quillet raises in place of the library's failure results."""


class Error(Exception):
    """Base class of every error of this package."""


class FileError(Error, OSError):
    """A file could not be read or written. `filename` names it; `filename2`
    names the second file of a conversion. The library does not say why, so
    `errno` is None."""

    def __init__(self, message, filename=None, filename2=None):
        OSError.__init__(self, message)
        self.filename = filename
        self.filename2 = filename2

    def __str__(self):
        names = [repr(name) for name in (self.filename, self.filename2) if name is not None]
        return "%s: %s" % (self.args[0], ", ".join(names)) if names else self.args[0]


class NoMatchError(Error, LookupError):
    """An edit or a query found nothing to act on: no such section or key, a
    position out of range, no dictionary loaded."""


class LibraryNotFoundError(Error, OSError):
    """The library could not be loaded; the message lists every place tried."""
