#!/usr/bin/python3
"""A desktop without a notification area: the start-up timer cannot put the
icon in the tray, so its error is reported ("Cannot Create System Shell
Notification Icon"), the clock stays on the desktop and the program runs on.
The timer still grants the exit permission, so "Выход" ends the program
without the close guard's message and restart.

    with-xsession.sh --wm -- /usr/bin/python3 test_no_tray.py <Zentari> <source dir>
"""

import os
import time

import e2elib as e
from e2elib import expect, log, poll


def dialogs(clock):
    return [(w, i) for w, i in clock.popups() if w != clock.clock_window()]


def dismiss(clock, what, shot):
    box = poll(what, lambda: dialogs(clock), 15)
    wid, info = box[0]
    path = e.screenshot(os.path.join(clock.shots, shot),
                        (max(info["x"] - 10, 0), max(info["y"] - 30, 0), info["width"] + 20,
                         info["height"] + 40), scale=2)
    log(f"{what}: 0x{wid:x} {info['width']} x {info['height']}, title {e.title_of(wid)!r}, "
        f"screenshot {path}")
    e.run("xdotool", "windowactivate", "--sync", str(wid))
    e.run("xdotool", "key", "Return")
    poll(f"the box to close ({what})", lambda: not (e.window_info(wid) or {}).get("viewable"), 8)


def body(make, shots):
    clock = make("[Options big]\nTraySet=0\n", tag="no-tray")
    clock.start()
    poll("the clock window to be shown", clock.mapped_clock, 20)
    dismiss(clock, "the error report of the start-up timer", "no-tray-error.png")

    # The error ends the timer's handler, not the program.
    time.sleep(2.0)
    expect(clock.running(),
           f"Zentari ended (exit status {clock.proc.returncode}) once its error report was "
           "dismissed: the start-up timer's error escaped the event loop")
    wid = poll("the clock to stay on the desktop", clock.mapped_clock, 5)
    log("the clock runs on after the error")

    info = e.window_info(wid)
    e.move_pointer(info["x"] + 110, info["y"] + 10)
    e.run("xdotool", "click", "3")
    poll("the clock's menu", lambda: dialogs(clock), 8)
    e.run("xdotool", "key", "Up")
    time.sleep(0.15)
    e.run("xdotool", "key", "Return")
    poll("the program to end after 'Выход'", lambda: not clock.running(), 10)
    expect(clock.proc.returncode == 0, f"exit status {clock.proc.returncode}, not 0")
    expect(clock.log_lines() == [], f"'Выход' should log nothing, the log holds {clock.log_lines()}")
    log("'Выход': exit status 0, no restart")


if __name__ == "__main__":
    e.main("e2e_no_tray", body)
