# Emulated kernel devices for the e2e tests: a umockdev testbed whose /dev nodes the panel opens
# through libumockdev-preload, answered by handlers in this process as the kernel's drivers would.
# Importing it re-runs the script under /usr/bin/python3 when this Python has no gi, and skips the
# test ("skipped: ...") when umockdev is not installed.
# Not intercepted by the preload: pread/pwrite (they reach the node file itself), fstat, mmap.
# At most 50 /dev descriptors a process, and a failed /dev open leaks one: keep failing drags short.
import atexit
import gc
import os
import shutil
import struct
import subprocess
import sys
import threading

SYSTEM_PYTHON = "/usr/bin/python3"
PRELOAD = "libumockdev-preload.so.0"
_skip = lambda why: sys.exit(print("skipped: " + why, flush=True))

try:
    import gi
    gi.require_version("UMockdev", "1.0")
    from gi.repository import UMockdev
except (ImportError, ValueError):
    if os.path.realpath(sys.executable) != os.path.realpath(SYSTEM_PYTHON) and os.path.exists(
            SYSTEM_PYTHON) and "DV_KERNELDEV_RERUN" not in os.environ:
        os.environ["DV_KERNELDEV_RERUN"] = "1"
        os.execv(SYSTEM_PYTHON, [SYSTEM_PYTHON] + sys.argv)
    _skip("umockdev is not installed (no UMockdev typelib for %s)" % sys.executable)
if PRELOAD not in subprocess.run(["/sbin/ldconfig", "-p"], capture_output=True, text=True).stdout:
    _skip("umockdev is not installed (no %s)" % PRELOAD)

ENXIO, EIO, EBUSY, EINVAL, ENOTTY = 6, 5, 16, 22, 25


def ioc(direction, kind, number, size):  # the kernel's _IOC(): direction 1 write, 2 read
    return direction << 30 | size << 16 | ord(kind) << 8 | number


class Device(UMockdev.IoctlBase):
    """ioctl(request) answers REQUESTS[request](self, arg) (a -errno when negative), or fails with
    refuse[request], an errno. Every request is kept in calls; names() are the class's for them."""
    REQUESTS = {}

    def __init__(self):
        super().__init__()
        self.calls, self.lock, self.refuse = [], threading.Lock(), {}

    def do_handle_ioctl(self, client):
        request = client.get_request()
        with self.lock:
            self.calls.append(request)
            answer = self.REQUESTS.get(request)
            if request in self.refuse:  # refused before the request does anything
                result = -self.refuse[request]
            else:
                result = answer(self, client.get_arg()) if answer else -ENOTTY
        client.complete(result if result >= 0 else -1, 0 if result >= 0 else -result)
        return True

    integer = staticmethod(lambda arg: struct.unpack("<q", bytes(arg.retrieve())[:8])[0])

    def names(self):
        known = {v: k for k, v in vars(type(self)).items() if type(v) is int and v in self.REQUESTS}
        return [known.get(r, hex(r)) for r in self.calls]


class I2cChip(Device):
    """An i2c-dev bus, one chip of 256 registers at address written by SMBus byte writes or, with
    smbus_calls False, by 2-byte writes. busy: a kernel driver holds it; acking False: no ACK."""
    I2C_SLAVE, I2C_SMBUS = 0x0703, 0x0720  # never I2C_SLAVE_FORCE: the panel leaves a busy chip

    def __init__(self, address=0x45):
        super().__init__()
        self.address, self.target, self.busy, self.acking = address, None, False, True
        self.smbus_calls, self.regs, self.writes = True, bytearray(256), []

    def slave(self, arg):
        if self.busy:
            return -EBUSY
        self.target = self.integer(arg)
        return 0

    def take(self, command, value):
        if self.target != self.address or not self.acking:
            return -ENXIO
        self.regs[command] = value
        self.writes.append((command, value))
        return 0

    def do_handle_write(self, client):
        data = bytes(client.get_arg().retrieve())
        result = self.take(*data) if len(data) == 2 else -EINVAL
        client.complete(2 if result == 0 else -1, 0 if result == 0 else -result)
        return True

    def smbus(self, arg):
        if not self.smbus_calls:
            return -ENOTTY
        call = arg.resolve(0, 16)
        read_write, command, size = struct.unpack_from("<BBxxI", bytes(call.retrieve()))
        value = bytes(call.resolve(8, 34).retrieve())[0]
        if read_write != 0 or size != 2:  # only I2C_SMBUS_WRITE of I2C_SMBUS_BYTE_DATA
            return -EINVAL
        return self.take(command, value)

    REQUESTS = {I2C_SLAVE: slave, I2C_SMBUS: smbus}


class Modulator(Device):  # a V4L2 radio modulator: its range in 62.5 Hz (cap_low) or 62.5 kHz
    QUERYCAP, G_MODULATOR = ioc(2, "V", 0, 104), ioc(3, "V", 54, 68)
    S_MODULATOR, S_CTRL, S_FREQUENCY = ioc(1, "V", 55, 68), ioc(3, "V", 28, 8), ioc(1, "V", 57, 44)
    CAP_LOW, RADIO, MODULATOR, DEVICE_CAPS = 1, 0x40000, 0x80000, 0x80000000
    MUTE, STEREO = 0x980909, 2

    def __init__(self, cap_low=True, range_mhz=(76.0, 108.0), modulator=True):
        super().__init__()
        self.cap_low, self.modulator = cap_low, modulator
        self.unit = 16000 if cap_low else 16
        self.range = tuple(round(mhz * self.unit) for mhz in range_mhz)
        self.mute, self.frequency, self.txsubchans = 1, self.range[0], 0

    def querycap(self, arg):
        caps = self.RADIO | (self.MODULATOR if self.modulator else 0x1)  # else a capture device
        arg.resolve(0, 104).update(84, struct.pack("<II", caps | self.DEVICE_CAPS, caps))
        return 0

    def g_modulator(self, arg):
        data = arg.resolve(0, 68)
        if struct.unpack_from("<I", bytes(data.retrieve()))[0] != 0:
            return -EINVAL
        data.update(4, b"FM Modulator".ljust(32, b"\0"))
        data.update(36, struct.pack("<IIII", 0x10 | (self.CAP_LOW if self.cap_low else 0),
                                    self.range[0], self.range[1], self.txsubchans))
        return 0

    def s_modulator(self, arg):
        index, = struct.unpack_from("<I", bytes(arg.resolve(0, 68).retrieve()))
        self.txsubchans = struct.unpack_from("<I", bytes(arg.resolve(0, 68).retrieve()), 48)[0]
        return 0 if index == 0 else -EINVAL

    def s_ctrl(self, arg):
        control, value = struct.unpack("<Ii", bytes(arg.resolve(0, 8).retrieve()))
        if control != self.MUTE:
            return -EINVAL
        self.mute = value
        return 0

    def s_frequency(self, arg):
        tuner, kind, frequency = struct.unpack_from("<III", bytes(arg.resolve(0, 44).retrieve()))
        if tuner != 0 or kind != 1 or not self.range[0] <= frequency <= self.range[1]:
            return -EINVAL
        self.frequency = frequency
        return 0

    REQUESTS = {QUERYCAP: querycap, G_MODULATOR: g_modulator, S_MODULATOR: s_modulator,
                S_CTRL: s_ctrl, S_FREQUENCY: s_frequency}


class Nand(Device):
    """An MTD NAND partition of 128 KiB blocks, 2 KiB pages, whose bytes are the node file.
    bad: the bad-block table; failing: blocks whose erase fails with EIO."""
    MEMGETINFO, MEMERASE = ioc(2, "M", 1, 32), ioc(1, "M", 2, 8)
    MEMGETBADBLOCK = ioc(1, "M", 11, 8)
    ERASESIZE, WRITESIZE, NAND = 128 << 10, 2048, 4

    def __init__(self, path, blocks=68):
        super().__init__()
        self.path, self.size, self.bad, self.failing = path, blocks * self.ERASESIZE, set(), set()

    def getinfo(self, arg):
        arg.resolve(0, 32).update(0, struct.pack("<BxxxIIIII8x", self.NAND, 0x400, self.size,
                                                 self.ERASESIZE, self.WRITESIZE, 64))
        return 0

    block_of = lambda self, arg: self.integer(arg.resolve(0, 8)) // self.ERASESIZE
    getbad = lambda self, arg: int(self.block_of(arg) in self.bad)

    def erase(self, arg):
        start, length = struct.unpack("<II", bytes(arg.resolve(0, 8).retrieve()))
        block = start // self.ERASESIZE
        if start % self.ERASESIZE or length != self.ERASESIZE or start + length > self.size:
            return -EINVAL
        if block in self.bad or block in self.failing:
            return -EIO
        try:
            with open(self.path, "r+b") as f:
                f.seek(start)
                f.write(b"\xff" * length)
        except OSError:
            pass  # a node that is no file (a test's /dev/full) keeps what it holds
        return 0

    REQUESTS = {MEMGETINFO: getinfo, MEMERASE: erase, MEMGETBADBLOCK: getbad}


class Testbed:  # a private /dev and /sys for one test; env makes a program see them

    def __init__(self):
        if len(os.environ.get("TMPDIR", "/tmp")) > 20:  # the sockets' paths must fit 108 bytes
            os.environ["TMPDIR"] = "/tmp"
        self.bed = UMockdev.Testbed.new()
        self.root = self.bed.get_root_dir()
        self.env = {"UMOCKDEV_DIR": self.root, "LD_PRELOAD": PRELOAD}
        atexit.register(self.end)

    def end(self):  # dropping the testbed removes its folder; one held at exit never is
        self.bed = None
        gc.collect()
        shutil.rmtree(self.root, ignore_errors=True)

    node = lambda self, devnode: self.root + devnode

    def add(self, subsystem, devnode, number, handler, contents=b""):  # number: "major:minor"
        self.bed.add_device(subsystem, os.path.basename(devnode), None, ["dev", number],
                            ["DEVNAME", devnode])
        os.makedirs(os.path.dirname(self.node(devnode)), exist_ok=True)
        with open(self.node(devnode), "wb") as f:
            f.write(contents)
        self.bed.attach_ioctl(devnode, handler)
        return handler

    # The device goes (the next open fails with ENOENT), and comes back.
    take_away = lambda self, devnode: os.rename(self.node(devnode), self.node(devnode) + ".away")
    bring_back = lambda self, devnode: os.rename(self.node(devnode) + ".away", self.node(devnode))


# A prefix without root's right to ignore file modes: a node of mode 000 answers root EACCES.
without_dac_override = lambda: ("setpriv", "--bounding-set=-dac_override,-dac_read_search") if (
    os.geteuid() == 0) else ()
