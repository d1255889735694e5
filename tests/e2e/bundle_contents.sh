#!/usr/bin/env bash
# Checks the release bundle: exactly the expected files, the DLL and the
# stand-in that were tested, and a column file naming every key.
#
#   tests/e2e/bundle_contents.sh ZIP [WINDOWS_BUILD_DIR]
set -uo pipefail
cd "$(dirname "$0")/../.."
zip_path=$1
build=${2:-build/windows-x64}
failures=0

fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

expected="LICENSE README.txt THIRD-PARTY-NOTICES.txt cablog-host.exe cablog.csv cablog.dll cablog.ini"
[ -f build/viewer/cablog-viewer.html ] && expected="$expected cablog-viewer.html"
[ -f build/viewer/cablog-debrief.mjs ] && expected="$expected cablog-debrief.mjs"
# The train plug-in example ships as it is in the source tree.
example_files=$(ls examples/train-plugin)
expected="$expected train-plugin/ train-plugin/cablog-host.md $(sed 's|^|train-plugin/|' <<<"$example_files")"
expected=$(tr ' ' '\n' <<<"$expected" | sort)
listed=$(unzip -Z1 "$zip_path" | sort)
if [ "$listed" != "$expected" ]; then
  fail "the bundle lists" $listed "but should list" $expected
fi

if [ -f build/viewer/cablog-debrief.mjs ]; then
  cmp -s <(unzip -p "$zip_path" cablog-debrief.mjs) build/viewer/cablog-debrief.mjs ||
    fail "cablog-debrief.mjs in the bundle is not build/viewer/cablog-debrief.mjs"
  # It runs on its own, out of the zip, as a user would run it.
  unpacked=$(mktemp -d)
  unzip -q "$zip_path" cablog-debrief.mjs -d "$unpacked"
  node "$unpacked/cablog-debrief.mjs" viewer/test/fixtures/Log_261209-204603.csv | grep -q '^Log_261209-204603\.csv:$' ||
    fail "cablog-debrief.mjs from the bundle does not debrief a log"
  rm -rf "$unpacked"
fi

for file in cablog.dll tools/host/cablog-host.exe; do
  if ! cmp -s <(unzip -p "$zip_path" "$(basename "$file")") "$build/$file"; then
    fail "$(basename "$file") in the bundle is not the tested $build/$file"
  fi
done

# Shipped stripped, with a debug link to the file beside the zip, and with a
# version resource that names the project's version.
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
for file in cablog.dll cablog-host.exe; do
  binary=$(mktemp)
  unzip -p "$zip_path" "$file" >"$binary"
  sections=$(x86_64-w64-mingw32-objdump -h "$binary")
  grep -q '\.debug_info' <<<"$sections" && fail "$file still holds debug information"
  grep -q '\.gnu_debuglink' <<<"$sections" || fail "$file has no debug link"
  [ -f "$(dirname "$zip_path")/$file.debug" ] || fail "$file.debug is not beside the zip"
  strings -el "$binary" | grep -qx "$version" || fail "$file has no version resource naming $version"
  strings -el "$binary" | grep -qx "cablog" || fail "$file's version resource names no product"
  rm -f "$binary"
done

# The notices name the uPlot the viewer bundles, as the lock file pins it.
uplot=$(sed -n '/"node_modules\/uplot"/,/version/s/.*"version": "\([^"]*\)".*/\1/p' viewer/package-lock.json)
unzip -p "$zip_path" THIRD-PARTY-NOTICES.txt | grep -q "uPlot $uplot," ||
  fail "THIRD-PARTY-NOTICES.txt does not name uPlot ${uplot:-(no version in the lock file)}"

# The user files are the package's, with Windows line ends; a test of the
# key table ties package/cablog.csv to every key the plug-in knows by name.
for file in cablog.csv cablog.ini README.txt; do
  cmp -s <(unzip -p "$zip_path" "$file" | tr -d '\r') <(tr -d '\r' <"package/$file") ||
    fail "$file in the bundle is not package/$file"
  unzip -p "$zip_path" "$file" | grep -qv $'\r$' && fail "$file has lines without CR LF"
done
for file in $example_files; do
  cmp -s <(unzip -p "$zip_path" "train-plugin/$file") "examples/train-plugin/$file" ||
    fail "train-plugin/$file in the bundle is not examples/train-plugin/$file"
done
cmp -s <(unzip -p "$zip_path" train-plugin/cablog-host.md) tools/host/README.md ||
  fail "train-plugin/cablog-host.md in the bundle is not tools/host/README.md"
unzip -p "$zip_path" cablog.ini | grep -q $'^Skip=[0-9]*\r$' || fail "cablog.ini sets no Skip"

[ "$failures" -eq 0 ] && echo "ok: $(basename "$zip_path") holds" $expected
[ "$failures" -eq 0 ]
