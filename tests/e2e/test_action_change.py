#!/usr/bin/python3
"""Changing an action keeps its periodicity: a Monday-and-Friday action opened
with "Изменить действие", its time changed and saved with "ОК" without a look
at "Выбрать периодичность", is still a Monday-and-Friday action in conf.ini.
Controls are found over the accessibility bus.

    with-xsession.sh --wm --tray --a11y -- /usr/bin/python3 test_action_change.py <Zentari> <source dir>
"""

import os
import re

import e2elib as e
from e2elib import expect, key, log, poll

EDITOR = "Настройка будильника"
DAYS = ("Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun")


def section(conf_text, name):
    """The keys of one INI section, or None when it is not there."""
    m = re.search(r"^\[" + re.escape(name) + r"\]\r?\n((?:[^\[].*\r?\n?)*)", conf_text, re.M)
    if not m:
        return None
    return dict(line.split("=", 1) for line in m.group(1).splitlines() if "=" in line)


def read_conf(clock):
    with open(os.path.join(clock.dir, "conf.ini"), encoding="cp1251") as f:
        return f.read()


def body(make, shots):
    clock = make("", tag="action-change")
    target = os.path.join(clock.dir, "weekly.txt")
    with open(target, "w") as f:
        f.write("a file to open on Mondays and Fridays\n")
    days = "".join(f"{day}={'1' if day in ('Mon', 'Fri') else '0'}\n" for day in DAYS)
    with open(os.path.join(clock.dir, "conf.ini"), "w", encoding="cp1251", newline="\r\n") as f:
        f.write("[Options big]\nTraySet=0\n[Options small]\non=yes\n"
                "[Action01.12.2026 7:30:00]\nAction=1\nDate=01.12.2026\nTime=7:30:00\n"
                f"Path={target}\nType_Per=3\n{days}")
    clock.write_list("1Actions.zdt", ["1"])
    clock.write_list("1Paths.zdt", [target])
    clock.write_list("1Times.zdt", ["7:30:00"])
    clock.write_list("1Dates.zdt", ["01.12.2026"])
    clock.write_list("1Ids.zdt", ["01.12.2026 7:30:00"])
    clock.start()
    poll("the clock window to be shown", clock.mapped_clock, 20)
    clock.wait_ready()  # the start-up timer's pass through the tray

    e.open_settings(clock)
    e.click_accessible("Настройки", "push button", "Добавить действие")
    wid, info = poll("the action editor to open", lambda: e.window_titled(EDITOR), 10)
    # The first action is selected on opening; the change starts from it.
    e.click_accessible(EDITOR, "push button", "Изменить действие")
    e.click_accessible(EDITOR, "spin button", "Время")
    key("Home", "Delete", "Delete")
    e.type_text("081500")
    e.click_accessible(EDITOR, "push button", "ОК")

    times = poll("the changed action in data/1Times.zdt",
                 lambda: (lambda t: t if t == ["8:15:00"] else None)(
                     open(os.path.join(clock.dir, "data", "1Times.zdt"), encoding="cp1251")
                     .read().splitlines()), 5)
    conf = read_conf(clock)
    log(f"saved at {times[0]}")
    expect(section(conf, "Action01.12.2026 7:30:00") is None,
           f"the old action's section is still there:\n{conf}")
    changed = section(conf, "Action01.12.2026 8:15:00")
    expect(changed is not None, f"no section for the changed action:\n{conf}")
    kept = {key_: changed.get(key_) for key_ in ("Type_Per",) + DAYS}
    want = {"Type_Per": "3", **{day: "1" if day in ("Mon", "Fri") else "0" for day in DAYS}}
    expect(kept == want, f"the change lost the periodicity: {kept}, not {want}")
    e.screenshot(os.path.join(shots, "action-change-saved.png"),
                 (info["x"], max(info["y"] - 28, 0), info["width"], info["height"] + 28))

    clock.expect_running()


if __name__ == "__main__":
    e.main("e2e_action_change", body)
