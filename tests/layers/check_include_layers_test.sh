#!/usr/bin/env bash
# The include check, on a scratch tree under the real layer table, finds each
# way of crossing the layers (angle brackets, a relative path, the tests) and
# passes what the table allows.
#
#   tests/layers/check_include_layers_test.sh SOURCE_DIR SCRATCH_DIR
set -uo pipefail
source_dir=$1
scratch=$2
rm -rf "$scratch" && mkdir -p "$scratch"/{cmake,plugin,logging,settings,platform,tools/host/bench,tests/support}
cp "$source_dir/cmake/include_layers.txt" "$scratch/cmake/"
touch "$scratch"/{plugin/plugin.h,plugin/recording_format.h,logging/value_key.h,platform/platform.h,tests/support/temp_dir.h}
printf '#include "platform/platform.h"\n#include <cstdint>\n' >"$scratch/logging/fine.cpp"
printf '#include "plugin/recording_format.h"\n#include "../../platform/platform.h"\n' >"$scratch/tools/host/fine.cpp"
printf '#include <plugin/plugin.h>\n' >"$scratch/logging/angle.cpp"
printf '#include "../../../logging/value_key.h"\n' >"$scratch/tools/host/bench/relative.cpp"
printf '  #  include "tests/support/temp_dir.h"\n' >"$scratch/plugin/tests.cpp"

output=$(bash "$source_dir/tests/layers/check_include_layers.sh" "$scratch")
status=$?
found=$(grep -oE '^FAIL: [^ ]+' <<<"$output" | sort | tr '\n' ' ')
want='FAIL: logging/angle.cpp FAIL: plugin/tests.cpp FAIL: tools/host/bench/relative.cpp '
if [ "$status" -ne 1 ] || [ "$found" != "$want" ]; then
  printf 'the check said (exit %s):\n%s\nbut should have failed exactly %s\n' "$status" "$output" "$want"
  exit 1
fi
echo "ok: the check refuses the three crossings and passes the rest"
