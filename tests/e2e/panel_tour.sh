#!/usr/bin/env bash
# The panel driven from outside as the touch screen and the launcher see it:
# every page opened, a setting changed on each, a calibration, Default and
# close, checked through the launcher's lines, the settings file, the
# drivers' journals, the registry and the screen.
source "$(dirname "$0")/common.bash"

"$CTL" launcher >>"$WORK/launcher.out" 2>/dev/null &
PIDS+=($!)
wait_for_window Launcher_Tulvo || fail "the launcher did not start"
start_panel
: >"$WORK/launcher.out"

expect_launcher() {
  local want=$1
  local got
  got=$(tr -d '\r' <"$WORK/launcher.out" | paste -sd '|')
  [ "$got" = "$want" ] || fail "launcher saw '$got', expected '$want'"
}
field() {  # field N of conf.ini as a signed little-endian int16
  od -An -v -t d2 -j $(( $1 * 2 )) -N 2 "$DIALVANE_ROOT/FlashMem/sysini/conf.ini" | tr -d ' '
}
pixel() {  # the colour of one screen pixel in a screenshot, as rrggbb
  python3 - "$1" "$2" "$3" <<'PY'
import struct, sys, zlib
data = open(sys.argv[1], 'rb').read()
pos, idat, w = 8, b'', 0
while pos < len(data):
    n, kind = struct.unpack('>I4s', data[pos:pos + 8])
    body = data[pos + 8:pos + 8 + n]
    if kind == b'IHDR':
        w, h, depth, ctype = struct.unpack('>IIBB', body[:10])
    elif kind == b'IDAT':
        idat += body
    pos += 12 + n
raw = zlib.decompress(idat)
bpp = 3 if ctype == 2 else 4
stride = w * bpp + 1
rows, prev = [], bytearray(w * bpp)
for y in range(h):
    f, line = raw[y * stride], bytearray(raw[y * stride + 1:(y + 1) * stride])
    for i in range(len(line)):
        a = line[i - bpp] if i >= bpp else 0
        b, c = prev[i], (prev[i - bpp] if i >= bpp else 0)
        if f == 1: line[i] = (line[i] + a) & 255
        elif f == 2: line[i] = (line[i] + b) & 255
        elif f == 3: line[i] = (line[i] + (a + b) // 2) & 255
        elif f == 4:
            p = a + b - c; pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
            line[i] = (line[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
    rows.append(line); prev = line
x, y = int(sys.argv[2]), int(sys.argv[3])
print('%02x%02x%02x' % tuple(rows[y][x * bpp:x * bpp + 3]))
PY
}

# Sound page from its icon; the navigation slider released at the top.
"$CTL" tap 44 175
"$CTL" pen down 116 150
"$CTL" pen move 116 100
"$CTL" pen up 116 60
[ "$(field 1)" = 10 ] || fail "navigation volume is $(field 1), expected 10"
grep -qx "volume 0xffffffff" "$DIALVANE_ROOT/dev/WAV1.log" || fail "no full volume in WAV1.log"
"$CTL" shot "$WORK/sound.png"
[ "$(pixel "$WORK/sound.png" 114 150)" != "111111" ] || fail "the navigation fill is not drawn"
"$CTL" tap 50 212
expect_launcher "UM_SETTINGS_PAGE 0 0|UM_SETTINGS_PAGE 0 0"
pass "sound page: slider released at the top stores step 10 and sets full volume"

# Basic page: automatic power-on off, brightness dragged.
: >"$WORK/launcher.out"
"$CTL" tap 110 145
"$CTL" tap 180 110
[ "$(field 7)" = 3 ] || fail "automatic power-on is $(field 7), expected 3"
flag=$(od -An -v -tx1 -j 2202 -N 1 "$DIALVANE_ROOT/dev/FLS1.img" | tr -d ' ')
[ "$flag" = 00 ] || fail "boot flag is $flag after switching power-on off"
"$CTL" pen down 300 138
"$CTL" pen move 250 140
"$CTL" pen up 250 140
[ "$(field 5)" = 250 ] || fail "brightness is $(field 5), expected 250"
tail -2 "$DIALVANE_ROOT/dev/BAK1.log" | head -1 | grep -q "ioctl 0x00002000 in 3a" \
  || fail "backlight level for position 94 not sent: $(tail -3 "$DIALVANE_ROOT/dev/BAK1.log")"
"$CTL" tap 50 212
pass "basic page: power-on off reaches the boot record, brightness the backlight"

# Advanced page: rear camera off, then Default.
"$CTL" tap 169 103
"$CTL" tap 180 120
[ "$(field 8)" = 2 ] || fail "rear camera is $(field 8), expected 2"
"$CTL" tap 428 212
[ "$(hex "$DIALVANE_ROOT/FlashMem/sysini/conf.ini")" = \
  "00 00 06 00 06 00 06 00 00 00 95 01 27 01 04 00 03 00 04 00 57 00 05 00 00 00" ] \
  || fail "Default left $(hex "$DIALVANE_ROOT/FlashMem/sysini/conf.ini")"
flag=$(od -An -v -tx1 -j 2202 -N 1 "$DIALVANE_ROOT/dev/FLS1.img" | tr -d ' ')
[ "$flag" = 01 ] || fail "boot flag is $flag after Default"
"$CTL" tap 50 212
pass "advanced page: an option and Default put the factory record back"

# Touch calibration with the pen on the calibration screen's five targets.
: >"$WORK/launcher.out"
"$CTL" tap 230 63
"$CTL" shot "$WORK/calibration.png"
for target in "240 117" "432 202" "432 32" "48 32" "48 202"; do
  "$CTL" tap $target
done
expect_launcher "UM_TOUCH_CAL 1 0|UM_SETTINGS_PAGE 3 0|UM_TOUCH_CAL 0 0"
cal=$(cat "$DIALVANE_ROOT/FlashMem/sysini/touchcal.ini")
[ "$cal" = "2052,2056 3693,3550 3693,562 410,562 410,3550" ] || fail "touchcal.ini holds '$cal'"
grep -q "$cal" "$DIALVANE_ROOT/registry.reg" || fail "the registry does not hold the new calibration"
[ "$(field 0)" = 3 ] || fail "stored page is $(field 0), expected 3"
pass "calibration: launcher told in order, registry and touchcal.ini hold the five taps"

"$CTL" tap 435 19
wait_exit "$PANEL_PID" 50 || fail "the close button did not end the panel with status 0"
pass "the close button ends the panel"
