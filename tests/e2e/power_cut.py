# Power lost while the panel saves: SIGKILL at random moments, then the first start's save cut at
# its write (DIALVANE_STORAGE_FAULT=cut:N). Each loss leaves the old or the new record, a boot
# sector intact or erased, never damaged, and the next start builds on it. DIALVANE_LONG=1: full
# counts. The platform's Storage tests fail and cut each step of a save in-process.
import random
import zlib

from dvtest import *

KILLS = 100 if LONG else 8
seed = int(os.environ.get("DIALVANE_SEED", str(int(time.time()))))
rng = random.Random(seed)
print("    seed %d (DIALVANE_SEED repeats a run)" % seed)
# The basic page's options: the field and value each stores on its pen down.
OPTIONS = {(190, 82): (4, 0), (382, 82): (4, 2), (190, 110): (7, 3), (273, 110): (7, 4)}
unit = Unit()


def boot_sector(data=None):
    with open(unit.dev("FLS1.img"), "r+b") as f:
        f.seek(2112)
        return f.write(data) if data else f.read(512)


def boot_state(sector):
    whole = sector[:4] == b"DVBL" and zlib.crc32(sector[:86]) == int.from_bytes(
        sector[86:90], "little") and sector[90] in (0, 1) and sector[91:] == b"\xff" * 421
    return "erased" if sector == b"\xff" * 512 else "intact" if whole else "damaged"


def restart(loaded, what, second=True):  # loads what a loss left, builds the next save on it
    panel = unit.panel()
    unit.said(panel, "IniRead Success")
    check("Error" not in unit.log(panel), "%s: the log:\n%s" % (what, unit.log(panel)))
    if second:
        copy = unit.panel(wait=False)
        unit.ended(copy, 0, "%s: a second copy" % what, 20)
        unit.said(copy, "Alead Play")
    t = time.monotonic()
    unit.tap(ICON["basic"])
    want = record([1] + fields(loaded)[1:])
    check(unit.conf() == want, "%s: the save after it holds %s" % (what, unit.conf().hex(" ")))
    check(not os.path.exists(unit.conf_path.replace("conf.ini", ".conf.ini.new")),
          "%s: the temporary file is left" % what)
    return panel, time.monotonic() - t


unit.lay_out()
factory_sector = boot_sector()
panel, save_s = restart(record(FACTORY), "the first start")
counts = {"start-up": 0, "old": 0, "new": 0, "erased boot sector": 0}
for kill in range(1, KILLS + 1):
    before = after = unit.conf()
    if rng.random() < 0.2:
        kill9(panel)
        panel = unit.panel(wait=False)
        time.sleep(rng.uniform(0, 0.3 * SLOW))
        counts["start-up"] += 1
    else:  # a pen down that saves, killed somewhere in its save
        point, (field, value) = rng.choice(list(OPTIONS.items()))
        after = record([value if i == field else v for i, v in enumerate(fields(before))])
        unit.spawn([CTL, "pen", "down", str(point[0]), str(point[1])])
        time.sleep(rng.uniform(0, 1.5 * save_s))
    kill9(panel)
    left = unit.conf()
    check(left in (before, after), "kill %d: the file holds %s, neither %s nor %s"
          % (kill, left and left.hex(" "), before.hex(" "), after.hex(" ")))
    if before != after:
        counts["old" if left == before else "new"] += 1
    state = boot_state(boot_sector())
    check(state != "damaged", "kill %d: the boot sector is damaged" % kill)
    if state == "erased":  # the kill came between its erase and its write: put it back
        counts["erased boot sector"] += 1
        boot_sector(factory_sector)
    panel, _ = restart(left, "kill %d" % kill, second=kill % 2 == 1)
unit.closed(panel, "the last panel")
ok("%d SIGKILLs (%s): old or new record whole, loaded by the next start" % (KILLS, counts))

os.unlink(unit.conf_path)  # the first start's factory record, cut at its write
unit.ended(unit.panel({"DIALVANE_STORAGE_FAULT": "cut:2"}, wait=False), POWER_CUT_EXIT,
           "the first start cut:2", 30)
check(unit.conf() is None, "the first start cut:2 left %r" % unit.conf())
panel = unit.panel({"DIALVANE_STORAGE_FAULT": "cut:7x"})  # not a fault: ignored, and said so
check(unit.conf() == record(FACTORY), "after the first start's cut: %r" % unit.conf())
unit.said(panel, "must be fail:N or cut:N; ignored")
unit.closed(panel)
ok("the first start cut at its write: exit %d, no file; the next start writes it" % POWER_CUT_EXIT)
