# The panel beside peers that misbehave: the launcher killed, replaced or stopped (a send to a hung
# peer failing in time is the platform's Ipc tests'), and a peer that floods the socket and never
# reads its replies. The panel goes on answering and saving, and closes with 0 within the limit.
from dvtest import *

QUICK_S, STOPPED_S = 2.0 * SLOW, 5.0 + 2.0 * SLOW
unit = Unit()
launcher, panel = unit.launcher(), unit.panel()
unit.tap(ICON["basic"])


def save(limit_s, what):  # a tap on automatic power-on, switching it; how long the save took
    value = 7 - unit.field(7)
    t = time.monotonic()
    unit.tap({3: (190, 110), 4: (273, 110)}[value])
    took = time.monotonic() - t
    check(unit.field(7) == value, "%s: the save did not reach the file" % what)
    check(took <= limit_s, "%s: a save took %.1f s" % (what, took))
    return took


save(QUICK_S, "launcher running")
check(unit.heard(launcher) == ["UM_SETTINGS_PAGE 1 0"] * 2, "launcher: %s" % unit.heard(launcher))
kill9(launcher)
dead = max(save(QUICK_S, "launcher killed") for _ in range(3))
relaunched = unit.launcher()
late = max(save(QUICK_S, "launcher replaced") for _ in range(3))
# A new window of the same title is another window: the panel keeps to the one it found.
check(unit.heard(relaunched) == [], "the new launcher heard %s" % unit.heard(relaunched))
unit.closed(panel)
panel = unit.panel()
unit.tap(ICON["basic"])
check(unit.heard(relaunched) == ["UM_SETTINGS_PAGE 1 0"], "the next panel did not reach it")
ok("launcher killed: saves %.0f ms at most; replaced: %.0f ms" % (1000 * dead, 1000 * late))

relaunched.send_signal(signal.SIGSTOP)
t = time.monotonic()
check(unit.close(panel, limit_s=STOPPED_S) == 0, "beside a stopped launcher the close failed")
closing = time.monotonic() - t
relaunched.send_signal(signal.SIGCONT)
ok("a close beside a stopped launcher: %.1f s" % closing)

panel = unit.panel()  # a peer that posts and sends thousands of frames and never reads a reply
flood = b"".join(frame(2, message(0)) for _ in range(20000))
flood += b"".join(frame(1, message(0, flags=1)) for _ in range(5000))
peer, probes = raw_peer(unit, flood, reply=False), []


def probe():
    t = time.monotonic()
    check(unit.answers(), "the panel did not answer beside the flood")
    probes.append(time.monotonic() - t)
    return "a reply could not be written" in unit.log(panel)


wait_for(probe, "cutting off the peer that never reads")
peer.close()
unit.tap(ICON["advan"])
check(unit.field(0) == 2, "after the flood the panel did not save")
unit.closed(panel, "the panel after the flood")
ok("the flood's peer was cut off, logged; answers took %.0f ms at most" % (1000 * max(probes)))
