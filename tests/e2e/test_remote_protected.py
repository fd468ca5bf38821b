#!/usr/bin/python3
"""Password protection holds for remote callers too: with protection on, the
service's ShowSettings and Quit return false and open the password window on
the desktop, as the clock's menu does, and so does `Zentari --abort`; the
clock keeps running. Escape there cancels; the right password typed there
after Quit ends the program.

    with-xsession.sh --wm --bus -- /usr/bin/python3 test_remote_protected.py <Zentari> <source dir>
"""

import os
import re

import e2elib as e
from e2elib import expect, key, log, poll

R = e.remote


def gate_of(clock):
    """The password window: frameless, 201 x 73."""
    return [w for w, i in clock.popups() if (i["width"], i["height"]) == (201, 73)]


def refused_with_gate(clock, method):
    """Calls `method` over the bus (or runs the command line `method` is a
    list of): it answers false (says so in Russian) and the password window
    opens, with the focus, while the clock runs on. Returns the window."""
    if isinstance(method, list):
        run = R.command(clock, *method)
        expect(run.status == 0 and re.search("[А-Яа-я]", run.stderr),
               f"no Russian note that the password is asked: {run!r}")
        method = " ".join(method)
    else:
        status, out, err = R.bus_call(method)
        expect(status == 0 and out == "(false,)", f"{method} answered {status} {out!r} {err!r}")
    gate = poll(f"the password window after {method}", lambda: gate_of(clock), 8)[0]
    focused = lambda: e.run("xdotool", "getwindowfocus", check=False).strip() == str(gate)
    try:
        poll("the password window to have the focus", focused, 3)
    except e.TestFailure:
        # The window manager may keep the focus from a window no click of the
        # user's opened; the user then clicks into the field.
        log(f"{method}: the password window has no focus; clicking into its field")
        info = e.window_info(gate)
        e.move_pointer(info["x"] + 100, info["y"] + 37)
        e.click("1")
        poll("the password window to have the focus after a click", focused, 5)
    clock.expect_running()
    log(f"{method}: false, the password window 0x{gate:x} is open")
    return gate


def body(make, shots):
    store = os.path.abspath(os.path.join(shots, "..", "remote-registry.ini"))
    with open(store, "w", encoding="cp1251", newline="\r\n") as f:
        f.write("[Software\\Zentari]\nUSE=1\nPAS=100 101 102 \n")  # "abc"
    clock = make("[Options big]\nTraySet=0\n", machine_store=store, tag="remote-protected")
    clock.start()
    poll("the clock window to be shown", clock.mapped_clock, 20)
    clock.wait_ready()  # past the start-up timer, which keeps exit forbidden under protection
    R.wait_for_service(clock)

    gate = refused_with_gate(clock, "ShowSettings")
    e.screenshot(os.path.join(shots, "remote-password-gate.png"))
    key("Escape")
    poll("the password window to close at Escape",
         lambda: not (e.window_info(gate) or {}).get("viewable"), 5)
    poll("the clock on the desktop after Escape", clock.mapped_clock, 5)
    expect(not e.window_titled("Настройки"), "the settings opened without the password")

    # The command line's abort goes the same way; Escape cancels it.
    gate = refused_with_gate(clock, ["--abort"])
    key("Escape")
    poll("the password window to close at Escape",
         lambda: not (e.window_info(gate) or {}).get("viewable"), 5)
    poll("the clock on the desktop after Escape", clock.mapped_clock, 5)

    gate = refused_with_gate(clock, "Quit")
    e.type_text("abc")
    key("Return")
    poll("the program to end after the right password", lambda: not clock.running(), 10)
    expect(clock.proc.returncode == 0, f"exit status {clock.proc.returncode}, not 0")
    expect(not any(line.startswith("restart") for line in clock.log_lines()),
           f"the permitted exit restarted the program: {clock.log_lines()}")
    log("Quit: ended by the right password typed in the window it opened")


if __name__ == "__main__":
    e.main("e2e_remote_protected", body)
