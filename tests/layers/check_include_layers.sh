#!/usr/bin/env bash
# Fails on any #include in a layer that reaches a file of this repository the
# layer may not include, as cmake/include_layers.txt allows them: quoted or
# in angle brackets, from the root ("plugin/plugin.h") or relative to the
# including file ("../logging/value_key.h"), into another layer or anywhere
# else (tests/, bench/). The build refuses most of these already (each layer
# sees only its own include folder); a relative path it cannot refuse.
#
#   tests/layers/check_include_layers.sh [SOURCE_DIR]
set -uo pipefail
root=$(cd "${1:-$(dirname "$0")/../..}" && pwd) || exit 2
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

# The file of the repository that an include names, from the root: beside
# the including file first (quoted only), then from the root; nothing when
# it names none (a system header, or one of a room's own include folder).
resolve() {
  local dir=$1 quoted=$2 name=$3 candidate
  local -a places=("$name")
  [ "$quoted" = '"' ] && places=("$dir/$name" "$name")
  for candidate in "${places[@]}"; do
    if [ -f "$candidate" ]; then
      realpath -m --relative-to="$root" "$candidate"
      return
    fi
  done
}

# Whether `file`, from the root, is one the layer may include.
mayInclude() {
  local layer=$1 file=$2 entry
  for entry in ${allowed[$layer]}; do
    [[ $file == "$entry" || $file == "$entry"/* ]] && return 0
  done
  return 1
}

includeLine='^[[:space:]]*#[[:space:]]*include[[:space:]]*(["<])([^">]*)[">]'
broken=0
checked=0
for layer in "${layers[@]}"; do
  [ -d "$layer" ] || { echo "FAIL: $table names $layer, which is no folder"; broken=1; continue; }
  while IFS= read -r file; do
    while IFS= read -r line; do
      [[ $line =~ $includeLine ]] || continue
      quoted=${BASH_REMATCH[1]}
      name=${BASH_REMATCH[2]}
      checked=$((checked + 1))
      target=$(resolve "$(dirname "$file")" "$quoted" "$name")
      [ -z "$target" ] && continue
      if [[ $target == ../* ]] || ! mayInclude "$layer" "$target"; then
        echo "FAIL: $file includes $quoted$name (that is $target): $layer may include only$(echo ${allowed[$layer]})"
        broken=1
      fi
    done < <(grep -E '^[[:space:]]*#[[:space:]]*include[[:space:]]*["<]' "$file")
  done < <(find "$layer" -type f \( -name '*.h' -o -name '*.cpp' \))
done
[ "$broken" -eq 0 ] && echo "ok: $checked includes keep to the layers of $table"
exit "$broken"
