#!/usr/bin/env bash
# Builds the Debian package of the panel from a Release build (warnings are
# errors there as everywhere): dialvane and dialvane-ctl in /usr/bin, the
# systemd service, the udev rules and an example bindings file.
#
# usage: package.sh [amd64|armhf|arm64]     (default: this machine's)
#
# The package is written to build-release[-ARCH]/dialvane_VERSION_ARCH.deb.
# An ARM package is cross-built as scripts/cross-test.sh does (run it once
# first, or let this script install the cross compiler and libraries).
set -euo pipefail
cd "$(dirname "$0")/.."

HOST=$(dpkg --print-architecture)
ARCH=${1:-$HOST}
args=(-DCMAKE_BUILD_TYPE=Release -DDV_BENCH=OFF -DDV_TSAN=OFF -DDV_SANITIZE=OFF -DDV_FUZZ=OFF
  -DDV_DEB_ARCH="$ARCH")
if [ "$ARCH" = "$HOST" ]; then
  BUILD=build-release
else
  case "$ARCH" in
    armhf) TRIPLE=arm-linux-gnueabihf ;;
    arm64) TRIPLE=aarch64-linux-gnu ;;
    *) echo "package: unknown architecture \"$ARCH\" (amd64, armhf or arm64)" >&2; exit 2 ;;
  esac
  if ! command -v "$TRIPLE-g++" >/dev/null || ! dpkg-query -W "libsdl2-dev:$ARCH" >/dev/null 2>&1; then
    echo "package: the $ARCH cross build is not set up; run scripts/cross-test.sh $ARCH first" >&2
    exit 1
  fi
  BUILD=build-release-$ARCH
  args+=(-DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/toolchains/$ARCH.cmake")
fi
command -v ccache >/dev/null && args+=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)

cmake -S . -B "$BUILD" -G Ninja "${args[@]}" >/dev/null
cmake --build "$BUILD" -j "$(nproc 2>/dev/null || echo 2)" --target dialvane dialvane-ctl
(cd "$BUILD" && cpack -G DEB >/dev/null)
ls "$BUILD"/dialvane_*_"$ARCH".deb
