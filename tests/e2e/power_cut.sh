#!/usr/bin/env bash
# Power lost while the panel saves. First the panel is killed with SIGKILL at
# random moments while the pen changes settings (most kills land inside a
# pen step, many inside the file replacement itself); then the replacement is
# cut at each of its system calls in turn (DIALVANE_STORAGE_FAULT=cut:N). After
# every loss the settings file must hold 26 bytes, either the record before
# the interrupted step or the one it was writing, and the next start must load
# it: no load error in its log, its main menu as that record selects it, and
# its next save built on exactly those values. The boot loader's sector in
# the flash image is watched too: switching automatic power-on erases it and
# writes it again, and a kill between the two leaves it erased.
# Short by default; DIALVANE_LONG=1 runs the full counts.
source "$(dirname "$0")/common.bash"

"$CTL" launcher >>"$WORK/launcher.out" 2>/dev/null &
PIDS+=($!)
wait_for_window Launcher_Tulvo || fail "the launcher did not start"

harness - <<'PY' || fail "power cut checks failed (above)"
import os
import random
import sys
import time

from dvharness import *

env = Env()
LONG = long_mode()
SAVES = 1000 if LONG else 50
seed = int(os.environ.get("DIALVANE_SEED", str(int(time.time()))))
rng = random.Random(seed)
note("seed %d (DIALVANE_SEED repeats a run)" % seed)
main_menu_shots = {}  # nPage -> the main menu a start with that record shows


def load_problems(proc):
    text = env.log_text(proc)
    problems = [line for line in ("Read Size Error", "IniReadString Open Error",
                                  "IniWriteString Open Error") if line in text]
    if "IniRead Success" not in text:
        problems.append("no IniRead Success")
    return problems


def check_start(proc, peer, record):
    """The start loaded record: a clean log and the main menu it selects."""
    problems = load_problems(proc)
    check(not problems, "start %d: %s" % (env.starts, ", ".join(problems)))
    shot = os.path.join(env.work, "first-paint.png")
    check(peer.shot(shot) == 1, "the panel wrote no screenshot")
    with open(shot, "rb") as f:
        pixels = f.read()
    page = record_fields(record)[0]
    known = main_menu_shots.setdefault(page, pixels)
    check(known == pixels, "start %d: the main menu differs from other starts with "
          "nPage %d" % (env.starts, page))


def boot_after_kill(what):
    """Counts the state of the boot sector; an erased one is noted and put back."""
    state = boot_sector_state(env.root)
    check(state != "damaged", "%s: the boot sector is damaged" % what)
    boot_states[state] = boot_states.get(state, 0) + 1
    if state == "erased":
        note("%s left the boot sector erased: it came between the erase and the write "
             "of the boot record" % what)
        with open(os.path.join(env.root, "dev", "FLS1.img"), "r+b") as f:
            f.seek(BOOT_SECTOR_OFFSET)
            f.write(factory_sector)


def check_left(before, after, what):
    data = env.read_conf()
    problem = record_problem(data)
    check(problem is None, "%s: %s (%s)" % (what, problem, hexs(data)))
    check(data in (before, after), "%s: the file holds %s, neither the record before (%s) nor "
          "the one being written (%s)" % (what, hexs(data), hexs(before), hexs(after)))
    return data


# ------------------------------------------------------- random kills
proc, peer = env.start_panel()
with open(os.path.join(env.root, "dev", "FLS1.img"), "rb") as f:
    f.seek(BOOT_SECTOR_OFFSET)
    factory_sector = f.read(BOOT_SECTOR_SIZE)
boot_states = {}
check(env.read_conf() == record_bytes(FACTORY), "first start did not write the factory record")
model = Model(FACTORY, rng)
saves = kills = killed_in_step = temp_left = old_kept = new_kept = startup_kills = 0
save_time = 0.15  # a pen step that saves, measured as the run goes
t0 = time.monotonic()
while saves < SAVES:
    before = record_bytes(model.record)
    kill_at = rng.randint(-1, 12)  # pen steps before the kill; -1: during start-up
    if kill_at < 0:
        kill9(proc)
        peer.close()
        proc = env.spawn_panel()
        time.sleep(rng.uniform(0, 0.6))
        kill9(proc)
        kills += 1
        startup_kills += 1
        check_left(before, before, "kill during start-up")
        boot_after_kill("kill during start-up")
    else:
        done = 0
        interrupted = None
        while interrupted is None:
            steps, page = model.plan()
            for step in steps:
                if done == kill_at:
                    interrupted = step
                    break
                t = time.monotonic()
                run_step(peer, step)
                if step[4]:
                    saves += 1
                    save_time = 0.8 * save_time + 0.2 * (time.monotonic() - t)
                model.record = step[3]
                data = env.read_conf()
                check(data == record_bytes(model.record),
                      "after a pen step the file holds %s, expected %s"
                      % (hexs(data), hexs(record_bytes(model.record))))
                done += 1
            else:
                model.page = page
        # The kill lands inside the step, at a random moment of a save's length.
        before = record_bytes(model.record)
        after = record_bytes(interrupted[3])
        peer.space_down(*interrupted[:3])
        peer.put(PEN, pen_payload(*interrupted[:3], REPLY_WHEN_IDLE))
        time.sleep(rng.uniform(0, 1.2 * save_time))
        kill9(proc)
        peer.close()
        kills += 1
        killed_in_step += 1
        temp_left += os.path.exists(env.conf_temp)
        data = check_left(before, after, "kill %d" % kills)
        boot_after_kill("kill %d" % kills)
        if before != after:
            old_kept += data == before
            new_kept += data == after
    record = env.read_conf()
    proc, peer = env.start_panel()
    check_start(proc, peer, record)
    model = Model(record_fields(record), rng)
elapsed = time.monotonic() - t0
status = close_panel(proc, peer)
check(status == 0, "the last panel ended with status %s" % status)
ok("%d saves with %d SIGKILLs (%d during start-up, %d inside a pen step: %d left the "
   "temporary file, %d kept the old record, %d had the new one), %d restarts, each "
   "loaded the file; boot sector after the kills: %s; %.1f s"
   % (saves, kills, startup_kills, killed_in_step, temp_left, old_kept, new_kept, kills,
      ", ".join("%s %d" % kv for kv in sorted(boot_states.items())), elapsed))

# ------------------------------------------------------- cut at every step
# A fixed round of saves from a known record: open the basic page, power-on
# off, brightness dragged (two saves), OK (a save: every pen down there saves),
# the advanced page, Default (two writes of the factory record).
START = [3, 6, 6, 6, 0, 300, 295, 4, 3, 4, 87, 5, 0]
STEPS_PER_SAVE = 5  # open temporary file, write, fsync, rename, fsync folder
ROUND = [(PEN_DOWN, 110, 145, {}), (PEN_UP, 110, 145, {0: 1}),
         (PEN_DOWN, 190, 110, {7: 3}), (PEN_UP, 190, 110, {}),
         (PEN_DOWN, 300, 138, {}), (PEN_MOVE, 200, 138, {}), (PEN_UP, 200, 138, {5: 200}),
         (PEN_DOWN, 50, 212, {}), (PEN_UP, 50, 212, {}),
         (PEN_DOWN, 169, 103, {}), (PEN_UP, 169, 103, {0: 2}),
         (PEN_DOWN, 428, 212, {}), (PEN_UP, 428, 212, dict(enumerate(FACTORY)))]
SAVES_OF_STEP = [0, 1, 1, 0, 1, 0, 1, 1, 0, 0, 1, 0, 2]


def written_records():
    """The record before the round, then after each of its saves in turn."""
    records, record = [START], list(START)
    for (_, _, _, changes), count in zip(ROUND, SAVES_OF_STEP):
        for field, value in changes.items():
            record[field] = value
        records += [list(record)] * count
    return [record_bytes(r) for r in records]


records = written_records()
total = (len(records) - 1) * STEPS_PER_SAVE
# Short: the five steps of the first save, the rename of Default's first write
# and the fsync of its second, and one past the end.
points = range(1, total + 2) if LONG else [1, 2, 3, 4, 5, total - 6, total - 2, total + 1]
t0 = time.monotonic()
old_count = new_count = 0
for n in points:
    with open(env.conf, "wb") as f:
        f.write(records[0])
    proc, peer = env.start_panel({"DIALVANE_STORAGE_FAULT": "cut:%d" % n})
    try:
        for action, x, y, _ in ROUND:
            peer.pen(action, x, y)
        peer.send(WM_NULL)
        cut = False
    except (OSError, Failure):
        cut = True
    peer.close()
    if n <= total:
        check(cut, "cut:%d: the panel went on past its cut" % n)
        status = proc.wait(timeout=30)
        check(status == POWER_CUT_EXIT, "cut:%d: the panel ended with %d, not %d"
              % (n, status, POWER_CUT_EXIT))
        save, step = (n - 1) // STEPS_PER_SAVE + 1, (n - 1) % STEPS_PER_SAVE + 1
        # Until the rename has happened the old record is there, after it the new one.
        expected = records[save] if step == STEPS_PER_SAVE else records[save - 1]
    else:
        check(not cut, "cut:%d beyond the last step stopped the panel" % n)
        status = close_panel(proc, Peer(env.runtime))
        check(status == 0, "cut:%d: the panel ended with %s" % (n, status))
        expected = records[-1]
    data = env.read_conf()
    check(data == expected, "cut:%d: the file holds %s, expected %s"
          % (n, hexs(data), hexs(expected)))
    if n <= total and records[save - 1] != records[save]:
        old_count += data == records[save - 1]
        new_count += data == records[save]
    # The next start loads what the cut left, and its first save builds on it.
    proc, peer = env.start_panel()
    check_start(proc, peer, data)
    peer.tap(*ICONS[0])
    loaded = record_fields(data)
    loaded[0] = 0
    check(env.read_conf() == record_bytes(loaded), "cut:%d: the save after the restart "
          "holds %s, not the loaded record with nPage 0" % (n, hexs(env.read_conf())))
    check(not os.path.exists(env.conf_temp), "cut:%d: the temporary file is still there" % n)
    check(close_panel(proc, peer) == 0, "cut:%d: the restarted panel did not end with 0" % n)
ok("cut at %s of the %d replacement steps of %d saves, and past the last: each cut left "
   "the old (%d) or new (%d) record, exit %d, and the next start loaded it; %.1f s"
   % ("each" if LONG else "steps " + ",".join(map(str, points[:-1])), total,
      len(records) - 1, old_count, new_count, POWER_CUT_EXIT, time.monotonic() - t0))

# ------------------------------------------------------- first start cut short
# With no settings file the first start writes the factory record; a cut
# there leaves no file or the factory one, and the next start copes.
t0 = time.monotonic()
first_points = range(1, STEPS_PER_SAVE + 1) if LONG else [2, 5]
for n in first_points:
    os.unlink(env.conf)
    proc = env.spawn_panel({"DIALVANE_STORAGE_FAULT": "cut:%d" % n})
    status = proc.wait(timeout=60)
    check(status == POWER_CUT_EXIT, "first start cut:%d ended with %d" % (n, status))
    data = env.read_conf()
    check(data in (None, record_bytes(FACTORY)), "first start cut:%d left %s" % (n, hexs(data)))
    proc, peer = env.start_panel()
    check(env.read_conf() == record_bytes(FACTORY), "the start after first start cut:%d left "
          "%s" % (n, hexs(env.read_conf())))
    check(close_panel(proc, peer) == 0, "the start after first start cut:%d failed" % n)
ok("first start cut at step %s: no file or the factory record, and the next start "
   "works; %.1f s" % (",".join(map(str, first_points)), time.monotonic() - t0))
PY
