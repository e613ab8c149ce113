# Peer of replace: Python's str.replace on the whole text, every occurrence.
# A double-byte text is decoded first, so that no occurrence starts inside a
# character, and encoded again.
import sys

source, target, pattern, replacement = sys.argv[1:5]
encoding = sys.argv[5] if len(sys.argv) > 5 else "latin-1"
with open(source, encoding=encoding, newline="") as f:
    text = f.read()
with open(target, "w", encoding=encoding, newline="") as f:
    f.write(text.replace(pattern, replacement))
