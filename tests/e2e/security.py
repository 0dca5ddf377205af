# What the panel lets in: a runtime folder others could use is refused before anything is made in
# it; another user can neither drive the panel nor stand in for its launcher; a stalled frame, every
# message number with pointer-like parameters and hoarded connections change nothing.
from dvtest import *

unit = Unit()
# Group bits alone and others' bits alone: CoreTest refuses mode 0777 in-process.
for name in ("770", "701", "real"):
    os.mkdir(unit.path(name))
    os.chmod(unit.path(name), int(name, 8) if name != "real" else 0o700)
os.symlink(unit.path("real"), unit.path("link"))
open(unit.path("plain"), "w").close()
for folder in ("770", "701", "link", "plain"):
    for program in (PANEL, CTL):
        run = subprocess.run([program, "close"], capture_output=True, text=True, timeout=30,
                             env=dict(unit.env, DIALVANE_RUNTIME=unit.path(folder)))
        check(run.returncode == 2 and "refusing to use it" in run.stderr, "%s, %s: status %d, %s"
              % (folder, os.path.basename(program), run.returncode, run.stderr))
        check(not os.listdir(unit.path("real")) and (folder in ("link", "plain") or not
              os.listdir(unit.path(folder))), "%s: something was made there" % folder)
ok("runtime folders 770, 701, a symlink, a plain file: both refuse with 2, make nothing")

panel = unit.panel()
unit.tap(ICON["basic"])  # every pen down here would save
settled, registry = unit.conf(), unit.registry()


def unchanged(what):
    check(unit.conf() == settled and registry == unit.registry(),
          "%s changed the settings file or the registry" % what)
    check(panel.poll() is None and unit.answers(), "%s: the panel ended or does not answer" % what)


NOBODY = ["setpriv", "--reuid=65534", "--regid=65534", "--clear-groups",
          "--inh-caps=+dac_override", "--ambient-caps=+dac_override"]
if os.geteuid() != 0 or not shutil.which("setpriv"):
    print("skip: another user's process needs root and setpriv")
else:
    # Nobody's own runtime folder, holding hard links to the panel's socket and back.
    theirs = unit.path("theirs")
    os.mkdir(theirs, 0o700)
    os.chown(theirs, 65534, 65534)
    link = lambda name, a, b: os.link(os.path.join(a, name), os.path.join(b, name))
    link("w-Dialvane.sock", unit.runtime, theirs)
    as_nobody = {"extra": {"DIALVANE_RUNTIME": theirs}, "prefix": NOBODY}
    unit.ctl("send", "Dialvane", "WM_NULL", expect=2, prefix=NOBODY)  # the panel's folder
    check(subprocess.run([PANEL], env=dict(unit.env, DIALVANE_RUNTIME=theirs), timeout=30,
          stderr=subprocess.DEVNULL).returncode == 2, "the panel used another user's folder")
    unit.ctl("pen", "down", 190, 110, expect=1, **as_nobody)  # it refuses the panel's uid
    # A raw peer has no such check of its own: the panel's check alone stands in its way.
    client = ("import socket, sys\ns = socket.socket(socket.AF_UNIX)\ns.connect(sys.argv[1])\n"
              "try:\n s.sendall(bytes.fromhex(sys.argv[2])); print(len(s.recv(64)))\n"
              "except OSError:\n print(0)")
    tap = frame(3, pen(0, 190, 110)) + frame(2, message(0x857)) + frame(1, message(0, flags=1))
    run = subprocess.run(NOBODY + [sys.executable, "-c", client, theirs + "/w-Dialvane.sock",
                                   tap.hex()], capture_output=True, text=True, timeout=30)
    check(run.stdout == "0\n", "another user's raw peer: %s %s" % (run.stdout, run.stderr))
    unchanged("another user's pen down and close")
    unit.said(panel, "refused a connection from uid 65534")
    unit.closed(panel)
    fake = unit.spawn(NOBODY + [CTL, "launcher"], as_nobody["extra"], out=unit.path("fake.out"))
    wait_for(lambda: os.path.exists(theirs + "/w-Launcher_Tulvo.sock"), "nobody's launcher")
    link("w-Launcher_Tulvo.sock", theirs, unit.runtime)
    panel = unit.panel()
    unit.tap(ICON["basic"])
    check(unit.heard(fake) == [], "nobody's launcher heard %s" % unit.heard(fake))
    unit.said(panel, "refused to talk to")
    os.unlink(os.path.join(unit.runtime, "w-Launcher_Tulvo.sock"))
    ok("another user can neither drive the panel (refused, logged) nor stand in for its launcher")

# Malformed frames and bad headers are refused in-process (the platform's Ipc tests); here a
# frame stalled mid-way stays open through what follows.
good = frame(1, message(0, flags=1))
stalled = raw_peer(unit, good[:30], reply=False)
# Every message but the closing ones, with parameters that would be pointers (the platform's Ipc
# tests check that creation messages and foreign timer callbacks from a peer are dropped).
sweep = b"".join(frame(2, message(n, w, l)) for n in range(0x400) if n not in (0x10, 0x111, 0x857)
                 for w, l in ((0x41414141, 0x41414141), (2**64 - 1, -1)))
check(len(raw_peer(unit, sweep + good) or b"") >= 28, "the panel ended during the sweep")
unit.tap(OK_BUTTON, ICON["basic"])
unchanged("the window system's messages and the sweep beside a stalled frame")
ok("messages 0..0x3ff posted with pointer-like parameters beside a stalled frame: nothing changed")

stalled.close()
unit.closed(panel)
# A hoarder within the descriptor limit is the platform's Ipc tests'; here the hoard runs the
# panel out of descriptors.
panel = unit.panel(max_files=32)
hoard = [raw_peer(unit, b"", reply=False) for _ in range(30)]
ticks = lambda: sum(map(int, unit.text("/proc/%d/stat" % panel.pid).rsplit(")")[1].split()[11:13]))
start = ticks()
time.sleep(1)  # it waits between tries instead of retrying at once
check(ticks() - start < os.sysconf("SC_CLK_TCK") // 5, "it spun: %d ticks" % (ticks() - start))
[s.close() for s in hoard]
check(unit.answers() and unit.close(panel) == 0, "out of descriptors the panel did not recover")
ok("30 connections hoarded against 32 descriptors: the panel waits between tries, and recovers")
