# The end-to-end harness: each script drives the real build/dialvane from outside, through
# build/dialvane-ctl (its own frame encoder) and, under Xvfb, the X11 pointer. Every Unit has its
# own device root, runtime folder, HOME and XDG folders and no sound server of the machine's, so
# nothing of the machine's state leaks in; waits poll a condition up to a deadline, never sleep.
# The scripts take it, and the standard modules imported here, with `from dvtest import *`.
import atexit
import os
import pathlib
import resource
import shutil
import signal
import socket
import struct
import subprocess
import sys
import tempfile
import time

SOURCE = os.environ.get("DIALVANE_SOURCE_DIR") or os.path.dirname(
    os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
BUILD = os.environ.get("DIALVANE_BUILD_DIR") or os.path.join(SOURCE, "build")
# A cross build's programs run under qemu-user, through the wrappers scripts/cross-test.sh writes.
EMULATED = os.path.isdir(os.path.join(BUILD, "emulated"))
PANEL, CTL = (os.path.join(BUILD, *(["emulated"] if EMULATED else []), name)
              for name in ("dialvane", "dialvane-ctl"))
with open(os.path.join(BUILD, "CMakeCache.txt")) as _cache:
    ASAN = "DV_SANITIZE:BOOL=ON" in _cache.read()
# Limits are for a loaded two-core machine; the sanitizer build and emulation are slower.
SLOW = 4.0 if ASAN or EMULATED else 1.0
LONG = os.environ.get("DIALVANE_LONG", "") not in ("", "0")

FACTORY = [0, 6, 6, 6, 0, 405, 295, 4, 3, 4, 87, 5, 0]
ICON = {"sound": (44, 175), "basic": (110, 145), "advan": (169, 103), "touch": (230, 63)}
OK_BUTTON, DEFAULT_BUTTON, CLOSE_BOX = (50, 212), (428, 212), (435, 19)
TARGETS = [(240, 117), (432, 202), (432, 32), (48, 32), (48, 202)]
TARGETS_RAW = "2052,2056 3693,3550 3693,562 410,562 410,3550"
FACTORY_CAL = "2030,2045 3605,3540 3598,560 490,552 502,3531"
CAL_LINES = ["UM_TOUCH_CAL 1 0", "UM_SETTINGS_PAGE 3 0", "UM_TOUCH_CAL 0 0"]
POWER_CUT_EXIT = 86


class Failure(Exception):
    pass


# A failed check is a finding, not a crash of the harness: one line.
sys.excepthook = lambda kind, value, trace: print("FAIL: %s" % value, file=sys.stderr) if (
    issubclass(kind, Failure)) else sys.__excepthook__(kind, value, trace)


ok = lambda text: print("ok: " + text, flush=True)


def check(condition, text):
    if not condition:
        raise Failure(text)


def wait_for(condition, what, limit_s=10.0):  # condition()'s first true value
    deadline = time.monotonic() + limit_s * SLOW
    while not (value := condition()):
        check(time.monotonic() < deadline, "%s within %.0f s" % (what, limit_s * SLOW))
        time.sleep(0.005)
    return value


record = lambda values: struct.pack("<13h", *values)


def fields(data):
    check(data is not None and len(data) == 26, "the settings file holds %r" % (data,))
    return list(struct.unpack("<13h", data))


rss_kb = lambda proc: int(Unit.text("/proc/%d/status" % proc.pid).split("VmRSS:")[1].split()[0])


def ppm_rows(ppm):  # a binary PPM's rows of 0xRRGGBB values
    width, height, maxval = map(int, ppm.split(None, 4)[1:4])
    check(ppm[:2] == b"P6" and maxval == 255, "not an 8-bit PPM: %r" % ppm[:20])
    data = ppm[len(ppm) - width * height * 3:]
    return [[int.from_bytes(data[i:i + 3], "big") for i in range(y, y + width * 3, 3)]
            for y in range(0, len(data), width * 3)]


# Two pictures differ in some rows, all of them within rows.
def changed_rows(before, after, rows, what):
    changed = {y for y in range(len(before)) if before[y] != after[y]}
    check(changed and changed <= set(rows), "%s changed rows %s" % (what, sorted(changed)))


pixels = lambda path: ppm_rows(subprocess.run(["pngtopnm", path], capture_output=True,
                                              check=True).stdout)


def raw_peer(unit, data, reply=True):
    """Writes bytes no well-behaved peer sends; with reply, what came back (b"" if the
    panel hung up at once, None if it did neither), else the open socket, left unread."""
    sock = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
    sock.connect(os.path.join(unit.runtime, "w-Dialvane.sock"))
    sock.settimeout(2.0 * SLOW)
    got = b""
    try:
        sock.sendall(data)
        while reply and len(got) < 28 and (chunk := sock.recv(65536)):  # one reply frame
            got += chunk
    except socket.timeout:
        got = got or None
    except OSError:
        pass
    if not reply:
        return sock
    sock.close()
    return got


frame = lambda kind, payload, magic=0x314D5644, version=1, length=None: struct.pack(
    "<IHHII", magic, version, kind, 0, len(payload) if length is None else length) + payload


message = lambda msg, w=0, l=0, flags=0: struct.pack("<IIQq", flags, msg, w & (2**64 - 1), l)
pen = lambda action, x, y, flags=0: struct.pack("<IIii", flags, action, x, y)


class Unit:  # one test's unit: its folders, its processes, and what they leave

    def __init__(self):
        self.work = tempfile.mkdtemp(prefix="dialvane-e2e-")
        self.root, self.runtime = self.path("unit"), self.path("run")
        env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY")
               and not k.startswith(("XDG_", "DIALVANE_", "PULSE_"))}
        for name in ("HOME", "XDG_CACHE_HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME",
                     "XDG_RUNTIME_DIR"):
            env[name] = self.path(name.lower())
            os.mkdir(env[name], 0o700)
        env.update(DIALVANE_ROOT=self.root, DIALVANE_RUNTIME=self.runtime, SDL_AUDIODRIVER="dummy")
        self.env, self.procs, self.starts = env, [], 0
        self.conf_path = self.path("unit", "FlashMem", "sysini", "conf.ini")
        self.conf = lambda: self.read(self.conf_path)
        self.bindings, self.click = self.dev("bindings"), self.path("unit/windows/question.wav")
        atexit.register(self.end)

    path = lambda self, *parts: os.path.join(self.work, *parts)
    tap = lambda self, *points: [self.ctl("tap", *point) for point in points]  # one after another
    pen = lambda self, action, point: self.ctl("pen", action, *point)
    answers = lambda self, title="Dialvane": self.ctl("send", title, 0, expect=None).returncode == 0
    log = lambda self, proc: self.text(proc.log)
    journal = lambda self, name: self.text(self.path("unit/dev/%s.log" % name)).splitlines()
    registry = lambda self: self.text(self.path("unit", "registry.reg"))

    lines = lambda self, proc, what: [line for line in self.log(proc).splitlines() if what in line]
    dev = lambda self, name: os.path.join(self.root, "dev", name)
    field = lambda self, n: self.conf() and fields(self.conf())[n]  # None before it is written
    logs = lambda self, proc, text: wait_for(lambda: text in self.log(proc), "%r logged" % text)

    def bind(self, text):
        os.makedirs(self.dev(""), exist_ok=True)
        pathlib.Path(self.bindings).write_text(text)

    store = lambda self, values: pathlib.Path(self.conf_path).write_bytes(record(values))
    lay_out = lambda self: self.closed(self.panel(), "the first start")  # lays the root out
    closed = lambda self, proc, what="the panel": check(self.close(proc) == 0,
                                                        "%s did not close with status 0" % what)

    def ended(self, proc, status=0, what="the panel", limit_s=15):  # proc ends by itself
        try:
            proc.wait(timeout=limit_s * SLOW)
        except subprocess.TimeoutExpired:
            kill9(proc)
        check(proc.returncode == status, "%s ended with %s, not %s:\n%s" % (
            what, proc.returncode, status, self.text(proc.err)[-2000:]))

    def said(self, proc, *texts):  # each text is in proc's log
        for text in texts:
            check(text in self.log(proc), "no %r in the log:\n%s" % (text, self.log(proc)[-3000:]))

    def end(self):
        for proc in self.procs:
            kill9(proc)
        shutil.rmtree(self.work, ignore_errors=True)

    def spawn(self, args, extra=None, out=None, err=None, **kwargs):
        env = dict(self.env, **(extra or {}))
        with open(out or os.devnull, "ab") as o, open(err or os.devnull, "ab") as e:
            proc = subprocess.Popen(args, env=env, stdout=o, stderr=e, **kwargs)
        proc.out, proc.err = out, err
        self.procs.append(proc)
        return proc

    def ctl(self, *args, expect=0, extra=None, prefix=()):
        run = subprocess.run(list(prefix) + [CTL] + [str(a) for a in args], capture_output=True,
                             text=True, env=dict(self.env, **(extra or {})), timeout=60 * SLOW)
        check(expect is None or run.returncode == expect, "dialvane-ctl %s: status %d, %s"
              % (" ".join(map(str, args)), run.returncode, run.stderr.strip()))
        return run

    def drag(self, start, *points):
        self.pen("down", start)
        for point in points[:-1]:
            self.pen("move", point)
        self.pen("up", points[-1])

    def panel(self, extra=None, wait=True, wrapper=(), max_files=None):  # with a log of its own
        self.starts += 1
        log, err = self.path("panel-%d.log" % self.starts), self.path("panel-%d.err" % self.starts)
        limit = max_files and (lambda: resource.setrlimit(resource.RLIMIT_NOFILE, (max_files,) * 2))
        proc = self.spawn(list(wrapper) + [PANEL], dict(extra or {}, DIALVANE_LOG=log),
                          err=err, preexec_fn=limit)
        proc.log = log
        if wait:
            wait_for(lambda: self.answers() or (proc.poll() is not None and check(
                False, "the panel ended with %s before it answered:\n%s"
                % (proc.returncode, self.text(err)[-3000:]))), "the panel's window",
                     300 if wrapper else 20)
        return proc

    def launcher(self):
        out = self.path("launcher-%d.out" % len(self.procs))
        proc = self.spawn([CTL, "launcher"], out=out, err=out + ".err")
        wait_for(lambda: self.answers("Launcher_Tulvo"), "the launcher's window")
        return proc

    def close(self, proc, limit_s=15):  # the panel's exit status (None if it hangs)
        self.ctl("close", expect=None)
        try:
            return proc.wait(timeout=limit_s * SLOW)
        except subprocess.TimeoutExpired:
            kill9(proc)

    @staticmethod
    def read(path):
        try:
            return pathlib.Path(path).read_bytes()
        except (FileNotFoundError, TypeError):
            return None

    text = staticmethod(lambda path: (Unit.read(path) or b"").decode("utf-8", "replace"))

    # The launcher's lines but the WM_NULL probes of the harness.
    heard = staticmethod(lambda launcher: [line for line in Unit.text(launcher.out).replace(
        "\r", "").splitlines() if not line.startswith("0x0000 ")])

    shot = lambda self, name: self.ctl("shot", self.path(name)) and self.path(name)


def xvfb(unit, scale=2, screen="1280x800"):  # a private X server; scale None: DIALVANE_SCALE unset
    server = subprocess.Popen(["Xvfb", "-displayfd", "1", "-screen", "0", screen + "x24",
                               "-nolisten", "tcp"], stdout=subprocess.PIPE,
                              stderr=subprocess.DEVNULL)
    unit.procs.append(server)
    # No GPU: the software renderer spares loading a GL driver.
    unit.env.update(DISPLAY=":" + server.stdout.readline().decode().strip(), SDL_RENDER_DRIVER=
                    "software", SDL_FRAMEBUFFER_ACCELERATION="0")
    if scale is not None:
        unit.env["DIALVANE_SCALE"] = str(scale)


def xdo(*args, unit, expect=0):
    run = subprocess.run(["xdotool"] + [str(a) for a in args], capture_output=True, text=True,
                         env=unit.env, timeout=30)
    check(expect is None or run.returncode == expect, "xdotool %s: %s" % (args, run.stderr))
    return run


panel_window = lambda unit: wait_for(lambda: xdo("search", "--onlyvisible", "--name", "^Dialvane$",
                                                unit=unit, expect=None).stdout.split()[:1],
                                      "the panel's X window")[0]

window_geometry = lambda unit: xdo("getwindowgeometry", "--shell", panel_window(unit),
                                   unit=unit).stdout


def kill9(proc):
    if proc.poll() is None:
        proc.send_signal(signal.SIGKILL)
    proc.wait()
