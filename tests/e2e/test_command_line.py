#!/usr/bin/python3
"""`zentari` with a command while the clock runs, as a script uses it: a
reminder and an action added from the command line are carried out by the
running clock at their second (the reminder's window, the file opened in the
dry-run log); --list prints what the clock holds; the same commands reach a
clock that this process cannot find on a session bus (handed over the clock's
socket); the clock's refusal comes back as status 2 with its message; --remove
takes an entry off. Each command ends within a moment.

    with-xsession.sh --wm --tray --a11y -- /usr/bin/python3 test_command_line.py <Zentari> <source dir>
"""

import datetime
import os
import subprocess
import time

import e2elib as e
from e2elib import expect, log, poll

QUICK = 3.0  # seconds a command may take on a busy machine
TITLE = "Созвон"
TEXT = "Ссылка в календаре"


def command(clock, *args, bus=True):
    """Runs the program with a command in the clock's folder; returns (status, stdout, stderr)."""
    env = dict(os.environ)
    env["ZENTARI_DRY_RUN"] = clock.log_path
    env["ZENTARI_MACHINE_STORE"] = clock.machine_store
    if not bus:
        env["DBUS_SESSION_BUS_ADDRESS"] = "unix:path=" + os.path.join(clock.dir, "no-bus")
    began = time.monotonic()
    done = subprocess.run([os.path.join(clock.dir, "Zentari"), *args], cwd=clock.dir, env=env,
                          stdin=subprocess.DEVNULL, capture_output=True, timeout=30)
    took = time.monotonic() - began
    out = done.stdout.decode("utf-8", errors="replace")
    err = done.stderr.decode("utf-8", errors="replace")
    log(f"{' '.join(args)}{'' if bus else ' (no bus)'}: status {done.returncode} in {took:.2f} s, "
        f"stdout {out!r}, stderr {err!r}")
    expect(took < QUICK, f"{args[0]} took {took:.2f} s")
    return done.returncode, out, err


def on_bus():
    done = subprocess.run(["dbus-send", "--session", "--print-reply", "--dest=org.freedesktop.DBus",
                           "/org/freedesktop/DBus", "org.freedesktop.DBus.NameHasOwner",
                           "string:org.zentari.Zentari"], capture_output=True, timeout=10)
    return b"boolean true" in done.stdout


def titled(title):
    for wid in e.windows_of_class("Zentari"):
        info = e.window_info(wid)
        if info and info["viewable"] and e.title_of(wid) == title:
            return wid
    return 0


def body(make, shots):
    clock = make("[Options big]\nTraySet=0\n", tag="command-line")
    target = os.path.join(clock.dir, "due.txt")
    with open(target, "w") as f:
        f.write("opened by the clock\n")
    clock.start()
    poll("the clock window to be shown", clock.mapped_clock, 20)
    clock.wait_ready()
    poll("the clock's name on the session bus", on_bus, 10)

    due = datetime.datetime.now().replace(microsecond=0) + datetime.timedelta(seconds=15)
    date, moment = f"{due:%d.%m.%Y}", e.clock_text(due)
    status, _, err = command(clock, "--remind", date, moment, TITLE, TEXT)
    expect(status == 0, f"--remind ended with status {status}: {err!r}")
    # A relative path is the caller's: taken from the folder the command runs in.
    status, _, err = command(clock, "--action", "1", date, moment, "due.txt")
    expect(status == 0, f"--action ended with status {status}: {err!r}")

    reminder = f"reminder\t{TITLE}{date}\t{date}\t{moment}\t{TITLE}\n"
    action = f"action\t{date} {moment}\t{date}\t{moment}\t1\t{target}\n"
    status, out, _ = command(clock, "--list")
    expect(status == 0 and out == action + reminder, f"--list printed {out!r}")
    status, out, _ = command(clock, "--list", bus=False)
    expect(status == 0 and out == action + reminder, f"--list handed over printed {out!r}")

    # The clock refuses a second reminder of one title on one day, by either way.
    for bus in (True, False):
        status, out, err = command(clock, "--remind", date, "23:00:00", TITLE, bus=bus)
        expect(status == 2 and TITLE in err and not out,
               f"a second «{TITLE}» on {date}: status {status}, {err!r}")

    expect(datetime.datetime.now() < due - datetime.timedelta(seconds=1),
           "the commands took so long that the second passed")
    poll("the reminder's window", lambda: titled(TITLE),
         (due - datetime.datetime.now()).total_seconds() + 5)
    line = f"open\t{target}\t"
    poll(f"{line!r} in the dry-run log", lambda: line in clock.log_lines(), 5)
    clock.expect_running()

    status, _, err = command(clock, "--remove", f"{TITLE}{date}", bus=False)
    expect(status == 0, f"--remove handed over ended with status {status}: {err!r}")
    status, _, err = command(clock, "--remove", date, moment)
    expect(status == 0, f"--remove ended with status {status}: {err!r}")
    status, out, _ = command(clock, "--list")
    expect(status == 0 and out == "", f"--list after both were removed printed {out!r}")
    clock.expect_running()


if __name__ == "__main__":
    e.main("e2e_command_line", body)
