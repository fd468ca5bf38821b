#!/usr/bin/python3
"""The clock ended the way a logout or a power-off ends it (SIGTERM, which it
does not catch) a few seconds after it opened a file and showed a reminder,
and started again a little later. What it had done is not done again; what
fell due while it was not running is caught up at start: the sound, a few
seconds late, played once; the shut-down listed in "Пропущенные события",
never performed.

    with-xsession.sh --wm --tray --a11y --logind -- /usr/bin/python3 test_sleep_restart.py <Zentari> <source dir>
"""

import datetime
import os
import time

import e2elib as e
from e2elib import expect, key, log, poll

TITLE = "Обед"
MISSED = "Пропущенные события"
POWER_LINES = ("poweroff", "reboot", "logoff")


def body(make, shots):
    clock = make("", tag="sleep-restart")
    sound = os.path.join(clock.dir, "alarm.wav")
    e.write_tone(sound, 0.5)
    opened = os.path.join(clock.dir, "agenda.txt")
    with open(opened, "w") as f:
        f.write("opened once\n")

    now = datetime.datetime.now().replace(microsecond=0)
    open_at = now + datetime.timedelta(seconds=8)
    reminder_at = now + datetime.timedelta(seconds=9)
    ended_at = now + datetime.timedelta(seconds=13)
    sound_at = ended_at + datetime.timedelta(seconds=3)
    shutdown_at = ended_at + datetime.timedelta(seconds=4)
    restart_at = ended_at + datetime.timedelta(seconds=7)
    actions = [(open_at, 1, opened), (sound_at, 0, sound), (shutdown_at, 4, "")]
    sections = "".join(
        f"[Action{at:%d.%m.%Y} {e.clock_text(at)}]\nAction={kind}\nDate={at:%d.%m.%Y}\n"
        f"Time={e.clock_text(at)}\nPath={path}\nType_Per=1\n" for at, kind, path in actions)
    with open(os.path.join(clock.dir, "conf.ini"), "w", encoding="cp1251", newline="\r\n") as f:
        f.write("[Options big]\nTraySet=0\n[Options small]\non=yes\n" + sections)
    clock.write_list("1Actions.zdt", [str(kind) for _, kind, _ in actions])
    clock.write_list("1Paths.zdt", [path for _, _, path in actions])
    clock.write_list("1Times.zdt", [e.clock_text(at) for at, _, _ in actions])
    clock.write_list("1Dates.zdt", [f"{at:%d.%m.%Y}" for at, _, _ in actions])
    clock.write_list("1Ids.zdt", [f"{at:%d.%m.%Y} {e.clock_text(at)}" for at, _, _ in actions])
    date = f"{reminder_at:%d.%m.%Y}"
    text_file = os.path.join(clock.dir, "data", "messages", TITLE + date + ".zdt")
    os.makedirs(os.path.dirname(text_file), exist_ok=True)
    with open(text_file, "w", encoding="cp1251", newline="\r\n") as f:
        f.write("В столовой\n")
    clock.write_list("Titles.zdt", [TITLE])
    clock.write_list("Messes.zdt", [text_file])
    clock.write_list("Times.zdt", [e.clock_text(reminder_at)])
    clock.write_list("Dates.zdt", [date])
    clock.write_list("IDs.zdt", [TITLE + date])

    clock.start()
    poll("the clock window to be shown", clock.mapped_clock, 20)
    opened_line = f"open\t{opened}\t"
    poll("the file opened", lambda: opened_line in clock.log_lines(),
         (open_at - datetime.datetime.now()).total_seconds() + 5)
    wid = poll("the reminder's window", lambda: e.shown_window(TITLE), 8)
    key("alt+F4", to=wid)
    poll("the reminder's window to close", lambda: not e.shown_window(TITLE), 5)
    wait = (ended_at - datetime.datetime.now()).total_seconds()
    expect(wait > 0, f"the clock took so long that it ends {-wait:.1f} s late")
    time.sleep(wait)
    clock.stop()
    log(f"ended at {datetime.datetime.now():%H:%M:%S} (SIGTERM); the sound is due at "
        f"{e.clock_text(sound_at)}, the shut-down at {e.clock_text(shutdown_at)}")
    time.sleep(max((restart_at - datetime.datetime.now()).total_seconds(), 0))

    clock.start()
    started = time.monotonic()
    played = f"play\t{sound}"
    poll("the missed sound at start", lambda: played in clock.log_lines(), 10)
    log(f"played {time.monotonic() - started:.1f} s after the start")
    time.sleep(2)  # the ticks after the start
    power = [line for line in clock.log_lines() if line.split("\t")[0] in POWER_LINES]
    expect(not power, f"the shut-down due at {e.clock_text(shutdown_at)}, while the clock was not "
           f"running, was performed at start: {power}")
    poll(f"«{MISSED}»", lambda: e.shown_window(MISSED), 10)
    listed = poll(f"the list in «{MISSED}»", lambda: e.accessible_strings(MISSED), 5)
    log(f"«{MISSED}»: {listed}")
    text = " | ".join(listed)
    expect(e.clock_text(shutdown_at) in text and "Выключение компьютера" in listed,
           f"the shut-down at {e.clock_text(shutdown_at)} is not listed: {text}")
    for what, at in (("the file", open_at), ("the reminder", reminder_at), ("the sound", sound_at)):
        expect(e.clock_text(at) not in text, f"{what} at {e.clock_text(at)} is listed: {text}")
    lines = clock.log_lines()
    log(f"dry-run log: {lines}")
    expect(lines.count(opened_line) == 1, f"the file was opened {lines.count(opened_line)} times")
    expect(lines.count(played) == 1, f"the sound was played {lines.count(played)} times")
    expect(not e.shown_window(TITLE), "the reminder, shown before the end, was shown again")
    expect(not [line for line in lines if line.split("\t")[0] in POWER_LINES],
           f"a power action was performed late: {lines}")
    clock.expect_running()


if __name__ == "__main__":
    e.main("e2e_sleep_restart", body)
