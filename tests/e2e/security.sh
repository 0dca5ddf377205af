#!/usr/bin/env bash
# What the panel lets in. A runtime folder that others could use is refused
# before anything is made in it. A process of another user can neither drive
# the panel nor pose as its launcher (run as root: the other user is nobody,
# given the right to pass the folder's permissions so that only the panel's
# own check stands in its way). Malformed, oversized and random frames, the
# messages only the window system sends (WM_INITDIALOG and the like), every
# message number with pointer-like parameters (a WM_TIMER names a callback),
# a peer that hoards connections and one that stalls in mid-frame: each is
# dropped with a log line or handled harmlessly and changes nothing; the
# settings file stays as it was and the panel goes on answering.
# Short by default; DIALVANE_LONG=1 runs the full counts.
source "$(dirname "$0")/common.bash"

# -------------------------------------------------------- the runtime folder
check_refused() {  # $1: what, $2: the folder
  local status=0
  DIALVANE_RUNTIME="$2" DIALVANE_LOG="$WORK/refused.log" "$PANEL" 2>"$WORK/refused.err" ||
    status=$?
  [ "$status" -eq 2 ] || fail "$1: the panel ran (status $status)"
  grep -q "refusing to use it" "$WORK/refused.err" || fail "$1: $(cat "$WORK/refused.err")"
  if [ -d "$2" ] && [ -n "$(ls -A "$2")" ]; then fail "$1: the panel made $(ls -A "$2")"; fi
}
modes=(0777 0770 0750 0707 0705 0701 0710)
for mode in "${modes[@]}"; do
  mkdir -m "$mode" "$WORK/open-$mode"
  chmod "$mode" "$WORK/open-$mode"
  check_refused "a runtime folder of mode $mode" "$WORK/open-$mode"
done
mkdir -m 0700 "$WORK/real"
ln -s "$WORK/real" "$WORK/link"
check_refused "a runtime folder that is a symbolic link" "$WORK/link"
: >"$WORK/plain"
check_refused "a runtime folder that is a file" "$WORK/plain"
refused=$((${#modes[@]} + 2))
if [ "$(id -u)" -eq 0 ]; then
  mkdir -m 0700 "$WORK/theirs"
  chown nobody "$WORK/theirs"
  check_refused "a runtime folder of another user" "$WORK/theirs"
  refused=$((refused + 1))
fi
grep -q "refusing to use it" "$WORK/refused.log" 2>/dev/null &&
  where="stderr and DIALVANE_LOG" || where="stderr (the debug log file is not open yet)"
pass "$refused unsafe runtime folders refused with status 2 and a line on $where; nothing made in them"

harness - <<'PY' || fail "socket checks failed (above)"
import os
import random
import shutil
import socket
import subprocess
import threading
import time

from dvharness import *

env = Env()
LONG = long_mode()
SLOW = 3.0 if sanitizer_build() else 1.0
FUZZ = 5000 if LONG else 300
SWEEP_END = 0x1200 if LONG else 0x400
seed = int(os.environ.get("DIALVANE_SEED", str(int(time.time()))))
rng = random.Random(seed)
note("seed %d (DIALVANE_SEED repeats a run)" % seed)
# Messages that close the panel by design, from anyone: WM_CLOSE, WM_COMMAND
# (IDOK/IDCANCEL) and UM_CLOSE_SETTINGS.
CLOSING = {0x10, 0x111, UM_CLOSE_SETTINGS}
# What only the window system sends a window as it is made and destroyed.
SYSTEM_ONLY = [0x1, 0x2, 0x81, 0x82, 0x110]
REPEATS = 200 if LONG else 30
WM_TIMER = 0x113

proc, peer = env.start_panel()
peer.tap(*ICONS[1])  # the basic page: every pen down there would save
settled = env.read_conf()
registry = open(os.path.join(env.root, "registry.reg"), "rb").read()


def unchanged(what):
    check(env.read_conf() == settled, "%s changed the settings file to %s"
          % (what, hexs(env.read_conf())))
    check(open(os.path.join(env.root, "registry.reg"), "rb").read() == registry,
          "%s changed the registry" % what)
    check(proc.poll() is None, "%s: the panel ended with %s" % (what, proc.returncode))
    check(answers(env.runtime), "%s: the panel does not answer" % what)


def log_since(mark):
    return env.log_text(proc)[mark:]


def closed_without_reply(peer_socket, limit_s=5.0):
    peer_socket.settimeout(limit_s)
    try:
        return peer_socket.recv(1) == b""
    except (ConnectionResetError, socket.timeout):
        return False


# -------------------------------------------------------- another user
nobody_client = r'''
import os, socket, struct, sys
magic = 0x314D5644
def frame(kind, payload, seq):
    return struct.pack("<IHHII", magic, 1, kind, seq, len(payload)) + payload
s = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
s.settimeout(5)
s.connect(sys.argv[1])
try:
    s.sendall(frame(3, struct.pack("<IIii", 1, 0, 190, 110), 1)  # pen down: power-on off
              + frame(2, struct.pack("<IIQq", 0, 0x857, 0, 0), 2)  # close
              + frame(1, struct.pack("<IIQq", 1, 0, 0, 0), 3))     # WM_NULL, answer please
    print("reply" if s.recv(64) else "closed")
except (ConnectionResetError, BrokenPipeError):
    print("closed")
'''
fake_launcher = r'''
import os, signal, socket, sys, time
path, out = sys.argv[1], sys.argv[2]
s = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
s.bind(path)
s.listen(16)
s.settimeout(0.2)
received, conns = 0, []
signal.signal(signal.SIGTERM, lambda *a: (open(out, "w").write(str(received)), os._exit(0)))
open(out + ".ready", "w").close()
while True:
    try:
        c, _ = s.accept()
        c.setblocking(False)
        conns.append(c)
    except socket.timeout:
        pass
    for c in conns:
        try:
            received += len(c.recv(4096))
        except BlockingIOError:
            pass
'''
python = shutil.which("python3", path="/usr/bin:/bin")
as_nobody = ["setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"]
passing = ["--inh-caps=+dac_override,+dac_read_search",
           "--ambient-caps=+dac_override,+dac_read_search"]
if os.geteuid() != 0 or not shutil.which("setpriv") or python is None:
    print("skip: another user's process needs root, setpriv and /usr/bin/python3")
else:
    mark = len(env.log_text(proc))
    for extra in ([], passing):
        run = subprocess.run(as_nobody + extra + [env.ctl, "send", "Dialvane", "WM_NULL"],
                                 capture_output=True, text=True, timeout=30)
        check(run.returncode == 2 and "runtime folder" in run.stderr,
              "dialvane-ctl as nobody: status %d, %s" % (run.returncode, run.stderr.strip()))
    socket_path = os.path.join(env.runtime, "w-Dialvane.sock")
    run = subprocess.run(as_nobody + passing + [python, "-c", nobody_client, socket_path],
                         capture_output=True, text=True, timeout=30)
    check(run.stdout.strip() == "closed", "nobody's raw peer: %s %s"
          % (run.stdout.strip(), run.stderr.strip()))
    deadline = time.monotonic() + 5
    while "refused a connection from uid 65534" not in log_since(mark):
        check(time.monotonic() < deadline, "no log line for nobody's connection")
        time.sleep(0.05)
    unchanged("nobody's peer")
    ok("another user: dialvane-ctl refuses the folder (status 2, with and without the right "
       "to pass its permissions); a raw peer that reaches the socket is cut off unanswered, "
       "logged, and its pen input and close do nothing")

    # Nobody's socket in the launcher's place: the panel must not talk to it.
    check(close_panel(proc, peer) == 0, "the panel did not close")
    launcher_path = os.path.join(env.runtime, "w-Launcher_Tulvo.sock")
    count_file = os.path.join(env.work, "fake-launcher.count")
    fake = spawn(as_nobody + passing + [python, "-c", fake_launcher, launcher_path, count_file])
    deadline = time.monotonic() + 10
    while not os.path.exists(count_file + ".ready"):
        check(time.monotonic() < deadline and fake.poll() is None, "nobody's launcher failed")
        time.sleep(0.05)
    proc, peer = env.start_panel()
    peer.tap(*ICONS[1])
    peer.tap(*BASIC_OPTIONS[4])
    fake.terminate()
    fake.wait(timeout=10)
    got = int(open(count_file).read())
    check(got == 0, "nobody's launcher received %d bytes" % got)
    check("refused to talk to" in env.log_text(proc), "no log line for nobody's launcher")
    os.unlink(launcher_path)
    check(record_fields(env.read_conf())[7] == 4, "the panel did not save beside it")
    settled = env.read_conf()
    ok("another user's socket in the launcher's place: the panel saved, logged the refusal "
       "and sent it 0 bytes")

# -------------------------------------------------------- malformed frames
mark = len(env.log_text(proc))
good = frame(SEND, message_payload(WM_NULL, 0, 0, REPLY_WHEN_IDLE), 99)
carry_on = [  # dropped, and the connection goes on: a request after them is answered
    ("unknown kind", frame(9, message_payload(WM_NULL))),
    ("a reply nobody asked for", frame(REPLY, b"\0" * 12)),
    ("a short send", frame(SEND, message_payload(WM_NULL)[:23])),
    ("a long post", frame(POST, message_payload(WM_NULL) + b"x")),
    ("pen action 3", frame(PEN, pen_payload(3, 190, 110))),
    ("a pen frame of 15 bytes", frame(PEN, pen_payload(PEN_DOWN, 190, 110)[:15])),
    ("an empty shot path", frame(SHOT, b"\0\0\0\0")),
    ("a shot path with NUL", frame(SHOT, b"\0\0\0\0/tmp/a\0b.png")),
    ("a raise of 8 bytes", frame(RAISE, b"\0" * 8)),
]
for what, data in carry_on:
    p = Peer(env.runtime)
    p.raw(data + good)
    check(p.await_reply(99) == 0, "after %s the connection did not go on" % what)
    p.close()
fatal = [  # the stream cannot be cut into frames: the connection is closed
    ("bad magic", frame(SEND, message_payload(WM_NULL), magic=0x12345678)),
    ("version 2", frame(SEND, message_payload(WM_NULL), version=2)),
    ("a send of 1029 bytes", frame(SEND, b"\0" * 1029)),
    ("a length of 4 GiB", frame(SEND, message_payload(WM_NULL), length=0xFFFFFFFF)),
    ("64 bytes of noise", bytes(rng.randrange(256) for _ in range(64))),
    ("a shot path of 1025 bytes", frame(SHOT, b"\1\0\0\0" + b"/" * 1025)),
]
for what, data in fatal:
    p = Peer(env.runtime)
    try:
        p.raw(data + good)
    except OSError:
        pass
    check(closed_without_reply(p.sock), "%s: the connection was not closed" % what)
    p.close()
# 10 MB of noise in one go, and a frame that stops in mid-payload for good.
p = Peer(env.runtime)
try:
    p.raw(frame(PEN, b"\0" * 4) + os.urandom(10 * 1024 * 1024))
except OSError:
    pass
p.close()
stalled = Peer(env.runtime)
stalled.raw(frame(SEND, message_payload(WM_NULL))[:30])
unchanged("malformed frames")
log = log_since(mark)
drops, closes = log.count("dropped a frame from pid"), log.count("closed the connection from pid")
check(drops >= len(carry_on) - 1 and closes >= len(fatal),
      "the log shows %d dropped frames and %d closed connections" % (drops, closes))
ok("%d malformed frames dropped with the connection going on, %d streams closed (bad magic, "
   "version, lengths up to 4 GiB, noise), 10 MB of noise and a frame stalled mid-payload: "
   "%d log lines, settings and registry unchanged, the panel answers"
   % (len(carry_on), len(fatal), drops + closes))

# -------------------------------------------------------- random frames
t0 = time.monotonic()
mark = len(env.log_text(proc))
for i in range(FUZZ):
    choice = rng.random()
    if choice < 0.3:  # noise
        data = os.urandom(rng.randint(1, 300))
    elif choice < 0.6:  # a good header, a kind that does not exist
        kind = rng.choice([0, 6, 7, 0x7F, 0x81, 0xFFFF])
        data = frame(kind, os.urandom(rng.randint(0, 64)))
    else:  # a known kind whose payload does not fit it
        kind = rng.choice([SEND, POST, PEN, RAISE, REPLY])
        size = rng.choice([n for n in range(0, 40) if n not in (24, 16, 4, 12)])
        data = frame(kind, os.urandom(size))
    p = Peer(env.runtime)
    try:
        p.raw(data)
    except OSError:
        pass
    p.close()
unchanged("random frames")
ok("%d random malformed frames, each on its own connection: settings unchanged, the panel "
   "answers; %d log lines; %.1f s" % (FUZZ, log_since(mark).count("dialvane ipc:"),
                                      time.monotonic() - t0))

# -------------------------------------------------------- the window system's messages
# A WM_INITDIALOG taken from a peer would build the dialog's surfaces and
# fonts again (and leak the old ones), a WM_DESTROY tear them down.
def rss_kb():
    with open("/proc/%d/status" % proc.pid) as f:
        return int(next(line for line in f if line.startswith("VmRSS")).split()[1])


mark = len(env.log_text(proc))
rss_before = rss_kb()
for _ in range(REPEATS):
    for message in SYSTEM_ONLY:
        check(peer.send(message) == 0, "message 0x%x was answered" % message)
growth = rss_kb() - rss_before
dropped = log_since(mark).count("only the window system sends it")
check(dropped == REPEATS * len(SYSTEM_ONLY), "%d of %d dropped with a log line"
      % (dropped, REPEATS * len(SYSTEM_ONLY)))
check(growth < 4096, "the panel grew by %d kB" % growth)
unchanged("the window system's messages")
ok("%d sends each of WM_CREATE, WM_DESTROY, WM_NCCREATE, WM_NCDESTROY, WM_INITDIALOG: all "
   "dropped with a log line and answered 0, RSS +%d kB, settings unchanged, the panel answers"
   % (REPEATS, growth))

# -------------------------------------------------------- every message number
# Posted by a peer with parameters that would be pointers or handles to a
# message that expects them: 0x41414141 as wParam and lParam, then -1.
t0 = time.monotonic()
mark = len(env.log_text(proc))
count = 0
for message in range(SWEEP_END):
    if message in CLOSING:
        continue
    for w, l in ((0x41414141, 0x41414141), (0xFFFFFFFFFFFFFFFF, -1)):
        try:
            peer.request(POST, message_payload(message, w, l, REPLY_WHEN_IDLE))
            peer.send(WM_NULL)
        except (OSError, Failure):
            raise Failure("the panel ended (status %s) at or just after message 0x%x"
                          % (proc.wait(timeout=30), message))
        count += 1
timer_drops = log_since(mark).count("dropped a WM_TIMER")
check(timer_drops >= 2, "the WM_TIMER callbacks were not refused")
peer.tap(*OK_BUTTON)
peer.tap(*ICONS[1])
unchanged("the message sweep")
ok("%d posts of every message 0..0x%x (but the closing ones) with pointer-like parameters: "
   "no crash, WM_TIMER callbacks refused (%d log lines), settings unchanged; %.1f s"
   % (count, SWEEP_END - 1, timer_drops, time.monotonic() - t0))

# -------------------------------------------------------- hoarded connections
# With few descriptors to spare, a peer that opens hundreds of connections
# and keeps them must not leave the panel unable to open its files.
stalled.close()
check(close_panel(proc, peer) == 0, "the panel did not close")
proc, peer = env.start_panel(max_files=256)
hoard = []
for i in range(300):
    hoard.append(connect_socket(os.path.join(env.runtime, "w-Dialvane.sock"), 5.0))
time.sleep(0.5 * SLOW)
kept = sum(1 for s in hoard if not closed_without_reply(s, 0.01))


def cpu_ticks():
    with open("/proc/%d/stat" % proc.pid) as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return int(fields[11]) + int(fields[12])


ticks = cpu_ticks()
time.sleep(1.0)
idle_ticks = cpu_ticks() - ticks
peer.tap(*ICONS[2])
check(record_fields(env.read_conf())[0] == 2, "with connections hoarded the panel could not save")
for s in hoard:
    s.close()
check(idle_ticks <= 20, "with connections hoarded the panel used %d ticks of CPU in 1 s"
      % idle_ticks)
time.sleep(0.2)
check(answers(env.runtime), "after the hoard the panel does not answer new peers")
check(close_panel(proc, peer) == 0, "the panel did not close after the hoard")
ok("a peer hoarding %d connections against a limit of 256 descriptors: the panel kept %d, "
   "stayed idle (%d CPU ticks in 1 s), still saved, and answered new peers afterwards"
   % (len(hoard), kept, idle_ticks))
PY
