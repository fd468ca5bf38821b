#!/usr/bin/python3
"""The running clock's remote control, walked as a script would use it: the
service on the session bus describes the interface the program ships; a
reminder and a file action added by `Zentari --remind` and `--action` a few
seconds ahead are listed by `--list` exactly, and happen at their second
(the reminder's window, one "open" line in the dry-run log); `--in 30`
lists the menu's shutdown template; `--remove` takes entries off the list; a bad date and a title with a line break are
refused with the Russian reason and change nothing; the service tells of
every change; commands given at once all count. A clock of a second program
folder keeps its own lists and takes the bus name over when the first
ends. Every command returns quickly.

    with-xsession.sh --wm --bus -- /usr/bin/python3 test_remote_control.py <Zentari> <source dir>
"""

import datetime
import os
import re
import sys
import time
import xml.etree.ElementTree as ET

import e2elib as e
from e2elib import expect, log, poll

R = e.remote
QUICK = 5.0  # seconds a command may take on a loaded machine; it aims at a tenth of one
TITLE = "Позвонить маме"
FAR_DAY = "25.01.2030"


def clock_time(moment):
    return f"{moment.hour}:{moment.minute:02d}:{moment.second:02d}"


def interface_members(source):
    """The methods and signals of the interface as the program's description has them."""
    root = ET.parse(os.path.join(source, "src", "remote", "org.zentari.Zentari1.xml")).getroot()
    iface = root.find(f"interface[@name='{R.INTERFACE}']")
    return ([m.get("name") for m in iface.findall("method")],
            [s.get("name") for s in iface.findall("signal")])


def quick(run, status=0):
    """The command ended with `status`, within QUICK seconds."""
    expect(run.status == status, f"expected status {status}: {run!r}")
    expect(run.seconds < QUICK, f"took {run.seconds:.2f} s: {run!r}")
    return run


def listing(clock):
    return quick(R.command(clock, "--list")).stdout


def lists_bytes(clock):
    data = os.path.join(clock.dir, "data")
    out = {}
    for name in sorted(os.listdir(data)):
        if name.endswith(".zdt"):
            with open(os.path.join(data, name), "rb") as f:
                out[name] = f.read()
    return out


def body(make, shots):
    source = sys.argv[2]
    clock = make("[Options big]\nTraySet=0\n", tag="remote-control")
    target = os.path.join(clock.dir, "заметки.txt")
    with open(target, "w") as f:
        f.write("opened once\n")
    clock.start()
    poll("the clock window to be shown", clock.mapped_clock, 20)
    clock.wait_ready()
    R.wait_for_service(clock)
    monitor = R.Monitor(clock.dir)
    try:
        walk(clock, source, target, monitor)
    finally:
        monitor.stop()
    second_folder(make, clock)


def second_folder(make, first):
    """A clock of another program folder on the same bus: commands reach each
    folder's own clock, and the bus name passes to the second when the first
    ends."""
    second = make("[Options big]\nTraySet=0\n", tag="remote-control-2")
    second.start()
    poll("the second folder's clock", second.mapped_clock, 20)
    quick(R.command(second, "--remind", FAR_DAY, "11:00:00", "Вторая папка"))
    expected = f"reminder\tВторая папка{FAR_DAY}\t{FAR_DAY}\t11:00:00\tВторая папка\n"
    shown = listing(second)
    expect(shown == expected, f"the second folder lists {shown!r}")
    expect("Вторая папка" not in listing(first), "the first folder got the second's reminder")
    first.stop()
    poll("the bus name to pass to the second folder's clock",
         lambda: "Вторая папка" in R.bus_call("ListReminders")[1], 10, interval=0.3)
    log("a second folder's clock: its own lists, and the bus name once the first ended")


def walk(clock, source, target, monitor):
    # The service describes what the program's own description says.
    out = e.run("gdbus", "introspect", "--session", "--dest", R.SERVICE, "--object-path",
                R.OBJECT)
    expect(f"interface {R.INTERFACE} {{" in out, f"no {R.INTERFACE} in:\n{out}")
    block = out.split(f"interface {R.INTERFACE} {{", 1)[1].split("};", 1)[0]
    methods, signals = interface_members(source)
    missing = [m for m in methods + signals if not re.search(rf"\b{m}\(", block)]
    expect(not missing, f"introspection lacks {missing}:\n{block}")
    log(f"introspection: {len(methods)} methods, {len(signals)} signals")

    # A reminder and a file action a few seconds ahead, and two far ones.
    now = datetime.datetime.now().replace(microsecond=0)
    remind_at = now + datetime.timedelta(seconds=8)
    act_at = now + datetime.timedelta(seconds=10)
    rdate, rtime = f"{remind_at:%d.%m.%Y}", clock_time(remind_at)
    adate, atime = f"{act_at:%d.%m.%Y}", clock_time(act_at)
    quick(R.command(clock, "--remind", rdate, rtime, TITLE, "Не забудь\nпро торт"))
    poll("ListsChanged after the first change", lambda: monitor.signals("ListsChanged"), 5)
    quick(R.command(clock, "--action", "1", adate, atime, os.path.basename(target)))
    quick(R.command(clock, "--remind", FAR_DAY, "09:05:00", "Врач"))
    quick(R.command(clock, "--action", "4", FAR_DAY, "7:30", "--days", "1,3,5"))

    expected = (f"action\t{adate} {atime}\t{adate}\t{atime}\t1\t{target}\n"
                f"action\t{FAR_DAY} 7:30:00\t{FAR_DAY}\t7:30:00\t4\tВыключение\n"
                f"reminder\t{TITLE}{rdate}\t{rdate}\t{rtime}\t{TITLE}\n"
                f"reminder\tВрач{FAR_DAY}\t{FAR_DAY}\t9:05:00\tВрач\n")
    shown = listing(clock)
    expect(shown == expected, f"--list printed\n{shown!r}\nnot\n{expected!r}")
    log("--list: as expected")

    # The far entries go again: the reminder by its id, the action by its id
    # typed without quotes (two arguments).
    changes = len(monitor.signals("ListsChanged"))
    quick(R.command(clock, "--remove", f"Врач{FAR_DAY}"))
    quick(R.command(clock, "--remove", FAR_DAY, "7:30:00"))
    expected = (f"action\t{adate} {atime}\t{adate}\t{atime}\t1\t{target}\n"
                f"reminder\t{TITLE}{rdate}\t{rdate}\t{rtime}\t{TITLE}\n")
    poll("ListsChanged after the removals",
         lambda: len(monitor.signals("ListsChanged")) > changes, 5)
    shown = listing(clock)
    expect(shown == expected, f"after --remove, --list printed\n{shown!r}\nnot\n{expected!r}")

    # A shutdown template, as the menu's "Через 30 минут" makes it, and gone again.
    began = datetime.datetime.now()
    quick(R.command(clock, "--in", "30"))
    template = [line for line in listing(clock).splitlines() if line not in expected.splitlines()]
    m = re.fullmatch(r"action\t(\S+ (\S+))\t\S+\t\2\t4\tШаблон на выключениеЧерез 30 минут\2",
                     template[0] if len(template) == 1 else "")
    expect(m, f"--in 30 listed as {template}")
    at = datetime.datetime.strptime(m.group(1), "%d.%m.%Y %H:%M:%S")
    expect(abs((at - began).total_seconds() - 1800) < 3, f"--in 30 shuts down at {at}")
    quick(R.command(clock, "--remove", m.group(1)))
    shown = listing(clock)
    expect(shown == expected, f"after removing the template, --list printed\n{shown!r}")

    # Refusals: the reason in Russian, nothing written.
    before = lists_bytes(clock)
    bad = quick(R.command(clock, "--remind", "32.01.2030", "9:00:00", "Врач"), status=2)
    expect(re.search("[А-Яа-я]", bad.stderr), f"no Russian reason on stderr: {bad!r}")
    expect(bad.stdout == "", f"a refusal printed on stdout: {bad!r}")
    unknown = quick(R.command(clock, "--remove", "нет такого"), status=2)
    expect(re.search("[А-Яа-я]", unknown.stderr), f"no Russian reason on stderr: {unknown!r}")
    status, out, err = R.bus_call("AddReminder", R.gvariant_string("строка\nвторая"), "''",
                                  f"'{FAR_DAY}'", "'9:00:00'")
    expect(status != 0 and f"{R.INTERFACE}.Error.Refused" in err,
           f"a title with a line break was not refused: {status} {out!r} {err!r}")
    expect(re.search("[А-Яа-я]", err), f"the refusal carries no Russian message: {err!r}")
    expect(lists_bytes(clock) == before, "a refused change altered the lists")
    log("refusals: nothing written")

    expect(datetime.datetime.now() < remind_at - datetime.timedelta(seconds=1),
           "the commands took so long that the reminder's second passed")
    wid, info = poll("the reminder window", lambda: e.window_titled(TITLE),
                     (remind_at - datetime.datetime.now()).total_seconds() + 8)
    seen = datetime.datetime.now()
    log(f"the reminder window at {seen:%H:%M:%S.%f}, due {remind_at:%H:%M:%S}")
    expect(remind_at - datetime.timedelta(seconds=0.5) <= seen
           < remind_at + datetime.timedelta(seconds=2.5),
           f"the reminder window came at {seen:%H:%M:%S.%f}, not at {remind_at:%H:%M:%S}")
    e.screenshot(os.path.join(clock.shots, "remote-reminder.png"))

    line = f"open\t{target}\t"
    poll(f"{line!r} in the dry-run log", lambda: line in clock.log_lines(),
         (act_at - datetime.datetime.now()).total_seconds() + 4)
    time.sleep(2)
    opened = [entry for entry in clock.log_lines() if entry == line]
    expect(len(opened) == 1, f"the action was performed {len(opened)} times: {clock.log_lines()}")

    # What the service told of it.
    poll("ReminderShown", lambda: [s for s in monitor.signals("ReminderShown") if TITLE in s], 3)
    poll("ActionPerformed", lambda: [s for s in monitor.signals("ActionPerformed")
                                     if f"{adate} {atime}" in s], 3)
    log(f"signals: ReminderShown, ActionPerformed, "
        f"{len(monitor.signals('ListsChanged'))} × ListsChanged")

    # Commands at once, as scripts started together give them: none is lost.
    titles = [f"Параллельно {i}" for i in range(6)]
    runs = R.commands_at_once(clock, [["--remind", FAR_DAY, "10:00:00", t] for t in titles])
    expect(all(run.status == 0 for run in runs), f"commands at once: {runs}")
    listed = [line.split("\t")[-1] for line in listing(clock).splitlines()]
    expect(sorted(t for t in listed if t in titles) == titles,
           f"of six reminders added at once, --list shows {listed}")
    clock.expect_running()


if __name__ == "__main__":
    e.main("e2e_remote_control", body)
