#!/usr/bin/python3
"""Password protection as a user meets it, with the per-machine file written as
the README shows it: "Выход" hides the clock and opens the password window; a
wrong password is refused by a box titled exactly "Обломись!" (as the window
manager sees it); Escape and the window manager's close both cancel, which
brings the clock back; the right password ends the program without a restart.
A forbidden close shows the close guard's box titled exactly "<(:-Р".

    with-xsession.sh --wm -- /usr/bin/python3 test_password_gate.py <Zentari> <source dir>
"""

import os
import time

import e2elib as e
from e2elib import expect, key, log, poll


def dialogs(clock):
    return [(w, i) for w, i in clock.popups() if w != clock.clock_window()]


def gate_of(clock):
    return [(w, i) for w, i in dialogs(clock) if (i["width"], i["height"]) == (201, 73)]


def open_exit(clock, wid):
    info = e.window_info(wid)
    e.move_pointer(info["x"] + 110, info["y"] + 10)
    e.click("3")
    poll("the clock's menu", lambda: dialogs(clock), 8)
    key("Up", "Return")  # "Выход", the last item
    gate = poll("the password window", lambda: gate_of(clock), 8)[0][0]
    poll("the clock to hide while the password is asked", lambda: not clock.mapped_clock(), 5)
    poll("the password window to have the focus",
         lambda: e.run("xdotool", "getwindowfocus", check=False).strip() == str(gate), 5)
    return gate


def body(make, shots):
    store = os.path.join(shots, "..", "gate-registry.ini")
    store = os.path.abspath(store)
    with open(store, "w", encoding="cp1251", newline="\r\n") as f:
        f.write("[Software\\Zentari]\nUSE=1\nPAS=100 101 102 \n")  # "abc", trailing space and all
    clock = make("[Options big]\nTraySet=0\n", machine_store=store, tag="password-gate")
    clock.start()
    wid = poll("the clock window to be shown", clock.mapped_clock, 20)
    clock.wait_ready()  # past the start-up timer, which keeps exit forbidden under protection

    # A wrong password: the box, titled exactly as the program titles it.
    gate = open_exit(clock, wid)
    e.screenshot(os.path.join(shots, "password-gate.png"), scale=1)
    e.type_text("abd")
    key("Return")
    box = poll("the wrong-password box",
               lambda: [w for w, i in dialogs(clock) if w != gate], 8)[0]
    title = e.title_of(box)
    log(f"wrong password: box 0x{box:x} titled {title!r}")
    expect(title == "Обломись!", f"the box is titled {title!r}, not exactly 'Обломись!'")
    e.screenshot(os.path.join(shots, "password-wrong.png"))
    # One key press closes a freshly opened box.
    key("Return")
    poll("the box to close at the first Return",
         lambda: not (e.window_info(box) or {}).get("viewable"), 3)
    expect(clock.running(), "a wrong password ended the program")

    # Escape in the password window cancels: the clock is back.
    poll("the password window to have the focus again",
         lambda: e.run("xdotool", "getwindowfocus", check=False).strip() == str(gate), 5)
    key("Escape")
    wid = poll("the clock to come back after Escape", clock.mapped_clock, 5)
    log("Escape: the clock is back")

    # So does the window manager's close (openbox: Alt+F4).
    gate = open_exit(clock, wid)
    key("alt+F4")
    wid = poll("the clock to come back after the window manager's close", clock.mapped_clock, 5)
    log("Alt+F4: the clock is back")

    # The right password ends the program, without the close guard's restart.
    gate = open_exit(clock, wid)
    e.type_text("abc")
    key("Return")
    poll("the program to end after the right password", lambda: not clock.running(), 10)
    expect(clock.proc.returncode == 0, f"exit status {clock.proc.returncode}, not 0")
    expect(clock.log_lines() == [], f"the right password should log nothing: {clock.log_lines()}")
    log("right password: the program ended, no restart")

    # A close the program forbids (within its first seconds): the guard's box,
    # titled exactly "<(:-Р", taken by the first Return.
    clock = make("[Options big]\nTraySet=0\n", tag="close-guard")
    clock.start()
    wid = poll("the clock window to be shown", clock.mapped_clock, 20)
    key("alt+F4", to=wid)
    box = poll("the close guard's box", lambda: dialogs(clock), 8)[0][0]
    title = e.title_of(box)
    expect(title == "<(:-Р", f"the close guard's box is titled {title!r}, not exactly '<(:-Р'")
    # The start-up timer's moment passes while the box is open: nothing may
    # take the focus from it then. (The close stopped that timer, so there is
    # no sign to wait for: this is the moment it would have come.)
    time.sleep(max(0.0, 3.5 - clock.since_start()))
    poll("the box to have the focus",
         lambda: e.run("xdotool", "getwindowfocus", check=False).strip() == str(box), 5)
    key("Return")
    poll("the close guard's box to close at the first Return",
         lambda: not clock.running() or not (e.window_info(box) or {}).get("viewable"), 3)
    poll("the program to end and restart itself", lambda: not clock.running(), 10)
    expect(any(line.startswith("restart") for line in clock.log_lines()),
           f"the forbidden close did not restart the program: {clock.log_lines()}")
    log(f"close guard: titled {title!r}, closed by one Return, restart logged")


if __name__ == "__main__":
    e.main("e2e_password_gate", body)
