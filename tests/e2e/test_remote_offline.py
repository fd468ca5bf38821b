#!/usr/bin/python3
"""The command line with no clock running and no session bus: `Zentari
--remind` writes the reminder into the lists itself, as the editor stores it
(Windows-1251, CR LF), and returns at once; the clock started next shows it
at its second. With that clock running and still no bus, `--list` is handed
to it over the one-clock socket and answered from its lists, and the same
reminder again is refused there.

    with-xsession.sh --wm -- /usr/bin/python3 test_remote_offline.py <Zentari> <source dir>
"""

import datetime
import os
import re

import e2elib as e
from e2elib import expect, log, poll

R = e.remote
QUICK = 5.0
TITLE = "Полить цветы"
TEXT = "Фикус и кактус\nне забыть"


def clock_time(moment):
    return f"{moment.hour}:{moment.minute:02d}:{moment.second:02d}"


def stored(clock, *path):
    with open(os.path.join(clock.dir, "data", *path), "rb") as f:
        return f.read()


def body(make, shots):
    clock = make("[Options big]\nTraySet=0\n", tag="remote-offline")
    due = datetime.datetime.now().replace(microsecond=0) + datetime.timedelta(seconds=12)
    date, time_text = f"{due:%d.%m.%Y}", clock_time(due)

    run = R.command(clock, "--remind", date, time_text, TITLE, TEXT)
    expect(run.status == 0 and run.seconds < QUICK, f"with no clock running: {run!r}")
    expect(not clock.running(), "the command started a clock")

    # The five lists, one line each, as the reminder editor writes them.
    text_file = os.path.join(clock.dir, "data", "messages", f"{TITLE}{date}.zdt")
    for name, line in (("Titles.zdt", TITLE), ("Times.zdt", time_text), ("Dates.zdt", date),
                       ("IDs.zdt", f"{TITLE}{date}"), ("Messes.zdt", text_file)):
        content = stored(clock, name)
        expect(content == (line + "\r\n").encode("cp1251"),
               f"{name} holds {content!r}, not {line!r} in Windows-1251 with CR LF")
    text = stored(clock, "messages", f"{TITLE}{date}.zdt")
    expect(b"\n" not in text.replace(b"\r\n", b""), f"a bare line feed in the text: {text!r}")
    expect(text.decode("cp1251").splitlines() == TEXT.split("\n"),
           f"the reminder's text file holds {text!r}")
    log("the lists hold the reminder, in Windows-1251 with CR LF")

    clock.start()
    poll("the clock window to be shown", clock.mapped_clock, 20)

    # No bus: the running clock answers over its socket.
    run = R.command(clock, "--list")
    expected = f"reminder\t{TITLE}{date}\t{date}\t{time_text}\t{TITLE}\n"
    expect(run.status == 0 and run.seconds < QUICK and run.stdout == expected,
           f"--list handed to the running clock: {run!r}, expected {expected!r}")
    # Its refusal comes back the same way: status 2, the reason in Russian.
    run = R.command(clock, "--remind", date, time_text, TITLE)
    expect(run.status == 2 and re.search("[А-Яа-я]", run.stderr) and run.seconds < QUICK,
           f"the same reminder again was not refused by the running clock: {run!r}")
    expect(datetime.datetime.now() < due - datetime.timedelta(seconds=1),
           "the clock took so long to start that the reminder's second passed")
    poll("the reminder window", lambda: e.window_titled(TITLE),
         (due - datetime.datetime.now()).total_seconds() + 8)
    seen = datetime.datetime.now()
    log(f"the reminder window at {seen:%H:%M:%S.%f}, due {due:%H:%M:%S}")
    expect(due - datetime.timedelta(seconds=0.5) <= seen < due + datetime.timedelta(seconds=2.5),
           f"the reminder window came at {seen:%H:%M:%S.%f}, not at {due:%H:%M:%S}")

    clock.expect_running()


if __name__ == "__main__":
    e.main("e2e_remote_offline", body)
