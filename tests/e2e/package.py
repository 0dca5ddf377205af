# The Debian package of this build (cpack): it installs with dpkg into a clean root, its maintainer
# script makes the service's user there, the installed programs run the headless tour, the
# installed panel lays out its device root under /var/lib/dialvane as the service sets it,
# systemd-analyze verify accepts the service and lintian finds no error. Not in the sanitizer build.
import glob
import shutil
import signal

from dvtest import *

if ASAN or os.geteuid() != 0:
    ok("skipped: %s" % ("the sanitizer build is not packaged" if ASAN else "dpkg needs root"))
    sys.exit(0)
unit = Unit()
run = lambda *args, **kw: subprocess.run(args, capture_output=True, text=True, timeout=600, **kw)
for old in glob.glob(os.path.join(BUILD, "dialvane_*.deb")):
    os.remove(old)
made = run("cpack", "-G", "DEB", cwd=BUILD)
debs = glob.glob(os.path.join(BUILD, "dialvane_*.deb"))
check(made.returncode == 0 and len(debs) == 1, "cpack: %s%s" % (made.stdout, made.stderr))

root = unit.path("root")
for name, text in (("var/lib/dpkg/status", ""), ("etc/passwd", "root:x:0:0:root:/root:/bin/sh\n"),
                   ("etc/group", "root:x:0:\n"), ("etc/shadow", "root:*:19000:0:99999:7:::\n"),
                   ("etc/gshadow", "root:*::\n"), ("var/lib/dpkg/info/.keep", "")):
    os.makedirs(os.path.dirname(os.path.join(root, name)), exist_ok=True)
    with open(os.path.join(root, name), "w") as f:
        f.write(text)
# Only the package: its libraries are the machine's. The maintainer script runs outside the root
# and writes into it (DPKG_ROOT).
installed = run("dpkg", "--root=" + root, "--force-depends", "--force-script-chrootless",
                "--log=/dev/null", "-i", debs[0])
check(installed.returncode == 0, "dpkg -i: %s" % installed.stderr)
check(unit.text(os.path.join(root, "etc/passwd")).count("\ndialvane:x:") == 1,
      "no user dialvane: %s" % unit.text(os.path.join(root, "etc/passwd")))
bindir = os.path.join(root, "usr/bin")
for path in ("usr/bin/dialvane", "usr/bin/dialvane-ctl", "usr/lib/udev/rules.d/60-dialvane.rules",
             "usr/share/doc/dialvane/examples/bindings"):
    check(os.path.exists(os.path.join(root, path)), "the package has no /%s" % path)
ok("the package installs into a clean root and makes the user dialvane there")

tour = run(os.path.join(SOURCE, "tools/tour/tour.sh"), bindir, unit.path("tour"), env=unit.env)
check(tour.returncode == 0 and len(glob.glob(unit.path("tour", "*.png"))) == 14,
      "the tour from the installed programs: %s%s" % (tour.stdout[-800:], tour.stderr[-800:]))
service = os.path.join(root, "usr/lib/systemd/system/dialvane.service")
unit.env["DIALVANE_ROOT"] = unit.root = os.path.join(root, "var/lib/dialvane/unit")
check("Environment=DIALVANE_ROOT=/var/lib/dialvane/unit\n" in unit.text(service), "root moved")
os.makedirs(os.path.dirname(unit.root))
panel = unit.spawn([os.path.join(bindir, "dialvane")])
wait_for(lambda: unit.answers(), "the installed panel answering")
check(unit.read(os.path.join(unit.root, "FlashMem/sysini/conf.ini")) == record(FACTORY),
      "the installed panel laid out no device root under var/lib/dialvane")
panel.send_signal(signal.SIGTERM)
check(panel.wait(timeout=10 * SLOW) == 0, "the installed panel ended with %s" % panel.returncode)
ok("the installed programs run the headless tour; the installed panel lays out its root in "
   "/var/lib/dialvane/unit and ends with 0 at SIGTERM")

if shutil.which("systemd-analyze"):
    # The unit is checked against systemd's own units, which the clean root does not have.
    shutil.copytree("/lib/systemd/system", os.path.join(root, "usr/lib/systemd/system"),
                    symlinks=True, dirs_exist_ok=True)
    verified = run("systemd-analyze", "verify", "--root=" + root, service)
    check(verified.returncode == 0 and not (verified.stdout + verified.stderr).strip(),
          "systemd-analyze verify: %s%s" % (verified.stdout, verified.stderr))
    ok("systemd-analyze verify accepts the service")
if shutil.which("lintian"):
    linted = run("lintian", "--fail-on", "error", debs[0])
    check(linted.returncode == 0, "lintian: %s" % linted.stdout)
    ok("lintian finds no error")
