#!/usr/bin/env bash
# The build lines of examples/train-plugin/README.md, run as an author would
# run them: each must build a module that exports exactly the names of
# plugin/exports.txt, which the example's header declares.
#
#   tests/e2e/example_build_lines.sh WORK_FOLDER
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
work=$1
rm -rf "$work"
mkdir -p "$work"
cp "$root"/examples/train-plugin/* "$work/"
cd "$work"

wanted=$(sort "$root/plugin/exports.txt")
declared=$(sed -n 's/^TRAIN_PLUGIN_EXPORT [^(]* \**\([A-Za-z]*\)(.*/\1/p' train_plugin.h | sort)
if [ "$declared" != "$wanted" ]; then
  echo "FAIL: train_plugin.h declares" $declared "but the exports are" $wanted >&2
  exit 1
fi

lines=$(grep -E '^(g\+\+|x86_64-w64-mingw32-g\+\+) ' README.md)
[ "$(wc -l <<<"$lines")" -eq 2 ] || { echo "FAIL: expected two build lines, found: $lines" >&2; exit 1; }
while read -r line; do
  echo "+ $line"
  bash -c "$line"
done <<<"$lines"

exported() {
  case $1 in
    *.dll) x86_64-w64-mingw32-objdump -p "$1" | sed -n '/\[Ordinal\/Name Pointer\]/,/^$/s/^\t\[ *[0-9]*\] //p' ;;
    *) nm -D --defined-only "$1" | awk '$2 == "T" { print $3 }' ;;
  esac
}
for module in example_plugin.so example_plugin.dll; do
  if [ "$(exported "$module" | sort)" != "$wanted" ]; then
    echo "FAIL: $module exports" $(exported "$module") >&2
    exit 1
  fi
done
echo "ok: both build lines give a module exporting the sixteen entry points"
