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

# Edits: -o leaves the file alone, without it the file is rewritten in place
# (leading blanks of lines go, as the library writes them).
edited=$'; app settings\r\n[window]\r\nwidth=800\r\nheight = 600\r\n; comment=no\r\n[folders] ; where things live\r\ndata=C:\\data\r\n[empty]\r\n'
run rename-section app.ini paths folders -o renamed.ini
expect "rename-section -o" 0 "" ""
expect_file "rename-section -o result" renamed.ini "$edited"
expect_file "rename-section -o leaves the file" app.ini "$original"
cp app.ini copy.ini
run rename-section copy.ini paths folders
expect "rename-section in place" 0 "" ""
expect_file "rename-section in place result" copy.ini "$edited"
# A file whose tail the library never reads is not written back over.
printf '[a]\r\nk=1\r\n\x1A[b]\r\n' > tail.ini
run rename-section tail.ini a z
expect "rename-section in place of a file with 0x1A" 1 "" $'quillet: not writing \'tail.ini\' back: it holds a NUL or 0x1A byte, after which nothing is read; name an output with -o\n'
expect_file "that file is left as it was" tail.ini $'[a]\r\nk=1\r\n\x1A[b]\r\n'
run rename-section tail.ini a z -o cut.ini
expect "rename-section of that file with -o" 0 "" ""
expect_file "what -o gets" cut.ini $'[z]\r\nk=1\r\n'
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
run move-section app.ini first 2
expect "move-section with a name" 2 "" $'quillet move-section: FROM and TO must be section numbers (1 is the first) (see \'quillet move-section --help\')\n'
run move-section app.ini 1
expect "move-section without TO" 2 "" $'quillet move-section: missing arguments: expected FILE FROM TO (see \'quillet move-section --help\')\n'

finish
