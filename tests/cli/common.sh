# Helpers for the tool's end-to-end tests. Sourced by each *_test.sh, whose
# arguments are the command that runs the tool ("wine quillet.exe" under wine).
# Every test runs in a fresh temporary folder with relative file names, so
# that messages read the same on every platform.
set -u
tool=("$@")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
passed=0
failed=0

# Under wine, lines on standard output end with CR LF, and the tool's
# temporary folder is the Windows one of the wine prefix, which other tests
# share; on Linux it is a folder of this test's own.
if [ ${#tool[@]} -gt 1 ]; then
  on_wine=true
  # (Their standard error is not the test's: a wine server they start would
  # hold it open after the test ends.)
  temp_folder=$("${tool[0]}" cmd /c echo %TEMP% </dev/null 2>/dev/null | tr -d '\r')
  temp_folder=$("${tool[0]}" winepath -u "$temp_folder" </dev/null 2>/dev/null)
else
  on_wine=false
  temp_folder=$work/tmp
  mkdir "$temp_folder"
  export TMPDIR=$temp_folder
fi

# text with the line ends of standard output: LF as it is, CR LF under wine
# (where CR LF stays CR LF).
platform_lines() {
  local text=$1
  if $on_wine; then
    text=${text//$'\r\n'/$'\n'}
    text=${text//$'\n'/$'\r\n'}
  fi
  printf '%s' "$text"
}

# Runs the tool with the given arguments; keeps standard output in the file
# out, standard error in err and the exit status in status.
run() {
  "${tool[@]}" "$@" >out 2>err
  status=$?
}

# The whole content of a file, trailing line breaks included.
content() {
  local text
  text=$(cat "$1"; printf x)
  printf '%s' "${text%x}"
}

# expect NAME STATUS STDOUT STDERR: compares the last run with what is given.
expect() {
  local name=$1 want_status=$2 want_out want_err=$4
  local got_out got_err
  want_out=$(platform_lines "$3"; printf x); want_out=${want_out%x}
  got_out=$(content out; printf x); got_out=${got_out%x}
  got_err=$(content err; printf x); got_err=${got_err%x}
  if [ "$status" = "$want_status" ] && [ "$got_out" = "$want_out" ] && [ "$got_err" = "$want_err" ]; then
    passed=$((passed + 1))
    return
  fi
  failed=$((failed + 1))
  echo "FAILED: $name"
  [ "$status" = "$want_status" ] || echo "  status: got $status, want $want_status"
  [ "$got_out" = "$want_out" ] || printf '  stdout: got %q\n          want %q\n' "$got_out" "$want_out"
  [ "$got_err" = "$want_err" ] || printf '  stderr: got %q\n          want %q\n' "$got_err" "$want_err"
}

# expect_file NAME FILE BYTES: compares a file's content.
expect_file() {
  local name=$1 file=$2 want=$3 got
  got=$(content "$file" 2>/dev/null; printf x); got=${got%x}
  if [ -f "$file" ] && [ "$got" = "$want" ]; then
    passed=$((passed + 1))
    return
  fi
  failed=$((failed + 1))
  printf 'FAILED: %s\n  %s: got %q\n  want %q\n' "$name" "$file" "$got" "$want"
}

# Prints the closing line and ends with the verdict.
finish() {
  echo "$passed passed, $failed failed"
  [ "$failed" -eq 0 ]
}

# expect_lines NAME STATUS PATTERN...: the last run ended with STATUS, printed
# nothing on standard error, and each extended regular expression PATTERN
# matches a line of its standard output.
expect_lines() {
  local name=$1 want_status=$2 pattern missing=""
  shift 2
  for pattern in "$@"; do
    tr -d '\r' <out | grep -Eq -- "$pattern" || missing="$missing '$pattern'"
  done
  if [ "$status" = "$want_status" ] && [ ! -s err ] && [ -z "$missing" ]; then
    passed=$((passed + 1))
    return
  fi
  failed=$((failed + 1))
  echo "FAILED: $name (status $status, want $want_status)"
  [ -z "$missing" ] || echo "  no line matches:$missing"
  [ ! -s err ] || printf '  stderr: %q\n' "$(cat err)"
}

# check NAME CONDITION...: a test that passes when the command succeeds.
check() {
  local name=$1
  shift
  if "$@"; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "FAILED: $name"
  fi
}

# Whether the temporary folder holds no folder of the tool. Under wine other
# tests' tools come and go in the same folder: one that stays is ours.
no_private_folder_left() {
  local tries=1
  $on_wine && tries=20
  while [ $tries -gt 0 ]; do
    [ -z "$(new_private_folders)" ] && return 0
    tries=$((tries - 1))
    [ $tries -gt 0 ] && sleep 0.25
  done
  echo "left in $temp_folder: $(new_private_folders)"
  return 1
}

# The tool's folders in the temporary folder that were not there at the start.
new_private_folders() {
  ls -A "$temp_folder" | grep '^quillet-' | grep -vxF -e "${private_folders_before:-none}"
}
private_folders_before=$(ls -A "$temp_folder" | grep '^quillet-')
