#!/usr/bin/env bash
# Sets up, then runs every test twice: in the normal build and in the
# AddressSanitizer + UndefinedBehaviorSanitizer build (leak detection on),
# then every fuzz target of that build for a short while (scripts/fuzz.sh,
# DV_FUZZ_SECONDS each, 10 by default).
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh --asan

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:strict_string_checks=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0"
# Tests never need a sound card or a display of their own.
export SDL_AUDIODRIVER=dummy

status=0
echo "== tests (build/)"
ctest --test-dir build --output-on-failure -j 2 || status=1
echo "== tests under AddressSanitizer and UndefinedBehaviorSanitizer (build-asan/)"
ctest --test-dir build-asan --output-on-failure -j 2 || status=1
echo "== fuzz targets (build-asan/)"
./scripts/fuzz.sh "${DV_FUZZ_SECONDS:-10}" || status=1
exit $status
