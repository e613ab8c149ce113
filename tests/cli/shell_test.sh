# The tool in pipelines: "-" for standard input, "-o -", the line ends of
# standard output, results written through an open descriptor, and the
# private folder in the temporary folder, which no exit leaves behind
# (errors, a closed pipe, signals sent to a running tool).
. "$(dirname "$0")/common.sh"

printf '[a]\r\nk=1\r\n[b]\r\n' > app.ini
printf 'pear\napple\npear\n' > words.txt
: > empty.csv
# Results far larger than a pipe holds.
awk 'BEGIN { for (i = 0; i < 60000; i++) printf "%d,\"name %d\",%d\r\n", i, i, i * 3 }' > big.csv
awk 'BEGIN { for (i = 0; i < 100000; i++) printf "word%d\n", i }' > big.txt

run sections - <app.ini
expect "standard input" 0 $'a\nb\n' ""
run words -s - - <words.txt
expect "standard input twice" 2 "" $'quillet words: standard input (\'-\') can be read only once (see \'quillet words --help\')\n'
run csv-table - <empty.csv
expect "empty standard input" 1 "" $'quillet: standard input holds no line\n'
run sections app.ini -o -
expect "-o - is standard output" 0 $'[sectionlist]\n0="a"\n1="b"\n' ""
run --crlf sections app.ini -o -
expect "--crlf: the file's bytes" 0 $'[sectionlist]\r\n0="a"\r\n1="b"\r\n' ""
run sections app.ini --crlf
expect "--crlf on a text result" 0 $'a\r\nb\r\n' ""
run sections - -o nodir/list.ini <app.ini
expect "a failed write after reading standard input" 1 "" $'quillet: cannot write \'nodir/list.ini\': No such file or directory\n'
check "no private folder after results and failures" no_private_folder_left

# A reader that stops early: the tool ends (by SIGPIPE where there is one)
# and leaves nothing behind.
"${tool[@]}" csv-table big.csv 2>err | head -1 >first.txt
status=${PIPESTATUS[0]}
first=$(platform_lines $'[csvinfo]\n'; printf x)
expect_file "first line through a pipe" first.txt "${first%x}"
if $on_wine; then
  check "closed pipe under wine: failure status" [ "$status" = 1 ]
else
  check "closed pipe: SIGPIPE" [ "$status" = 141 ] && [ ! -s err ]
fi
check "no private folder after a closed pipe" no_private_folder_left

if ! $on_wine; then
  # Line ends that grep, cut and sed take.
  got=$("${tool[@]}" csv-table big.csv | grep '^line=' | cut -d= -f2)
  check "csv-table | grep | cut" [ "$got" = 60000 ]
  got=$("${tool[@]}" words -su words.txt | sed -n 's/^[0-9]*="\(.*\)"$/\1/p' | tr '\n' ' ')
  check "words | sed" [ "$got" = "apple pear " ]

  # A name that denotes an open descriptor is written through it, at its
  # position, with the file's bytes.
  { echo before; "${tool[@]}" words words.txt -o /dev/stdout; echo after; } > so.txt
  expect_file "-o /dev/stdout" so.txt $'before\n[word]\r\n0="pear"\r\n1="apple"\r\n2="pear"\r\nafter\n'
  echo old > fd.txt
  "${tool[@]}" sections app.ini -o /dev/fd/3 3>>fd.txt
  expect_file "-o /dev/fd/3 appended to" fd.txt $'old\n[sectionlist]\r\n0="a"\r\n1="b"\r\n'

  # Signals to a running tool: it dies of the signal, with its folder gone.
  # (Job control keeps SIGINT from being ignored by the background tool.)
  set -m
  mkfifo fifo
  # signal_while NUMBER NAME WAIT DIRECTION COMMAND...: starts the tool with
  # COMMAND... writing to (out) or reading from (in) a pipe that holds still,
  # waits until WAIT holds, and sends it the signal. WAIT is a file in the
  # private folder, or "blocked": the tool waits on a full pipe, and has no
  # temporary file meanwhile.
  signal_while() {
    local number=$1 name=$2 wait=$3 direction=$4 tries=100 pid status
    shift 4
    exec 3<>fifo
    if [ "$direction" = out ]; then "$@" >fifo & else "$@" <fifo & fi
    pid=$!
    if [ "$wait" = blocked ]; then
      until grep -qs pipe_write /proc/"$pid"/task/*/wchan || [ $tries = 0 ]; do
        sleep 0.05
        tries=$((tries - 1))
      done
      check "SIG$name: the tool waits on the pipe" [ $tries != 0 ]
      check "SIG$name: no temporary file while the result streams" [ -z "$(ls -A "$temp_folder")" ]
    else
      until ls "$temp_folder"/quillet-*/"$wait" >/dev/null 2>&1 || [ $tries = 0 ]; do
        sleep 0.05
        tries=$((tries - 1))
      done
    fi
    kill -s "$name" "$pid"
    wait "$pid"
    status=$?
    exec 3>&-
    check "SIG$name while $wait: status $status" [ "$status" = $((128 + number)) ]
    check "SIG$name while $wait: no private folder" no_private_folder_left
  }
  # Blocked writing the result to a pipe that nobody reads: the library
  # writes into a pipe of the tool's (direct results), or into a file in the
  # private folder.
  result=result
  [ "${QUILLET_CLI_DIRECT_RESULTS:-0}" = 1 ] && result=blocked
  signal_while 15 TERM $result out "${tool[@]}" words big.txt -o -
  signal_while 2 INT $result out "${tool[@]}" csv-table big.csv
  # Blocked reading standard input.
  signal_while 1 HUP stdin in "${tool[@]}" sections -
  set +m
fi

finish
