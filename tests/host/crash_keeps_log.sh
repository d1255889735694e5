#!/usr/bin/env bash
# A host that dies mid-run leaves a streamed log that is whole up to its last
# write: with Flush=1 and a row every frame, a drive paced in real time and
# crashed at 3.5 s leaves the header and every row up to at least 2.5 s, and
# that file is a byte prefix of the log of the same drive run to its end.
# Its recording ([Log] Record=1) ends at a call's end and replays.
#
#   crash_keeps_log.sh WORK_FOLDER MODULE HOST_COMMAND...
# HOST_COMMAND is the stand-in, after the emulator that runs it if any.
set -euo pipefail
work=$1
module=$2
shift 2

rm -rf "$work"
mkdir -p "$work"
cat >"$work/drive.txt" <<'DRIVE'
0 doors close
0 reverser 1
0 brake 0
0 power 5
2 signal 3
5 end
DRIVE
name=$(basename "$module")
for run in crash whole; do
  mkdir "$work/$run"
  cp "$module" "$work/$run/"
  printf 'TIME_HHMMSS,Clock\r\nTIME,Time\r\nSPEED,Speed\r\nLOCATION,Location\r\nSIGNAL,Signal\r\n' \
    >"$work/$run/${name%.*}.csv"
  printf '[Frame]\r\nSkip=1\r\n[Log]\r\nFlush=1\r\nRecord=1\r\n' >"$work/$run/${name%.*}.ini"
done

# drive FOLDER OUTPUT COMMAND...: runs the stand-in on the module in FOLDER.
# Wine's server can go away just as a new program connects to it ("wine
# client error"); such a start is tried once more, from a clean folder.
drive() {
  local folder=$1 out=$2 status=0
  shift 2
  "$@" >"$out" 2>&1 || status=$?
  if grep -q 'wine client error' "$out"; then
    rm -f "$folder"/Log_*
    status=0
    "$@" >"$out" 2>&1 || status=$?
  fi
  return "$status"
}

status=0
drive "$work/crash" "$work/crash.out" \
  "$@" --module "$work/crash/$name" --realtime --crash-at 3.5 "$work/drive.txt" || status=$?
if [ "$status" -ne 3 ]; then
  echo "FAIL: the crashed drive ended with status $status, not 3" >&2
  cat "$work/crash.out" >&2
  exit 1
fi
drive "$work/whole" "$work/whole.out" "$@" --module "$work/whole/$name" "$work/drive.txt" || {
  echo "FAIL: the whole drive did not run" >&2
  cat "$work/whole.out" >&2
  exit 1
}

crashed=$(ls "$work"/crash/Log_*.csv 2>/dev/null | head -n 1)
whole=$(ls "$work"/whole/Log_*.csv 2>/dev/null | head -n 1)
if [ -z "$crashed" ] || [ -z "$whole" ]; then
  echo "FAIL: a log is missing (crashed: '${crashed}', whole: '${whole}')" >&2
  exit 1
fi
size=$(stat -c %s "$crashed")
if ! head -c "$size" "$whole" | cmp -s - "$crashed"; then
  echo "FAIL: the crashed run's log is not a prefix of the whole run's" >&2
  exit 1
fi
if [ "$(tail -c 2 "$crashed" | od -An -c | tr -d ' ')" != '\r\n' ]; then
  echo "FAIL: the crashed run's log does not end at the end of a row" >&2
  exit 1
fi
rows=$(($(wc -l <"$crashed") - 1))
all=$(($(wc -l <"$whole") - 1))
last=$(tail -n 1 "$crashed" | cut -d, -f1)
# 60 frames a second: the frame at 2.5 s is the 150th.
if [ "$rows" -lt 150 ]; then
  echo "FAIL: the crashed run's log holds $rows rows (last at $last); at least 150 expected" >&2
  exit 1
fi
if ! "$@" replay "$work"/crash/Log_*.rec --module "$work/whole/$name" >"$work/replay.out" 2>&1 ||
  grep -q 'cut short' "$work/replay.out"; then
  echo "FAIL: the crashed run's recording does not replay, or ends inside a call:" >&2
  cat "$work/replay.out" >&2
  exit 1
fi
echo "crash at 3.5 s: the log holds the header and $rows of the whole run's $all rows (last at $last)"
