#!/usr/bin/python3
"""The action editor on a real X server: opened the way a user goes (the
clock's menu, the settings, "Добавить действие"), an action "1. Любой файл" added through
its controls with the mouse and the keyboard (the file from the file dialog,
today's date and a time a few seconds ahead, the periodicity dialog opened and
closed), the editor closed, and the clock's tick performing the action once,
as the dry-run log shows. The controls are found over the accessibility bus by
role and name, as a screen reader finds them, and clicked where they are.
Screenshots of the editor in browse and editing mode and of the periodicity
dialog land in the screenshots folder.

    with-xsession.sh --wm --tray --a11y -- /usr/bin/python3 test_action_editor.py <Zentari> <source dir>
"""

import datetime
import os
import time

import e2elib as e
from e2elib import expect, key, log, poll

CONF = "[Options big]\nTraySet=0\n[Options small]\non=yes\n"
EDITOR_SIZE = (488, 376)
EDITOR = "Настройка будильника"
PERIODICITY = "Выберите периодичность исполнения"


def window_titled(clock, title):
    """The shown Zentari window with this caption (the window manager may add
    the application's name after it)."""
    for wid in e.windows_of_class("Zentari"):
        info = e.window_info(wid)
        shown = e.title_of(wid) if info and info["viewable"] else None
        if shown and (shown == title or shown.startswith(title + " — ")):
            return wid, info
    return None


def click(info, at, button="1"):
    e.move_pointer(info["x"] + at[0], info["y"] + at[1])
    time.sleep(0.1)
    e.click(button)
    time.sleep(0.3)


def shot(clock, name, info, top=28):
    path = e.screenshot(os.path.join(clock.shots, name),
                        (max(info["x"] - 8, 0), max(info["y"] - top, 0), info["width"] + 16,
                         info["height"] + top + 8), scale=2)
    log(f"screenshot {path}")
    return path


def body(make, shots):
    clock = make(CONF, tag="action-editor")
    target = os.path.join(clock.dir, "Notes.TXT")
    with open(target, "w") as f:
        f.write("the action's file\n")
    clock.start()
    clock_wid = poll("the clock window to be shown", clock.mapped_clock, 20)
    # The clock's start-up timer visits the tray and comes back.
    clock.wait_ready()
    clock_wid = poll("the clock back from its pass through the tray", clock.mapped_clock, 10)

    # The way a user goes: the clock's menu, "Настройки звонка (будильника)",
    # then "Добавить действие" in the settings.
    click(e.window_info(clock_wid), (110, 10), "3")
    poll("the clock's menu", lambda: [w for w in clock.popups() if w[1]["width"] < 600], 8)
    key("Down", "Down", "Return")
    poll("the settings window", lambda: window_titled(clock, "Настройки"), 10)
    e.click_accessible("Настройки", "push button", "Добавить действие")
    wid, info = poll("the action editor to open", lambda: window_titled(clock, EDITOR), 10)
    expect((info["width"], info["height"]) == EDITOR_SIZE,
           f"the editor is {info['width']} x {info['height']}, not 488 x 376")
    e.run("xdotool", "windowactivate", "--sync", str(wid))
    info = e.window_info(wid)
    shot(clock, "action-editor-browse.png", info)

    e.click_accessible(EDITOR, "push button", "Добавить действие")
    shot(clock, "action-editor-editing.png", info)

    # The type chooser has the focus on entering editing mode: "1" picks "1. Любой файл".
    key("1")
    e.click_accessible(EDITOR, "push button", "Обзор")
    dialog = poll("the file dialog", lambda: window_titled(clock, "Открыть"), 10)
    shot(clock, "action-editor-file-dialog.png", dialog[1])
    e.type_text(target)
    key("Return")
    poll("the file dialog to close", lambda: not window_titled(clock, "Открыть"), 10)

    e.click_accessible(EDITOR, "push button", "Выбрать периодичность")
    periodicity = poll("the periodicity dialog", lambda: window_titled(clock, PERIODICITY), 10)
    pinfo = periodicity[1]
    expect((pinfo["width"], pinfo["height"]) == (297, 201),
           f"the periodicity dialog is {pinfo['width']} x {pinfo['height']}, not 297 x 201")
    # "Выполнять в определеные дни" enables the weekdays; "Выполнять один раз" is what we save.
    e.click_accessible(PERIODICITY, "radio button", "Выполнять в определеные дни")
    shot(clock, "periodicity-dialog.png", pinfo)
    e.click_accessible(PERIODICITY, "radio button", "Выполнять один раз")
    key("Escape")
    poll("the periodicity dialog to close", lambda: not window_titled(clock, PERIODICITY), 10)

    due = datetime.datetime.now().replace(microsecond=0) + datetime.timedelta(seconds=20)
    e.enter_date_and_time(EDITOR, due)
    shot(clock, "action-editor-filled.png", info)
    e.click_accessible(EDITOR, "push button", "ОК")

    paths = poll("the action in data/1Paths.zdt", lambda: clock.read_list("1Paths.zdt"), 5)
    expect(paths == [target], f"1Paths.zdt holds {paths}")
    times = clock.read_list("1Times.zdt")
    expect(times == [f"{due.hour}:{due.minute:02d}:{due.second:02d}"], f"1Times.zdt holds {times}")
    expect(clock.read_list("1Actions.zdt") == ["1"], "the type is not 1")
    log(f"saved: {target} at {times[0]} on {due:%d.%m.%Y}")
    shot(clock, "action-editor-saved.png", info)

    e.click_accessible(EDITOR, "push button", "Выйти")
    poll("the editor to close", lambda: not window_titled(clock, EDITOR), 10)
    expect(datetime.datetime.now() < due - datetime.timedelta(seconds=1),
           "the test was too slow: the action came due before the editor closed")

    opened = ["open\t" + target + "\t"]
    poll("the action to be performed", lambda: clock.log_lines() == opened,
         (due - datetime.datetime.now()).total_seconds() + 5)
    log(f"performed at {datetime.datetime.now():%H:%M:%S}: {clock.log_lines()}")
    time.sleep(3.0)
    expect(clock.log_lines() == opened, f"performed more than once: {clock.log_lines()}")
    clock.expect_running()


if __name__ == "__main__":
    e.main("e2e_action_editor", body)
