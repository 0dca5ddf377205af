# A touch controller for the end-to-end tests: umockdev emulates /dev/input/event0 for a panel
# started under its preload, answering the EVIOCG* calls of a 12-bit resistive controller (its
# ABS ranges, EVIOCGRAB) in its handler, while the test writes input_event frames into the node.
# Without umockdev the script says "skipped:" and passes.
import gc
import os
import struct
import sys
import tempfile
import threading

try:
    import gi
    gi.require_version("UMockdev", "1.0")
    from gi.repository import UMockdev
except (ImportError, ValueError):
    # ctest may find another python3 first; the system's has the bindings.
    if sys.executable != "/usr/bin/python3" and os.path.exists("/usr/bin/python3"):
        os.execv("/usr/bin/python3", ["/usr/bin/python3"] + sys.argv)
    print("skipped: umockdev (gir1.2-umockdev-1.0, python3-gi) is not installed")
    sys.exit(0)

from dvtest import *

NODE = "/dev/input/event0"
EV_SYN, EV_KEY, EV_ABS = 0, 1, 3
BTN_TOUCH, ABS_X, ABS_Y = 0x14A, 0, 1
ENOENT, ENODEV, ENOTTY = 2, 19, 25
RAW_MAX = 4095


def _bits(*numbers, size):
    data = bytearray(size)
    for n in numbers:
        if n // 8 < size:
            data[n // 8] |= 1 << (n % 8)
    return bytes(data)


def field(unit, index):
    """A field of the settings file, None before it is written."""
    data = unit.conf()
    return fields(data)[index] if data else None


class Controller(UMockdev.IoctlBase):
    """The controller's answers: ranges per axis, whether it was grabbed, and after gone() every
    read fails with ENODEV, as a controller unplugged."""

    def __init__(self, ranges):
        super().__init__()
        self.ranges, self.grabbed, self.gone = ranges, False, False

    def answer(self, nr, size):
        if nr == 0x01:
            return struct.pack("i", 0x010001)
        if nr == 0x02:
            return struct.pack("4H", 0x18, 0x0eef, 0x0001, 1)  # I2C, vendor, product, version
        if nr == 0x06:
            return (b"Resistive Touch 12-bit\0")[:size]
        if nr == 0x20:
            return _bits(EV_SYN, EV_KEY, EV_ABS, size=size)
        if nr == 0x20 + EV_KEY:
            return _bits(BTN_TOUCH, size=size)
        if nr == 0x20 + EV_ABS:
            return _bits(ABS_X, ABS_Y, size=size)
        if 0x20 < nr < 0x40 or nr in (0x09, 0x18, 0x19, 0x1A, 0x1B):
            return bytes(size)  # other event types, properties, key/led/sound/switch states
        if nr - 0x40 in self.ranges:
            low, high = self.ranges[nr - 0x40]
            return struct.pack("6i", low, low, high, 0, 0, 0)
        return None

    def do_handle_ioctl(self, client):
        request = client.get_request()
        kind, nr, size = (request >> 8) & 0xFF, request & 0xFF, (request >> 16) & 0x3FFF
        if kind != ord("E"):
            client.complete(-1, ENOTTY)
        elif nr == 0x90:  # EVIOCGRAB
            self.grabbed = True
            client.complete(0, 0)
        elif (data := self.answer(nr, size)) is not None:
            client.get_arg().resolve(0, len(data)).update(0, data)
            client.complete(len(data), 0)
        else:
            client.complete(-1, ENOENT if nr in (0x07, 0x08) else ENOTTY)
        return True

    def do_handle_read(self, client):
        if not self.gone:
            return False  # the frames written into the node
        client.complete(-1, ENODEV)
        return True


class Bed:
    """A testbed with one controller, bound as TOUCH in the unit's bindings."""

    def __init__(self, unit, ranges=None, bind=True):
        if not os.path.exists(unit.root):  # a root is laid out only where none exists
            check(unit.close(unit.panel()) == 0, "the panel laying out the device root")
        os.environ.setdefault("TMPDIR", "/tmp")  # the handler's socket path must stay short
        self.tb = UMockdev.Testbed.new()
        self.root = self.tb.get_root_dir()
        self.tb.add_from_string("P: /devices/platform/touch/input/input0/event0\nN: input/event0\n"
                                "E: DEVNAME=%s\nE: SUBSYSTEM=input\nA: dev=13:64\n" % NODE)
        self.controller = Controller(ranges or {ABS_X: (0, RAW_MAX), ABS_Y: (0, RAW_MAX)})
        self.tb.attach_ioctl(NODE, self.controller)
        self.pty = self.tb.get_dev_fd(NODE)
        self.unit, self.time = unit, 100.0
        preload = "libumockdev-preload.so.0"
        if ASAN and "clang" not in Unit.text(os.path.join(BUILD, "CMakeCache.txt")):
            preload = subprocess.run(["gcc", "-print-file-name=libasan.so"], capture_output=True,
                                     text=True).stdout.strip() + " " + preload
        self.frames = unit.path("frames.log")
        unit.env.update(UMOCKDEV_DIR=self.root, LD_PRELOAD=preload, DIALVANE_FRAME_LOG=self.frames)
        if bind:
            self.bind("TOUCH = evdev:%s\n" % NODE)
        atexit.register(self.end)

    def bind(self, text):
        os.makedirs(self.unit.path("unit", "dev"), exist_ok=True)
        with open(self.unit.path("unit", "dev", "bindings"), "w") as f:
            f.write(text)

    def end(self):
        # Dropping the testbed removes its folder; a testbed still held at exit never is.
        self.tb = None
        gc.collect()
        shutil.rmtree(self.root, ignore_errors=True)

    def frame(self, *events):
        """One frame: (type, code, value) events, then SYN_REPORT."""
        data = b""
        for kind, code, value in events + ((EV_SYN, 0, 0),):
            self.time += 0.01
            data += struct.pack("llHHi", int(self.time), int(self.time % 1 * 1e6), kind, code, value)
        os.write(self.pty, data)

    def down(self, x, y):
        self.frame((EV_KEY, BTN_TOUCH, 1), (EV_ABS, ABS_X, x), (EV_ABS, ABS_Y, y))

    def move(self, x, y):
        self.frame((EV_ABS, ABS_X, x), (EV_ABS, ABS_Y, y))

    def up(self):
        self.frame((EV_KEY, BTN_TOUCH, 0))

    def ups(self):
        return Unit.text(self.frames).count(" pen up ")

    def tap(self, x, y, delivered=True):
        """A raw tap; with delivered, returns when the panel has handled it."""
        before = self.ups()
        self.down(x, y)
        self.up()
        if delivered:
            wait_for(lambda: self.ups() > before, "the pen up of the raw tap (%d, %d)" % (x, y))
            self.unit.shot("settle.png")  # screen input: handled after the tap, even mid-calibration

    def unplug(self):
        self.controller.gone = True
        self.move(1, 1)  # wakes the reader, whose read then fails
