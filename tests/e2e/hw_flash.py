# FLS1 on an emulated NAND partition whose bytes are its node file: switching automatic power-on
# changes byte 90 of the sector at OFFSET only; a bad block, a failed erase, a short read write
# nothing; a bad offset, a missing node, mode 000 fail the open; no offset: the simulation takes it.
import kerneldev as kd
from dvtest import *

BLOCK, OFFSET, SECTOR = 66 * kd.Nand.ERASESIZE, 66 * kd.Nand.ERASESIZE + 3 * 2048 + 512, 2112
OFF, ON = (190, 110), (273, 110)  # the automatic power-on options of the basic page
unit = Unit()
unit.lay_out()
os.remove(unit.click)  # taps without the click are quicker
image = lambda: unit.read(unit.dev("FLS1.img"))
sector = image()[SECTOR:SECTOR + 512]
check(sector[90] == 1, "the provisioned flag is %d" % sector[90])
bed = kd.Testbed()
node = bed.node("/dev/mtd0")
nand = kd.Nand(node)
# The boot loader's block holds the sector only; the rest of the partition is someone's data.
data = bytearray(os.urandom(nand.size))
data[BLOCK:BLOCK + nand.ERASESIZE] = b"\xff" * nand.ERASESIZE
data[OFFSET:OFFSET + 512] = sector
bed.add("mtd", "/dev/mtd0", "90:0", nand, bytes(data))
panel = unit.panel(bed.env, wrapper=kd.without_dac_override())
lines = lambda what: unit.lines(panel, what)
untouched = lambda: check(unit.read(node) == bytes(data), "the partition changed")


def switch(point, *waits):  # taps a power-on option; waits for each text logged once more
    counts = [len(lines(w)) for w in waits]
    unit.tap(point)
    for w, n in zip(waits, counts):
        wait_for(lambda: len(lines(w)) > n, "'%s' logged" % w)


unit.bind("FLS1 = mtd:/dev/mtd0@0x%x  # the boot loader's sector\n" % OFFSET)
unit.tap(ICON["basic"])
switch(OFF, "Write Size : 512")
expected, have = data[:OFFSET + 90] + b"\0" + data[OFFSET + 91:], unit.read(node)
check(have == expected, "the partition differs at %s" % [hex(i) for i in range(len(expected))
                                                         if have[i:i + 1] != expected[i:i + 1]][:8])
check(nand.names() == ["MEMGETINFO", "MEMGETINFO", "MEMGETBADBLOCK", "MEMERASE"], nand.names())
check(image()[SECTOR + 90] == 0, "the image's flag is %d" % image()[SECTOR + 90])
check(unit.journal("FLS1")[-9:] == ["open", "seek 2112", "read 512", "close", "open", "seek 2112",
                                    "ioctl 0x00002040 in 42 00 00 00", "write 512", "close"],
      "journal %s" % unit.journal("FLS1")[-9:])
switch(ON, "Write Size : 512")
untouched()
ok("automatic power-on off and on: byte 90 of the sector at 0x%x, nothing else of 8.5 MiB" % OFFSET)

nand.calls.clear()
nand.bad.add(66)
switch(OFF, "!!!!!!!!!!! DeviceIoControl EraseBlock Fail",
       "FLS1: block 66 of mtd:/dev/mtd0@0x%x is bad (MEMGETBADBLOCK); not erased" % OFFSET)
nand.bad.clear()
switch(ON, "!!!!!!! ReadNandMem.booting_flag == BootFlag")  # the flag never changed
nand.failing.add(66)
switch(OFF, "!!!!!!!!!!! DeviceIoControl EraseBlock Fail",
       "not erased (MEMERASE: Input/output error)")
untouched()
nand.failing.clear()
switch(ON)
nand.refuse[kd.Nand.MEMGETBADBLOCK] = kd.EIO
switch(OFF, "not erased (MEMGETBADBLOCK: Input/output error)", "EraseBlock Fail")
nand.refuse = {}
switch(ON)
ok("a bad block 66, a failed erase or bad-block query: 'EraseBlock Fail', nothing written")

for target, why in (("/dev/mtd0@0x%x" % (BLOCK - 512), unit.bindings + ":2: FLS1 = mtd:/dev/mtd0@"
                     "0x83fe00: offset 0x83fe00 lies outside erase block 66 (0x840000..0x85ffff) "
                     "(erase size 131072); FLS1 cannot be opened"),
                    ("/dev/mtd9@0x%x" % OFFSET, "(open: No such file or directory)")):
    unit.bind("\nFLS1 = mtd:%s\n" % target)
    switch(OFF, "!!!!!!!!!!! Cannot open FLS1", why)
    switch(ON, "!!!!!!!!!!! Cannot open FLS1")
os.chmod(node, 0)
unit.bind("FLS1 = mtd:/dev/mtd0@%d\n" % OFFSET)
switch(OFF, "(open: Permission denied)", "!!!!!!!!!!! Cannot open FLS1")
os.chmod(node, 0o600)
untouched()
ok("an offset outside block 66, a missing node, mode 000: 'Cannot open FLS1', nothing written")

unit.bind("FLS1 = mtd:/dev/mtd0\n")  # the panel's flag off, the device's on: switching on is quiet
switch(ON, unit.bindings + ":1: expected FLS1 = mtd:/dev/mtdN@OFFSET; line ignored")
switch(OFF, "Write Size : 512")
check(image()[SECTOR + 90] == 0, "the simulation did not take the flag")
untouched()
ok("a line without an offset: logged by number, the simulation takes the flag")

unit.bind("FLS1 = mtd:/dev/mtd0@0x%x\n" % OFFSET)
os.rename(node, node + ".data")
os.symlink("/dev/full", node)  # reads zeros (the flag 0), refuses writes with ENOSPC
switch(ON, "FLS1: write of 2048 bytes at 0x841800 on mtd:/dev/mtd0@0x841a00 failed (pwrite: "
       "No space left on device)")
check(len(lines("Write Size : 512")) == 3, "a failed write was counted")
os.remove(node)
os.rename(node + ".data", node)
ok("a write the partition refuses is logged, the panel goes on")

os.truncate(node, OFFSET + 100)
switch(OFF, "FLS1: read of 512 bytes on mtd:/dev/mtd0@0x%x came back with 100" % OFFSET,
       "!!!!!!!!!!! Read Fail")
check(nand.names()[-1] == "MEMGETINFO" and os.path.getsize(node) == OFFSET + 100, nand.names())
unit.closed(panel)
ok("a short read fails the read: nothing erased or written")
