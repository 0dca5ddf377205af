# The panel as a supervisor sees it: SIGTERM ends it within a second with status 0 whatever it is
# doing (a click playing, a 40 s click, a launcher that is stopped, a bar held: the hardware
# restored), and a copy started right after the previous one was told to end always runs.
import os
import signal
import struct
import subprocess
import time

from dvtest import *

LIMIT_S = 1.0 * SLOW
RATE = 1000  # the lowest rate the device takes: 40 s of sound in 40 kB
BASIC_ICON, BRIGHT_BAR, CONTRAST_BAR = ICON["basic"], (300, 138), (300, 165)


def click_of(seconds):  # the click sound replaced by seconds of 8-bit mono silence
    data = bytes([128]) * (seconds * RATE)
    fmt = struct.pack("<HHIIHH", 1, 1, RATE, RATE, 1, 8)
    chunks = b"WAVEfmt " + struct.pack("<I", len(fmt)) + fmt + b"data" + struct.pack(
        "<I", len(data)) + data
    with open(CLICK, "wb") as f:
        f.write(b"RIFF" + struct.pack("<I", len(chunks)) + chunks)


def terminate(proc, what):
    t = time.monotonic()
    proc.send_signal(signal.SIGTERM)
    try:
        status = proc.wait(timeout=10 * SLOW)
    except subprocess.TimeoutExpired:
        kill9(proc)
        status = None
    took = time.monotonic() - t
    check(status == 0 and took <= LIMIT_S, "%s: SIGTERM ended the panel with status %s after "
          "%.2f s" % (what, status, took))
    return took


def tap_in_background(point):  # a tap whose pen down plays the click, not waited for
    return unit.spawn([CTL, "tap", str(point[0]), str(point[1])])


def playing():
    return (unit.journal("WAV1") or [""])[-1].startswith("write ")


unit = Unit()
panel = unit.panel()
CLICK = os.path.join(unit.root, "windows", "question.wav")
original = unit.read(CLICK)
took = []
for seconds in (2, 40):
    click_of(seconds)
    tap_in_background(BASIC_ICON)
    wait_for(playing, "the %d s click playing" % seconds)
    took.append(terminate(panel, "a %d s click playing" % seconds))
    check(unit.journal("WAV1")[-1] == "close", "WAV1: %s" % unit.journal("WAV1")[-3:])
    if seconds == 2:
        panel = unit.panel()
ok("SIGTERM while a 2 s and a 40 s click play: status 0 after %.0f and %.0f ms, the device "
   "closed" % tuple(1000 * t for t in took))

with open(CLICK, "wb") as f:
    f.write(original)
launcher = unit.launcher()
panel = unit.panel()  # which looks the launcher up as it starts
unit.tap(BASIC_ICON)  # the panel's connection to the launcher is made and taken
unit.tap(OK_BUTTON)
heard = len(unit.heard(launcher))
launcher.send_signal(signal.SIGSTOP)
clicks = unit.journal("WAV1").count("close")
tap_in_background(BASIC_ICON)  # opening a page tells the launcher at pen up
wait_for(lambda: unit.journal("WAV1").count("close") > clicks, "the pen down's click")
# Nothing outside tells that the panel waits for the launcher's reply: give it the time to.
time.sleep(0.3)
took = terminate(panel, "the launcher stopped")
launcher.send_signal(signal.SIGCONT)
wait_for(lambda: unit.heard(launcher)[heard:] == ["UM_SETTINGS_PAGE 1 0"],
         "the launcher hearing the page the panel waited on")
ok("SIGTERM while the panel waits for a stopped launcher: status 0 after %.0f ms" % (1000 * took))

for bar, journal in ((BRIGHT_BAR, "BAK1"), (CONTRAST_BAR, "IIC1")):
    panel = unit.panel()
    unit.tap(BASIC_ICON)
    before = unit.journal(journal)
    unit.pen("down", bar)
    unit.pen("move", (bar[0] - 60, bar[1]))
    held = unit.journal(journal)
    check(len(held) > len(before), "%s: holding the bar wrote nothing" % journal)
    terminate(panel, "the %s bar held" % journal)
    ioctls = lambda lines: [line for line in lines if line.startswith("ioctl ")]
    restored = ioctls(unit.journal(journal)[len(held):])
    check(restored and restored[-1:] != ioctls(held)[-1:], "%s was not restored: held at "
          "%s, then %s" % (journal, ioctls(held)[-1:], restored))
    check("Repare" in unit.log(panel) and fields(unit.conf())[5:7] == FACTORY[5:7],
          "no restore logged, or the settings file changed: %s" % fields(unit.conf()))
ok("SIGTERM with the brightness or the contrast bar held: status 0, the level restored, "
   "the settings file untouched")

# Every other copy is told to end while a click plays: until it has gone, its window and its
# mutex are still there.
click_of(2)
panel = unit.panel()
t = time.monotonic()
for n in range(20):
    if n % 2:
        tap_in_background(BASIC_ICON)
        wait_for(playing, "restart %d: the click playing" % n)
    panel.send_signal(signal.SIGTERM)
    started = unit.panel(wait=False)
    check(panel.wait(timeout=10 * SLOW) == 0, "restart %d: the old copy ended with %s"
          % (n, panel.returncode))
    wait_for(lambda: started.poll() is not None or unit.answers(), "restart %d answering" % n)
    check(started.poll() is None, "restart %d ended with %s:\n%s" % (
        n, started.returncode, unit.log(started)[-600:]))
    panel = started
took = time.monotonic() - t
check(unit.close(panel) == 0, "the last copy did not close with status 0")
ok("20 copies each started right after SIGTERM of the one before: each runs (%.1f s)" % took)
