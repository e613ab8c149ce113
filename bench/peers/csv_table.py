# Peer of transCSVToINI: Python's csv module reads the records and the same
# "[csvinfo]" table is written, streaming: each record's section goes to a
# scratch file as it is read, its head row is collected on the way, and the
# output is the head rows followed by the scratch file.
import csv
import os
import shutil
import sys
import tempfile

source, target = sys.argv[1], sys.argv[2]
encoding = sys.argv[3] if len(sys.argv) > 3 else "latin-1"
head = []
with open(source, encoding=encoding, newline="") as f, \
        tempfile.TemporaryFile(dir=os.path.dirname(os.path.abspath(target))) as scratch:
    with open(scratch.fileno(), "w", encoding=encoding, newline="\r\n", closefd=False) as body:
        for k, fields in enumerate(csv.reader(f)):
            head.append("%d=%d\n" % (k, len(fields) - 1))
            body.write("\n[%d]\n" % k)
            body.write("".join('%d="%s"\n' % (j, field) for j, field in enumerate(fields)))
    scratch.seek(0)
    with open(target, "w", encoding=encoding, newline="\r\n") as out:
        out.write("[csvinfo]\nline=%d\n" % len(head))
        out.writelines(head)
        out.flush()
        shutil.copyfileobj(scratch, out.buffer, 1 << 20)
