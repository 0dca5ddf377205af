# FMT1 on emulated V4L2 radio modulators, driven by the FM repeat timer (32769, posted from outside)
# and by Default: frequency in the modulator's units (62.5 Hz, or 62.5 kHz rounded), mute, stereo;
# a refused frequency, no modulator, mode 000 or a missing node fail as the unit's would.
import kerneldev as kd
from dvtest import *

bed = kd.Testbed()
radios = [bed.add("video4linux", "/dev/radio%d" % n, "81:%d" % n, modulator) for n, modulator in
          enumerate([kd.Modulator(), kd.Modulator(cap_low=False),
                     kd.Modulator(range_mhz=(100.0, 108.0)), kd.Modulator(modulator=False)])]
low = radios[0]
unit = Unit()
unit.lay_out()
unit.store(FACTORY[:9] + [5, 99, 1, 0])  # the transmitter on at 99.1 MHz
panel = unit.panel(bed.env, wrapper=kd.without_dac_override())
failures = lambda: len(unit.lines(panel, "Cannot open Fmt"))
journal = lambda: unit.journal("FMT1")


def step(node):  # binds FMT1 to node and lets the repeat timer fire once; what it journaled
    unit.bind("FMT1 = v4l2:%s\n" % node)
    before, failed = len(journal()), failures()
    unit.ctl("post", "Dialvane", "WM_TIMER", 32769)
    wait_for(lambda: len(journal()) > before or failures() > failed, "the timer's call on " + node)
    return journal()[before:]


check(step("/dev/radio0") == ["open", "ioctl 0x00000002 in 00", "ioctl 0x00000001 in 63 01",
                              "close"], "journal %s" % journal()[-4:])
check((low.mute, low.frequency, low.txsubchans) == (0, 99 * 16000 + 1600, kd.Modulator.STEREO),
      "the modulator: mute %d, %d, subchannels %d" % (low.mute, low.frequency, low.txsubchans))
check(low.names() == ["QUERYCAP", "G_MODULATOR", "S_CTRL", "S_MODULATOR", "S_FREQUENCY"],
      "calls %s" % low.names())
ok("a timer step: unmuted, stereo, 1585600 units of 62.5 Hz (99.1 MHz), as journaled")

step("/dev/radio1")
check(radios[1].frequency == 1586 and radios[1].mute == 0, "62.5 kHz: %d" % radios[1].frequency)
unit.said(panel, "FMT1: 99.1 MHz set as 99.125 MHz on v4l2:/dev/radio1 (units of 62.5 kHz)")
ok("without CAP_LOW 99.1 MHz is 1586 units of 62.5 kHz (99.125 MHz), logged")

steps = step("/dev/radio2")
check(steps[1:3] == ["ioctl 0x00000002 in 00", "ioctl 0x00000001 in 63 01"], steps)
check(radios[2].frequency == 1600000 and radios[2].mute == 0, "set: %d" % radios[2].frequency)
unit.said(panel, "FMT1: 99.1 MHz not set on v4l2:/dev/radio2 (VIDIOC_S_FREQUENCY: Invalid "
          "argument)")
check(unit.answers(), "the panel died")
ok("99.1 MHz outside 100..108: refused (EINVAL), logged and journaled, the panel goes on")

nothing = lambda on: None
chmod = lambda on: os.chmod(bed.node("/dev/radio0"), 0 if on else 0o600)
no_g = lambda on: setattr(low, "refuse", {kd.Modulator.G_MODULATOR: kd.EIO} if on else {})
for node, change, why in (
        ("/dev/radio3", nothing, ", not a radio modulator (VIDIOC_QUERYCAP: No such device)"),
        ("/dev/radio9", nothing, " (open: No such file or directory)"),
        ("/dev/radio0", chmod, " (open: Permission denied)"),
        ("/dev/radio0", no_g, " (VIDIOC_G_MODULATOR: Input/output error)")):
    failed = failures()
    change(True)
    check(step(node) == [] and failures() == failed + 1, "%s%s: journaled, or no Cannot open Fmt"
          % (node, why))
    unit.said(panel, "FMT1: cannot open v4l2:" + node + why)
    change(False)
for request, line in ((kd.Modulator.S_CTRL, "mute not set on v4l2:/dev/radio0 (VIDIOC_S_CTRL"),
                      (kd.Modulator.S_MODULATOR, "stereo not set on v4l2:/dev/radio0 "
                                                 "(VIDIOC_S_MODULATOR")):
    low.refuse = {request: kd.EIO}
    check(len(step("/dev/radio0")) == 4, "the failed %s stopped the step" % line.split()[0])
    unit.said(panel, "FMT1: %s: Input/output error)" % line)
low.refuse = {}
ok("no modulator, node missing, mode 000, no G_MODULATOR: 'Cannot open Fmt'; S_* logged")

unit.tap(ICON["advan"], DEFAULT_BUTTON)
wait_for(lambda: low.mute == 1, "the modulator muted by Default")
check(journal()[-3:] == ["open", "ioctl 0x00000002 in 01", "close"], "journal %s" % journal()[-3:])
check(low.frequency == 1585600, "Default changed the frequency to %d" % low.frequency)
unit.closed(panel)
ok("Default switches the transmitter off: muted, the frequency kept")
