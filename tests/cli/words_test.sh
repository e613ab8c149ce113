# The word list command: sources in order, sorting, repeats, prefixes, the
# "[word]" list on standard output or in a file, and failures.
. "$(dirname "$0")/common.sh"

printf 'pear\napple\napple\nApple\napricot\npear\n' > words.txt
printf 'fig\r\nkiwi\r\n' > more.txt
: > empty.txt
mkdir sub

# Without -o the list comes out as the library writes it to a file, with the
# line ends of standard output.
run words words.txt
expect "words of a file" 0 $'[word]\n0="pear"\n1="apple"\n2="apple"\n3="Apple"\n4="apricot"\n5="pear"\n' ""
run words -u words.txt
expect "unique drops adjacent repeats only" 0 $'[word]\n0="pear"\n1="apple"\n2="Apple"\n3="apricot"\n4="pear"\n' ""
run words --sort --unique words.txt
expect "sorted without repeats" 0 $'[word]\n0="Apple"\n1="apple"\n2="apricot"\n3="pear"\n' ""
run words -su -p ap words.txt
expect "prefix" 0 $'[word]\n0="apple"\n1="apricot"\n' ""
run words -p zz words.txt
expect "prefix that matches nothing" 0 $'[word]\n' ""
run words -w kiwi words.txt -w "two words" more.txt -p k
expect "files and words in the order given" 0 $'[word]\n0="kiwi"\n1="kiwi"\n' ""
run words -s -w b -w "" -w a
expect "an empty word sorts first" 0 $'[word]\n0=""\n1="a"\n2="b"\n' ""
run words empty.txt
expect "an empty file" 0 $'[word]\n' ""

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
