#!/usr/bin/env bash
# A CI job for a train plug-in: builds it with mingw-w64 and runs every
# drive script against it under wine with cablog-host.exe, leaving JUnit XML
# for the CI system and each scenario's output, recording and log folder.
#
#   ci.sh CABLOG_HOST_EXE [SCRIPT...]     (default scripts: *.txt here)
#
# Needs x86_64-w64-mingw32-g++ and wine (Debian: g++-mingw-w64-x86-64, wine64).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
host=$1
shift
scripts=("$@")
[ ${#scripts[@]} -gt 0 ] || scripts=("$here"/*.txt)

x86_64-w64-mingw32-g++ -std=c++17 -O2 -shared -static -o example_plugin.dll \
  "$here/example_plugin.cpp"
# Exit status 0 when every scenario passed, 1 when any failed, crashed or
# timed out; the report is written either way.
wine "$host" test "${scripts[@]}" --plugin example_plugin.dll --junit cablog-host-junit.xml \
  --jobs 2 --timeout 10
