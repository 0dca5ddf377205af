# The panel as a supervisor sees it: SIGTERM ends it within a second with status 0 whatever it is
# doing (a click playing, a 40 s click, a launcher that is stopped, a bar held: the hardware
# restored), and a copy started right after the previous one was told to end always runs.
from dvtest import *

RATE = 1000  # the lowest rate the device takes: 40 s of sound in 40 kB


def click_of(seconds):  # the click sound replaced by seconds of 8-bit mono silence
    data, fmt = bytes([128]) * (seconds * RATE), struct.pack("<HHIIHH", 1, 1, RATE, RATE, 1, 8)
    chunks = b"WAVEfmt \x10\0\0\0" + fmt + b"data" + struct.pack("<I", len(data)) + data
    pathlib.Path(CLICK).write_bytes(b"RIFF" + struct.pack("<I", len(chunks)) + chunks)


def terminate(proc, what):  # SIGTERM; how long the panel took to end with status 0
    t = time.monotonic()
    proc.send_signal(signal.SIGTERM)
    status = wait_for(lambda: proc.poll() is not None and [proc.returncode], what + ": the end")
    took = time.monotonic() - t
    check(status == [0] and took <= SLOW, "%s: status %s after %.2f s" % (what, status, took))
    return took


tap_in_background = lambda point: unit.spawn([CTL, "tap"] + [str(v) for v in point])
playing = lambda: (unit.journal("WAV1") or [""])[-1].startswith("write ")
unit = Unit()
panel, CLICK = unit.panel(), unit.click
original, took = unit.read(CLICK), []
for seconds in (2, 40):
    panel = panel if seconds == 2 else unit.panel()
    click_of(seconds)
    tap_in_background(ICON["basic"])
    wait_for(playing, "the %d s click playing" % seconds)
    took.append(1000 * terminate(panel, "a %d s click playing" % seconds))
    check(unit.journal("WAV1")[-1] == "close", "WAV1: %s" % unit.journal("WAV1")[-3:])
ok("SIGTERM while a 2 s and a 40 s click play: status 0 after %.0f and %.0f ms" % tuple(took))

pathlib.Path(CLICK).write_bytes(original)
launcher = unit.launcher()
panel = unit.panel()  # which looks the launcher up as it starts
unit.tap(ICON["basic"])  # the connection to the launcher is made and taken
unit.tap(OK_BUTTON)
heard, clicks = len(unit.heard(launcher)), unit.journal("WAV1").count("close")
launcher.send_signal(signal.SIGSTOP)
tap_in_background(ICON["basic"])  # opening a page tells the launcher at pen up
wait_for(lambda: unit.journal("WAV1").count("close") > clicks, "the pen down's click")
time.sleep(0.3)  # nothing outside tells that the panel waits for the reply: time to start it
took = terminate(panel, "the launcher stopped")
launcher.send_signal(signal.SIGCONT)
wait_for(lambda: unit.heard(launcher)[heard:] == ["UM_SETTINGS_PAGE 1 0"], "the page sent")
ok("SIGTERM while the panel waits for a stopped launcher: status 0 after %.0f ms" % (1000 * took))

ioctls = lambda lines: [line for line in lines if line.startswith("ioctl ")]
for bar, journal in (((300, 138), "BAK1"), ((300, 165), "IIC1")):
    panel = unit.panel()
    unit.tap(ICON["basic"])
    unit.pen("down", bar)
    unit.pen("move", (bar[0] - 60, bar[1]))
    held = unit.journal(journal)
    terminate(panel, "the %s bar held" % journal)
    restored = ioctls(unit.journal(journal)[len(held):])
    check(ioctls(held) and restored and restored[-1] != ioctls(held)[-1],
          "%s: held at %s, then %s" % (journal, ioctls(held)[-1:], restored))
    check("Repare" in unit.log(panel) and fields(unit.conf())[5:7] == FACTORY[5:7],
          "no restore logged, or the settings file changed: %s" % fields(unit.conf()))
ok("SIGTERM with the brightness or the contrast bar held: the level restored, the file untouched")

# Every other copy is told to end while a click plays: until it has gone, its window and its
# mutex are still there.
click_of(2)
panel, t = unit.panel(), time.monotonic()
for n in range(20):
    if n % 2:
        tap_in_background(ICON["basic"])
        wait_for(playing, "restart %d: the click playing" % n)
    panel.send_signal(signal.SIGTERM)
    started = unit.panel(wait=False)
    wait_for(lambda: started.poll() is not None or panel.poll() == 0 and unit.answers(), "restart "
             "%d: the old copy ending with 0 (%s), the new answering" % (n, panel.poll()))
    check(started.poll() is None, "restart %d ended with %s:\n%s" % (
        n, started.returncode, unit.log(started)[-600:]))
    panel = started
check(unit.close(panel) == 0, "the last copy did not close with status 0")
ok("20 copies, each started right after SIGTERM of the last, run (%.1f s)" % (time.monotonic() - t))
