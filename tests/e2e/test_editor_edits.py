#!/usr/bin/python3
"""Editing what is already stored, in the real windows, over stored lists: an
action for Monday and Friday and three reminders. One user's path through the
settings window's two editors, in groups:

- the action editor shows the weekdays of the line the user clicks, also when
  that line was already the selected one;
- "Редактировать напоминалку" keeps the reminder's own time and day when only
  its text changes;
- after a change or a delete no reminder is selected, so a second delete beeps
  instead of removing a reminder the user never saw; a click on the selected
  line loads it again;
- a title the program refuses says why and keeps the editor in edit mode with
  what was typed;
- a reminder that comes due while the reminder editor is open opens above it,
  active, and once minimised its taskbar entry brings it back above it.

    with-xsession.sh --wm --tray --a11y -- /usr/bin/python3 test_editor_edits.py <Zentari> <source dir>
"""

import datetime
import os
import time

import e2elib as e
from e2elib import expect, key, log, poll

CONF_HEAD = "[Options big]\nTraySet=0\n[Options small]\non=yes\n"
ACTION_EDITOR = "Настройка будильника"
REMINDER_EDITOR = "Редактор сообщений"
BEEP = "beep\t1000\t1000"

# An action that never runs (once, long ago) but carries the weekday flags of
# Monday and Friday, which the editor shows whatever the periodicity.
ACTION_PATH = "/nonexistent/wake-up.mp3"
ACTION_SECTION = ("[Action01.01.2001 3:00:00]\nAction=0\nDate=01.01.2001\nTime=3:00:00\n"
                  f"Path={ACTION_PATH}\nType_Per=1\nMon=1\nTue=0\nWed=0\nThu=0\nFri=1\n"
                  "Sat=0\nSun=0\n")
# title, time, date, text: days to come, so that none fires by itself.
REMINDERS = [("Врач", "10:30:00", "25.01.2031", "Взять полис"),
             ("Зубной", "11:00:00", "26.01.2031", "Не есть за час"),
             ("Аптека", "12:00:00", "27.01.2031", "Капли")]


def window_titled(title):
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


def write_list(clock, name, lines):
    with open(os.path.join(clock.dir, "data", name), "w", encoding="cp1251", newline="\r\n") as f:
        f.write("".join(line + "\n" for line in lines))


def seed(clock):
    write_list(clock, "1Actions.zdt", ["0"])
    write_list(clock, "1Paths.zdt", [ACTION_PATH])
    write_list(clock, "1Times.zdt", ["3:00:00"])
    write_list(clock, "1Dates.zdt", ["01.01.2001"])
    write_list(clock, "1Ids.zdt", ["01.01.2001 3:00:00"])
    texts = os.path.join(clock.dir, "data", "messages")
    ids = [title + day for title, _, day, _ in REMINDERS]
    for (_, _, _, text), rid in zip(REMINDERS, ids):
        with open(os.path.join(texts, rid + ".zdt"), "w", encoding="cp1251",
                  newline="\r\n") as f:
            f.write(text + "\n")
    write_list(clock, "Titles.zdt", [r[0] for r in REMINDERS])
    write_list(clock, "Times.zdt", [r[1] for r in REMINDERS])
    write_list(clock, "Dates.zdt", [r[2] for r in REMINDERS])
    write_list(clock, "IDs.zdt", ids)
    write_list(clock, "Messes.zdt", [os.path.join(texts, rid + ".zdt") for rid in ids])


def beeps(clock):
    return clock.log_lines().count(BEEP)


def reminder_rows(clock):
    return list(zip(clock.read_list("Titles.zdt"), clock.read_list("Times.zdt"),
                    clock.read_list("Dates.zdt")))


def field(name):
    return e.accessible_text(REMINDER_EDITOR, "text", name)


def selected_reminders():
    return e.selected_items(REMINDER_EDITOR, "list", "Напоминания")


def press(window, name):
    e.click_accessible(window, "push button", name)


def weekdays_of_the_first_action(clock):
    """The action editor opens with its first line selected; a click on that
    line shows the action's weekdays."""
    press("Настройки", "Добавить действие")
    wid, info = poll("the action editor", lambda: window_titled(ACTION_EDITOR), 10)
    e.run("xdotool", "windowactivate", "--sync", str(wid), check=False)
    poll("the first action loaded", lambda: e.accessible_text(ACTION_EDITOR, "text",
                                                              "Путь до файла") == ACTION_PATH, 5)
    e.click_accessible(ACTION_EDITOR, "list item", ACTION_PATH)
    poll("the weekdays of the clicked action", lambda: e.find_accessible(
        ACTION_EDITOR, "label", " ,Пон ,Пят"), 5)
    shot(clock, "editor-edits-action-weekdays.png", info)
    press(ACTION_EDITOR, "Выйти")
    poll("the action editor to close", lambda: not window_titled(ACTION_EDITOR), 10)
    log("the action editor shows the weekdays of the line clicked again")


def change_keeps_the_moment(clock):
    """"Редактировать напоминалку" with only the text changed keeps the time and day."""
    e.click_accessible(REMINDER_EDITOR, "list item", "Зубной")
    poll("Зубной in the fields", lambda: field("Название сообщения") == "Зубной", 5)
    press(REMINDER_EDITOR, "Редактировать напоминалку")
    poll("edit mode", lambda: e.find_accessible(REMINDER_EDITOR, "push button",
                                                "Принять изменения"), 5)
    e.click_accessible(REMINDER_EDITOR, "text", "Текст напоминания")
    key("ctrl+End")
    e.type_text(" и воды")
    press(REMINDER_EDITOR, "Принять изменения")
    rows = poll("the change in the lists",
                lambda: (r := reminder_rows(clock)) and r[-1][0] == "Зубной" and r, 5)
    expect(rows == [REMINDERS[0][:3], REMINDERS[2][:3], REMINDERS[1][:3]],
           f"after changing only the text the lists hold {rows}")
    with open(os.path.join(clock.dir, "data", "messages", "Зубной26.01.2031.zdt"),
              encoding="cp1251") as f:
        expect(f.read().splitlines() == ["Не есть за час и воды"], "the new text is not stored")
    log("a changed text keeps the reminder's time and day")


def selection_after_change_and_delete(clock):
    """After a change and after a delete nothing is selected: delete beeps.
    A click on the selected line loads it again, also in edit mode."""
    expect(selected_reminders() == [], f"selected after the change: {selected_reminders()}")
    press(REMINDER_EDITOR, "Удалить напоминалку")
    poll("the beep of a delete with nothing selected", lambda: beeps(clock) == 1, 5)
    expect(len(clock.read_list("Titles.zdt")) == 3, "a delete after the change removed a line")

    e.click_accessible(REMINDER_EDITOR, "list item", "Врач")
    poll("Врач in the fields", lambda: field("Название сообщения") == "Врач", 5)
    press(REMINDER_EDITOR, "Удалить напоминалку")
    poll("Врач deleted", lambda: clock.read_list("Titles.zdt") == ["Аптека", "Зубной"], 5)
    expect(selected_reminders() == [], f"selected after the delete: {selected_reminders()}")
    press(REMINDER_EDITOR, "Удалить напоминалку")
    poll("the beep of the second delete", lambda: beeps(clock) == 2, 5)
    time.sleep(0.5)
    expect(clock.read_list("Titles.zdt") == ["Аптека", "Зубной"],
           f"the second delete removed {clock.read_list('Titles.zdt')}")

    e.click_accessible(REMINDER_EDITOR, "list item", "Аптека")
    poll("Аптека in the fields", lambda: field("Название сообщения") == "Аптека", 5)
    press(REMINDER_EDITOR, "Добавить новую напоминалку")
    poll("the fields emptied for a new reminder", lambda: field("Название сообщения") == "", 5)
    e.click_accessible(REMINDER_EDITOR, "list item", "Аптека")
    poll("the selected line loaded again", lambda: field("Название сообщения") == "Аптека", 5)
    expect(field("Текст напоминания") == "Капли", f"the text is {field('Текст напоминания')!r}")
    press(REMINDER_EDITOR, "Отменить измения")
    log("nothing selected after a change and a delete; a second delete beeps")


def refusal_keeps_what_was_typed(clock, due):
    """A title with "/" is refused with the reason; edit mode and the typed
    fields stay, and once put right the reminder is stored."""
    press(REMINDER_EDITOR, "Добавить новую напоминалку")
    e.click_accessible(REMINDER_EDITOR, "text", "Название сообщения")
    key("ctrl+a")
    e.type_text("Газ/свет")
    e.click_accessible(REMINDER_EDITOR, "text", "Текст напоминания")
    e.type_text("Передать показания")
    e.enter_date_and_time(REMINDER_EDITOR, due)
    press(REMINDER_EDITOR, "Принять изменения")
    message = "В названии нельзя использовать «/»"
    wid, info = poll("the refusal", lambda: window_titled("Ошибка!"), 10)
    poll("the reason in the box", lambda: e.find_accessible("Ошибка!", "label", message), 5)
    shot(clock, "editor-edits-refusal.png", info)
    key("Return", to=wid)
    poll("the box to close", lambda: not window_titled("Ошибка!"), 5)
    expect(e.find_accessible(REMINDER_EDITOR, "push button", "Принять изменения"),
           "the editor left edit mode after the refusal")
    expect(field("Название сообщения") == "Газ/свет", f"the title is {field('Название сообщения')!r}")
    expect(field("Текст напоминания") == "Передать показания",
           f"the text is {field('Текст напоминания')!r}")
    expect(len(clock.read_list("Titles.zdt")) == 2, "the refused reminder was stored")

    e.click_accessible(REMINDER_EDITOR, "text", "Название сообщения")
    key("ctrl+a")
    e.type_text("Газ и свет")
    press(REMINDER_EDITOR, "Принять изменения")
    poll("the reminder stored once put right",
         lambda: clock.read_list("Titles.zdt")[-1:] == ["Газ и свет"], 5)
    log("the refusal named «/» and kept the typed reminder")


def reminder_above_the_editor(clock, due):
    """Due while the reminder editor (kept on top) is open: above it and active."""
    editor, _ = window_titled(REMINDER_EDITOR)
    left = (due - datetime.datetime.now()).total_seconds()
    expect(left > 1, "the steps took so long that the reminder's second passed")
    rid, info = poll("the reminder window", lambda: window_titled("Газ и свет"), left + 8)

    def on_top():
        stacking = e.root_windows("_NET_CLIENT_LIST_STACKING")
        return rid in stacking and editor in stacking and \
            stacking.index(rid) > stacking.index(editor)

    def active():
        return e.root_windows("_NET_ACTIVE_WINDOW") == [rid]

    poll("the reminder window above the editor", on_top, 3)
    poll("the reminder window active", active, 3)
    shot(clock, "editor-edits-reminder-over-editor.png", info)

    # Put away, it comes back above the editor through its taskbar entry (the
    # window manager's activation request, as tint2 sends it).
    e.run("xdotool", "windowminimize", str(rid), check=False)
    poll("the reminder window minimised", lambda: not (e.window_info(rid) or {}).get("viewable"), 5)
    e.run("xdotool", "windowactivate", str(rid), check=False)
    poll("the reminder window raised by its taskbar entry",
         lambda: (e.window_info(rid) or {}).get("viewable") and on_top() and active(), 5)
    key("alt+F4", to=rid)
    poll("the reminder window to close", lambda: not window_titled("Газ и свет"), 5)
    log("the reminder opened above the editor, active")


def body(make, shots):
    clock = make(CONF_HEAD + ACTION_SECTION, tag="editor-edits")
    seed(clock)
    clock.start()
    poll("the clock window to be shown", clock.mapped_clock, 20)
    clock.wait_ready()  # the start-up pass through the tray
    ci = e.window_info(poll("the clock back from the tray", clock.mapped_clock, 10))
    e.move_pointer(ci["x"] + 110, ci["y"] + 10)
    e.click("3")
    poll("the clock's menu", lambda: [w for w in clock.popups() if w[1]["width"] < 600], 8)
    key("Down", "Down", "Return")
    poll("the settings window", lambda: window_titled("Настройки"), 10)

    weekdays_of_the_first_action(clock)

    press("Настройки", "Добавить сообщение")
    wid, info = poll("the reminder editor", lambda: window_titled(REMINDER_EDITOR), 10)
    e.run("xdotool", "windowactivate", "--sync", str(wid), check=False)
    change_keeps_the_moment(clock)
    selection_after_change_and_delete(clock)
    due = datetime.datetime.now().replace(microsecond=0) + datetime.timedelta(seconds=40)
    refusal_keeps_what_was_typed(clock, due)
    shot(clock, "editor-edits-reminder-editor.png", info)
    reminder_above_the_editor(clock, due)
    clock.expect_running()


if __name__ == "__main__":
    e.main("e2e_editor_edits", body)
