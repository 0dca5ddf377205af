#!/usr/bin/env bash
# Installs what the build needs on a Debian machine (only what is missing),
# then configures and builds into build/ (and, with --asan, build-asan/: clang
# with AddressSanitizer, UndefinedBehaviorSanitizer and the fuzzing
# instrumentation, the tests and the libFuzzer targets in one build). Both
# carry the test hooks (DV_TEST_HOOKS) the tests need.
set -euo pipefail
cd "$(dirname "$0")/.."

PACKAGES=(
  build-essential cmake ninja-build pkg-config git
  libsdl2-dev libfreetype-dev libfontconfig1-dev libpng-dev
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  clang clang-14 libclang-rt-14-dev
  fonts-wine fonts-nanum fontconfig
  xvfb xdotool x11-apps x11-utils netpbm procps python3
  pulseaudio pulseaudio-utils libpulse-dev
  libevdev-dev umockdev libumockdev-dev gir1.2-umockdev-1.0 python3-gi
  systemd lintian
)

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ "${#missing[@]}" -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

JOBS=$(nproc 2>/dev/null || echo 2)
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDV_TEST_HOOKS=ON >/dev/null
cmake --build build -j "$JOBS"
if [ "${1:-}" = "--asan" ]; then
  CC=clang-14 CXX=clang++-14 cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug \
    -DDV_SANITIZE=ON -DDV_FUZZ=ON -DDV_TEST_HOOKS=ON >/dev/null
  cmake --build build-asan -j "$JOBS"
fi
