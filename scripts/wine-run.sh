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

# Wine's server and its system processes (services.exe and the ones it
# starts) outlive the program that starts them and keep its standard streams
# open, so whoever reads the program's output (ctest) would wait for them to
# quit. When the prefix's server is not running, start it and the system
# processes with a throw-away program and no streams. They stay a few seconds
# after their last program, so a run of tests shares them.
if wineserver --persistent=5 </dev/null >/dev/null 2>&1; then
  wine cmd /c exit </dev/null >/dev/null 2>&1 || true
fi

exec wine "$@"
