# Start-up as the unit's other programs see it: the first start lays out the device root, a second
# copy brings the first forward and ends, one beside a copy without a window fails, --help and
# --version answer, a missing display ends it, default folders come from XDG_*. (The platform's
# Core and Provisioning tests race mutexes and first starts; supervisor.py restarts 20 times.)
import fcntl
import re

from dvtest import *

unit = Unit()
panel = unit.panel()
check(unit.conf() == record(FACTORY), "conf.ini holds %r" % unit.conf())
for path in ("FlashMem/sysini", "windows/question.wav", "dev/FLS1.img", "registry.reg"):
    check(os.path.exists(os.path.join(unit.root, path)), "the first start made no %s" % path)
unit.said(panel, "IniReadString Open Error!!\r\n")
ok("the first start lays out the device root and writes the factory settings file")

t = time.monotonic()
second = unit.panel(wait=False)
unit.ended(second, 0, "the second copy", 10)
took = time.monotonic() - t
unit.said(second, "===============> Alead Play\r\n", "===============> Find Hwnd\r\n")
check(panel.poll() is None and took < 2 * SLOW, "the first copy died, or %.1f s passed" % took)
ok("a second copy finds the first, brings it forward and ends in %.0f ms" % (1000 * took))
check(unit.close(panel) == 0 and "dropped" not in unit.log(panel), "raise dropped, or no exit 0")
check(not os.path.exists(os.path.join(unit.runtime, "w-Dialvane.sock")), "the socket was left")

# A copy that holds the mutex but has no window, as one just starting does: no panel runs
# after the new copy, so it ends with a failure a supervisor sees, and says why.
with open(os.path.join(unit.runtime, "m-Dialvane.lock"), "a") as held, open(
        os.path.join(unit.runtime, "m-Dialvane.live"), "a") as live:
    for f in (held, live):
        fcntl.flock(f, fcntl.LOCK_SH)
    early = unit.panel(wait=False)
    unit.ended(early, 3, "the copy beside one without a window", 10)
unit.said(early, "===============> Alead Play\r\n", "===============> No Find Hwnd\r\n")
check('holds the mutex "Dialvane" but has no window' in unit.text(early.err), unit.text(early.err))
ok("a copy started beside one without a window logs it found none and ends with status 3")

# --help and --version answer and lay out nothing; any other argument is refused with the usage.
unit.env = {k: v for k, v in unit.env.items() if k not in ("DIALVANE_ROOT", "DIALVANE_RUNTIME",
                                                           "SDL_VIDEODRIVER")}
ask = lambda *args, **env: subprocess.run([PANEL, *args], capture_output=True, text=True,
                                          env=dict(unit.env, **env), timeout=30 * SLOW)
made = lambda: [p for p in ("xdg_data_home/dialvane", "xdg_runtime_dir/dialvane")
                if os.path.exists(unit.path(p))]
helped, version = ask("--help"), ask("--version")
check(not made(), "--help and --version made %s" % made())
wrong = ask("--tour")
check(helped.returncode == version.returncode == 0 and re.fullmatch(r"dialvane \d+\.\d+\.\d+\n",
      version.stdout) and helped.stdout.startswith("usage: dialvane [--help | --version]"),
      "--help: %r; --version: %r" % (helped, version))
check(wrong.returncode == 2 and "unknown argument '--tour'\nusage:" in wrong.stderr,
      "--tour: %d %r" % (wrong.returncode, wrong.stderr))
check("xdg_data_home/dialvane" not in made(), "--tour laid out a device root")
ok("--help and --version print and exit 0 making no folder; --tour is refused with the usage (2)")

t = time.monotonic()
lost = ask(DISPLAY=":9999")  # a display named but not there ends the panel at once, naming it
took = time.monotonic() - t
check(lost.returncode == 4 and 'cannot open the X display ":9999"' in lost.stderr,
      "DISPLAY=:9999: status %d, %r" % (lost.returncode, lost.stderr))
check(took < 2 * SLOW, "DISPLAY=:9999 took %.1f s" % took)
ok("DISPLAY naming no server: status 4 in %.0f ms, the X display named" % (1000 * took))

# Without DIALVANE_ROOT and DIALVANE_RUNTIME the folders come from XDG_*; with no display named
# the panel runs headless.
panel = unit.panel()
unit.said(panel, "no display found (DISPLAY and WAYLAND_DISPLAY are not set); running headless "
          "with SDL's offscreen driver\r\n")
for path in ("xdg_data_home/dialvane/unit/FlashMem/sysini/conf.ini",
             "xdg_runtime_dir/dialvane/w-Dialvane.sock"):
    check(os.path.exists(unit.path(path)), "no %s" % path)
unit.closed(panel, "the panel on the default folders")
ok("no DIALVANE_ROOT / DIALVANE_RUNTIME: XDG_DATA_HOME, XDG_RUNTIME_DIR; no display: headless")
