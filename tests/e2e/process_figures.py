# The whole-process figures tool runs against the real panel once, so it
# cannot rot; its figures are printed, not judged (the machine is shared).
import os
import subprocess

from dvtest import *

unit = Unit()
run = subprocess.run(["bash", os.path.join(SOURCE, "tools/bench/process-figures.sh"), BUILD],
                     capture_output=True, text=True, timeout=120 * SLOW,
                     env=dict(unit.env, DIALVANE_BENCH_RUNS="1"))
print(run.stdout)
check(run.returncode == 0, "process-figures.sh: status %d\n%s" % (run.returncode, run.stderr))
for row in ("start to first painted frame", "peak memory", "pen-down to pressed look"):
    check(("\n" + row) in run.stdout, 'no "%s" row in the figures' % row)
check("pressed-look samples: 1;" in run.stdout, "the pressed look was not seen after the pen-down")
ok("the process figures tool measured all three figures")
