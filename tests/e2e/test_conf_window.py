#!/usr/bin/python3
"""The configuration tool's real window: `conf` started from a program folder
shows "Особые настройки часов" with what conf.ini holds; closing it by its
title bar writes nothing and starts the clock again, by name from the program
folder (recorded by the dry-run mode, not started).

    with-xsession.sh --wm -- /usr/bin/python3 test_conf_window.py <Zentari> <source dir>
"""

import os
import shutil
import subprocess
import sys

import e2elib as e
from e2elib import expect, log, poll

CONF = "; by hand\n[Options big]\nColor=255\nUnknown=1\n[Action1]\nTime=6:00:00\n"


def body(make, shots):
    clock = make(CONF)
    # conf lies beside the clock it was built with.
    shutil.copy2(os.path.join(os.path.dirname(os.path.abspath(sys.argv[1])), "conf"),
                 os.path.join(clock.dir, "conf"))
    conf_ini = os.path.join(clock.dir, "conf.ini")
    with open(conf_ini, "rb") as f:
        before = f.read()
    env = dict(os.environ, ZENTARI_DRY_RUN=clock.log_path, ZENTARI_MACHINE_STORE=clock.machine_store)
    proc = subprocess.Popen([os.path.join(clock.dir, "conf")], cwd=clock.dir, env=env,
                            stdin=subprocess.DEVNULL)
    try:
        def window():
            found = e.run("xdotool", "search", "--onlyvisible", "--name",
                          "Особые настройки часов", check=False).split()
            return int(found[0]) if found else None

        wid = poll("the window of conf", window, 20)
        info = poll("its geometry", lambda: e.window_info(wid), 5)
        log(f"conf: 0x{wid:x} {info['width']} x {info['height']}")
        expect(info["width"] >= 700 and info["height"] >= 350,
               f"the window is large enough for its rows ({info['width']} x {info['height']})")
        path = e.screenshot(os.path.join(shots, "conf-window.png"),
                            (info["x"], max(info["y"] - 25, 0), info["width"], info["height"] + 25))
        log(f"screenshot {path}")
        # A red swatch for Color=255 (red in the low byte) in the colour button.
        pixels = e.read_pixels(path, (0, 0, info["width"], info["height"] + 25))
        red = sum(1 for row in pixels for p in row if p[0] > 200 and p[1] < 60 and p[2] < 60)
        expect(red > 200, f"the colour button shows red ({red} red pixels)")

        e.key("alt+F4", to=wid)
        poll("conf to end", lambda: proc.poll() is not None, 10)
        with open(conf_ini, "rb") as f:
            expect(f.read() == before, "closing the window wrote nothing")
        opened = [l for l in clock.log_lines() if l.startswith("open\t")]
        expect(opened == [f"open\t{clock.dir}/Zentari\t"],
               f"the clock is started again from its folder: {opened}")
    finally:
        if proc.poll() is None:
            proc.kill()
            proc.wait()


e.main("conf_window", body)
