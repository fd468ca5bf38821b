#!/usr/bin/python3
"""The configuration tool beside a running clock: with the clock on the
desktop framed, `conf` is started in the same program folder, its "Рамка
вокруг часов" box is cleared and "Сохранить и запустить часы" pressed. conf
ends within a moment, no second clock starts (no start in the dry-run log,
one process of the folder's program), and the running clock loses its frame.
Then `conf --set WithBoard=1` on the command line gives it back, again
without a start.

    with-xsession.sh --wm --a11y -- /usr/bin/python3 test_conf_running_clock.py <Zentari> <source dir>
"""

import os
import shutil
import subprocess
import sys
import time

import e2elib as e
from e2elib import expect, log, poll

CONF = "[Options big]\nWithBoard=1\n"
TITLE = "Особые настройки часов"
QUICK = 4.0  # seconds from the click to conf's end on a busy machine


def frame_top(wid):
    """The window manager's frame above the window, 0 for none."""
    value = e.prop(wid, "_NET_FRAME_EXTENTS")
    return int(value.split(",")[2]) if value else 0


def shown_clock(clock):
    """The clock, framed (its client then as large as the frame leaves) or
    not: the shown Zentari window titled exactly "Zentari"."""
    clock.expect_running()
    for wid in e.windows_of_class("Zentari"):
        info = e.window_info(wid)
        if info and info["viewable"] and info["width"] < 200 and e.title_of(wid) == "Zentari":
            return wid
    return 0


def processes_of(executable):
    """The pids running this very file."""
    target = os.path.realpath(executable)
    found = []
    for pid in filter(str.isdigit, os.listdir("/proc")):
        try:
            if os.readlink(f"/proc/{pid}/exe") == target:
                found.append(int(pid))
        except OSError:
            pass  # ended meanwhile, or not ours to look at
    return found


def body(make, shots):
    clock = make(CONF, tag="conf-running-clock")
    shutil.copy2(os.path.join(os.path.dirname(os.path.abspath(sys.argv[1])), "conf"),
                 os.path.join(clock.dir, "conf"))
    clock.start()
    poll("the clock window to be shown", lambda: shown_clock(clock), 20)
    clock.wait_ready()
    poll("the clock framed by the window manager",
         lambda: (lambda wid: wid and frame_top(wid) > 0)(shown_clock(clock)), 10)
    clock_pid = clock.proc.pid

    env = dict(os.environ, ZENTARI_DRY_RUN=clock.log_path, ZENTARI_MACHINE_STORE=clock.machine_store)
    proc = subprocess.Popen([os.path.join(clock.dir, "conf")], cwd=clock.dir, env=env,
                            stdin=subprocess.DEVNULL)
    try:
        e.click_accessible(TITLE, "check box", "Рамка вокруг часов", timeout=20)
        time.sleep(0.3)
        e.click_accessible(TITLE, "push button", "Сохранить и запустить часы")
        clicked = time.monotonic()
        poll("conf to end", lambda: proc.poll() is not None, 15)
        took = time.monotonic() - clicked
        log(f"conf ended with status {proc.returncode} {took:.2f} s after the click")
        expect(took < QUICK, f"conf took {took:.2f} s to end beside a running clock")
    finally:
        if proc.poll() is None:
            proc.kill()
            proc.wait()

    with open(os.path.join(clock.dir, "conf.ini"), encoding="cp1251") as f:
        conf = f.read()
    expect("WithBoard=0" in conf, f"the cleared box was not saved:\n{conf}")

    def bare_clock():
        wid = shown_clock(clock)
        return wid if wid and frame_top(wid) == 0 else 0

    wid = poll("the running clock to lose its frame", bare_clock, 10)
    info = e.window_info(wid)
    log(f"clock 0x{wid:x} {info}, frame {e.prop(wid, '_NET_FRAME_EXTENTS')}")
    expect((info["width"], info["height"]) == e.CLOCK_SIZE, f"the bare clock is {info}")
    path = e.screenshot(os.path.join(shots, "conf-running-clock-bare.png"),
                        (max(info["x"] - 20, 0), max(info["y"] - 40, 0), 180, 110))
    log(f"screenshot {path}")

    time.sleep(1.5)  # a clock started by mistake would be up within this
    clock.expect_running()
    expect(clock.proc.pid == clock_pid, "the clock was replaced")
    running = processes_of(os.path.join(clock.dir, "Zentari"))
    expect(running == [clock_pid], f"clock processes of the folder: {running}, not [{clock_pid}]")
    starts = [line for line in clock.log_lines() if line.startswith("open\t")]
    expect(starts == [], f"conf started something: {starts}")

    done = subprocess.run([os.path.join(clock.dir, "conf"), "--set", "WithBoard=1"], cwd=clock.dir,
                          env=env, stdin=subprocess.DEVNULL, capture_output=True, text=True,
                          timeout=15)
    expect(done.returncode == 0, f"conf --set ended with {done.returncode}: {done.stderr}")
    poll("the running clock to be framed again after conf --set",
         lambda: (lambda wid: wid and frame_top(wid) > 0)(shown_clock(clock)), 10)
    expect(clock.proc.pid == clock_pid, "the clock was replaced by conf --set")
    starts = [line for line in clock.log_lines() if line.startswith("open\t")]
    expect(starts == [], f"conf --set started something: {starts}")


e.main("conf_running_clock", body)
