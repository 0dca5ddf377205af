#!/usr/bin/env bash
# Sets up, builds, and measures: the benchmark suite (each figure beside its
# floor, the ratio and the goal), then the whole-process figures of the real
# panel. Figures depend on the machine: run it on a quiet one.
#
# usage: scripts/bench.sh [google-benchmark options]   (e.g. --benchmark_filter=Repaint)
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh

export SDL_AUDIODRIVER=dummy
echo "== benchmark suite (build/dialvane-bench; medians of 5 repetitions)"
build/dialvane-bench --benchmark_repetitions=5 --benchmark_min_time=0.2 \
  --benchmark_report_aggregates_only=true "$@"
echo
echo "== whole process (tools/bench/process-figures.sh)"
tools/bench/process-figures.sh build
