#!/usr/bin/python3
"""A reminder put off from its window. With SnoozeMinutes=1 in conf.ini, a
reminder due a few seconds after the start is shown; a right click on its
text opens the window's menu, whose first item, "Напомнить через 1 минуту",
is clicked with the mouse. The window closes, the lists hold the reminder's
new time (a minute after the click) with its title and text, and the reminder
is shown again, with its stored text and a second signal, at that second.
Meanwhile the clock's own right-click menu lists it as put off: a submenu
above the disabled "Прекратить выход из системы" (a popup menu is not on the
accessibility bus, so the keys find it).

    with-xsession.sh --wm -- /usr/bin/python3 test_reminder_snooze.py <Zentari> <source dir>
"""

import datetime
import os

import e2elib as e
from e2elib import expect, key, log, poll

CONF = "[Options big]\nTraySet=0\nSnoozeMinutes=1\n"
TITLE = "Кормить кота"
TEXT = "Сухой корм, полмиски"


def body(make, shots):
    clock = make(CONF, tag="reminder_snooze")
    due = datetime.datetime.now().replace(microsecond=0) + datetime.timedelta(seconds=12)
    rid = f"{TITLE}{due:%d.%m.%Y}"
    text_file = os.path.join("messages", f"{rid}.zdt")
    clock.write_list(text_file, [TEXT])
    clock.write_list("Titles.zdt", [TITLE])
    clock.write_list("Messes.zdt", [os.path.join(clock.dir, "data", text_file)])
    clock.write_list("Times.zdt", [e.clock_text(due)])
    clock.write_list("Dates.zdt", [f"{due:%d.%m.%Y}"])
    clock.write_list("IDs.zdt", [rid])
    clock.start()

    wid, info = poll("the reminder window", lambda: e.shown_titled(TITLE),
                     (due - datetime.datetime.now()).total_seconds() + 10)
    log(f"shown at {datetime.datetime.now():%H:%M:%S} (due {e.clock_text(due)})")
    expect(clock.log_lines() == ["beep\t1000\t1000"], f"the signal: {clock.log_lines()}")

    # A right click on the text: the window's menu, not the text box's own.
    e.click_in(info, info["width"] // 2, info["height"] // 2, "3")
    menu, mi = poll("the reminder window's menu",
                    lambda: [w for w in clock.popups((wid,)) if w[1]["width"] < 600], 8)[0]
    path = e.screenshot(os.path.join(shots, "reminder-snooze-menu.png"),
                        (mi["x"], mi["y"], mi["width"], mi["height"]), scale=2)
    log(f"screenshot {path}")
    clicked = datetime.datetime.now()
    e.click_in(mi, mi["width"] // 2, 12)
    poll("the reminder window to close", lambda: not e.shown_titled(TITLE), 5)

    # The lists: the same reminder a minute after the click.
    times = clock.read_list("Times.zdt")
    expect(len(times) == 1, f"Times.zdt holds {times}")
    dates = clock.read_list("Dates.zdt")
    again = datetime.datetime.strptime(f"{dates[0]} {times[0]}", "%d.%m.%Y %H:%M:%S")
    late = (again - clicked).total_seconds()
    expect(58 <= late <= 63, f"snoozed to {again:%H:%M:%S}, {late:.1f} s after the click")
    expect(clock.read_list("Titles.zdt") == [TITLE], "the title changed")
    expect(clock.read_list("IDs.zdt") == [f"{TITLE}{again:%d.%m.%Y}"],
           f"IDs.zdt holds {clock.read_list('IDs.zdt')}")
    log(f"snoozed to {e.clock_text(again)}")

    # The clock's menu lists it until it comes back.
    clock.expect_snooze_listed(os.path.join(shots, "reminder-snooze-clock-menu.png"))

    wid, info = poll("the reminder shown again",
                     lambda: e.shown_titled(TITLE),
                     (again - datetime.datetime.now()).total_seconds() + 8)
    shown = datetime.datetime.now()
    log(f"shown again at {shown:%H:%M:%S}")
    expect(shown >= again - datetime.timedelta(seconds=1),
           f"shown at {shown:%H:%M:%S}, before its new second {e.clock_text(again)}")
    expect(clock.log_lines() == ["beep\t1000\t1000"] * 2, f"the signals: {clock.log_lines()}")
    key("alt+F4", to=wid)
    poll("the reminder window to close", lambda: not e.shown_titled(TITLE), 5)
    with open(os.path.join(clock.dir, "data", "messages", f"{TITLE}{again:%d.%m.%Y}.zdt"),
              encoding="cp1251") as f:
        expect(f.read().splitlines() == [TEXT], "the text file changed")


if __name__ == "__main__":
    e.main("e2e_reminder_snooze", body)
