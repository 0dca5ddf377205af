#!/usr/bin/env bash
# The panel beside peers that misbehave: the stand-in launcher killed
# mid-run, restarted, started late and stopped (SIGSTOP), and peers that flood
# the panel's socket with messages and pen input, one of them never reading
# its replies. Through all of it the panel must go on answering, saving and
# closing with status 0, and no save may hang on a launcher that is dead or
# stopped (each is timed; a stopped launcher costs a save at most the 5 s
# reply limit of docs/ipc.md).
# Short by default; DIALVANE_LONG=1 runs the full counts.
source "$(dirname "$0")/common.bash"

harness - <<'PY' || fail "peer checks failed (above)"
import os
import signal
import threading
import time

from dvharness import *

env = Env()
LONG = long_mode()
SLOW = 3.0 if sanitizer_build() else 1.0
# A save that notifies a live or dead launcher is quick; a stopped one
# answers never, and the panel stops waiting after 5 s.
QUICK_SAVE_LIMIT_S = 2.0 * SLOW
STOPPED_SAVE_LIMIT_S = 5.0 + 2.0 * SLOW
SAVES = 50 if LONG else 4
STOPPED_SAVES = 20 if LONG else 2  # 20 is past the launcher's listen backlog of 16
FLOOD = 200000 if LONG else 20000
SENDS = 50000 if LONG else 5000
MOVES = 20000 if LONG else 2000


def launcher_lines(path):
    with open(path, "rb") as f:
        lines = f.read().decode().splitlines()
    return [line for line in lines if line.startswith("UM_SETTINGS_PAGE")]


class Saver:
    """Saves on the basic page, alternating automatic power-on, each timed."""

    def __init__(self, peer, open_page=True):
        self.peer = peer
        self.times = []
        self.value = record_fields(env.read_conf())[7]
        if open_page:
            peer.tap(*ICONS[1])

    def save(self):
        self.value = 7 - self.value
        t = time.monotonic()
        self.peer.tap(*BASIC_OPTIONS[self.value])
        self.times.append(time.monotonic() - t)
        data = env.read_conf()
        check(record_problem(data) is None and record_fields(data)[7] == self.value,
              "the save did not reach the file: %s" % hexs(data))
        return self.times[-1]

    def saves(self, count, limit_s, what):
        for _ in range(count):
            took = self.save()
            check(took <= limit_s, "%s: a save took %.2f s" % (what, took))
        return max(self.times[-count:])


# ------------------------------------------------------- launcher killed, restarted
out1, out2, out3 = (os.path.join(env.work, "launcher-%d.out" % i) for i in (1, 2, 3))
t0 = time.monotonic()
launcher = env.start_launcher(out1)
proc, peer = env.start_panel()
saver = Saver(peer)
saver.save()
check(len(launcher_lines(out1)) == 2, "the launcher saw %s" % launcher_lines(out1))
kill9(launcher)
dead_max = saver.saves(SAVES, QUICK_SAVE_LIMIT_S, "launcher killed")
check(len(launcher_lines(out1)) == 2, "a killed launcher got more lines")
relaunched = env.start_launcher(out2)
restarted_max = saver.saves(SAVES, QUICK_SAVE_LIMIT_S, "launcher restarted")
# The panel keeps to the launcher window it found at start; a new window of
# the same title is another window (docs/ipc.md), so it hears nothing.
check(launcher_lines(out2) == [], "the new launcher got %s" % launcher_lines(out2))
check(close_panel(proc, peer) == 0, "the panel did not end with 0")
ok("launcher killed mid-run: %d saves, slowest %.0f ms; launcher restarted: %d saves, "
   "slowest %.0f ms, the new one hears nothing from this panel; exit 0; %.1f s"
   % (SAVES, 1000 * dead_max, SAVES, 1000 * restarted_max, time.monotonic() - t0))

# ------------------------------------------------------- launcher started late
t0 = time.monotonic()
kill9(relaunched)
proc, peer = env.start_panel()
late = env.start_launcher(out3)
saver = Saver(peer)
late_max = saver.saves(SAVES, QUICK_SAVE_LIMIT_S, "launcher started late")
check(launcher_lines(out3) == [], "a launcher started after the panel got %s"
      % launcher_lines(out3))
check(close_panel(proc, peer) == 0, "the panel did not end with 0")
proc, peer = env.start_panel()
saver = Saver(peer)
saver.save()
check(len(launcher_lines(out3)) == 2, "the next panel did not reach the launcher: %s"
      % launcher_lines(out3))
ok("launcher started after the panel: %d saves, slowest %.0f ms, unheard as documented; "
   "the next panel start reaches it; %.1f s" % (SAVES, 1000 * late_max, time.monotonic() - t0))

# ------------------------------------------------------- launcher stopped
t0 = time.monotonic()
heard = len(launcher_lines(out3))
late.send_signal(signal.SIGSTOP)
stopped_max = saver.saves(STOPPED_SAVES, STOPPED_SAVE_LIMIT_S, "launcher stopped")
check(answers(env.runtime), "the panel does not answer beside a stopped launcher")
late.send_signal(signal.SIGCONT)
resumed = saver.save()
check(resumed <= QUICK_SAVE_LIMIT_S, "the first save after SIGCONT took %.2f s" % resumed)
caught_up = len(launcher_lines(out3)) - heard
ok("launcher stopped: %d saves took at most %.2f s each (the 5 s reply limit), the panel "
   "answered meanwhile; after SIGCONT a save took %.0f ms and the launcher caught up on "
   "%d of %d notices; %.1f s" % (STOPPED_SAVES, stopped_max, 1000 * resumed, caught_up,
                                 STOPPED_SAVES + 1, time.monotonic() - t0))
late.send_signal(signal.SIGSTOP)
t = time.monotonic()
status = close_panel(proc, peer)
check(status == 0, "the panel did not end with 0 beside a stopped launcher")
ok("closing beside a stopped launcher: exit 0 in %.0f ms" % (1000 * (time.monotonic() - t)))
late.send_signal(signal.SIGCONT)

# ------------------------------------------------------- flooding peers
proc, peer = env.start_panel()


def rss_kb():
    with open("/proc/%d/status" % proc.pid) as f:
        return int(next(line for line in f if line.startswith("VmRSS")).split()[1])


rss_before = rss_kb()
errors = []
replies = []


def guarded(work):
    def run():
        try:
            work()
        except Exception as error:  # reported by the main thread
            errors.append("%s: %r" % (work.__name__, error))
    return threading.Thread(target=run)


def posts():
    p = Peer(env.runtime)
    p.raw(b"".join(frame(POST, message_payload(WM_NULL), i) for i in range(FLOOD)))
    p.close()


def sends():
    p = Peer(env.runtime)

    def read_replies():
        replies.append(sum(p.await_reply(seq) == 0 for seq in range(1, SENDS + 1)))

    reader = guarded(read_replies)
    reader.start()
    p.raw(b"".join(frame(SEND, message_payload(WM_NULL), i + 1) for i in range(SENDS)))
    reader.join()
    p.close()


def unread_sends():
    p = Peer(env.runtime)
    try:
        p.raw(b"".join(frame(SEND, message_payload(WM_NULL), i + 1) for i in range(SENDS)))
    except OSError:
        pass  # the panel closed the connection of a peer that does not read
    time.sleep(2 * SLOW)
    p.close()


def pen_drag():
    # The brightness bar dragged with a burst of moves, none waited for.
    p = Peer(env.runtime)
    p.pen(PEN_DOWN, 300, BAR_Y[5])
    xs = [156 + (i * 37) % 271 for i in range(MOVES)]
    p.raw(b"".join(frame(PEN, pen_payload(PEN_MOVE, x, BAR_Y[5]), 0) for x in xs))
    p.pen(PEN_MOVE, 222, BAR_Y[5])
    p.pen(PEN_UP, 222, BAR_Y[5])
    p.close()


peer.tap(*ICONS[1])  # the basic page, for the drag
t0 = time.monotonic()
workers = [guarded(w) for w in (posts, sends, unread_sends, pen_drag)]
for w in workers:
    w.start()
latencies = []
while any(w.is_alive() for w in workers):
    t = time.monotonic()
    peer.send(WM_NULL)
    latencies.append(time.monotonic() - t)
    time.sleep(0.02)
for w in workers:
    w.join()
flood_s = time.monotonic() - t0
check(not errors, "flooding peers failed: %s" % errors)
check(replies == [SENDS], "the sending peer got %s replies of %d" % (replies, SENDS))
data = env.read_conf()
check(record_fields(data)[5] == 222, "after the flooded drag the brightness is %d, not 222"
      % record_fields(data)[5])
rss_after = rss_kb()
saver = Saver(peer, open_page=False)
saver.save()
t = time.monotonic()
check(close_panel(proc, peer) == 0, "the panel did not end with 0 after the flood")
log = env.log_text(proc)
ok("flood of %d posts, %d sends (replies read), %d sends never read, a drag of %d "
   "moves, all at once: the panel answered throughout (%d probes, slowest %.0f ms), "
   "stored the drag's end, saved afterwards in %.0f ms and closed with 0 in %.0f ms; "
   "RSS %d -> %d kB; unread peer %s; %.1f s"
   % (FLOOD, SENDS, SENDS, MOVES, len(latencies), 1000 * max(latencies),
      1000 * saver.times[-1], 1000 * (time.monotonic() - t), rss_before, rss_after,
      "cut off" if "a reply could not be written" in log else "NOT cut off", flood_s))
PY
