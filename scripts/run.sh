#!/usr/bin/env bash
# Sets up, then runs the panel beside the stand-in launcher, whose lines
# show what the panel tells it. Closing the panel ends both.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh

./build/dialvane-ctl launcher &
launcher=$!
trap 'kill $launcher 2>/dev/null || true' EXIT
# The launcher's window must exist before the panel looks it up.
for _ in $(seq 50); do
  ./build/dialvane-ctl send Launcher_Tulvo WM_NULL >/dev/null 2>&1 && break
  sleep 0.1
done
./build/dialvane
