#!/usr/bin/env bash
# Reads the built module's export (and, for a DLL, import) table and fails
# unless it exports exactly the entry points of the export list and, on
# Windows, imports nothing but system DLLs. Then reads its symbol and string
# tables (and those of its .debug file, where the build moved them) and fails
# if any seam that tests/support/test_seams.h declares is there: the test
# backend must never ship. A test program, which links that backend, shows
# that the same reading finds every one of them where they are.
#
#   check_module_tables.sh MODULE OBJDUMP EXPORT_LIST SEAMS_HEADER TEST_PROGRAM
set -euo pipefail
module=$1
objdump=${2:-objdump}
export_list=$3
seams=$4
control=$5

expected=$(grep -E '^[A-Za-z]' "$export_list" | sort | tr '\n' ' ' | sed 's/ $//')
[ "$(wc -w <<<"$expected")" -eq 16 ] || { echo "the export list names $(wc -w <<<"$expected") entry points, not 16"; exit 1; }
status=0

case "$module" in
  *.dll)
    table=$("$objdump" -p "$module")
    # Export names follow the "[Ordinal/Name Pointer] Table" heading.
    exports=$(printf '%s\n' "$table" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' |
      sed -n 's/^\s*\[ *[0-9]*\] \([A-Za-z_][A-Za-z0-9_@]*\)$/\1/p' | sort | tr '\n' ' ' | sed 's/ $//')
    imports=$(printf '%s\n' "$table" | sed -n 's/^\s*DLL Name: //p')
    allowed='^(kernel32|msvcrt|shlwapi|user32|advapi32|ntdll|ucrtbase|api-ms-win-[a-z0-9-]+)\.dll$'
    while read -r dll; do
      [ -z "$dll" ] && continue
      if ! printf '%s\n' "$dll" | tr 'A-Z' 'a-z' | grep -qE "$allowed"; then
        echo "imports a non-system DLL: $dll"
        status=1
      fi
    done <<<"$imports"
    echo "imports: $(echo $imports)"
    ;;
  *)
    exports=$(nm -D --defined-only "$module" | awk '$2 ~ /^[TtWiDdBbRrVv]$/ {print $3}' | sort | tr '\n' ' ' | sed 's/ $//')
    ;;
esac

# Every function and struct the seams header declares at its top level.
hooks=$(sed -n -E 's/^struct ([A-Za-z_][A-Za-z0-9_]*).*/\1/p
  s/^[A-Za-z].*[ *]([A-Za-z_][A-Za-z0-9_]*)\(.*/\1/p' "$seams" | sort -u)
[ "$(wc -w <<<"$hooks")" -ge 5 ] || { echo "found only '$(echo $hooks)' in $seams"; exit 1; }
pattern=$(echo $hooks | tr ' ' '|')
hooksIn() {
  for file in "$1" "$1.debug"; do
    [ -f "$file" ] || continue
    "$objdump" -t "$file" 2>/dev/null || true
    strings -a "$file"
  done | { grep -oE "$pattern" || true; } | sort -u | tr '\n' ' ' | sed 's/ $//'
}
shipped=$(hooksIn "$module")
if [ -n "$shipped" ]; then
  echo "test seams in the module: $shipped"
  status=1
elif [ "$(hooksIn "$control")" != "$(echo $hooks)" ]; then
  echo "the test program shows only '$(hooksIn "$control")' of '$(echo $hooks)': the reading is blind"
  status=1
else
  echo "test seams: none of $(wc -w <<<"$hooks") in the module's symbols and strings"
fi

if [ "$exports" != "$expected" ]; then
  echo "exports differ:"
  echo "  expected: $expected"
  echo "  found:    $exports"
  status=1
else
  echo "exports: the sixteen entry points, nothing else"
fi
exit $status
