#!/usr/bin/env bash
# Fails on any #include that crosses the layers the wrong way, as
# cmake/include_layers.txt allows them.
#
#   tests/layers/check_include_layers.sh [SOURCE_DIR]
set -uo pipefail
root=${1:-$(dirname "$0")/../..}
cd "$root" || exit 2
table=cmake/include_layers.txt

declare -A allowed
layers=()
while IFS=: read -r layer uses; do
  layer=${layer//[[:space:]]/}
  [ -z "$layer" ] || [[ $layer == \#* ]] && continue
  layers+=("$layer")
  allowed[$layer]=" $layer $(echo $uses) "
done <"$table"
if [ ${#layers[@]} -eq 0 ]; then
  echo "FAIL: $table names no layer"
  exit 1
fi

broken=0
checked=0
for layer in "${layers[@]}"; do
  [ -d "$layer" ] || { echo "FAIL: $table names $layer, which is no folder"; broken=1; continue; }
  while IFS= read -r file; do
    while IFS= read -r line; do
      included=${line#*\"}
      included=${included%%\"*}
      checked=$((checked + 1))
      for other in "${layers[@]}"; do
        if [[ $included == "$other"/* ]] && [[ ${allowed[$layer]} != *" $other "* ]] &&
          [[ ${allowed[$layer]} != *" $included "* ]]; then
          echo "FAIL: $file includes \"$included\": $layer may include only$(echo ${allowed[$layer]})"
          broken=1
        fi
      done
    done < <(grep -E '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' "$file")
  done < <(find "$layer" -type f \( -name '*.h' -o -name '*.cpp' \))
done
[ "$broken" -eq 0 ] && echo "ok: $checked includes keep to the layers of $table"
exit "$broken"
