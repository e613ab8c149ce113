#!/usr/bin/env bash
# Builds everything and runs every test: the Linux library, its tests again
# on the plain (no SIMD) scanning routines, the same under the sanitizers
# with short fuzz runs, then the 32-bit and the 64-bit DLL
# under wine in code pages 1252 and 932. With CI=true a missing compiler or
# wine fails the run instead of skipping that part.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh

# run_preset TITLE PRESET AVAILABLE MISSING: configures, builds and tests
# PRESET when the command AVAILABLE succeeds; otherwise says MISSING.
run_preset() {
  echo "== $1 =="
  if eval "$3"; then
    cmake --preset "$2" >/dev/null
    cmake --build --preset "$2"
    ctest --preset "$2"
  elif [ "${CI:-}" = true ]; then
    echo "$4 is missing" >&2
    exit 1
  else
    echo "skipped: $4 is missing"
  fi
}

run_preset "Linux" linux true "nothing"
run_preset "Linux, the plain twins of the scanning routines only" plain true "nothing"
run_preset "Linux with AddressSanitizer and UndefinedBehaviorSanitizer, short fuzz runs" asan \
  "command -v clang++ >/dev/null" "clang"
# Some machines cannot start 32-bit programs at all (a kernel without 32-bit
# support): there the 32-bit DLL is still built and its export table checked,
# but nothing can run under the 32-bit wine.
if command -v i686-w64-mingw32-g++-posix >/dev/null && command -v wine >/dev/null &&
   ! wine --version >/dev/null 2>&1; then
  echo "== 32-bit Windows DLL, built only: this machine cannot start 32-bit programs =="
  cmake --preset win32 >/dev/null
  cmake --build --preset win32
  ctest --preset win32 -R '^export_table$'
else
  run_preset "32-bit Windows DLL under wine" win32 \
    "command -v i686-w64-mingw32-g++-posix >/dev/null && command -v wine >/dev/null" "mingw-w64 (i686) or wine"
fi
run_preset "64-bit Windows DLL under 64-bit wine" win64 \
  "command -v x86_64-w64-mingw32-g++-posix >/dev/null && { [ -x /usr/lib/wine/wine64 ] || command -v wine64 >/dev/null; }" \
  "mingw-w64 (x86_64) or wine64"
