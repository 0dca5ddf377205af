# dialvane-ctl as the unit's other programs use it: the stand-in launcher, messages by name and
# number, commands that return only once the panel is idle (so no script needs a sleep),
# screenshots, no window to talk to, usage errors, and SIGTERM of either side.
from dvtest import *

unit = Unit()
launcher = unit.launcher()
check(unit.ctl("send", "Launcher_Tulvo", "UM_SETTINGS_PAGE", 1, 0).stdout == "0\n", "send: not 0")
unit.ctl("post", "Launcher_Tulvo", "UM_TOUCH_CAL", 1)
unit.ctl("send", "Launcher_Tulvo", "0x1234", 7, -3)
unit.ctl("post", "Launcher_Tulvo", 4660)
check(unit.heard(launcher) == ["UM_SETTINGS_PAGE 1 0", "UM_TOUCH_CAL 1 0", "0x1234 7 -3",
                               "0x1234 0 0"], "the launcher printed %s" % unit.heard(launcher))
second = unit.ctl("launcher", expect=1).stderr
check("already running" in second, "a second launcher said: %s" % second)
ok("the launcher prints one line per message in the order sent; a second one refuses to start")

missing = unit.ctl("send", "Dialvane", "WM_NULL", expect=1).stderr
check('no window titled "Dialvane" is running' in missing, "no panel: %s" % missing)
for args in (["close"], ["tap", 10, 10], ["pen", "down", 1, 1], ["shot", unit.path("x.png")]):
    unit.ctl(*args, expect=1)
for args in (["send", "Launcher_Tulvo", "NOT_A_MESSAGE"], ["pen", "sideways", 1, 1], ["tap", 1]):
    unit.ctl(*args, expect=2)
ok("commands aimed at a missing panel fail saying so; bad command lines are usage errors (2)")

start_ns, panel = time.time_ns(), unit.panel({"DIALVANE_FRAME_LOG": unit.path("frames.log")})
main = unit.shot("main.png")
check(len(pixels(main)) == 234 and len(pixels(main)[0]) == 480, "the shot is not 480 x 234")
unit.tap((110, 150))
trace = [l.split(" ", 1) for l in unit.text(unit.path("frames.log")).splitlines()]
stamps, events = [int(t) for t, _ in trace], [e for _, e in trace]  # wall-clock ns, in order
check(unit.heard(launcher)[-1] == "UM_SETTINGS_PAGE 1 0", "notice: %s" % unit.heard(launcher))
check(events[-1] == "paint", "the trace does not end in a paint: %s" % events)
missing = {"pen up 110 150", "present 81 100 139 190", "present 0 0 480 234"} - set(events)
check(not missing, "not in the trace: %s" % missing)
check(start_ns <= stamps[0] <= stamps[-1] <= time.time_ns(), "stamps outside the run: %s" % trace)
check(stamps == sorted(stamps), "stamps out of order: %s" % stamps)
ok("a tap returns once the panel has handled it: launcher notice and repaint are done")
notices = len(unit.heard(launcher))
unit.drag((300, 250), (310, 250), (310, 250))
tap = lambda flags: frame(3, pen(0, 100, 250)) + frame(3, pen(2, 100, 250, flags))
raw_peer(unit, tap(0) + tap(1))  # a quick double tap, handled once the panel is idle again
check(len(unit.heard(launcher)) == notices + 2, "a drag, a double tap: %s" % unit.heard(launcher))
ok("pen down / move / up reach the panel as its touch screen's input; a double tap acts once")

# y 65674 would wrap to 138, the brightness bar of the basic page open now: refused, logged.
settled, wide = unit.conf(), frame(3, pen(0, 300, 65674)) + frame(3, pen(2, 300, 65674))
check(raw_peer(unit, wide + frame(1, message(0, flags=1))) and unit.conf() == settled,
      "a pen frame at y 65674 changed the settings")
check("pen coordinates (300, 65674) outside -32768..32767" in unit.log(panel), unit.log(panel))
refused = unit.ctl("tap", 300, 40000, expect=2).stderr
check(refused.startswith("dialvane-ctl: Y 40000 is outside the pen's range -32768..32767"), refused)
ok("pen frames beyond 16 bits are dropped with a log line; dialvane-ctl says why it refuses them")

for proc, title in ((panel, "Dialvane"), (launcher, "Launcher_Tulvo")):
    proc.send_signal(signal.SIGTERM)
    unit.ended(proc, 0, "%s on SIGTERM" % title, 10)
    sock = os.path.join(unit.runtime, "w-%s.sock" % title)
    check(not os.path.exists(sock), title + " left its socket")
    unit.ctl("tap", 1, 1, expect=1)
ok("SIGTERM ends the panel and the launcher with status 0, each removing its socket")
