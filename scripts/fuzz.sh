#!/usr/bin/env bash
# Builds the libFuzzer targets with clang, AddressSanitizer and
# UndefinedBehaviorSanitizer into build-fuzz/, then runs each for a while
# over a copy of its corpus in fuzz/corpus/ (the committed corpus is never
# written). Fails when any target finds a fault; the input that caused it is
# kept in build-fuzz/findings/. Installs nothing: scripts/setup.sh does.
#
# usage: scripts/fuzz.sh [SECONDS]   seconds per target; default
#                                    $DV_FUZZ_SECONDS, else 30
set -euo pipefail
cd "$(dirname "$0")/.."

seconds="${1:-${DV_FUZZ_SECONDS:-30}}"
# A single input is far quicker than this; only a hang comes near it.
input_timeout=60
JOBS=$(nproc 2>/dev/null || echo 2)

for tool in clang-14 clang++-14; do
  if ! command -v "$tool" >/dev/null; then
    echo "fuzz: $tool is missing; run scripts/setup.sh first" >&2
    exit 1
  fi
done

targets=()
for src in fuzz/fuzz_*.cpp; do
  targets+=("$(basename "$src" .cpp)")
done

CC=clang-14 CXX=clang++-14 cmake -S . -B build-fuzz -G Ninja \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDV_FUZZ=ON >/dev/null
cmake --build build-fuzz -j "$JOBS" --target "${targets[@]}"

export ASAN_OPTIONS="${ASAN_OPTIONS:-abort_on_error=1:strict_string_checks=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
export LSAN_OPTIONS="${LSAN_OPTIONS:-suppressions=$PWD/tests/lsan.supp:print_suppressions=0}"

work=$(mktemp -d "${TMPDIR:-/tmp}/dialvane-fuzz-run-XXXXXX")
trap 'rm -rf "$work"' EXIT
findings="build-fuzz/findings"
mkdir -p "$findings"

# The figures libFuzzer prints at the end of a run, on one line.
summarise() {
  local log="$1"
  local runs rate last
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)
  last=$(grep -Eo 'cov: [0-9]+ ft: [0-9]+ corp: [0-9]+' "$log" | tail -1 || true)
  echo "${runs:-?} runs, ${rate:-?} exec/s, ${last:-no coverage line}"
}

status=0
for target in "${targets[@]}"; do
  name="${target#fuzz_}"
  corpus="$work/$name"
  mkdir -p "$corpus"
  if [ -d "fuzz/corpus/$name" ]; then
    cp -R "fuzz/corpus/$name/." "$corpus/"
  fi
  log="$work/$name.log"
  echo "== fuzz $name for ${seconds} s"
  if "build-fuzz/$target" -max_total_time="$seconds" -timeout="$input_timeout" \
      -print_final_stats=1 -artifact_prefix="$findings/$name-" "$corpus" >"$log" 2>&1; then
    echo "   $(summarise "$log")"
  else
    status=1
    tail -n 60 "$log"
    echo "fuzz: $name found a fault; the input is in $findings/" >&2
  fi
done
exit $status
