#!/usr/bin/env bash
# Reads the built module's export (and, for a DLL, import) table and fails
# unless it exports exactly the entry points of the export list and, on
# Windows, imports nothing but system DLLs.
#
#   check_module_tables.sh MODULE OBJDUMP EXPORT_LIST
set -euo pipefail
module=$1
objdump=${2:-objdump}
export_list=$3

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

if [ "$exports" != "$expected" ]; then
  echo "exports differ:"
  echo "  expected: $expected"
  echo "  found:    $exports"
  status=1
else
  echo "exports: the sixteen entry points, nothing else"
fi
exit $status
