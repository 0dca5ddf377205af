#!/usr/bin/env bash
# The whole-process figures script runs against the real panel, once, so it
# cannot rot; its times are not judged here.
set -euo pipefail
source "$(dirname "$0")/common.bash"

out=$(DIALVANE_BENCH_RUNS=1 bash "$DIALVANE_SOURCE_DIR/tools/bench/process-figures.sh" "$BUILD")
echo "$out"
for row in "start to first painted frame" "peak memory" "pen-down to pressed look"; do
  grep -q "^$row" <<<"$out" || fail "no \"$row\" row in the figures"
done
grep -q "pressed-look samples: 1;" <<<"$out" || fail "the pressed look was not seen after the pen-down"
pass "the process figures script measured all three figures"
