# The multi-line dictionary commands: titles, entries by title and position,
# counts, markers, and failures.
. "$(dirname "$0")/common.sh"

printf 'Fruit list, second edition\r\n#apple\r\nA red or green fruit.\r\nGrows on trees.\r\n#pear\r\nA sweet fruit.\r\n#apple\r\nAlso the name of a colour.\r\n#plum\r\n' > dict.txt
printf 'intro\n*one\nfirst\n *not a title\n*two\n' > star.txt
: > empty.txt

run titles dict.txt
expect "titles" 0 $'#apple\n#pear\n#apple\n#plum\n' ""
run titles dict.txt -o titles.ini
expect "titles -o" 0 "" ""
expect_file "titles -o file" titles.ini $'[titlelist]\r\n0="#apple"\r\n1="#pear"\r\n2="#apple"\r\n3="#plum"\r\n'
run titles -m '*' star.txt
expect "another marker" 0 $'*one\n*two\n' ""

# Entries by title and occurrence, by position, and the misses.
run entry dict.txt '#apple'
expect "first entry of a title" 0 $'A red or green fruit.\nGrows on trees.\n' ""
run entry dict.txt '#apple' 2
expect "second entry of a title" 0 $'Also the name of a colour.\n' ""
run entry dict.txt '#plum'
expect "entry without body" 0 "" ""
run entry --marker='*' star.txt '*one'
expect "body line that starts with a blank" 0 $'first\n *not a title\n' ""
run entry dict.txt '#apple' 3
expect "occurrence out of range" 1 "" $'quillet: entry 3 of \'#apple\' is out of range 1..2\n'
run entry dict.txt apple
expect "title without its marker" 1 "" $'quillet: no entry titled \'apple\' in \'dict.txt\'\n'
run entry dict.txt --at 2
expect "entry by position" 0 $'A sweet fruit.\n' ""
run entry dict.txt --at 5
expect "position out of range" 1 "" $'quillet: index 5 is out of range 1..4\n'
run entry dict.txt --at 0
expect "position 0" 2 "" $'quillet entry: N must be an entry number (1 is the first), not \'0\' (see \'quillet entry --help\')\n'
run entry dict.txt '#apple' -1
expect "occurrence -1" 2 "" $'quillet entry: N must be an entry number (1 is the first), not \'-1\' (see \'quillet entry --help\')\n'
run entry dict.txt ""
expect "empty title" 2 "" $'quillet entry: TITLE must not be empty (--at N takes an entry by position) (see \'quillet entry --help\')\n'

run count dict.txt '#apple'
expect "count" 0 $'2\n' ""
run count dict.txt '#ap'
expect "count of a title's beginning" 0 $'0\n' ""

# Files and markers that give no dictionary.
run titles star.txt
expect "no line begins with the marker" 1 "" $'quillet: no line of \'star.txt\' begins with the marker \'#\'\n'
run titles -m "" dict.txt
expect "empty marker" 2 "" $'quillet titles: the marker must not be empty (see \'quillet titles --help\')\n'
run count missing.txt '#a'
expect "missing file" 1 "" $'quillet: cannot read \'missing.txt\': No such file or directory\n'
run titles empty.txt
expect "empty file" 1 "" $'quillet: \'empty.txt\' holds no line\n'
run titles dict.txt -o nodir/titles.ini
expect "output into a missing folder" 1 "" $'quillet: cannot write \'nodir/titles.ini\': No such file or directory\n'

finish
