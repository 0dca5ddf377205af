# Shared by the reliability scripts (power_cut, kill_races, peers, security,
# leak_tour): the panel started and killed as a process, a peer that speaks
# the wire protocol of docs/ipc.md itself (faster than a dialvane-ctl process
# per step, and able to send what dialvane-ctl never would), a model of the
# settings record the pen can produce, and checks of the settings file.
import atexit
import os
import resource
import signal
import socket
import struct
import subprocess
import sys
import time
import zlib

MAGIC = 0x314D5644
VERSION = 1
SEND, POST, PEN, SHOT, RAISE, REPLY = 1, 2, 3, 4, 5, 0x80
REPLY_WHEN_IDLE = 1
PEN_DOWN, PEN_MOVE, PEN_UP = 0, 1, 2
WM_NULL, WM_CLOSE, UM_CLOSE_SETTINGS = 0, 0x10, 0x857
RECORD_SIZE = 26
FACTORY = [0, 6, 6, 6, 0, 405, 295, 4, 3, 4, 87, 5, 0]
POWER_CUT_EXIT = 86
# A second pen down this soon and this close is a double tap (with margin).
DOUBLE_TAP_S = 0.6
DOUBLE_TAP_DISTANCE = 4
# The longest a request may take: a click, a save and a launcher round trip,
# on a loaded machine (the sanitizer build is several times slower).
REQUEST_TIMEOUT_S = 30.0


def long_mode():
    return os.environ.get("DIALVANE_LONG", "") not in ("", "0")


def sanitizer_build():
    cache = os.path.join(os.environ["DIALVANE_BUILD_DIR"], "CMakeCache.txt")
    try:
        with open(cache) as f:
            return any(line.startswith("DV_SANITIZE:BOOL=ON") for line in f)
    except OSError:
        return False


def ok(text):
    print("ok: " + text, flush=True)


def note(text):
    print("    " + text, flush=True)


class Failure(Exception):
    pass


def _report(kind, value, trace):
    # A failed check is a finding, not a crash of the harness: one line.
    if issubclass(kind, Failure):
        print("FAIL: %s" % value, file=sys.stderr, flush=True)
    else:
        sys.__excepthook__(kind, value, trace)


sys.excepthook = _report


def check(condition, text):
    if not condition:
        raise Failure(text)


# ---------------------------------------------------------------- frames


def frame(kind, payload, seq=0, magic=MAGIC, version=VERSION, length=None):
    n = len(payload) if length is None else length
    return struct.pack("<IHHII", magic, version, kind, seq, n) + payload


def message_payload(msg, w=0, l=0, flags=0):
    return struct.pack("<IIQq", flags, msg, w & 0xFFFFFFFFFFFFFFFF, l)


def pen_payload(action, x, y, flags=0):
    return struct.pack("<IIii", flags, action, x, y)


def connect_socket(path, timeout=REQUEST_TIMEOUT_S):
    """A connected Unix stream socket with that timeout for its calls."""
    # A full listen backlog refuses at once (EAGAIN) where dialvane-ctl
    # would wait for the server to accept: wait the same way.
    deadline = time.monotonic() + timeout
    while True:
        sock = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
        sock.settimeout(timeout)
        try:
            sock.connect(path)
            return sock
        except BlockingIOError:
            sock.close()
            if time.monotonic() > deadline:
                raise
            time.sleep(0.005)
        except OSError:
            sock.close()
            raise


class Peer:
    """One connection to a window's socket, as any program of the unit."""

    def __init__(self, runtime, title="Dialvane", timeout=REQUEST_TIMEOUT_S):
        self.path = os.path.join(runtime, "w-%s.sock" % title)
        self.sock = connect_socket(self.path, timeout)
        self.seq = 0
        self.buffer = b""
        self.last_down = None  # (x, y, when its handling was over)

    def close(self):
        self.sock.close()

    def raw(self, data):
        self.sock.sendall(data)

    def next_seq(self):
        self.seq += 1
        return self.seq

    def put(self, kind, payload):
        seq = self.next_seq()
        self.sock.sendall(frame(kind, payload, seq))
        return seq

    def await_reply(self, seq):
        while True:
            while len(self.buffer) >= 16:
                magic, version, kind, rseq, n = struct.unpack_from("<IHHII", self.buffer)
                if magic != MAGIC or version != VERSION:
                    raise Failure("the window answered with a bad frame header")
                if len(self.buffer) < 16 + n:
                    break
                body, self.buffer = self.buffer[16:16 + n], self.buffer[16 + n:]
                if kind == REPLY and rseq == seq:
                    return struct.unpack("<qI", body)[0]
            chunk = self.sock.recv(65536)
            if not chunk:
                raise ConnectionError("the window closed the connection")
            self.buffer += chunk

    def request(self, kind, payload):
        return self.await_reply(self.put(kind, payload))

    # Each returns once the window is idle again, as dialvane-ctl does.
    def send(self, msg, w=0, l=0):
        return self.request(SEND, message_payload(msg, w, l, REPLY_WHEN_IDLE))

    def post(self, msg, w=0, l=0):
        return self.request(POST, message_payload(msg, w, l, REPLY_WHEN_IDLE))

    def space_down(self, action, x, y):
        """Keeps a pen down from being the second press of a double tap.

        The panel turns a down within 500 ms and 4 pixels of the last one
        into WM_LBUTTONDBLCLK, which acts on nothing (a double tap acts
        once). The scripts tap as a person who does not double-tap."""
        if action != PEN_DOWN or self.last_down is None:
            return
        last_x, last_y, when = self.last_down
        if abs(x - last_x) <= DOUBLE_TAP_DISTANCE and abs(y - last_y) <= DOUBLE_TAP_DISTANCE:
            time.sleep(max(0.0, when + DOUBLE_TAP_S - time.monotonic()))

    def pen(self, action, x, y):
        self.space_down(action, x, y)
        result = self.request(PEN, pen_payload(action, x, y, REPLY_WHEN_IDLE))
        if action == PEN_DOWN:
            self.last_down = (x, y, time.monotonic())
        return result

    def tap(self, x, y):
        self.pen(PEN_DOWN, x, y)
        self.pen(PEN_UP, x, y)

    def shot(self, path):
        return self.request(SHOT, struct.pack("<I", REPLY_WHEN_IDLE) + path.encode())


def try_peer(runtime, title="Dialvane", timeout=REQUEST_TIMEOUT_S):
    try:
        return Peer(runtime, title, timeout)
    except OSError:
        return None


def answers(runtime, title="Dialvane", timeout=5.0):
    peer = try_peer(runtime, title, timeout)
    if peer is None:
        return False
    try:
        peer.send(WM_NULL)
        return True
    except (OSError, Failure):
        return False
    finally:
        peer.close()


# ---------------------------------------------------------------- processes


_SPAWNED = []


@atexit.register
def _end_spawned():
    # Whatever a failed check left running goes with the script.
    for proc in _SPAWNED:
        if proc.poll() is None:
            proc.kill()
            proc.wait()


def spawn(args, **kwargs):
    proc = subprocess.Popen(args, **kwargs)
    _SPAWNED.append(proc)
    return proc


class Env:
    """The script's private device root and runtime folder (common.bash)."""

    def __init__(self):
        self.build = os.environ["DIALVANE_BUILD_DIR"]
        self.work = os.environ["WORK"]
        self.root = os.environ["DIALVANE_ROOT"]
        self.runtime = os.environ["DIALVANE_RUNTIME"]
        self.panel = os.path.join(self.build, "dialvane")
        self.ctl = os.path.join(self.build, "dialvane-ctl")
        self.conf = os.path.join(self.root, "FlashMem", "sysini", "conf.ini")
        self.conf_temp = os.path.join(self.root, "FlashMem", "sysini", ".conf.ini.new")
        self.starts = 0

    def log_path(self):
        return os.path.join(self.work, "panel-%d.log" % self.starts)

    def spawn_panel(self, extra_env=None, stderr_path=None, max_files=None, wrapper=()):
        """Starts a panel with a log of its own; does not wait for it.

        max_files lowers the panel's limit of open descriptors; wrapper is a
        command line the panel runs under (valgrind)."""
        self.starts += 1
        env = dict(os.environ)
        env["DIALVANE_LOG"] = self.log_path()
        env.pop("DIALVANE_STORAGE_FAULT", None)
        if extra_env:
            env.update(extra_env)
        err = open(stderr_path or os.path.join(self.work, "panel.stderr"), "ab")
        limit = None
        if max_files:
            limit = lambda: resource.setrlimit(resource.RLIMIT_NOFILE, (max_files, max_files))
        proc = spawn(list(wrapper) + [self.panel], env=env, stdout=subprocess.DEVNULL, stderr=err,
                     preexec_fn=limit)
        err.close()
        proc.log = env["DIALVANE_LOG"]
        proc.started = time.monotonic()
        return proc

    def start_panel(self, extra_env=None, limit_s=None, max_files=None):
        """Starts a panel and waits until it answers; returns (process, peer)."""
        proc = self.spawn_panel(extra_env, max_files=max_files)
        peer = self.wait_ready(proc, limit_s)
        return proc, peer

    def wait_ready(self, proc, limit_s=None):
        limit_s = limit_s or (60.0 if sanitizer_build() else 20.0)
        deadline = time.monotonic() + limit_s
        while time.monotonic() < deadline:
            if proc.poll() is not None:
                raise Failure("the panel ended with status %d before its window appeared"
                              % proc.returncode)
            peer = try_peer(self.runtime)
            if peer is not None:
                try:
                    peer.send(WM_NULL)
                    proc.ready_s = time.monotonic() - proc.started
                    return peer
                except (OSError, Failure):
                    peer.close()
            time.sleep(0.02)
        raise Failure("the panel's window did not answer within %.0f s" % limit_s)

    def start_launcher(self, out_path):
        out = open(out_path, "ab")
        proc = spawn([self.ctl, "launcher"], stdout=out, stderr=subprocess.DEVNULL)
        out.close()
        deadline = time.monotonic() + 20
        while not answers(self.runtime, "Launcher_Tulvo", 2.0):
            check(proc.poll() is None, "the launcher ended with status %s" % proc.returncode)
            check(time.monotonic() < deadline, "the launcher's window did not appear")
            time.sleep(0.02)
        return proc

    def read_conf(self):
        try:
            with open(self.conf, "rb") as f:
                return f.read()
        except FileNotFoundError:
            return None

    def log_text(self, proc):
        try:
            with open(proc.log, "rb") as f:
                return f.read().decode("utf-8", "replace")
        except FileNotFoundError:
            return ""


def kill9(proc):
    if proc.poll() is None:
        proc.send_signal(signal.SIGKILL)
    proc.wait()


def close_panel(proc, peer, limit_s=None):
    """UM_CLOSE_SETTINGS, then the exit status (None if it did not end)."""
    limit_s = limit_s or (60.0 if sanitizer_build() else 15.0)
    try:
        peer.put(POST, message_payload(UM_CLOSE_SETTINGS))
    except OSError:
        pass
    peer.close()
    try:
        return proc.wait(timeout=limit_s)
    except subprocess.TimeoutExpired:
        kill9(proc)
        return None


# ---------------------------------------------------------------- the record


def record_bytes(fields):
    return struct.pack("<13h", *fields)


def record_fields(data):
    return list(struct.unpack("<13h", data))


def record_problem(data):
    """Why these bytes are not a record the panel can write, or None."""
    if data is None:
        return "the settings file is missing"
    if len(data) != RECORD_SIZE:
        return "the settings file holds %d bytes" % len(data)
    f = record_fields(data)
    ranges = [(0, 3), (0, 10), (0, 10), (0, 10), (0, 2), (156, 405), (156, 405), (3, 4),
              (2, 3), (4, 4), (87, 87), (5, 5), (0, 1)]
    names = ["nPage", "nNaviVolume", "nDmbVolume", "nAvInVolume", "nAutoStart", "nBright",
             "nContrast", "nAutoPowerOn", "nRearCamera", "nFmtOn", "nFmtMhz", "nFmtDecimal",
             "PiKoMute"]
    for value, (low, high), name in zip(f, ranges, names):
        if not low <= value <= high:
            return "%s is %d, outside %d..%d" % (name, value, low, high)
    return None


BOOT_SECTOR_OFFSET, BOOT_SECTOR_SIZE = 2112, 512


def boot_sector_state(root):
    """'intact', 'erased' (all 0xFF) or 'damaged': the boot loader's sector."""
    with open(os.path.join(root, "dev", "FLS1.img"), "rb") as f:
        f.seek(BOOT_SECTOR_OFFSET)
        sector = f.read(BOOT_SECTOR_SIZE)
    if sector == b"\xff" * BOOT_SECTOR_SIZE:
        return "erased"
    crc = struct.unpack_from("<I", sector, 86)[0]
    if (sector[:4] != b"DVBL" or zlib.crc32(sector[:86]) != crc or sector[90] not in (0, 1)
            or sector[91:] != b"\xff" * (BOOT_SECTOR_SIZE - 91)):
        return "damaged"
    return "intact"


def hexs(data):
    return "<none>" if data is None else data.hex(" ")


# Volume step for a pen-up y: the first row whose knob y is at or above it.
KNOB_Y = [152, 144, 136, 129, 122, 115, 108, 102, 94, 87, 80]


def volume_step(y):
    for step, knob in enumerate(KNOB_Y):
        if knob <= y:
            return step
    return 10


ICONS = {0: (44, 175), 1: (110, 145), 2: (169, 103)}
OK_BUTTON = (50, 212)
DEFAULT_BUTTON = (428, 212)
SLIDER_X = [116, 223, 330]
BASIC_OPTIONS = {0: (190, 82), 1: (286, 82), 2: (382, 82), 3: (190, 110), 4: (273, 110)}
BAR_Y = {5: 138, 6: 165}  # field -> y of its bar
ADVAN_OPTIONS = {(12, 1): (198, 92), (12, 0): (340, 92), (8, 2): (188, 122), (8, 3): (261, 122)}


class Model:
    """What the panel shows and has stored, driven by the same pen steps.

    Each pen step is (action, x, y, record after it, whether it saves); the
    record after a step is what the settings file holds once the panel is
    idle again. A step that is cut short leaves the record before it or the
    record after it (the saves inside one step write one of the two).
    """

    def __init__(self, record, rng):
        self.record = list(record)
        self.page = "main"
        self.rng = rng

    def _step(self, action, x, y, changes=None, saves=False):
        after = list(self.record)
        for field, value in (changes or {}).items():
            after[field] = value
        return (action, x, y, after, saves)

    def plan(self):
        """The pen steps of one user action chosen at random from the page shown."""
        r = self.rng
        if self.page == "main":
            icon = r.choice([0, 1, 2])
            x, y = ICONS[icon]
            return [self._step(PEN_DOWN, x, y), self._step(PEN_UP, x, y, {0: icon}, True)], icon
        if r.random() < 0.12:
            x, y = OK_BUTTON
            # Every pen down on the basic page saves it, OK included.
            return [self._step(PEN_DOWN, x, y, saves=self.page == 1),
                    self._step(PEN_UP, x, y)], "main"
        if self.page == 0:
            s = r.randrange(3)
            x = SLIDER_X[s]
            y0, y1 = r.randint(80, 160), r.randint(60, 180)
            return [self._step(PEN_DOWN, x, y0), self._step(PEN_MOVE, x, y1),
                    self._step(PEN_UP, x, y1, {1 + s: volume_step(y1)}, True)], 0
        if self.page == 1:
            if r.random() < 0.5:
                k = r.choice(list(BASIC_OPTIONS))
                x, y = BASIC_OPTIONS[k]
                field = 4 if k <= 2 else 7
                return [self._step(PEN_DOWN, x, y, {field: k}, True),
                        self._step(PEN_UP, x, y, {field: k})], 1
            field = r.choice([5, 6])
            y = BAR_Y[field]
            x0, x1 = r.randint(156, 426), r.randint(120, 460)
            value = min(max(x1, 156), 426)
            value = min(value, 405)
            return [self._step(PEN_DOWN, x0, y, saves=True), self._step(PEN_MOVE, x1, y),
                    self._step(PEN_UP, x1, y, {field: value}, True)], 1
        # advanced page
        if r.random() < 0.15:
            x, y = DEFAULT_BUTTON
            factory = dict(enumerate(FACTORY))
            return [self._step(PEN_DOWN, x, y), self._step(PEN_UP, x, y, factory, True)], 2
        (field, value), (x, y) = r.choice(list(ADVAN_OPTIONS.items()))
        return [self._step(PEN_DOWN, x, y, {field: value, 0: 2}, True),
                self._step(PEN_UP, x, y, {field: value, 0: 2})], 2


def run_step(peer, step):
    action, x, y, _, _ = step
    peer.pen(action, x, y)
