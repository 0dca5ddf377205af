# The tools of the README run against the real panel once, so they cannot rot: the headless tour,
# and the whole-process figures (printed, not judged: the machine is shared).
import glob

from dvtest import *

unit = Unit()
tool = lambda name, *args, **env: subprocess.run(["bash", os.path.join(SOURCE, "tools", name),
                                                  BUILD, *args], capture_output=True, text=True,
                                                 env=dict(unit.env, **env), timeout=120 * SLOW)
run = tool("tour/tour.sh", unit.path("tour"))
shots = sorted(glob.glob(unit.path("tour", "*.png")))
check(run.returncode == 0 and len(shots) == 14, "tools/tour/tour.sh: status %d, %d shots\n%s"
      % (run.returncode, len(shots), run.stderr[-2000:]))
check(all(unit.read(f)[:8] == b"\x89PNG\r\n\x1a\n" for f in shots), "a shot is no PNG")
check("UM_TOUCH_CAL 1 0" in run.stdout and "03 00 06 00 06 00 06 00 00 00 95 01 27 01 04 00"
      in run.stdout, "the tour printed:\n%s" % run.stdout)
ok("tools/tour/tour.sh runs every step and writes 14 screenshots")

run = tool("bench/process-figures.sh", DIALVANE_BENCH_RUNS="1")
print(run.stdout)
check(run.returncode == 0, "process-figures.sh: status %d\n%s" % (run.returncode, run.stderr))
for row in ("start to first painted frame", "peak memory", "pen-down to pressed look"):
    check(("\n" + row) in run.stdout, 'no "%s" row in the figures' % row)
check(not shutil.which("Xvfb") or "\npeak memory, tour of every page (window, Xvfb)" in run.stdout,
      "no windowed memory figure")
check("pressed-look samples: 1;" in run.stdout, "the pressed look was not seen after the pen-down")
ok("the process figures tool measured all three figures")
