#!/usr/bin/env bash
# Runs of a fuzz target per CPU second and per wall second, over a fresh copy
# of its corpus, with the options scripts/fuzz.sh uses. A fixed number of runs
# and the CPU time make two builds or two option sets comparable on a machine
# whose speed drifts; run each several times, interleaved.
#
# usage: tools/fuzz/rate.sh TARGET RUNS [libFuzzer options...]
#   e.g. tools/fuzz/rate.sh pen 8000 -max_len=12 -seed=3
set -euo pipefail
cd "$(dirname "$0")/../.."

target=$1 runs=$2
shift 2
binary=build-asan/fuzz_$target
[ -x "$binary" ] || { echo "rate: $binary is missing; run scripts/setup.sh --asan" >&2; exit 1; }

export TMPDIR=/dev/shm
export ASAN_OPTIONS="${ASAN_OPTIONS:-abort_on_error=1:strict_string_checks=1:quarantine_size_mb=16:malloc_context_size=5}"
export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0"
work=$(mktemp -d "$TMPDIR/dialvane-rate-XXXXXX")
trap 'rm -rf "$work"' EXIT
cp -R "fuzz/corpus/$target" "$work/corpus"

/usr/bin/time -f "%U %S %e" -o "$work/time" "$binary" -runs="$runs" "$@" "$work/corpus" \
  >"$work/log" 2>&1
read -r user system wall <"$work/time"
done_runs=$(sed -n 's/^Done \([0-9]*\) runs.*/\1/p' "$work/log")
python3 -c "import sys; n, c, w = int(sys.argv[1]), float(sys.argv[2]), float(sys.argv[3]); \
print(f'{n} runs: {n / c:.0f} per CPU second, {n / w:.0f} per wall second ({c:.1f} s CPU)')" \
  "$done_runs" "$(python3 -c "print($user + $system)")" "$wall"
