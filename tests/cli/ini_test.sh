# The INI commands: listings, edits written back, and their failures.
. "$(dirname "$0")/common.sh"

original=$'; app settings\r\n[window]\r\nwidth=800\r\n  height = 600\r\n; comment=no\r\n[paths] ; where things live\r\ndata=C:\\data\r\n[empty]\r\n'
printf '%s' "$original" > app.ini
mkdir sub

# Listings as text: names and keys as the library gives them (the blank
# before "=" stays part of the key), an empty list prints nothing.
run sections app.ini
expect "sections" 0 $'window\npaths\nempty\n' ""
run keys app.ini window
expect "keys keep a trailing blank" 0 $'width\nheight \n' ""
run keys app.ini empty
expect "keys of a section without keys" 0 "" ""
run keys app.ini nope
expect "keys of a missing section" 1 "" $'quillet: no section named \'nope\' in \'app.ini\'\n'

# Listings into files, replaced or appended to.
run sections app.ini -o list.ini
expect "sections -o" 0 "" ""
expect_file "sections -o file" list.ini $'[sectionlist]\r\n0="window"\r\n1="paths"\r\n2="empty"\r\n'
run keys app.ini window --output=list.ini --append
expect "keys --append" 0 "" ""
expect_file "keys --append file" list.ini $'[sectionlist]\r\n0="window"\r\n1="paths"\r\n2="empty"\r\n\r\n[keylist]\r\n0="width"\r\n1="height "\r\n'
run sections app.ini -o nodir/list.ini
expect "sections -o into a missing folder" 1 "" $'quillet: cannot write \'nodir/list.ini\': No such file or directory\n'
run sections app.ini --append
expect "--append without -o" 2 "" $'quillet sections: --append needs an output file (-o FILE) (see \'quillet sections --help\')\n'

# Files that cannot be loaded.
run sections missing.ini
expect "missing file" 1 "" $'quillet: cannot read \'missing.ini\': No such file or directory\n'
run keys sub window
expect "a folder" 1 "" $'quillet: cannot read \'sub\': Is a directory\n'
printf 'a=1\r\n' > flat.ini
run sections flat.ini
expect "no section" 1 "" $'quillet: \'flat.ini\' holds no section\n'

# Edits go to standard output (with its line ends), to -o as the library
# writes them, or with -i back over the file; the library drops leading
# blanks of lines. -i.bak keeps the old file.
edited=$'; app settings\r\n[window]\r\nwidth=800\r\nheight = 600\r\n; comment=no\r\n[folders] ; where things live\r\ndata=C:\\data\r\n[empty]\r\n'
run rename-section app.ini paths folders
expect "rename-section to standard output" 0 "${edited//$'\r'/}" ""
run rename-section - paths folders <app.ini
expect "rename-section of standard input" 0 "${edited//$'\r'/}" ""
run rename-section app.ini paths folders -o renamed.ini
expect "rename-section -o" 0 "" ""
expect_file "rename-section -o result" renamed.ini "$edited"
expect_file "no edit without -i" app.ini "$original"
cp app.ini copy.ini
run rename-section -i copy.ini paths folders
expect "rename-section -i" 0 "" ""
expect_file "rename-section -i result" copy.ini "$edited"
cp app.ini copy.ini
run rename-section --in-place=.bak copy.ini paths folders
expect "rename-section --in-place=.bak" 0 "" ""
expect_file "the edited file" copy.ini "$edited"
expect_file "the old file kept" copy.ini.bak "$original"
cp app.ini copy.ini; mkdir copy.ini.old
run rename-section -i.old copy.ini paths folders
expect "no edit when the old file cannot be kept" 1 "" $'quillet: cannot copy \'copy.ini\' to \'copy.ini.old\': Is a directory\n'
expect_file "the file as it was" copy.ini "$original"
run --crlf rename-section app.ini paths folders
expect "--crlf: the bytes -o writes" 0 "$edited" ""
run rename-section -i app.ini paths folders -o x.ini
expect "-i and -o" 2 "" $'quillet rename-section: -i and -o exclude each other (see \'quillet rename-section --help\')\n'
run rename-section -i - paths folders <app.ini
expect "-i on standard input" 2 "" $'quillet rename-section: standard input cannot be edited in place (see \'quillet rename-section --help\')\n'
# Files whose rewrite would lose text are not written back: the library
# reads nothing after 0x1A, and drops the CR of old Mac line ends.
printf '[a]\r\nk=1\r\n\x1A[b]\r\n' > tail.ini
run rename-section -i tail.ini a z
expect "rename-section -i of a file with 0x1A" 1 "" $'quillet: not writing \'tail.ini\' back: it holds a NUL or 0x1A byte, after which nothing is read; name an output with -o\n'
expect_file "that file is left as it was" tail.ini $'[a]\r\nk=1\r\n\x1A[b]\r\n'
run rename-section tail.ini a z -o cut.ini
expect "rename-section of that file with -o" 0 "" ""
expect_file "what -o gets" cut.ini $'[z]\r\nk=1\r\n'
printf '[a]\rx=1\r[b]\ry=2\r' > mac.ini
run rename-section mac.ini a c -i
expect "rename-section -i of a file with bare CR" 1 "" $'quillet: not writing \'mac.ini\' back: it holds carriage returns without a line feed after them, which are dropped, so the lines they end would run together; name an output with -o\n'
expect_file "bare CR file left as it was" mac.ini $'[a]\rx=1\r[b]\ry=2\r'
run rename-section mac.ini a c -o merged.ini
expect "with -o the edit goes ahead" 0 "" ""
expect_file "lines run together" merged.ini $'[c]x=1[b]y=2\r\n'

# Warnings that leave the status alone (-q silences them), and a new name
# that would split its line.
printf '\xEF\xBB\xBF[first]\r\na=1\r\n[second]\r\n' > bom.ini
run sections bom.ini
expect "byte-order mark" 0 $'second\n' $'quillet: warning: \'bom.ini\': the first section is hidden behind a byte-order mark\n'
run -q sections bom.ini
expect "byte-order mark, -q" 0 $'second\n' ""
run rename-section app.ini window empty -o two.ini
expect "rename onto a section" 0 "" $'quillet: warning: a section named \'empty\' is in \'app.ini\' already: there are two now\n'
run rename-key app.ini window width height -o two.ini
expect "rename onto a key" 0 "" $'quillet: warning: section \'window\' of \'app.ini\' has a key \'height\' already: there are two now\n'
run rename-section app.ini window $'main\nx=1'
expect "a new name with a line break" 2 "" $'quillet rename-section: the new name holds a line break, which would split its line in two (see \'quillet rename-section --help\')\n'

# Positions: move-section counts a header without "]", which the section
# list leaves out; --numbered shows every position, and names stand for them.
printf '[a]\n[broken\n  [b] ; c\nk=1\n' > holes.ini
run sections --numbered holes.ini
expect "sections --numbered" 0 $'1\ta\n2\t[broken\n3\tb\n' ""
run move-section holes.ini b 1
expect "move-section by name" 0 $'[b] ; c\nk=1\n[a]\n[broken\n' ""
run move-section holes.ini 2 a
expect "move-section to a named position" 0 $'[broken\n[a]\n[b] ; c\nk=1\n' ""
run move-section holes.ini nope 1
expect "move-section of a missing name" 1 "" $'quillet: no section named \'nope\' in \'holes.ini\'\n'
# A lead byte takes the line break after it: one line, one section less.
printf '[a]\n\203\n[b]\n' > lead.ini
run --codepage 932 sections --numbered lead.ini
expect "--numbered, double-byte" 0 $'1\ta\n' ""
run --codepage 1252 sections --numbered lead.ini
expect "--numbered, single-byte" 0 $'1\ta\n2\tb\n' ""

run rename-section app.ini nope other
expect "rename-section of a missing section" 1 "" $'quillet: no section named \'nope\' in \'app.ini\'\n'
run rename-section app.ini window ""
expect "rename-section to an empty name" 2 "" $'quillet rename-section: section names must not be empty (see \'quillet rename-section --help\')\n'
run rename-section app.ini window main -o sub
expect "rename-section into a folder" 1 "" $'quillet: cannot write \'sub\': Is a directory\n'
expect_file "a failed write leaves the file" app.ini "$original"

run rename-key app.ini window height rows -o key.ini
expect "rename-key" 0 "" ""
expect_file "rename-key result" key.ini $'; app settings\r\n[window]\r\nwidth=800\r\nrows = 600\r\n; comment=no\r\n[paths] ; where things live\r\ndata=C:\\data\r\n[empty]\r\n'
run rename-key app.ini window comment note
expect "rename-key of a comment" 1 "" $'quillet: no key \'comment\' in section \'window\' of \'app.ini\'\n'
run rename-key app.ini nope width w
expect "rename-key in a missing section" 1 "" $'quillet: no section named \'nope\' in \'app.ini\'\n'

run move-section app.ini 3 1 -o moved.ini
expect "move-section" 0 "" ""
expect_file "move-section result" moved.ini $'; app settings\r\n[empty]\r\n[window]\r\nwidth=800\r\nheight = 600\r\n; comment=no\r\n[paths] ; where things live\r\ndata=C:\\data\r\n'
run move-section app.ini 1 4
expect "move-section out of range" 1 "" $'quillet: index 4 is out of range 1..3\n'
run move-section app.ini 0 2
expect "move-section to the preamble" 1 "" $'quillet: index 0 is out of range 1..3\n'
run move-section app.ini 1
expect "move-section without TO" 2 "" $'quillet move-section: missing arguments: expected FILE FROM TO (see \'quillet move-section --help\')\n'

finish
