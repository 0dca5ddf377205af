# A device root that cannot be written (a read-only flash), run by a user without root's power to
# write anyway: the stored record is read and shown, the click plays (heard through SDL's disk
# audio driver), and a tap that changes a setting logs once where and why it was not saved.
from dvtest import *

NOBODY = ["setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"]
STORED = [1, 6, 6, 6, 2, 300, 295, 3, 3, 4, 87, 5, 0]  # basic page, DMB, brightness 300
if os.geteuid() != 0 or not shutil.which("setpriv"):
    sys.exit(print("skip: a user who cannot write the root needs root and setpriv to become"))

unit = Unit()
unit.lay_out()
unit.store(STORED)
panel = unit.panel()
stored_shot = pixels(unit.shot("stored.png"))
unit.close(panel)

os.chmod(unit.work, 0o711)
home = unit.path("nobody")
os.mkdir(home, 0o700)
os.chown(home, 65534, 65534)
for folder, _, files in os.walk(unit.root):  # no write bits anywhere
    for path, mode in [(folder, 0o555)] + [(os.path.join(folder, n), 0o444) for n in files]:
        os.chmod(path, mode)
audio = os.path.join(home, "audio.raw")
theirs = {"extra": {"DIALVANE_RUNTIME": os.path.join(home, "run"), "HOME": home,
                    "DIALVANE_LOG": os.path.join(home, "panel.log"), "SDL_AUDIODRIVER": "disk",
                    "SDL_DISKAUDIOFILE": audio}, "prefix": NOBODY}
panel = unit.spawn(NOBODY + [PANEL], theirs["extra"], err=unit.path("nobody.err"))
wait_for(lambda: unit.ctl("send", "Dialvane", 0, expect=None, **theirs).returncode == 0 or check(
    panel.poll() is None, "the panel ended: " + unit.text(unit.path("nobody.err"))[-2000:]),
    "the panel on the read-only root")
log = lambda: unit.text(theirs["extra"]["DIALVANE_LOG"])
check("IniRead Success" in log() and "Open Error" not in log(), "reading the record:\n" + log())
unit.ctl("shot", os.path.join(home, "shot.png"), **theirs)
check(pixels(os.path.join(home, "shot.png")) == stored_shot, "the panel does not show the record")
ok("read-only root: the stored record is read and its page and values shown")

heard = lambda: any(Unit.read(audio) or b"")
check(not heard(), "sound before any tap")
before = log()
unit.ctl("tap", *ICON["sound"], **theirs)
wait_for(heard, "the click in the disk audio file")
said = [line for line in log()[len(before):].splitlines() if "Permission denied" in line]
check(len(said) == 1 and "/FlashMem/sysini/conf.ini" in said[0] and "Error code" not in log(),
      "the tap logged %s; the click's file did not open, or more:\n%s" % (said, log()))
check("Devices: cannot write %s/dev (Permission denied)" % unit.root in before, "at start:\n" + before)
check(unit.conf() == record(STORED), "the record changed")
ok("a tap plays the click and logs once that %s" % said[0].strip())
unit.ctl("close", **theirs)
check(panel.wait(timeout=15 * SLOW) == 0, "the panel ended with %s" % panel.returncode)
