# Peer of loadINIFile + writeINIFile: Python's configparser reads the file and
# writes it back.
import configparser
import sys

source, target = sys.argv[1], sys.argv[2]
encoding = sys.argv[3] if len(sys.argv) > 3 else "latin-1"
parser = configparser.ConfigParser(interpolation=None, strict=False, allow_no_value=True)
parser.optionxform = str
with open(source, encoding=encoding) as f:
    parser.read_file(f)
with open(target, "w", encoding=encoding, newline="\r\n") as f:
    parser.write(f)
