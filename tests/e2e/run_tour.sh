#!/usr/bin/env bash
# The headless tour of the run command, as a newcomer on a server sees it.
set -euo pipefail
BUILD="${DIALVANE_BUILD_DIR:?}"
SRC="${DIALVANE_SOURCE_DIR:?}"
out=$(mktemp -d /tmp/dialvane-tour-out-XXXXXX)
trap 'rm -rf "$out"' EXIT
log=$("$SRC/tools/tour/tour.sh" "$BUILD" "$out")
echo "$log"
fail() { echo "FAIL: $*" >&2; exit 1; }
[ "$(ls "$out"/*.png | wc -l)" -eq 14 ] || fail "expected 14 screenshots"
for f in "$out"/*.png; do
  [ "$(head -c 8 "$f" | od -An -tx1 | tr -d ' ')" = 89504e470d0a1a0a ] || fail "$f is not a PNG"
done
grep -q "UM_TOUCH_CAL 1 0" <<<"$log" || fail "no calibration notice"
grep -q "03 00 06 00 06 00 06 00 00 00 95 01 27 01 04 00" <<<"$log" || fail "unexpected settings file"
echo "ok: the headless tour ran every step"
