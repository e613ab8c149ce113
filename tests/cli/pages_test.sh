# The manual page and the bash completion script, both made from the table of
# commands: man renders the page without a warning and the page covers every
# command; bash completes commands, options and file names from the script.
. "$(dirname "$0")/common.sh"
if $on_wine; then
  echo "skipped: Windows builds have no manual page or bash completion"
  exit 77
fi
share=$(dirname "${tool[0]}")/../share
page=$share/man/man1/quillet.1
completion=$share/bash-completion/completions/quillet

MANWIDTH=80 man --warnings -E UTF-8 -l "$page" >page.txt 2>warnings.txt
check "man renders the page" grep -q '^COMMANDS' page.txt
expect_file "man gives no warning" warnings.txt ""
commands=$("${tool[@]}" --help | sed -n 's/^  \([a-z][a-z-]*\)  .*/\1/p')
for command in $commands; do
  check "the page has $command" grep -q "^       quillet $command " page.txt
done
check "the page has the global options" grep -q -- '--crlf' page.txt

# complete WORD...: what bash offers for the last word, sorted, on one line.
complete_words() {
  bash -c '. "$1"; shift; COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); _quillet; [ ${#COMPREPLY[@]} = 0 ] || printf "%s\n" "${COMPREPLY[@]}"' \
    _ "$completion" "$@" | sort | tr '\n' ' '
}
: > app.ini; : > apple.txt
check "commands" [ "$(complete_words quillet re)" = "remove rename-key rename-section replace " ]
check "help COMMAND" [ "$(complete_words quillet help mo)" = "move-section " ]
check "global options" [ "$(complete_words quillet --c)" = "--codepage --crlf " ]
check "code pages" [ "$(complete_words quillet --codepage 93)" = "932 936 " ]
check "a command's options" [ "$(complete_words quillet words --s)" = "--sort " ]
check "options after operands" [ "$(complete_words quillet rename-section app.ini --i)" = "--in-place " ]
check "files for FILE" [ "$(complete_words quillet sections app)" = "app.ini apple.txt " ]
check "files after -o" [ "$(complete_words quillet csv-table x.csv -o app.)" = "app.ini " ]
check "more files for FILE..." [ "$(complete_words quillet words -s -p x app.ini app)" = "app.ini apple.txt " ]
check "no file for SECTION" [ "$(complete_words quillet keys app.ini app)" = "" ]
check "no file for a value" [ "$(complete_words quillet words -p app)" = "" ]

finish
