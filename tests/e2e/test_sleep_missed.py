#!/usr/bin/python3
"""A laptop put to sleep through a reminder, an alarm sound and a shut-down,
with a stand-in logind on a private system bus: logind's PrepareForSleep(true),
the clock frozen (SIGSTOP) for longer than its tick's one-minute catch-up, then
thawed and PrepareForSleep(false), as a real suspend and resume go.

Before sleep the clock holds a delay lock and lets go of it once it has stored
its last second (data/lastsecond.txt). After resume: the reminder's window with
the line "Напоминание на <time> <date>" above its text; the sound, late by less
than MissedGrace (10 minutes), played once; the shut-down never performed and
listed in the window "Пропущенные события" and told in one notification;
nothing twice afterwards. With "WakeForAlarms" on, the wake timer stands at
the reminder's second when the machine goes to sleep.

    with-xsession.sh --wm --tray --a11y --logind -- /usr/bin/python3 test_sleep_missed.py <Zentari> <source dir>
"""

import datetime
import os
import re
import signal
import time

import e2elib as e
from e2elib import expect, key, log, poll

TITLE = "Планёрка"
TEXT = "Переговорная на третьем этаже"
MISSED = "Пропущенные события"
ASLEEP = 80  # seconds frozen: beyond the tick's 60-second catch-up
POWER_LINES = ("poweroff", "reboot", "logoff")


def performed(clock):
    """The dry-run log's lines of actions and reminder signals (not the wake
    timer's)."""
    return [line for line in clock.log_lines()
            if line.split("\t")[0] in ("play", "open", "beep") + POWER_LINES]


def delay_locks():
    return [lock for lock in e.logind.inhibitors("Zentari") if lock["mode"] == "delay"]


def body(make, shots):
    clock = make("", tag="sleep-missed")
    sound = os.path.join(clock.dir, "alarm.wav")
    e.write_tone(sound, 0.5)

    # The machine goes to sleep a little after the clock is up; everything
    # falls due while it sleeps.
    asleep_at = datetime.datetime.now().replace(microsecond=0) + datetime.timedelta(seconds=12)
    reminder_at = asleep_at + datetime.timedelta(seconds=20)
    sound_at = asleep_at + datetime.timedelta(seconds=30)
    shutdown_at = asleep_at + datetime.timedelta(seconds=40)
    actions = [(sound_at, 0, sound), (shutdown_at, 4, "")]
    sections = "".join(
        f"[Action{at:%d.%m.%Y} {e.clock_text(at)}]\nAction={kind}\nDate={at:%d.%m.%Y}\n"
        f"Time={e.clock_text(at)}\nPath={path}\nType_Per=1\n" for at, kind, path in actions)
    with open(os.path.join(clock.dir, "conf.ini"), "w", encoding="cp1251", newline="\r\n") as f:
        f.write("[Options big]\nTraySet=0\nWakeForAlarms=1\n[Options small]\non=yes\n" +
                sections)
    clock.write_list("1Actions.zdt", [str(kind) for _, kind, _ in actions])
    clock.write_list("1Paths.zdt", [path for _, _, path in actions])
    clock.write_list("1Times.zdt", [e.clock_text(at) for at, _, _ in actions])
    clock.write_list("1Dates.zdt", [f"{at:%d.%m.%Y}" for at, _, _ in actions])
    clock.write_list("1Ids.zdt", [f"{at:%d.%m.%Y} {e.clock_text(at)}" for at, _, _ in actions])
    date = f"{reminder_at:%d.%m.%Y}"
    text_file = os.path.join(clock.dir, "data", "messages", TITLE + date + ".zdt")
    os.makedirs(os.path.dirname(text_file), exist_ok=True)
    with open(text_file, "w", encoding="cp1251", newline="\r\n") as f:
        f.write(TEXT + "\n")
    clock.write_list("Titles.zdt", [TITLE])
    clock.write_list("Messes.zdt", [text_file])
    clock.write_list("Times.zdt", [e.clock_text(reminder_at)])
    clock.write_list("Dates.zdt", [date])
    clock.write_list("IDs.zdt", [TITLE + date])

    e.logind.system_bus()  # the stand-in's bus, not the machine's
    clock.start()
    poll("the clock window to be shown", clock.mapped_clock, 20)
    clock.wait_ready()
    locks = poll("the clock's delay lock on sleep", delay_locks, 10)
    log(f"before sleep: {locks}")
    expect([lock["what"] for lock in locks] == ["sleep"],
           f"the clock's delay locks are {locks}, not one on sleep")

    wait = (asleep_at - datetime.datetime.now()).total_seconds()
    expect(wait > 1, f"the clock took so long to start that the sleep comes {-wait:.1f} s late")
    time.sleep(wait)

    # logind's notice; the clock stores its state and lets go of the delay lock,
    # and only then does a real machine go to sleep.
    noticed = time.time()
    e.logind.prepare_for_sleep(True)
    poll("the clock to let go of its delay lock", lambda: not delay_locks(), 8, interval=0.05)
    answered = time.time() - noticed
    log(f"delay lock released {answered:.2f} s after PrepareForSleep(true)")
    expect(answered < 3, f"the clock let go of its delay lock only after {answered:.1f} s: the "
           "service's time-out, not the clock's answer")
    with open(os.path.join(clock.dir, "data", "lastsecond.txt"), encoding="utf-8") as f:
        stored = f.read()
    log(f"data/lastsecond.txt: {stored!r}")
    m = re.fullmatch(r"(" + e.DATE_RE + ") (" + e.TIME_RE + r")\t(\d+)\n?", stored)
    expect(m, f"data/lastsecond.txt holds {stored!r}")
    expect(noticed - 2 <= int(m.group(3)) <= time.time(),
           f"data/lastsecond.txt holds second {m.group(3)}, not the one before sleep "
           f"({noticed:.0f})")

    # Less than a minute ahead, the wake time is the second itself.
    wakes = [line for line in clock.log_lines() if line.split("\t")[0] == "wake"]
    log(f"wake timer before sleep: {wakes[-1:]}")
    expect(wakes and wakes[-1] == f"wake\t{reminder_at:%Y-%m-%d %H:%M:%S}",
           f"the wake timer at sleep is {wakes[-1:]}, not the reminder's second")

    os.kill(clock.proc.pid, signal.SIGSTOP)
    log(f"asleep for {ASLEEP} s: the reminder at {e.clock_text(reminder_at)}, the sound at "
        f"{e.clock_text(sound_at)}, the shut-down at {e.clock_text(shutdown_at)}")
    time.sleep(ASLEEP)
    expect(not performed(clock), f"performed before sleep: {performed(clock)}")
    os.kill(clock.proc.pid, signal.SIGCONT)
    woke = time.monotonic()
    e.logind.prepare_for_sleep(False)
    poll("the delay lock taken again after resume", delay_locks, 8)

    played = f"play\t{sound}"
    poll("the late sound", lambda: played in clock.log_lines(), 10)
    log(f"sound played {time.monotonic() - woke:.1f} s after resume, "
        f"{(datetime.datetime.now() - sound_at).total_seconds():.0f} s late")

    # The reminder's window and the list of what was missed, in whichever order
    # they come; each is read and closed.
    first_line = f"Напоминание на {e.clock_text(reminder_at)} {date}"
    padded = f"Напоминание на {reminder_at:%H:%M:%S} {date}"
    seen = {}
    while len(seen) < 2:
        wid, title = poll("the reminder and the missed-events windows",
                          lambda: next(((w, t) for t in (TITLE, MISSED) if t not in seen
                                        for w in (e.shown_window(t),) if w), None), 20)
        strings = poll(f"the controls of «{title}»", lambda: e.accessible_strings(title), 5)
        log(f"«{title}» shown {time.monotonic() - woke:.1f} s after resume: {strings}")
        path = e.screenshot(os.path.join(shots, f"sleep-missed-{len(seen) + 1}.png"))
        log(f"screenshot {path}")
        seen[title] = strings
        key("alt+F4", to=wid)
        poll(f"«{title}» to close", lambda: not e.shown_window(title), 5)

    texts = [s for s in seen[TITLE] if "Напоминание на" in s]
    expect(texts, f"the reminder's window shows no «Напоминание на»: {seen[TITLE]}")
    lines = texts[0].splitlines()
    expect(lines[0] in (first_line, padded) and TEXT in lines[1:],
           f"the reminder's text is {texts[0]!r}, not {first_line!r} above {TEXT!r}")
    listed = " | ".join(seen[MISSED])
    expect((e.clock_text(shutdown_at) in listed or f"{shutdown_at:%H:%M:%S}" in listed) and
           "Выключение компьютера" in seen[MISSED],
           f"the shut-down at {e.clock_text(shutdown_at)} is not in «{MISSED}»: {listed}")
    expect(e.clock_text(sound_at) not in listed and f"{sound_at:%H:%M:%S}" not in listed,
           f"the sound, played late, is listed as missed too: {listed}")
    expect(e.clock_text(reminder_at) not in listed and f"{reminder_at:%H:%M:%S}" not in listed,
           f"the reminder, shown late, is listed as missed too: {listed}")

    # Nothing comes back: no second sound, no shut-down, no window again.
    time.sleep(3)
    expect(not e.shown_window(TITLE) and not e.shown_window(MISSED), "a window came back after it was closed")
    lines = clock.log_lines(notices=True)
    log(f"dry-run log: {lines}")
    expect(lines.count(played) == 1, f"the sound was played {lines.count(played)} times")
    expect(not [line for line in lines if line.split("\t")[0] in POWER_LINES],
           f"a power action was performed late: {lines}")
    notices = [line.split("\t")[1] for line in lines if line.startswith("notify\t")]
    expect(notices.count(MISSED) == 1, f"not one notification «{MISSED}»: {notices}")
    # The late reminder and the late sound are told of as on time; the
    # reminder's notification went with its closed window.
    expect(TITLE in notices and "Будильник" in notices,
           f"the reminder and the alarm without their notifications: {notices}")
    expect([line for line in lines if line.startswith("notify-close\t")],
           f"the reminder's notification is still shown: {lines}")
    expect([lock["what"] for lock in delay_locks()] == ["sleep"],
           f"after resume the clock's delay locks are {delay_locks()}")
    clock.expect_running()


if __name__ == "__main__":
    e.main("e2e_sleep_missed", body)
