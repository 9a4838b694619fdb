#!/usr/bin/env bash
# Runs a 32-bit Windows program under wine, quietly and unattended, in a wine
# prefix of the build's own:
#   wine-run.sh PREFIX PROGRAM [ARGUMENT...]
# The prefix is made on first use, without the Mono and Gecko installers
# (which would ask) and without a display; concurrent first runs wait for the
# one that makes it. The exit status is the program's.
set -euo pipefail

if [ $# -lt 2 ]; then
  echo "usage: $0 PREFIX PROGRAM [ARGUMENT...]" >&2
  exit 2
fi
WINEPREFIX=$(realpath -m "$1")
shift
export WINEPREFIX
export WINEARCH=win32
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY

if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$(dirname "$WINEPREFIX")"
  (
    flock 9
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
      wineboot --init >/dev/null 2>&1
      wineserver --wait
    fi
  ) 9>"$WINEPREFIX.lock"
fi

exec wine "$@"
