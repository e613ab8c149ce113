# The word list command: sources in order, sorting, repeats, prefixes, the
# "[word]" list on standard output or in a file, and failures.
. "$(dirname "$0")/common.sh"

printf 'pear\napple\napple\nApple\napricot\npear\n' > words.txt
printf 'fig\r\nkiwi\r\n' > more.txt
: > empty.txt
mkdir sub

# Without -o the list comes out byte for byte as the library writes it to a
# file, CR LF included.
run words words.txt
expect "words of a file" 0 $'[word]\r\n0="pear"\r\n1="apple"\r\n2="apple"\r\n3="Apple"\r\n4="apricot"\r\n5="pear"\r\n' ""
run words -u words.txt
expect "unique drops adjacent repeats only" 0 $'[word]\r\n0="pear"\r\n1="apple"\r\n2="Apple"\r\n3="apricot"\r\n4="pear"\r\n' ""
run words --sort --unique words.txt
expect "sorted without repeats" 0 $'[word]\r\n0="Apple"\r\n1="apple"\r\n2="apricot"\r\n3="pear"\r\n' ""
run words -su -p ap words.txt
expect "prefix" 0 $'[word]\r\n0="apple"\r\n1="apricot"\r\n' ""
run words -p zz words.txt
expect "prefix that matches nothing" 0 $'[word]\r\n' ""
run words -w kiwi words.txt -w "two words" more.txt -p k
expect "files and words in the order given" 0 $'[word]\r\n0="kiwi"\r\n1="kiwi"\r\n' ""
run words -s -w b -w "" -w a
expect "an empty word sorts first" 0 $'[word]\r\n0=""\r\n1="a"\r\n2="b"\r\n' ""
run words empty.txt
expect "an empty file" 0 $'[word]\r\n' ""

run words -su words.txt more.txt -o list.ini
expect "words -o" 0 "" ""
expect_file "words -o file" list.ini $'[word]\r\n0="Apple"\r\n1="apple"\r\n2="apricot"\r\n3="fig"\r\n4="kiwi"\r\n5="pear"\r\n'

# Failures.
run words words.txt missing.txt
expect "missing word file" 1 "" $'quillet: cannot read \'missing.txt\': No such file or directory\n'
run words sub
expect "a folder" 1 "" $'quillet: cannot read \'sub\': Is a directory\n'
run words words.txt -o nodir/list.ini
expect "output into a missing folder" 1 "" $'quillet: cannot write \'nodir/list.ini\': No such file or directory\n'
run words -s
expect "no words" 2 "" $'quillet words: no word file or word (-w WORD) given (see \'quillet words --help\')\n'
run words -x words.txt
expect "unknown option" 2 "" $'quillet words: unknown option \'-x\' (see \'quillet words --help\')\n'

finish
