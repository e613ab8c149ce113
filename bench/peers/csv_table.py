# Peer of transCSVToINI: Python's csv module reads the records and the same
# "[csvinfo]" table is written: the head rows, then one section per record.
import csv
import sys

source, target = sys.argv[1], sys.argv[2]
encoding = sys.argv[3] if len(sys.argv) > 3 else "latin-1"
with open(source, encoding=encoding, newline="") as f:
    records = list(csv.reader(f))
head = ["[csvinfo]\n", "line=%d\n" % len(records)]
body = []
for k, fields in enumerate(records):
    head.append("%d=%d\n" % (k, len(fields) - 1))
    body.append("\n[%d]\n" % k)
    body.extend('%d="%s"\n' % (j, field) for j, field in enumerate(fields))
with open(target, "w", encoding=encoding, newline="\r\n") as f:
    f.writelines(head)
    f.writelines(body)
