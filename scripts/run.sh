#!/usr/bin/env bash
# Sets up, then runs the panel. With a display: beside the stand-in launcher,
# whose lines show what the panel tells it; closing the panel ends both.
# Without one (a server, a container): a scripted tour of the panel running
# headless, with a screenshot of each step in build/tour/.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh

if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  echo "run: no display here (DISPLAY and WAYLAND_DISPLAY are not set);"
  echo "run: touring the panel headless instead, screenshots in build/tour/"
  exec ./tools/tour/tour.sh build build/tour
fi

./build/dialvane-ctl launcher &
launcher=$!
trap 'kill $launcher 2>/dev/null || true' EXIT
# The panel looks the launcher up once, when it starts.
for _ in $(seq 50); do
  ./build/dialvane-ctl send Launcher_Tulvo WM_NULL >/dev/null 2>&1 && break
  sleep 0.1
done
./build/dialvane
