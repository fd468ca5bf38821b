#!/usr/bin/python3
"""A reminder as a user sets one, with the clock in the tray: the settings
from the tray icon's menu, "Добавить сообщение", a new reminder typed into the
editor for a few seconds ahead; the clock sent to the tray; at its second the
signal (a beep in the dry-run log) and a window captioned with its title;
closing that window brings the clock back from the tray. The controls of the
settings window and the editor are found over the accessibility bus by role
and name, as a screen reader finds them, and clicked where they are.

    with-xsession.sh --wm --tray --a11y -- /usr/bin/python3 test_reminders.py <Zentari> <source dir>
"""

import datetime
import os
import time

import e2elib as e
from e2elib import expect, key, log, poll

TITLE = "Врач"
TEXT = "Взять полис и карту"


def titled(clock, title):
    for wid in e.windows_of_class("Zentari"):
        info = e.window_info(wid)
        if info and info["viewable"] and e.title_of(wid) == title:
            return wid, info
    return None


def shot(clock, name, info, top=28):
    path = e.screenshot(os.path.join(clock.shots, name),
                        (max(info["x"] - 8, 0), max(info["y"] - top, 0), info["width"] + 16,
                         info["height"] + top + 8), scale=2)
    log(f"screenshot {path}")


def body(make, shots):
    clock = make("", tag="reminders")
    clock.start()
    icon = poll("the clock to go to the tray", lambda: not clock.mapped_clock() and clock.tray_icon(),
                20)

    # The tray icon's menu: "Настройки звонка (будильника)", its second item.
    ii = e.window_info(icon)
    e.click_in(ii, ii["width"] // 2, ii["height"] // 2, "3")
    poll("the tray menu", lambda: [w for w in clock.popups((icon,)) if w[1]["width"] < 600], 8)
    key("Down", "Down", "Return")
    _, si = poll("the settings window", lambda: titled(clock, "Настройки"), 10)

    # "Добавить сообщение" opens the reminder editor.
    e.click_accessible("Настройки", "push button", "Добавить сообщение")
    _, ri = poll("the reminder editor", lambda: titled(clock, "Редактор сообщений"), 10)
    expect((ri["width"], ri["height"]) == (619, 456),
           f"the editor is {ri['width']} x {ri['height']}, not 619 x 456")
    shot(clock, "reminder-editor.png", ri)

    editor = "Редактор сообщений"
    e.click_accessible(editor, "push button", "Добавить новую напоминалку")
    e.click_accessible(editor, "text", "Название сообщения")
    key("ctrl+a")
    e.type_text(TITLE)
    e.click_accessible(editor, "text", "Текст напоминания")
    e.type_text(TEXT)
    due = datetime.datetime.now().replace(microsecond=0) + datetime.timedelta(seconds=35)
    e.enter_date_and_time(editor, due)
    shot(clock, "reminder-editor-filled.png", ri)
    e.click_accessible(editor, "push button", "Принять изменения")
    titles = poll("the reminder in data/Titles.zdt", lambda: clock.read_list("Titles.zdt"), 5)
    expect(titles == [TITLE], f"Titles.zdt holds {titles}")
    times = clock.read_list("Times.zdt")
    expect(times == [f"{due.hour}:{due.minute:02d}:{due.second:02d}"], f"Times.zdt holds {times}")
    dates = clock.read_list("Dates.zdt")
    expect(dates == [f"{due:%d.%m.%Y}"], f"Dates.zdt holds {dates}")
    shot(clock, "reminder-editor-saved.png", ri)
    e.click_accessible(editor, "push button", "Сохранить и выйти")
    poll("the editor to close", lambda: not titled(clock, "Редактор сообщений"), 5)

    # "Сохранить" returns to the clock; then the clock's own menu sends it to the tray.
    e.click_accessible("Настройки", "push button", "Сохранить")
    wid = poll("the clock back after the settings", clock.mapped_clock, 10)
    ci = e.window_info(wid)
    e.click_in(ci, 110, 10, "3")
    poll("the clock's menu", lambda: [w for w in clock.popups() if w[1]["width"] < 600], 8)
    key("Down", "Return")
    poll("the clock in the tray", lambda: not clock.mapped_clock() and clock.tray_icon(), 8)
    expect(datetime.datetime.now() < due - datetime.timedelta(seconds=1),
           "the steps took so long that the reminder's second passed")
    log(f"reminder due at {due:%H:%M:%S}, the clock in the tray")

    rid, rinfo = poll("the reminder window", lambda: titled(clock, TITLE),
                      (due - datetime.datetime.now()).total_seconds() + 8)
    log(f"shown at {datetime.datetime.now():%H:%M:%S}: {rinfo['width']} x {rinfo['height']}")
    expect((rinfo["width"], rinfo["height"]) == (302, 116),
           f"the reminder window is {rinfo['width']} x {rinfo['height']}")
    shot(clock, "reminder-window.png", rinfo)
    expect(clock.log_lines() == ["beep\t1000\t1000"], f"the signal: {clock.log_lines()}")
    expect(clock.tray_icon(), "the clock left the tray before the window was closed")

    key("alt+F4", to=rid)
    poll("the reminder window to close", lambda: not titled(clock, TITLE), 5)
    poll("the clock back from the tray", lambda: clock.mapped_clock() and not clock.tray_icon(), 8)
    time.sleep(2.0)
    expect(clock.log_lines() == ["beep\t1000\t1000"], f"shown more than once: {clock.log_lines()}")
    notices = [line for line in clock.log_lines(notices=True) if line.startswith("notify")]
    expect(len(notices) == 2 and notices[0].startswith(f"notify\t{TITLE}\t") and
           notices[1].startswith("notify-close\t"),
           f"not one notification, gone with the window: {notices}")
    log("closed: the clock is back from the tray, one signal")


if __name__ == "__main__":
    e.main("e2e_reminders", body)
