# A touch controller for the end-to-end tests: a kerneldev testbed emulates /dev/input/event0 for a
# panel started under its preload, answering the EVIOCG* calls of a 12-bit resistive controller (its
# ABS ranges, EVIOCGRAB), while the test writes input_event frames into the node.
import kerneldev as kd
from dvtest import *

NODE = "/dev/input/event0"
EV_SYN, EV_KEY, EV_ABS = 0, 1, 3
BTN_TOUCH, ABS_X, ABS_Y = 0x14A, 0, 1
ENOENT, ENODEV = 2, 19
RAW_MAX = 4095
_bits = lambda *numbers, size: sum(1 << n for n in numbers).to_bytes(64, "little")[:size]


class Controller(kd.UMockdev.IoctlBase):  # its ranges per axis; once gone, reads fail with ENODEV
    def __init__(self, ranges):
        super().__init__()
        self.ranges, self.grabbed, self.gone = ranges, False, False

    def answer(self, nr, size):  # EVIOCGVERSION, GID, GNAME, GBIT, GABS; other bits and states 0
        table = {0x01: struct.pack("i", 0x010001), 0x02: struct.pack("4H", 0x18, 0xEEF, 1, 1),
                 0x06: b"Resistive Touch 12-bit\0"[:size], 0x20: _bits(0, 1, 3, size=size),
                 0x21: _bits(BTN_TOUCH, size=size), 0x23: _bits(ABS_X, ABS_Y, size=size)}
        table.update({0x40 + axis: struct.pack("6i", low, low, high, 0, 0, 0)
                      for axis, (low, high) in self.ranges.items()})
        zero = 0x20 < nr < 0x40 or nr in (0x09, 0x18, 0x19, 0x1A, 0x1B)
        return table.get(nr, bytes(size) if zero else None)

    def do_handle_ioctl(self, client):
        request = client.get_request()
        kind, nr, size = (request >> 8) & 0xFF, request & 0xFF, (request >> 16) & 0x3FFF
        if kind != ord("E"):
            client.complete(-1, kd.ENOTTY)
        elif nr == 0x90:  # EVIOCGRAB
            self.grabbed = True
            client.complete(0, 0)
        elif (data := self.answer(nr, size)) is not None:
            client.get_arg().resolve(0, len(data)).update(0, data)
            client.complete(len(data), 0)
        else:
            client.complete(-1, ENOENT if nr in (0x07, 0x08) else kd.ENOTTY)
        return True

    def do_handle_read(self, client):  # the frames written into the node, until it is gone
        return self.gone and client.complete(-1, ENODEV) is None


class Bed(kd.Testbed):  # a testbed with one controller, bound as TOUCH in the unit's bindings
    def __init__(self, unit):
        if not os.path.exists(unit.root):  # a root is laid out only where none exists
            unit.lay_out()
        super().__init__()
        self.bed.add_from_string("P: /devices/platform/touch/input/input0/event0\nN: input/event0"
                                 "\nE: DEVNAME=%s\nE: SUBSYSTEM=input\nA: dev=13:64\n" % NODE)
        self.controller = Controller({ABS_X: (0, RAW_MAX), ABS_Y: (0, RAW_MAX)})
        self.bed.attach_ioctl(NODE, self.controller)
        self.pty = self.bed.get_dev_fd(NODE)
        self.time, self.frames = 100.0, unit.path("frames.log")
        # The sanitizer build is clang's, whose static runtime takes the preload as it is.
        unit.env.update(self.env, DIALVANE_FRAME_LOG=self.frames)
        unit.bind("TOUCH = evdev:%s\n" % NODE)

    def frame(self, *events):  # (type, code, value) events, then SYN_REPORT
        data = b""
        for kind, code, value in events + ((EV_SYN, 0, 0),):
            self.time += 0.01
            stamp = (int(self.time), int(self.time % 1 * 1e6))
            data += struct.pack("llHHi", *stamp, kind, code, value)
        os.write(self.pty, data)

    down = lambda self, x, y: self.frame((EV_KEY, BTN_TOUCH, 1), (EV_ABS, ABS_X, x),
                                         (EV_ABS, ABS_Y, y))
    move = lambda self, x, y: self.frame((EV_ABS, ABS_X, x), (EV_ABS, ABS_Y, y))
    ups = lambda self: Unit.text(self.frames).count(" pen up ")

    def tap(self, x, y):  # a raw tap; returns when the panel has taken its pen up
        before = self.ups()
        self.down(x, y)
        self.frame((EV_KEY, BTN_TOUCH, 0))
        # Frames are handled in turn; what a check reads after a tap waits on its own.
        wait_for(lambda: self.ups() > before, "the pen up of the raw tap (%d, %d)" % (x, y))

    def unplug(self):
        self.controller.gone = True
        self.move(1, 1)  # wakes the reader, whose read then fails
