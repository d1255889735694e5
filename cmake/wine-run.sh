#!/bin/sh
# Runs a Windows program under wine64 in the prefix named by WINEPREFIX. The
# prefix is created first, once, under a lock: test programs start in
# parallel, and two wine processes creating the same prefix can both fail.
set -eu
: "${WINEPREFIX:?WINEPREFIX must name the wine prefix}"
export WINEPREFIX WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wine=/usr/lib/wine/wine64
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  flock "$WINEPREFIX.lock" sh -c \
    '[ -f "$WINEPREFIX/system.reg" ] || { "$1" wineboot --init && "${1%64}server64" -w || true; }' \
    sh "$wine"
fi
exec "$wine" "$@"
