#!/usr/bin/env bash
# Builds everything and runs every test: the Linux library, the same under
# the sanitizers with short fuzz runs, then the 32-bit and the 64-bit DLL
# under wine in code pages 1252 and 932. With CI=true a missing compiler or
# wine fails the run instead of skipping that part.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh

echo "== Linux =="
cmake --preset linux >/dev/null
cmake --build --preset linux
ctest --preset linux

echo "== Linux with AddressSanitizer and UndefinedBehaviorSanitizer, short fuzz runs =="
if command -v clang++ >/dev/null; then
  cmake --preset asan >/dev/null
  cmake --build --preset asan
  ctest --preset asan
elif [ "${CI:-}" = true ]; then
  echo "clang is missing" >&2
  exit 1
else
  echo "skipped: clang is missing"
fi

echo "== 32-bit Windows DLL under wine =="
if command -v i686-w64-mingw32-g++-posix >/dev/null && command -v wine >/dev/null; then
  cmake --preset win32 >/dev/null
  cmake --build --preset win32
  ctest --preset win32
elif [ "${CI:-}" = true ]; then
  echo "mingw-w64 (i686) or wine is missing" >&2
  exit 1
else
  echo "skipped: mingw-w64 (i686) or wine is missing"
fi

echo "== 64-bit Windows DLL under 64-bit wine =="
if command -v x86_64-w64-mingw32-g++-posix >/dev/null && { [ -x /usr/lib/wine/wine64 ] || command -v wine64 >/dev/null; }; then
  cmake --preset win64 >/dev/null
  cmake --build --preset win64
  ctest --preset win64
elif [ "${CI:-}" = true ]; then
  echo "mingw-w64 (x86_64) or wine64 is missing" >&2
  exit 1
else
  echo "skipped: mingw-w64 (x86_64) or wine64 is missing"
fi
