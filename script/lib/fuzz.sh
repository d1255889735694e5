# Shared by script/fuzz and script/test: builds the libFuzzer targets with
# clang in the fuzz preset's build and runs them. Source it after common.sh; do not run it.

fuzz_targets=(column_definitions ini_lookup number_text clock_text call_sequence
  call_sequence_failing_allocations recording_reader)

# The preset whose build holds the targets: "fuzz", or "ci-fuzz" for CI.
fuzz_preset=${fuzz_preset:-fuzz}

# build_fuzzers: configures (once) and builds every fuzz target.
build_fuzzers() {
  local root
  root=$(repo_root)
  (cd "$root" && cmake --preset "$fuzz_preset" >/dev/null &&
    cmake --build --preset "$fuzz_preset" --target fuzz_all -j "$(nproc)")
}

# run_fuzzer TARGET SECONDS WORK_CORPUS: runs the checked-in seeds of TARGET
# (a target with failing allocations shares the seeds of the one without),
# then fresh inputs for SECONDS; new inputs go to WORK_CORPUS, inputs that
# fail to build/<fuzz preset>/findings. Prints one summary line; fails on a finding.
run_fuzzer() {
  local target=$1 seconds=$2 work=$3 root log status executions
  root=$(repo_root)
  log="$root/build/$fuzz_preset/logs/$target.log"
  mkdir -p "$work" "$root/build/$fuzz_preset/findings" "$root/build/$fuzz_preset/logs"
  "$root/build/$fuzz_preset/fuzz/fuzz_$target" -max_total_time="$seconds" -timeout=60 \
    -print_final_stats=1 -artifact_prefix="$root/build/$fuzz_preset/findings/$target-" \
    "$work" "$root/fuzz/corpus/${target%_failing_allocations}" >"$log" 2>&1
  status=$?
  executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  if [ "$status" -eq 0 ]; then
    echo "fuzz $target: ${executions:-?} executions in ${seconds}s, no findings"
  else
    echo "fuzz $target: FAILED after ${executions:-?} executions (exit $status), see $log"
    grep -E 'ERROR|runtime error|fuzz check failed|got:|expected:|SUMMARY|Test unit written' "$log" |
      head -n 12 | sed 's/^/  /'
  fi
  return "$status"
}
