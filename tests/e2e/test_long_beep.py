#!/usr/bin/python3
"""A long reminder signal does not hold up the clock: a reminder with a
30-second beep ("bemi" 30000), and two actions due 4 and 8 seconds after it.
The beep is logged at the reminder's second, each action at its own second
while the beep still sounds, in that order; the clock's picture goes on
changing meanwhile.

    with-xsession.sh --wm --tray -- /usr/bin/python3 test_long_beep.py <Zentari> <source dir>
"""

import datetime
import os

import e2elib as e
from e2elib import expect, log, poll

TITLE = "Долгий сигнал"
SLACK = 1.5  # seconds a logged line may come after its second on a busy machine


def body(make, shots):
    clock = make("", tag="long-beep")
    now = datetime.datetime.now().replace(microsecond=0)
    due = now + datetime.timedelta(seconds=14)
    date = f"{due:%d.%m.%Y}"
    actions = [(due + datetime.timedelta(seconds=s), os.path.join(clock.dir, f"after{s}.txt"))
               for s in (4, 8)]
    sections = "".join(
        f"[Action{date} {e.clock_text(at)}]\nAction=1\nDate={date}\nTime={e.clock_text(at)}\n"
        f"Path={path}\nType_Per=1\n" for at, path in actions)
    with open(os.path.join(clock.dir, "conf.ini"), "w", encoding="cp1251", newline="\r\n") as f:
        f.write("[Options big]\nTraySet=0\nbehz=880\nbemi=30000\n[Options small]\non=yes\n"
                + sections)
    for at, path in actions:
        with open(path, "w") as f:
            f.write("opened while the beep sounds\n")
    clock.write_list("1Actions.zdt", ["1", "1"])
    clock.write_list("1Paths.zdt", [path for _, path in actions])
    clock.write_list("1Times.zdt", [e.clock_text(at) for at, _ in actions])
    clock.write_list("1Dates.zdt", [date, date])
    clock.write_list("1Ids.zdt", [f"{date} {e.clock_text(at)}" for at, _ in actions])
    text = os.path.join(clock.dir, "data", "messages", TITLE + date + ".zdt")
    os.makedirs(os.path.dirname(text), exist_ok=True)
    with open(text, "w", encoding="cp1251", newline="\r\n") as f:
        f.write("Сигнал звучит полминуты\n")
    clock.write_list("Titles.zdt", [TITLE])
    clock.write_list("Messes.zdt", [text])
    clock.write_list("Times.zdt", [e.clock_text(due)])
    clock.write_list("Dates.zdt", [date])
    clock.write_list("IDs.zdt", [TITLE + date])

    clock.start()
    wid = poll("the clock window to be shown", clock.mapped_clock, 20)
    clock.wait_ready()  # the start-up timer's pass through the tray
    wid = poll("the clock back on the desktop", clock.mapped_clock, 10)
    expect(datetime.datetime.now() < due - datetime.timedelta(seconds=1),
           "the clock took so long to start that the reminder's second passed")
    info = e.window_info(wid)
    face = (info["x"], info["y"], info["width"], info["height"])

    def logged_by(line, at):
        """Waits for the line in the dry-run log; fails when it comes later than at + SLACK."""
        def seen():
            return line in clock.log_lines()
        wait = (at - datetime.datetime.now()).total_seconds() + SLACK
        try:
            poll(f"{line!r} at {at:%H:%M:%S}", seen, max(wait, 0.1), interval=0.05)
        except e.TestFailure:
            raise e.TestFailure(f"{line!r} was not logged by {at:%H:%M:%S} + {SLACK} s; "
                                f"the log at {datetime.datetime.now():%H:%M:%S}: "
                                f"{clock.log_lines()}")
        log(f"{line!r} at {datetime.datetime.now():%H:%M:%S.%f} (due {at:%H:%M:%S})")

    logged_by("beep\t880\t30000", due)
    poll("the reminder window", lambda: e.window_titled(TITLE), 5)
    pictures = [e.read_pixels(e.screenshot(os.path.join(shots, "long-beep-clock-1.png")), face)]
    for (at, path), _ in zip(actions, range(2)):
        logged_by(f"open\t{path}\t", at)
        pictures.append(e.read_pixels(
            e.screenshot(os.path.join(shots, f"long-beep-clock-{len(pictures) + 1}.png")), face))
    expect(clock.log_lines() == ["beep\t880\t30000"] + [f"open\t{p}\t" for _, p in actions],
           f"the log is out of order: {clock.log_lines()}")
    expect(pictures[0] != pictures[1] != pictures[2],
           "the clock's picture stood still while the beep sounded")
    clock.expect_running()


if __name__ == "__main__":
    e.main("e2e_long_beep", body)
