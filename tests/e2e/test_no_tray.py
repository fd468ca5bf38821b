#!/usr/bin/python3
"""A desktop without a notification area: the start-up timer leaves the clock
on the desktop without a word (no box to dismiss at every start), and the
program runs on. "Свернуть в трей" asked for explicitly says in Russian that
this desktop has no notification area. The timer still grants the exit
permission, so "Выход" ends the program without the close guard's message
and restart.

    with-xsession.sh --wm -- /usr/bin/python3 test_no_tray.py <Zentari> <source dir>
"""

import os
import time

import e2elib as e
from e2elib import expect, log, poll


def dialogs(clock):
    return [(w, i) for w, i in clock.popups() if w != clock.clock_window()]


def boxes(clock):
    """The open windows that are not menus."""
    return [(w, i) for w, i in dialogs(clock)
            if "POPUP_MENU" not in (e.prop(w, "_NET_WM_WINDOW_TYPE") or "")]


def dismiss(clock, what, shot):
    box = poll(what, lambda: boxes(clock), 15)
    wid, info = box[0]
    path = e.screenshot(os.path.join(clock.shots, shot),
                        (max(info["x"] - 10, 0), max(info["y"] - 30, 0), info["width"] + 20,
                         info["height"] + 40), scale=2)
    log(f"{what}: 0x{wid:x} {info['width']} x {info['height']}, title {e.title_of(wid)!r}, "
        f"screenshot {path}")
    expect(e.title_of(wid) == "Zentari", f"the report is titled {e.title_of(wid)!r}")
    e.key("Return", to=wid)
    poll(f"the box to close ({what})", lambda: not (e.window_info(wid) or {}).get("viewable"), 8)


def open_menu(clock, wid):
    info = e.window_info(wid)
    e.move_pointer(info["x"] + 110, info["y"] + 10)
    e.click("3")
    poll("the clock's menu", lambda: dialogs(clock), 8)


def body(make, shots):
    clock = make("", tag="no-tray")
    clock.start()
    wid = poll("the clock window to be shown", clock.mapped_clock, 20)
    clock.wait_ready()  # past the start-up step, where a box would have opened
    expect(clock.running(), f"Zentari ended (exit status {clock.proc.returncode})")
    expect(not boxes(clock), f"a box opened at start: {[e.title_of(w) for w, _ in dialogs(clock)]}")
    wid = poll("the clock to stay on the desktop", clock.mapped_clock, 5)
    log("no notification area: the clock stays, no box")

    # The first item, "Свернуть в трей", asked for anyway.
    open_menu(clock, wid)
    e.run("xdotool", "key", "Down")
    time.sleep(0.15)
    e.run("xdotool", "key", "Return")
    dismiss(clock, "the report that there is no notification area", "no-tray-error.png")
    wid = poll("the clock to stay on the desktop", clock.mapped_clock, 5)

    open_menu(clock, wid)
    e.run("xdotool", "key", "Up")
    time.sleep(0.15)
    e.run("xdotool", "key", "Return")
    poll("the program to end after 'Выход'", lambda: not clock.running(), 10)
    expect(clock.proc.returncode == 0, f"exit status {clock.proc.returncode}, not 0")
    expect(clock.log_lines() == [], f"'Выход' should log nothing, the log holds {clock.log_lines()}")
    log("'Выход': exit status 0, no restart")


if __name__ == "__main__":
    e.main("e2e_no_tray", body)
