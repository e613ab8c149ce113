# The CSV commands: fields, the "[csvinfo]" table, key and value sections,
# the code page's effect on splitting, and failures.
. "$(dirname "$0")/common.sh"

printf 'id,name,price\r\n1,"Apple, red",100\r\n2,"Pear ""green""",\r\n' > fruit.csv
: > empty.csv
mkdir sub
table=$'[csvinfo]\nline=3\n0=2\n1=2\n2=2\n\n[0]\n0="id"\n1="name"\n2="price"\n\n[1]\n0="1"\n1="Apple, red"\n2="100"\n\n[2]\n0="2"\n1="Pear "green""\n2=""\n'

run field '1,"Apple, red",100' 2
expect "quoted field" 0 $'Apple, red\n' ""
run field 'a,"b""c",' 2
expect "doubled quotes" 0 $'b"c\n' ""
run field 'a,b,' 3
expect "empty last field" 0 "" ""
run field 'a,b' 0
expect "field 0" 2 "" $'quillet field: N must be a field number (1 is the first), not \'0\' (see \'quillet field --help\')\n'

run csv-table fruit.csv
expect "table on standard output" 0 "$table" ""
run csv-table fruit.csv -o table.ini
expect "table -o" 0 "" ""
expect_file "table -o file" table.ini "${table//$'\n'/$'\r\n'}"

run csv-section fruit.csv fruit 1 2
expect "key and value columns" 0 $'[fruit]\nid="name"\n1="Apple, red"\n2="Pear "green""\n' ""
run csv-section fruit.csv prices 0 3 -o prices.ini
expect "record numbers as keys" 0 "" ""
run csv-section fruit.csv ids 4 1 -o prices.ini --append
expect "appended section" 0 "" ""
expect_file "both sections" prices.ini $'[prices]\r\n0="price"\r\n1="100"\r\n2=""\r\n\r\n[ids]\r\n="id"\r\n="1"\r\n="2"\r\n'

# With a double-byte code page a lead byte takes the "," after it along.
printf '\203,b\n' > lead.csv
run --codepage 1252 csv-table lead.csv
expect "single-byte code page" 0 $'[csvinfo]\nline=1\n0=1\n\n[0]\n0="\203"\n1="b"\n' ""
run --codepage 932 csv-table lead.csv
expect "double-byte code page" 0 $'[csvinfo]\nline=1\n0=0\n\n[0]\n0="\203,b"\n' ""

# A quoted field that its line never closes: a warning names the line, -q
# silences it. Under a double-byte code page a lead byte hides the quote
# after it.
printf 'a,"b\r\n"c",d\r\ne,"f""\r\n' > open.csv
run csv-table open.csv -o open.ini
expect "unclosed quotes" 0 "" $'quillet: warning: \'open.csv\' line 1 (and 1 more line): a quoted field is not closed on its line, so it and the rest of the line are left out (records are one line each)\n'
run -q csv-section open.csv s 1 2
expect "unclosed quotes with -q" 0 $'[s]\na=""\nc="d"\ne=""\n' ""
printf '"\203",x\n' > lead-quote.csv
run --codepage 1252 csv-table lead-quote.csv -o open.ini
expect "a quote closed after a single-byte character" 0 "" ""
run --codepage 932 csv-table lead-quote.csv -o open.ini
expect "a quote taken by a lead byte" 0 "" $'quillet: warning: \'lead-quote.csv\' line 1: a quoted field is not closed on its line, so it and the rest of the line are left out (records are one line each)\n'

# Failures.
run csv-table missing.csv
expect "missing CSV file" 1 "" $'quillet: cannot read \'missing.csv\': No such file or directory\n'
run csv-section sub s 1 2
expect "a folder" 1 "" $'quillet: cannot read \'sub\': Is a directory\n'
run csv-table empty.csv
expect "empty CSV file" 1 "" $'quillet: \'empty.csv\' holds no line\n'
run csv-table fruit.csv -o nodir/table.ini
expect "output into a missing folder" 1 "" $'quillet: cannot write \'nodir/table.ini\': No such file or directory\n'
run csv-section fruit.csv s 1 2 -a
expect "--append without -o" 2 "" $'quillet csv-section: --append needs an output file (-o FILE) (see \'quillet csv-section --help\')\n'
run csv-section fruit.csv s -1 2
expect "negative column" 2 "" $'quillet csv-section: KEYFIELD and VALUEFIELD must be column numbers (1 is the first), not \'-1\' (see \'quillet csv-section --help\')\n'

finish
