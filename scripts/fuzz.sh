#!/usr/bin/env bash
# Runs every libFuzzer target of the sanitizer build (build-asan/, made by
# scripts/setup.sh --asan with clang, AddressSanitizer and
# UndefinedBehaviorSanitizer) for a while over a copy of its corpus in
# fuzz/corpus/ (the committed corpus is never written), as many at once as
# there are cores. Fails when any target finds a fault; the input that
# caused it is kept in build-asan/findings/.
#
# usage: scripts/fuzz.sh [SECONDS]   seconds per target; default
#                                    $DV_FUZZ_SECONDS, else 30
# The long run: scripts/fuzz.sh 600
set -euo pipefail
cd "$(dirname "$0")/.."

seconds="${1:-${DV_FUZZ_SECONDS:-30}}"
# A single input is far quicker than this; only a hang comes near it.
input_timeout=60
JOBS=$(nproc 2>/dev/null || echo 2)
build=build-asan

targets=()
for src in fuzz/fuzz_*.cpp; do
  targets+=("$(basename "$src" .cpp)")
done
for target in "${targets[@]}"; do
  if [ ! -x "$build/$target" ]; then
    echo "fuzz: $build/$target is missing; run scripts/setup.sh --asan first" >&2
    exit 1
  fi
done

# The targets' device roots go to memory where it can be had: a target waits
# for no disk, whose flushes it does not explore.
if [ -d /dev/shm ] && [ -w /dev/shm ]; then
  export TMPDIR=/dev/shm
fi
# A small quarantine and short allocation stacks: the dialog targets allocate
# at every message, and the default 256 MB quarantine kept handing them memory
# not touched for seconds (a page fault and a fill each), with a 30-frame
# stack recorded per block; together half a run. For the whole report, run
# a finding alone with the defaults: build-asan/fuzz_<name> FILE.
export ASAN_OPTIONS="${ASAN_OPTIONS:-abort_on_error=1:strict_string_checks=1:quarantine_size_mb=16:malloc_context_size=5}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
export LSAN_OPTIONS="${LSAN_OPTIONS:-suppressions=$PWD/tests/lsan.supp:print_suppressions=0}"

work=$(mktemp -d "${TMPDIR:-/tmp}/dialvane-fuzz-run-XXXXXX")
trap 'rm -rf "$work"' EXIT
findings="$build/findings"
mkdir -p "$findings"

# A target's own libFuzzer options. A pen sequence costs what its events
# cost the panel (a click read, a page painted, a record saved at each tap),
# so its inputs stay short: 12 bytes are the start record and three or four
# events, which reach any page's handlers (every page is one tap away), a
# drag and a close with the reopen after it. Many short sequences explore
# more than a few long ones. A settings file is read for its first 26 bytes:
# 64 hold a short file, the record and a longer one. Both keep one dialog
# from input to input, so an input's allocations and frees need not balance:
# libFuzzer's leak hunt after each input ran most of them twice and searched
# the heap to no purpose. LeakSanitizer still looks at the process's end.
target_options() {
  case $1 in
    fuzz_pen) echo "-max_len=12 -detect_leaks=0" ;;
    fuzz_settings) echo "-max_len=64 -detect_leaks=0" ;;
  esac
}

# One target over its corpus; its figures on one line, or its report.
run_one() {
  local target=$1 name=${1#fuzz_}
  local corpus="$work/$name" log="$work/$name.log"
  mkdir -p "$corpus"
  [ -d "fuzz/corpus/$name" ] && cp -R "fuzz/corpus/$name/." "$corpus/"
  # shellcheck disable=SC2046 # the options are separate words
  if "$build/$target" $(target_options "$target") -max_total_time="$seconds" \
      -timeout="$input_timeout" -print_final_stats=1 -artifact_prefix="$findings/$name-" \
      "$corpus" >"$log" 2>&1; then
    local runs rate
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
    rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)
    echo "== fuzz $name, $seconds s: ${runs:-?} runs, ${rate:-?} exec/s"
  else
    tail -n 60 "$log"
    echo "fuzz: $name found a fault; the input is in $findings/" >&2
    return 1
  fi
}

status=0
pids=()
for target in "${targets[@]}"; do
  run_one "$target" &
  pids+=($!)
  if [ "${#pids[@]}" -ge "$JOBS" ]; then
    wait "${pids[0]}" || status=1
    pids=("${pids[@]:1}")
  fi
done
for pid in "${pids[@]}"; do
  wait "$pid" || status=1
done
exit $status
