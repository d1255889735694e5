#!/usr/bin/env bash
# Drives the Linux module with the Linux host stand-in and the Windows DLL
# with the Windows stand-in under wine64, through the built-in drive and the
# sample script. Each log must have the expected number of rows, and the two
# builds' logs must be byte-identical.
#
#   tests/e2e/cross_build_logs.sh [LINUX_BUILD_DIR] [WINDOWS_BUILD_DIR]
set -uo pipefail
cd "$(dirname "$0")/../.."
root=$PWD
linux_build=$(realpath "${1:-build/linux}")
windows_build=$(realpath "${2:-build/windows-x64}")

# The Windows build's own prefix, made (once, under a lock) by the same
# runner its CTest tests use.
wine=(env "WINEPREFIX=$windows_build/wineprefix" "$root/cmake/wine-run.sh")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

# drive_both NAME SKIP EXPECTED_ROWS HOST_ARGS...
drive_both() {
  local name=$1 skip=$2 expected=$3
  shift 3
  local side dir log rows
  local logs=()
  for side in linux windows; do
    dir=$work/$name-$side
    mkdir -p "$dir"
    cp package/cablog.csv "$dir/"
    printf '[Frame]\nSkip=%s\n' "$skip" >"$dir/cablog.ini"
    if [ "$side" = linux ]; then
      cp "$linux_build/cablog.so" "$dir/"
      "$linux_build/tools/host/cablog-host" --module "$dir/cablog.so" --workdir "$dir" "$@" \
        >"$dir/summary.txt" 2>&1
    else
      cp "$windows_build/cablog.dll" "$dir/"
      "${wine[@]}" "$windows_build/tools/host/cablog-host.exe" --module "$dir/cablog.dll" \
        --workdir "$dir" "$@" >"$dir/summary.txt" 2>&1
    fi
    local status=$?
    sed "s/^/  $name, $side: /" "$dir/summary.txt" | tr -d '\r'
    if [ "$status" -ne 0 ]; then
      fail "$name: the $side stand-in exited with $status"
      return
    fi
    log=$(find "$dir" -maxdepth 1 -name 'Log_*.csv')
    if [ "$(wc -l <<<"$log")" -ne 1 ] || [ -z "$log" ]; then
      fail "$name: expected one log from the $side build, found: ${log:-none}"
      return
    fi
    rows=$(($(wc -l <"$log") - 1))
    if [ "$rows" -ne "$expected" ]; then
      fail "$name: the $side log has $rows rows, expected $expected"
    fi
    if ! grep -q "($expected rows)" "$dir/summary.txt"; then
      fail "$name: the $side stand-in did not report $expected rows"
    fi
    logs+=("$log")
  done
  if cmp -s "${logs[0]}" "${logs[1]}"; then
    echo "ok: $name: both logs have $expected rows and are byte-identical"
  else
    fail "$name: the Linux and Windows logs differ: $(cmp "${logs[0]}" "${logs[1]}")"
  fi
}

# Four minutes at 60 fps, a row every 60 frames.
drive_both built-in 60 240
# Ninety seconds at 30 fps, a row every 15 frames.
drive_both sample-script 15 180 --fps 30 "$root/examples/station-shunt.txt"

[ "$failures" -eq 0 ]
