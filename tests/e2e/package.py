# The Debian package of this build (cpack) installed with dpkg into a clean root: its maintainer
# script makes the service's user, the installed programs run the tour, the panel lays out its root
# where the service sets it; systemd-analyze and lintian accept it. Not in the sanitizer build.
import glob

from dvtest import *

if ASAN or os.geteuid() != 0:
    sys.exit(ok("skipped: " + ("the sanitizer build is not packaged" if ASAN else "needs root")))
unit = Unit()
run = lambda *args, **kw: subprocess.run(args, capture_output=True, text=True, timeout=600, **kw)
[os.remove(old) for old in glob.glob(os.path.join(BUILD, "dialvane_*.deb"))]
made = run("cpack", "-G", "DEB", cwd=BUILD)
debs = glob.glob(os.path.join(BUILD, "dialvane_*.deb"))
check(made.returncode == 0 and len(debs) == 1, "cpack: %s%s" % (made.stdout, made.stderr))

root = unit.path("root")
for name, text in (("var/lib/dpkg/status", ""), ("etc/passwd", "root:x:0:0:root:/root:/bin/sh\n"),
                   ("etc/group", "root:x:0:\n"), ("etc/shadow", "root:*:19000:0:99999:7:::\n"),
                   ("etc/gshadow", "root:*::\n"), ("var/lib/dpkg/info/.keep", "")):
    os.makedirs(os.path.dirname(os.path.join(root, name)), exist_ok=True)
    pathlib.Path(root, name).write_text(text)
# Libraries are the machine's; the maintainer script writes into the root from outside.
installed = run("dpkg", "--root=" + root, "--force-depends", "--force-script-chrootless",
                "--log=/dev/null", "-i", debs[0])
check(installed.returncode == 0 and unit.text(os.path.join(root, "etc/passwd")).count(
    "\ndialvane:x:") == 1, "dpkg -i: %s, or no user dialvane" % installed.stderr)
bindir = os.path.join(root, "usr/bin")
for path in ("usr/lib/udev/rules.d/60-dialvane.rules", "usr/share/doc/dialvane/examples/bindings"):
    check(os.path.exists(os.path.join(root, path)), "the package lacks " + path)
ok("the package installs into a clean root and makes the user dialvane there")

tour = run(os.path.join(SOURCE, "tools/tour/tour.sh"), bindir, unit.path("tour"), env=unit.env)
check(tour.returncode == 0 and len(glob.glob(unit.path("tour", "*.png"))) == 14, tour.stderr)
service = os.path.join(root, "usr/lib/systemd/system/dialvane.service")
unit.env["DIALVANE_ROOT"] = unit.root = os.path.join(root, "var/lib/dialvane/unit")
check("Environment=DIALVANE_ROOT=/var/lib/dialvane/unit\n" in unit.text(service), "root moved")
os.makedirs(os.path.dirname(unit.root))
panel = unit.spawn([os.path.join(bindir, "dialvane")])
wait_for(lambda: unit.answers(), "the installed panel answering")
check(unit.read(os.path.join(unit.root, "FlashMem/sysini/conf.ini")) == record(FACTORY),
      "the installed panel laid out no device root under var/lib/dialvane")
unit.closed(panel, "the installed panel")
ok("the installed programs run the tour; the installed panel lays out /var/lib/dialvane/unit")

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
