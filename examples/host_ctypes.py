#!/usr/bin/env python3
"""A Python host for the Linux library through ctypes.

Usage: host_ctypes.py [path of libquillet.so.0]

Texts go in and come back as bytes in the library's code page; ctypes copies
a returned text into a Python bytes object at once, which is just what the
library asks for: a returned text stays valid only until the next call that
returns text.
"""
import ctypes
import sys


def load(path):
    library = ctypes.CDLL(path)
    exports = {}
    for prefix in ("", "_"):
        replace = library[prefix + "replace"]
        replace.argtypes = [ctypes.c_char_p, ctypes.c_char_p, ctypes.c_char_p, ctypes.c_int]
        replace.restype = ctypes.c_char_p
        parse = library[prefix + "parseBackSlashString"]
        parse.argtypes = [ctypes.c_char_p]
        parse.restype = ctypes.c_char_p
        remove_file = library[prefix + "removeFile"]
        remove_file.argtypes = [ctypes.c_char_p]
        remove_file.restype = ctypes.c_int
        exports[prefix] = (replace, parse, remove_file)
    return exports


def main():
    path = sys.argv[1] if len(sys.argv) > 1 else "libquillet.so.0"
    answers = []
    for prefix, (replace, parse, remove_file) in load(path).items():
        value = parse(b"dir=/data/old\\tmode=old")
        answer = replace(value, b"old", b"new", -1)
        label = "with the _ names:" if prefix else "with the plain names:"
        print(label.ljust(22), answer.decode("utf-8", "replace"))
        if remove_file(b"no such file, surely.ini") != 0:
            sys.exit(prefix + "removeFile reported a missing file as deleted")
        answers.append(answer)
    if answers != [b"dir=/data/new\tmode=new"] * 2:
        sys.exit("the two names answer differently or wrongly: %r" % answers)
    print("both names agree")


if __name__ == "__main__":
    main()
