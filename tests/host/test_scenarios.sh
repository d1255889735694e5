#!/usr/bin/env bash
# cablog-host test: one line per scenario, the summary, JUnit XML, and the
# exit status, for scenarios that pass, fail, crash and hang.
#
#   test_scenarios.sh WORK_FOLDER EXAMPLE_PLUGIN HANG_PLUGIN THROW_PLUGIN PASSING FAILING HOST_COMMAND...
set -euo pipefail
work=$1 example=$2 hang=$3 throws=$4 passing=$5 failing=$6
shift 6
host=("$@")
fail() {
  echo "FAIL: $*" >&2
  exit 1
}
rm -rf "$work"
mkdir -p "$work"
cd "$work"
cp "$passing" passing.txt
cp "$failing" failing.txt

status=0
"${host[@]}" test passing.txt failing.txt --plugin "$example" --junit junit.xml --jobs 2 \
  >two.out 2>&1 || status=$?
[ "$status" -eq 1 ] || fail "a failing scenario ended with $status, not 1: $(cat two.out)"
tr -d '\r' <two.out >two.txt
grep -Eq '^passed +[0-9.]+ s  passing.txt$' two.txt || fail "no passed line: $(cat two.txt)"
grep -Eq '^failed +[0-9.]+ s  failing.txt$' two.txt || fail "no failed line: $(cat two.txt)"
grep -q '^    failing.txt:11: expect stop before 400: failed' two.txt || fail "no first failure: $(cat two.txt)"
grep -qx '2 scenarios: 1 passed, 1 failed, 0 crashed, 0 timed out' two.txt || fail "summary: $(cat two.txt)"
[ "$(grep -c '<testcase ' junit.xml)" -eq 2 ] || fail "JUnit cases: $(cat junit.xml)"
grep -q '<failure type="failed" message="failing.txt:11: ' junit.xml || fail "JUnit failure: $(cat junit.xml)"
perl -0ne 'print $1 if /<failure[^>]*>(.*?)<\/failure>/s' junit.xml |
  grep -q '^failing.txt:12: expect speed &lt;= limit' ||
  fail "JUnit messages: $(cat junit.xml)"
ls cablog-host-test/1-passing/calls.rec cablog-host-test/2-failing/output.txt >/dev/null ||
  fail "the scenarios' folders lack their artifacts"

status=0
"${host[@]}" test passing.txt --plugin "$hang" --timeout 1 >hang.out 2>&1 || status=$?
tr -d '\r' <hang.out >hang.txt
[ "$status" -eq 1 ] && grep -qx '1 scenarios: 0 passed, 0 failed, 0 crashed, 1 timed out' hang.txt ||
  fail "a hanging scenario ($status): $(cat hang.txt)"
status=0
"${host[@]}" test passing.txt --plugin "$throws" >throw.out 2>&1 || status=$?
tr -d '\r' <throw.out >throw.txt
[ "$status" -eq 1 ] && grep -qx '1 scenarios: 0 passed, 0 failed, 1 crashed, 0 timed out' throw.txt &&
  grep -q 'C++ exception std::runtime_error: the limit table is empty' throw.txt ||
  fail "a crashing scenario ($status): $(cat throw.txt)"

"${host[@]}" test passing.txt --plugin "$example" >one.out 2>&1 || fail "all passed: $(cat one.out)"
status=0
"${host[@]}" test passing.txt >usage.out 2>&1 || status=$?
[ "$status" -eq 2 ] || fail "no module given ended with $status, not 2"
echo "test: pass, fail, crash, hang and usage each give their line, summary and status"
