# The navigation volume on a private PulseAudio server's null sink: the slider sets the sink from
# the wave journal's level; a server killed and started again gets it back; a missing sink, a bad
# line and no server leave the SDL gain as it was.
import re

from dvtest import *

if shutil.which("pulseaudio") is None or shutil.which("pactl") is None:
    sys.exit(print("skipped: no pulseaudio/pactl"))

NAV_TOP = (116, 150)
STEP6, STEP4 = (116, 108), (116, 122)  # knob heights of 0xbfffbfff, 0x9fff9fff
unit = Unit()
sock = unit.path("pa.sock")
unit.env.update(PULSE_SERVER="unix:" + sock, PULSE_RUNTIME_PATH=unit.path("pulse"))


def server():
    proc = unit.spawn(["pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1",
                       "--system=no", "--disallow-exit", "-L", "module-null-sink sink_name=dvtest",
                       "-L", "module-native-protocol-unix auth-anonymous=1 socket=" + sock],
                      err=unit.path("pulseaudio.err"))
    wait_for(lambda: pactl("info") is not None or (proc.poll() is not None and check(
        False, "pulseaudio ended: " + unit.text(proc.err)[-1500:])), "the sound server", 20)
    return proc


def pactl(*args):
    run = subprocess.run(["pactl", *args], capture_output=True, text=True, env=unit.env, timeout=10)
    return run.stdout if run.returncode == 0 else None


sink_volume = lambda: tuple(int(v) for v in re.findall(r"front-(?:left|right): (\d+) ", pactl(
    "get-sink-volume", "dvtest") or ""))


def expected():  # the sink volume the journal's last level stands for, left and right
    volume = int([l for l in unit.journal("WAV1") if l.startswith("volume ")][-1].split()[1], 16)
    return tuple((level * 0x10000 + 0x7FFF) // 0xFFFF for level in (volume & 0xFFFF, volume >> 16))


audio_lines = lambda proc, what="": [l for l in unit.lines(proc, what) if l.startswith("Audio:")]

pulse = server()
panel = unit.panel()
os.rename(unit.click, unit.click + ".away")  # no click: no output opened, the volume alone binds
unit.tap(ICON["sound"])
unit.drag(NAV_TOP, STEP6, STEP6)  # the step is set at pen up
check(expected() == (49152, 49152), "the journal's last level is %s" % (expected(),))
wait_for(lambda: sink_volume() == expected(), "the sink at %s" % (expected(),))
check(not any(l.startswith("open ") for l in unit.journal("WAV1")), "an output was opened")
os.rename(unit.click + ".away", unit.click)
ok("unbound, the navigation slider sets the default sink, no sound played first: 49152 of 65536")

unit.pen("down", NAV_TOP)
kill9(pulse)
unit.pen("move", (116, 129))
unit.pen("up", STEP4)
wait_for(lambda: audio_lines(panel, "sound server lost"), "the lost line")
unit.drag(NAV_TOP, (116, 129), STEP4)
check(unit.answers() and panel.poll() is None, "the panel died with the server")
lost = audio_lines(panel, "lost")
check(len(lost) == 1, "lost lines: %s" % lost)
ok("the server killed mid-drag: the panel goes on and says so once: " + lost[0])

pulse = server()
wait_for(lambda: sink_volume() == expected() == (40960, 40960), "the volume re-applied")
check(audio_lines(panel, "back") == ["Audio: sound server back; volume 0x9fff9fff re-applied to "
                                     "sink dvtest"], "back lines: %s" % audio_lines(panel, "back"))
unit.closed(panel)
ok("the server started again gets the last volume back, logged once")

unit.bind("WAV1 = alsa:hw0\nWAV1 = pulse:nosuch\n")
before = sink_volume()
panel = unit.panel()
unit.tap(ICON["sound"])
wait_for(lambda: audio_lines(panel), "the missing sink's line")  # the click's output binds it
unit.drag(NAV_TOP, STEP6, STEP6)
unit.said(panel, unit.bindings + ':1: WAV1 cannot be bound to "alsa"; line ignored')
check(audio_lines(panel) == ['Audio: cannot use pulse:nosuch (no sink "nosuch"); the volume '
                             'stays SDL gain'], "audio lines: %s" % audio_lines(panel))
check(sink_volume() == before and unit.answers(), "the sink moved to %s" % (sink_volume(),))
unit.closed(panel)
ok("a missing sink logs one line and leaves the sink alone; a bad line is logged by number")

journal = unit.journal("WAV1")
alone = Unit()
panel = alone.panel()
alone.tap(ICON["sound"])
alone.drag(NAV_TOP, STEP6, STEP6)
check(alone.journal("WAV1") == [l for l in journal if l.startswith("volume")][-2:] or
      alone.journal("WAV1")[-2:] == journal[-2:], "journals: %s / %s" % (alone.journal("WAV1"),
                                                                         journal[-2:]))
check(not audio_lines(panel), "no server, yet: %s" % audio_lines(panel))
check(not os.path.exists(alone.path("xdg_runtime_dir", "pulse")), "no server, yet a pulse folder")
alone.closed(panel, "the panel without a server")
ok("without a server the journal is the same and nothing is said or made")
