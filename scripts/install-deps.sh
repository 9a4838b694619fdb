#!/usr/bin/env bash
# Installs the Debian packages that the build lanes need, when any is missing:
#   install-deps.sh          every lane of `make test`
#   install-deps.sh native   only the native build with its tests
#   install-deps.sh demo     only the library and the simulator (`make run`)
# Only root can install; anyone else is told what to install.
set -euo pipefail

lane="${1:-all}"
packages=(cmake ninja-build g++)
if [ "$lane" != demo ]; then
  packages+=(libgtest-dev libgmock-dev googletest)
fi
if [ "$lane" = all ]; then
  packages+=(
    clang libclang-rt-14-dev libbenchmark-dev valgrind
    g++-multilib
    g++-mingw-w64-i686 g++-mingw-w64-i686-posix wine wine32:i386 zip unzip
    chromium python3
  )
fi

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' \
    || missing+=("$package")
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi
if [ "$(id -u)" -ne 0 ]; then
  echo "missing packages: ${missing[*]}; install them as root (apt-get install)" >&2
  exit 1
fi
echo "installing: ${missing[*]}"
# wine32 runs the 32-bit Windows lane and comes from the i386 architecture.
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
fi
apt-get update -q
DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
