#!/usr/bin/python3
"""A playing sound can be stopped with the settings window open, where the
clock and its menu are hidden: a sound action repeating until stopped
("TimesPlay" 0) comes due while the user is in the settings; Escape stops it
and its repeats, and leaves the settings window open.

    with-xsession.sh --wm --tray -- /usr/bin/python3 test_stop_sound.py <Zentari> <source dir>
"""

import datetime
import os
import time

import e2elib as e
from e2elib import expect, key, log, poll


def body(make, shots):
    clock = make("", tag="stop-sound")
    sound = os.path.join(clock.dir, "alarm.wav")
    e.write_tone(sound, 1.0)
    due = datetime.datetime.now().replace(microsecond=0) + datetime.timedelta(seconds=16)
    date, at = f"{due:%d.%m.%Y}", f"{due.hour}:{due.minute:02d}:{due.second:02d}"
    with open(os.path.join(clock.dir, "conf.ini"), "w", encoding="cp1251", newline="\r\n") as f:
        f.write("[Options big]\nTraySet=0\nTimesPlay=0\n[Options small]\non=yes\n"
                f"[Action{date} {at}]\nAction=0\nDate={date}\nTime={at}\nPath={sound}\n"
                "Type_Per=1\n")
    clock.write_list("1Actions.zdt", ["0"])
    clock.write_list("1Paths.zdt", [sound])
    clock.write_list("1Times.zdt", [at])
    clock.write_list("1Dates.zdt", [date])
    clock.write_list("1Ids.zdt", [f"{date} {at}"])
    clock.start()
    poll("the clock window to be shown", clock.mapped_clock, 20)
    clock.wait_ready()  # the start-up timer's pass through the tray

    settings, _ = e.open_settings(clock)
    expect(not clock.mapped_clock(), "the clock stayed on the screen under the settings")
    expect(datetime.datetime.now() < due, "the sound came due before the settings were open")
    played = f"play\t{sound}"
    poll("the sound to start and repeat", lambda: clock.log_lines().count(played) >= 2,
         (due - datetime.datetime.now()).total_seconds() + 8)
    log(f"repeating: {clock.log_lines().count(played)} plays")

    key("Escape", to=settings)
    time.sleep(0.5)
    stopped = clock.log_lines().count(played)
    time.sleep(4.0)  # four repeats of a one-second sound, were it still going
    expect(clock.log_lines().count(played) == stopped,
           f"the sound went on after Escape: {clock.log_lines().count(played)} plays, "
           f"{stopped} when the key was pressed")
    expect(e.window_titled("Настройки"), "Escape closed the settings window")
    log(f"stopped after {stopped} plays; the settings window is open")
    clock.expect_running()


if __name__ == "__main__":
    e.main("e2e_stop_sound", body)
