#!/usr/bin/env bash
# Records the built-in drive through cablog chained to the sample train
# plug-in ([Log] Record=1) and replays it: into the same plug-in (exit 0);
# into a build braking above 50 km/h instead of 45 (exit 1, first difference
# at the first frame whose speed lies between); into cablog itself with the
# same files (the same log and recording, byte for byte); cut short (every
# whole call before the cut); foreign, damaged, not a module (exit 2); into a
# module that crashes (exit 3, with the report). Then records a drive chained
# to a build that throws out of its third Elapse and every HornBlow: the
# frame stays, marked, with the emergency brake (the vehicle's 8 notches + 1); replayed into the sound build it differs (exit 1),
# into the throwing build and cablog chained to it the fault is named (exit 3).
#
#   replay_properties.sh WORK_FOLDER MODULE SAMPLE SAMPLE_50 CRASHING THROWING HOST_COMMAND...
set -euo pipefail
work=$1 module=$2 sample=$3 sample50=$4 crashing=$5 throwing=$6
shift 6
host=("$@")

fail() {
  echo "FAIL: $*" >&2
  exit 1
}
# run_host EXPECTED_STATUS OUTPUT_FILE ARGS...: the stand-in, its status checked.
run_host() {
  local want=$1 out=$2 status=0
  shift 2
  "${host[@]}" "$@" >"$out" 2>"$out.err" || status=$?
  [ "$status" -eq "$want" ] || fail "cablog-host $* ended with $status, not $want:
$(cat "$out" "$out.err")"
}

rm -rf "$work"
name=$(basename "$module")
for run in recorded again faulty faulty-again; do
  mkdir -p "$work/$run"
  chained=$sample
  [[ $run != faulty* ]] || chained=$throwing
  cp "$module" "$chained" "$work/$run/"
  printf '[Frame]\r\nSkip=30\r\n[Log]\r\nRecord=1\r\n[Chain]\r\nModule=%s\r\n' "$(basename "$chained")" \
    >"$work/$run/${name%.*}.ini"
  printf 'TIME_HHMMSS,Clock\r\nSPEED,Speed\r\nPLUGIN_BRAKE,P brake\r\nPANEL_255,Tripped\r\nSOUND_7,S\r\n' \
    >"$work/$run/${name%.*}.csv"
done
cd "$work"
run_host 0 drive.out --chained --module "$work/recorded/$name"
rec=$(ls recorded/Log_*.rec)
log=$(ls recorded/Log_*.csv)

run_host 0 same.out replay "$rec" --module "$sample"
[ "$(tail -n 1 same.out | tr -d '\r')" = "replayed 14400 frames: 14400 identical, 0 differ, first difference at frame -" ] ||
  fail "replay into the same plug-in: $(tail -n 1 same.out)"

run_host 1 other.out replay "$rec" --module "$sample50" --report report.csv
run_host 0 shown.txt show "$rec"
# The first frame on which one build brakes and the other does not.
want=$(awk '$1 == "Elapse" { for (i = 3; i <= NF; ++i) if ($i ~ /^speed=/) {
  v = substr($i, 7) + 0; if (v > 45 && v <= 50) { print $2; exit } } }' shown.txt)
last=$(tail -n 1 other.out | tr -d '\r')
[[ $last =~ ^replayed\ 14400\ frames:\ [0-9]+\ identical,\ [0-9]+\ differ,\ first\ difference\ at\ frame\ ${want}$ ]] ||
  fail "replay into the 50 km/h build: '$last', expected the first difference at frame $want"
grep -q "^  brake: recorded 1, replayed 0" other.out || fail "no brake difference shown: $(cat other.out)"
[ "$(sed -n 2p report.csv | cut -d, -f1)" = "$want" ] || fail "the report starts elsewhere: $(head -n 3 report.csv)"

# The recorded run reaches 1 s on its 60th frame, where the crashing module
# writes through a null pointer.
run_host 3 crash.out replay "$rec" --module "$crashing"
grep -Eq 'the module crashed \((segmentation fault|access violation)\) in Elapse, frame 60 at 0.98[0-9] s' \
  crash.out.err || fail "replay into a crashing module: $(cat crash.out.err)"

run_host 0 again.out replay "$rec" --module "$work/again/$name"
cmp "$log" again/Log_*.csv || fail "the replayed log differs from the recorded run's"
cmp "$rec" again/Log_*.rec || fail "the replay's own recording differs from the one replayed"

size=$(stat -c %s "$rec")
for cut in 1000 $((size / 2)) $((size - 1)); do
  head -c "$cut" "$rec" >cut.rec
  run_host 0 cut.out replay cut.rec --module "$sample"
  run_host 0 cut.txt show cut.rec
  frames=$(grep -c '^Elapse' cut.txt || true)
  tail -n 1 cut.out | grep -q "^replayed $frames frames: $frames identical" ||
    fail "cut at $cut: $(tail -n 1 cut.out), $frames whole frames before the cut"
done

run_host 2 foreign.out replay "$log" --module "$sample"
grep -q 'byte 0: expected "CABLOGRC"' foreign.out.err || fail "foreign file: $(cat foreign.out.err)"
# The first call tag follows the header: magic, version, two texts, size, hash.
version_length=$(od -An -tu2 -j12 -N2 "$rec" | tr -d ' ')
name_length=$(od -An -tu2 -j$((14 + version_length)) -N2 "$rec" | tr -d ' ')
first=$((14 + version_length + 2 + name_length + 16))
{ head -c "$first" "$rec"; printf '\377'; tail -c +$((first + 2)) "$rec"; } >damaged.rec
run_host 2 damaged.out replay damaged.rec --module "$sample"
grep -q "byte $first: expected a call tag from 1 to 17, found 0xff" damaged.out.err ||
  fail "damaged file: $(cat damaged.out.err)"
run_host 2 show-damaged.out show damaged.rec
head -c "$first" "$rec" >empty.rec
run_host 2 empty.out replay empty.rec --module "$sample"
grep -q "holds no frame" empty.out.err || fail "a recording of no frame: $(cat empty.out.err)"

# The stand-in's own recording of a plug-in it drives replays into the same
# build without a difference, and into the changed one with some.
run_host 0 own.out --plugin "$sample" --record own.rec
run_host 0 own-same.out replay own.rec --module "$sample"
tail -n 1 own-same.out | grep -Eq "^replayed ([0-9]+) frames: \1 identical, 0 differ" ||
  fail "the stand-in's recording, replayed: $(tail -n 1 own-same.out)"
run_host 1 own-other.out replay own.rec --module "$sample50"
# A crashed drive's recording holds the crashing call: replayed, it crashes there.
run_host 3 own-crash.out --plugin "$crashing" --record own-crash.rec
run_host 3 own-crash-replay.out replay own-crash.rec --module "$crashing"
grep -q 'in Elapse, frame 60 ' own-crash-replay.out.err || fail "the crashed drive's recording: $(cat own-crash-replay.out.err)"
run_host 2 nomodule.out replay "$rec" --module "$log"
grep -q "cannot load module" nomodule.out.err || fail "not a module: $(cat nomodule.out.err)"
# The bench names the plug-in that faulted, the first fault and the brake.
run_host 3 faulty.out --chained --module "$work/faulty/$name"
grep -q 'the chained train plug-in faulted: .*sample_train_plugin_throws' faulty.out.err &&
  grep -q '^  first:  Elapse at frame 3, [0-9.]* s, location [0-9.]* m: an exception: planted' faulty.out.err &&
  grep -q 'cablog applied the emergency brake' faulty.out.err || fail "chained fault: $(cat faulty.out.err)"
rec=$(ls faulty/Log_*.rec)
run_host 0 faulty.txt show "$rec"
[ "$(grep -c 'fault, emergency brake' faulty.txt)" = 1 ] &&
  grep -q '^Elapse 3 .*-> fault, emergency brake: brake=9 power=0 ' faulty.txt ||
  fail "show: $(grep -m 4 '^Elapse' faulty.txt)"
run_host 1 sound.out replay "$rec" --module "$sample"
grep -q '^first difference at frame 3,' sound.out && grep -q '^  fault: recorded 1, replayed 0' sound.out ||
  fail "replay into the sound build: $(cat sound.out)"
run_host 3 throwing.out replay "$rec" --module "$throwing"
grep -q '^  fault: recorded 1, replayed 1' throwing.out &&
  grep -q '^the module failed [1-9][0-9]* times, first in Elapse at frame 3: an exception: planted fault in' throwing.out ||
  fail "replay into the throwing build: $(cat throwing.out)"
run_host 3 chained.out replay "$rec" --module "$work/faulty-again/$name"
grep -q '^  fault: recorded 1, replayed 1' chained.out && grep -q "its status file says: faults:  [1-9][0-9]*; first: Elapse at frame 3, [0-9.]* s, location [0-9.]* m: an exception: planted" \
  chained.out || fail "replay into cablog chained to the throwing build: $(cat chained.out)"
echo "replay: same build 0 differences; 50 km/h build first differs at frame $want; log and recording replayed byte for byte"
