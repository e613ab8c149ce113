# Peer of loadMultiLineDic + searches: the entries in a Python dict of titles,
# then each search text looked up once for the first body and once for the
# count. A search text with line breaks must also match the entry's first
# body lines.
import sys

source, searches, target, marker = sys.argv[1:5]
entries = {}
with open(source, encoding="latin-1") as f:
    lines = f.read().split("\n")
if lines and lines[-1] == "":
    lines.pop()
body = None
for line in lines:
    line = line.replace("\r", "")
    if line.startswith(marker):
        body = []
        entries.setdefault(line, []).append(body)
    elif body is not None:
        body.append(line + "\n")


def matches(key):
    title, _, rest = key.partition("\n")
    found = entries.get(title, [])
    if not rest:
        return found
    return [b for b in found if "".join(b).startswith(rest + "\n")]


out = []
with open(searches, encoding="latin-1") as f:
    keys = [s.replace("\\n", "\n") for s in f.read().split("\n") if s]
for key in keys:
    found = matches(key)
    out.append("".join(found[0]) if found else "")
for key in keys:
    out.append(str(len(matches(key))))
with open(target, "w", encoding="latin-1") as f:
    f.write("\n".join(out))
