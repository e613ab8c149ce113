# The tool as a whole (help, version, usage errors, --codepage) and the text
# and file commands.
. "$(dirname "$0")/common.sh"

# Help and version go to standard output; every command has a page with an
# example of its own.
run --help
expect_lines "--help" 0 '^Usage: quillet \[GLOBAL OPTIONS\] COMMAND' '^      --version' '^Example: quillet '
commands=$(tr -d '\r' <out | sed -n 's/^  \([a-z][a-z-]*\)  .*/\1/p')
[ -n "$commands" ] || { echo "FAILED: --help lists no command"; failed=$((failed + 1)); }
for command in $commands; do
  run "$command" --help
  expect_lines "$command --help" 0 "^Usage: quillet $command" "^Example: quillet $command "
done
run help keys
expect_lines "help COMMAND" 0 '^Usage: quillet keys FILE SECTION'
run --version
expect_lines "--version" 0 '^quillet [0-9]+\.[0-9]+\.[0-9]+$'

# Wrong usage: one line on standard error and status 2.
run
expect "no command" 2 "" $'quillet: missing command (see \'quillet --help\')\n'
run frobnicate x
expect "unknown command" 2 "" $'quillet: unknown command \'frobnicate\' (see \'quillet --help\')\n'
run help frobnicate
expect "help on an unknown command" 2 "" $'quillet: unknown command \'frobnicate\' (see \'quillet --help\')\n'
run --verbose sections x.ini
expect "unknown global option" 2 "" $'quillet: unknown option \'--verbose\' (see \'quillet --help\')\n'
run escapes -x
expect "unknown command option" 2 "" $'quillet escapes: unknown option \'-x\' (see \'quillet escapes --help\')\n'
run escapes a b
expect "too many arguments" 2 "" $'quillet escapes: too many arguments: expected TEXT (see \'quillet escapes --help\')\n'
run replace a b c -n
expect "option without its value" 2 "" $'quillet replace: option \'-n\' needs a value (see \'quillet replace --help\')\n'

# The code page: known pages are taken before or after the command, others
# are wrong usage.
run --codepage 932 replace abc b x
expect "--codepage before the command" 0 $'axc\n' ""
run replace abc b x --codepage=1252
expect "--codepage after the command" 0 $'axc\n' ""
run --codepage 1234 replace abc b x
expect "unknown code page" 2 "" $'quillet: unknown code page 1234 (see \'quillet --help\')\n'
run replace abc b x --codepage sjis
expect "code page that is no number" 2 "" $'quillet replace: --codepage needs a number, not \'sjis\' (see \'quillet replace --help\')\n'

# replace and escapes: the library's text plus a final line break where it
# has none; an empty text prints nothing.
run replace a-b-c - +
expect "replace all" 0 $'a+b+c\n' ""
run replace a-b-c - + -n 2
expect "replace a count" 0 $'a+b+c\n' ""
run replace a-b-c - + --count=1
expect "replace the first" 0 $'a+b-c\n' ""
run replace a-b-c - + -n 0
expect "replace none" 0 $'a-b-c\n' ""
run replace -n 1 -- -a- - ""
expect "arguments after --" 0 $'a-\n' ""
run replace aaa aa b
expect "occurrences do not overlap" 0 $'ba\n' ""
run replace a-b - + -n two
expect "count that is no number" 2 "" $'quillet replace: --count needs a number, not \'two\' (see \'quillet replace --help\')\n'
run escapes 'tab\there\\back\n'
expect "escapes ending in a line feed" 0 $'tab\there\\back\n' ""
run escapes 'a\qb\'
expect "escapes of other characters" 0 $'aqb\n' ""
run escapes ""
expect "escapes of nothing" 0 "" ""

# remove: files go, folders stay, every name is tried.
: > one.txt; : > two.txt; mkdir folder
run remove one.txt two.txt
expect "remove two files" 0 "" ""
[ ! -e one.txt ] && [ ! -e two.txt ] && passed=$((passed + 1)) || { failed=$((failed + 1)); echo "FAILED: files still there"; }
: > three.txt
run remove gone.txt folder three.txt
expect "remove what cannot be removed" 1 "" $'quillet: cannot remove \'gone.txt\': No such file or directory\nquillet: cannot remove \'folder\': Is a directory\n'
[ -d folder ] && [ ! -e three.txt ] && passed=$((passed + 1)) || { failed=$((failed + 1)); echo "FAILED: remove went wrong after a failure"; }

finish
