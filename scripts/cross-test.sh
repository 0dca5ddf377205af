#!/usr/bin/env bash
# Builds the panel for an ARM unit and tests it under emulation.
#
# usage: cross-test.sh armhf|arm64
#
# Installs what the cross build needs (only what is missing): Debian's cross
# compiler, qemu-user, and the ARCH packages of every library the panel links,
# from the multiarch archive (dpkg --add-architecture ARCH). Then configures
# and builds build-ARCH/ with cmake/toolchains/ARCH.cmake (no benchmarks, no
# ThreadSanitizer, no fuzzers) and runs under qemu-user: the platform and system
# test programs, the fuzz corpora replays, and the end-to-end scripts of the
# start-up, dialvane-ctl, the short power cut and the SIGTERM cases, with the
# panel itself emulated; then the headless tour (tools/tour/tour.sh).
# See docs/arm.md for the pitfalls.
set -euo pipefail
cd "$(dirname "$0")/.."

ARCH=${1:?usage: cross-test.sh armhf|arm64}
case "$ARCH" in
  armhf) TRIPLE=arm-linux-gnueabihf QEMU=qemu-arm ;;
  arm64) TRIPLE=aarch64-linux-gnu QEMU=qemu-aarch64 ;;
  *) echo "cross-test: unknown architecture \"$ARCH\" (armhf or arm64)" >&2; exit 2 ;;
esac
BUILD=build-$ARCH
APT=(apt-get -o DPkg::Lock::Timeout=900)
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
start=$(date +%s)

# The build machine's tools, and the target's libraries. The fonts are the
# build machine's: fontconfig of the target reads the same /etc/fonts.
HOST_PACKAGES=(cmake ninja-build pkg-config python3 qemu-user "g++-$TRIPLE"
  fonts-wine fonts-nanum fontconfig netpbm procps)
TARGET_PACKAGES=(libsdl2-dev libfreetype-dev libfontconfig1-dev libpng-dev libpulse-dev
  libgtest-dev libgmock-dev libevdev-dev)
wanted=("${HOST_PACKAGES[@]}")
for p in "${TARGET_PACKAGES[@]}"; do wanted+=("$p:$ARCH"); done
missing=()
for p in "${wanted[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ "${#missing[@]}" -gt 0 ]; then
  echo "cross-test: installing ${missing[*]}"
  if ! dpkg --print-foreign-architectures | grep -qx "$ARCH"; then
    $SUDO dpkg --add-architecture "$ARCH"
  fi
  $SUDO "${APT[@]}" update -qq
  # --no-remove: a target library that would push out one of the build
  # machine's stops here instead of breaking the native build.
  DEBIAN_FRONTEND=noninteractive $SUDO "${APT[@]}" install -y -qq --no-install-recommends \
    --no-remove "${missing[@]}" >/dev/null
fi

# -O1 without debug information: the cross build takes half the time of
# -O2 -g, and the emulated tests run about as fast.
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S . -B "$BUILD" -G Ninja -DCMAKE_TOOLCHAIN_FILE="cmake/toolchains/$ARCH.cmake" \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -DNDEBUG" \
  -DDV_BENCH=OFF -DDV_TSAN=OFF -DDV_SANITIZE=OFF -DDV_FUZZ=OFF -DDV_TEST_HOOKS=ON "${launcher[@]}" >/dev/null
cmake --build "$BUILD" -j "$(nproc 2>/dev/null || echo 2)"

# The e2e harness and the tour start these instead of the ARM programs.
mkdir -p "$BUILD/emulated"
for program in dialvane dialvane-ctl; do
  cat >"$BUILD/emulated/$program" <<WRAPPER
#!/bin/sh
exec $QEMU "$PWD/$BUILD/$program" "\$@"
WRAPPER
  chmod +x "$BUILD/emulated/$program"
done
built=$(date +%s)

export SDL_AUDIODRIVER=dummy
# The platform tests start peers of themselves: through the emulator, too.
export DV_TEST_EMULATOR=$QEMU
status=0
ctest --test-dir "$BUILD" --output-on-failure -j 2 \
  -R '^(layers|platform|system|fuzz_corpus_.*|e2e_(startup|ctl|power_cut|supervisor))$' || status=1
tour=$(mktemp -d)
if tools/tour/tour.sh "$BUILD/emulated" "$tour" >"$tour/tour.out" 2>&1; then
  echo "cross-test: the headless tour ran ($(ls "$tour"/*.png | wc -l) screenshots)"
else
  cat "$tour/tour.out"
  echo "cross-test: the headless tour failed" >&2
  status=1
fi
rm -rf "$tour"
end=$(date +%s)
echo "cross-test $ARCH: build $((built - start)) s, tests $((end - built)) s"
exit $status
