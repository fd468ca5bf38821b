#!/usr/bin/python3
"""One clock per program folder: a second start in the same folder makes no
window of its own, ends with status 0 within a moment, and brings the running
clock out of the tray; an action due a few seconds later is performed once,
not once per start.

    with-xsession.sh --wm --tray -- /usr/bin/python3 test_single_instance.py <Zentari> <source dir>
"""

import datetime
import os
import subprocess
import time

import e2elib as e
from e2elib import expect, log, poll

QUICK = 3.0  # seconds a second start may take on a busy machine


def second_start(clock):
    """Starts the program again in the clock's folder; returns (status, seconds, output)."""
    env = dict(os.environ)
    env["ZENTARI_DRY_RUN"] = clock.log_path
    env["ZENTARI_MACHINE_STORE"] = clock.machine_store
    began = time.monotonic()
    done = subprocess.run([os.path.join(clock.dir, "Zentari")], cwd=clock.dir, env=env,
                          stdin=subprocess.DEVNULL, capture_output=True, timeout=30)
    took = time.monotonic() - began
    output = (done.stdout + done.stderr).decode("utf-8", errors="replace")
    log(f"second start: status {done.returncode} in {took:.2f} s, output {output!r}")
    return done.returncode, took, output


def clock_windows(clock):
    return [wid for wid in e.windows_of_class("Zentari")
            if (e.window_info(wid) or {}).get("width") == e.CLOCK_SIZE[0]
            and (e.window_info(wid) or {}).get("height") == e.CLOCK_SIZE[1]]


def body(make, shots):
    # The clock goes to the tray after its start (no TraySet=0): a later start
    # must bring it back.
    clock = make("", tag="single-instance")
    now = datetime.datetime.now().replace(microsecond=0)
    due = now + datetime.timedelta(seconds=15)
    date = f"{due:%d.%m.%Y}"
    target = os.path.join(clock.dir, "due.txt")
    with open(target, "w") as f:
        f.write("opened once\n")
    with open(os.path.join(clock.dir, "conf.ini"), "w", encoding="cp1251", newline="\r\n") as f:
        f.write(f"[Action{date} {e.clock_text(due)}]\nAction=1\nDate={date}\n"
                f"Time={e.clock_text(due)}\nPath={target}\nType_Per=1\n")
    clock.write_list("1Actions.zdt", ["1"])
    clock.write_list("1Paths.zdt", [target])
    clock.write_list("1Times.zdt", [e.clock_text(due)])
    clock.write_list("1Dates.zdt", [date])
    clock.write_list("1Ids.zdt", [f"{date} {e.clock_text(due)}"])

    clock.start()
    poll("the clock window to be shown", clock.mapped_clock, 20)
    clock.wait_ready()
    poll("the clock to go to the tray", lambda: not clock.mapped_clock() and clock.tray_icon(), 10)

    status, took, output = second_start(clock)
    expect(status == 0, f"the second start ended with status {status}: {output!r}")
    expect(took < QUICK, f"the second start took {took:.2f} s")
    poll("the running clock to come out of the tray", clock.mapped_clock, 5)
    clock.expect_running()
    windows = clock_windows(clock)
    expect(len(windows) == 1, f"{len(windows)} clock windows after two starts: {windows}")

    # A third start while the clock is on the desktop changes nothing either.
    status, took, output = second_start(clock)
    expect(status == 0 and took < QUICK, f"the third start: status {status} in {took:.2f} s")
    expect(len(clock_windows(clock)) == 1, "a third start made a clock window")

    expect(datetime.datetime.now() < due - datetime.timedelta(seconds=1),
           "the starts took so long that the action's second passed")
    line = f"open\t{target}\t"
    poll(f"{line!r} in the dry-run log", lambda: line in clock.log_lines(),
         (due - datetime.datetime.now()).total_seconds() + 3)
    time.sleep(2)  # a second clock would log it within this
    opened = [entry for entry in clock.log_lines() if entry == line]
    expect(len(opened) == 1, f"the action was performed {len(opened)} times: {clock.log_lines()}")
    clock.expect_running()


if __name__ == "__main__":
    e.main("e2e_single_instance", body)
