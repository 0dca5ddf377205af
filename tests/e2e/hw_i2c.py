# IIC1 on an emulated i2c-dev bus: a contrast drag leaves the chip's registers as journaled, in the
# unit's order; a chip that stops acknowledging, a bus gone mid-drag, EBUSY, EACCES and a missing
# node fail as the unit's driver would; a malformed line falls back to the simulation.
import kerneldev as kd
from dvtest import *

bed = kd.Testbed()
chip = bed.add("i2c-dev", "/dev/i2c-1", "89:1", kd.I2cChip())
unit = Unit()
panel = unit.panel(bed.env, wrapper=kd.without_dac_override())
os.remove(unit.click)  # quicker pen downs: no click
value = lambda x: int((x - 156) * 0.578 + 0.5) + 48  # the contrast bar's value at x
slide = lambda *xs: unit.drag(*[(x, 165) for x in xs + xs[-1:]])  # the contrast bar, xs in turn
# The contrast values of the journal's transfers to register 0x76, in order.
sent = lambda: [int(l.split()[-1], 16) for l in unit.journal("IIC1") if " in 8a 76 " in l]
lines = lambda what: unit.lines(panel, what)
regs = lambda: bytes(chip.regs)
simulated = lambda: unit.read(unit.dev("IIC1.regs"))
unit.bind("# the display chip\nIIC1 = i2c:/dev/i2c-1\n")
unit.tap(ICON["basic"])
slide(300, 250, 190)
wait_for(lambda: sent() and regs()[0x74:0x77] == bytes([sent()[-1]] * 3), "the chip at %s, the "
         "journal at %s" % (regs()[0x70:0x77].hex(), sent()[-1:]))
check(sent()[-1] == 0x44 and regs()[0x70] == 0x20, "registers %s" % regs()[0x70:0x77].hex())
check(chip.writes == [w for v in sent() for w in ((0x70, 0x20), (0x74, v), (0x75, v), (0x76, v))],
      "the chip took %s" % chip.writes)
check(set(chip.names()) == {"I2C_SLAVE", "I2C_SMBUS"}, "calls %s" % sorted(set(chip.names())))
check(simulated()[0x70:0x77] == regs()[0x70:0x77], "IIC1.regs: %s" % simulated()[0x70:0x77].hex())
ok("a contrast drag: registers 0x70 = 0x20, 0x74..0x76 = 0x44 as journaled, 4 SMBus writes a value")

writes = list(chip.writes)
run = subprocess.run([os.path.join(BUILD, "test_platform"), "--gtest_filter=KernelBindings.ABound"
                      "BusRefuses*"], env=dict(os.environ, DIALVANE_TEST_I2C_NODE="/dev/i2c-1",
                                               **bed.env), capture_output=True, text=True)
check(run.returncode == 0 and "[  PASSED  ] 1 test" in run.stdout, "test_platform:\n" + run.stdout)
check(chip.writes == writes, "another address reached the chip: %s" % chip.writes[len(writes):])
ok("a transfer to another address is refused with ERROR_INVALID_PARAMETER and journaled, not sent")

chip.acking = False
slide(200, 210)
wait_for(lambda: sent()[-1] == value(210), "the journal's last value")
nack = lines("not written on i2c:/dev/i2c-1 (I2C_SMBUS: No such device or address)")
check(len(nack) == 8 and nack[0] == "IIC1: register 0x70 <- 0x20 not written on i2c:/dev/i2c-1 "
      "(I2C_SMBUS: No such device or address)", "NACK lines: %s" % nack)
check(regs()[0x74] == 0x44 and unit.answers(), "the chip took %s" % regs()[0x74:0x77].hex())
chip.acking = True
slide(220, 230)
wait_for(lambda: regs()[0x74:0x77] == bytes([sent()[-1]] * 3) and sent()[-1] == value(230),
         "the chip back at the journal's value: %s" % regs()[0x74:0x77].hex())
ok("a chip that stops acknowledging: 8 lines, the panel goes on; then the next value reaches it")

chip.smbus_calls = False
slide(250, 260)
wait_for(lambda: chip.writes[-4:] == [(0x70, 0x20)] + [(r, value(260)) for r in (0x74, 0x75, 0x76)],
         "the transfers as plain writes: %s" % chip.writes[-4:])
chip.smbus_calls = True
ok("a bus that takes no SMBus calls gets each transfer as one 2-byte write")

unit.pen("down", (240, 165))
bed.take_away("/dev/i2c-1")
unit.pen("move", (250, 165))
unit.pen("move", (260, 165))
unit.pen("up", (260, 165))
unit.logs(panel, "IIC1: cannot open i2c:/dev/i2c-1 (open: No such file or directory)")
check(len(lines("Cannot open IIC1")) == 2 and unit.answers(), "Cannot open lines: %s"
      % lines("Cannot open"))
check(regs()[0x74] == value(240), "the chip took %s" % regs()[0x74:0x77].hex())
bed.bring_back("/dev/i2c-1")
ok("the bus gone mid-drag: each move's open fails with the panel's line, no simulation behind it")

for n, (what, undo, why) in enumerate((
        ("busy", lambda on: setattr(chip, "busy", on), "I2C_SLAVE 0x45: Device or resource busy"),
        ("mode 000", lambda on: os.chmod(bed.node("/dev/i2c-1"), 0 if on else 0o600),
         "open: Permission denied"))):
    undo(True)
    before, journal = len(lines("Cannot open IIC1")), unit.journal("IIC1")
    slide(280 + 30 * n, 290 + 30 * n)  # a new start each time: not a double tap
    wait_for(lambda: len(lines("Cannot open IIC1")) == before + 2, "two Cannot open lines")
    check(len(lines(why)) == 2 and unit.journal("IIC1") == journal, "%s: %s"
          % (what, lines("IIC1")))
    undo(False)
ok("an address a kernel driver holds (EBUSY) and a node of mode 000 (EACCES) fail the open")

unit.bind("IIC1 = i2c:/dev/i2c-9\n")
slide(300, 310)
unit.logs(panel, "IIC1: cannot open i2c:/dev/i2c-9 (open: No such file or directory)")
unit.bind("\nIIC1 = i2c\n")
slide(320, 330)
unit.logs(panel, unit.bindings + ":2: expected DEVICE = KIND:TARGET; line ignored")
wait_for(lambda: sent()[-1] == value(330), "the simulation taking the last value")
check(simulated()[0x74] == value(330) and regs()[0x74] == value(240),
      "simulated %02x, chip %02x" % (simulated()[0x74], regs()[0x74]))
unit.closed(panel)
ok("a missing node fails the open; a malformed line falls back to the simulation, by number")
