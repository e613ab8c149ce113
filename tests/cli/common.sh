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
  local name=$1 want_status=$2 want_out=$3 want_err=$4
  local got_out got_err
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
    grep -Eq -- "$pattern" out || missing="$missing '$pattern'"
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
