#!/usr/bin/env bash
# Installs what the builds and tests need from Debian's packages, when run as
# root and something is missing. Prints what it cannot do; never fails on its own.
#   install-deps.sh build   what the Linux build of the library and the tool needs
#   install-deps.sh         that, and all the tests need: sanitizers, GoogleTest,
#                           the Windows cross compilers and wine, valgrind,
#                           Python's venv and setuptools, mono, man
set -u

build=(cmake g++ make)
tests=(valgrind clang libclang-rt-14-dev googletest libgtest-dev g++-mingw-w64-i686 binutils-mingw-w64-i686
       wine wine32:i386 g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64 wine64
       python3 python3-venv python3-pip python3-setuptools python3-wheel mono-mcs mono-runtime
       pkg-config time man-db groff-base)
case "${1:-all}" in
  build) wanted=("${build[@]}") ;;
  all) wanted=("${build[@]}" "${tests[@]}") ;;
  *) echo "usage: install-deps.sh [build]" >&2; exit 2 ;;
esac

need=()
have() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }
for pkg in "${wanted[@]}"; do
  have "$pkg" || need+=("$pkg")
done
[ ${#need[@]} -eq 0 ] && exit 0

if [ "$(id -u)" != 0 ]; then
  echo "install-deps: missing ${need[*]} (run as root to install them)" >&2
  exit 0
fi
echo "install-deps: installing ${need[*]}"
if printf '%s\n' "${need[@]}" | grep -q ':i386$'; then
  dpkg --add-architecture i386
fi
export DEBIAN_FRONTEND=noninteractive
# A mirror caught mid-sync fails one index and makes update exit non-zero;
# the indexes it did fetch still serve the install.
apt-get update -q >/dev/null || echo "install-deps: apt-get update reported errors; installing from the indexes it has" >&2
if ! apt-get install -y -q "${need[@]}" >/dev/null; then
  # Without one architecture's index, its packages cannot match the other's
  # versions: install the rest, so that the tests that need no 32-bit wine run.
  native=()
  for pkg in "${need[@]}"; do
    case "$pkg" in *:i386) ;; *) native+=("$pkg") ;; esac
  done
  echo "install-deps: apt-get install failed; trying without the i386 packages" >&2
  [ ${#native[@]} -eq 0 ] || apt-get install -y -q "${native[@]}" >/dev/null || echo "install-deps: apt-get install failed" >&2
fi
exit 0
