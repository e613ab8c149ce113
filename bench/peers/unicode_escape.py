# Peer of parseBackSlashString: Python's unicode_escape decoding of the text.
import sys

source, target = sys.argv[1], sys.argv[2]
with open(source, "rb") as f:
    data = f.read()
with open(target, "wb") as f:
    f.write(data.decode("unicode_escape").encode("latin-1"))
