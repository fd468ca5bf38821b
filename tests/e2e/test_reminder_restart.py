#!/usr/bin/python3
"""A reminder the store cannot take, and the next start of the program. With
"один" and "два" stored, a new reminder titled with 125 Cyrillic letters
(its text file's name would pass the file system's 255 bytes) is refused
before anything is written, with a message that says what is wrong. The
program is ended and started again on the same folder: the editor lists
"один" and "два", and the next reminder is stored beside them. The controls are
found over the accessibility bus.

    with-xsession.sh --wm --tray --a11y -- /usr/bin/python3 test_reminder_restart.py <Zentari> <source dir>
"""

import datetime
import os

import e2elib as e
from e2elib import expect, key, log, poll

CONF = "[Options big]\nTraySet=0\n"
EDITOR = "Редактор сообщений"
DAY = "25.01.2030"
STORED = ["один", "два"]
LONG_TITLE = ("Длинноеназвание" * 9)[:125]
TOO_LONG = "Название слишком длинное: не больше 117 букв"
LISTS = ("Titles.zdt", "Messes.zdt", "Times.zdt", "Dates.zdt", "IDs.zdt")


def seed(clock):
    """The two reminders as the store keeps them: five lists and two texts."""
    texts = []
    for title in STORED:
        text = os.path.join("messages", f"{title}{DAY}.zdt")
        clock.write_list(text, [f"текст {title}"])
        texts.append(os.path.join(clock.dir, "data", text))
    clock.write_list("Titles.zdt", STORED)
    clock.write_list("Messes.zdt", texts)
    clock.write_list("Times.zdt", ["10:00:00", "11:00:00"])
    clock.write_list("Dates.zdt", [DAY, DAY])
    clock.write_list("IDs.zdt", [t + DAY for t in STORED])


def stored_files(clock):
    """Every list and text file, byte for byte, and whatever else lies in data/
    except the clock's note of its last dispatched second, which is no store."""
    data = os.path.join(clock.dir, "data")
    out = {}
    for folder in (data, os.path.join(data, "messages")):
        for name in sorted(os.listdir(folder)):
            path = os.path.join(folder, name)
            if os.path.isfile(path) and not name.endswith(".lock") and name != "lastsecond.txt":
                with open(path, "rb") as f:
                    out[os.path.relpath(path, data)] = f.read()
    return out


def open_editor(clock):
    """The clock's menu, "Настройки звонка (будильника)", then "Добавить сообщение"."""
    poll("the clock window to be shown", clock.mapped_clock, 20)
    clock.wait_ready()  # 2.3 s after start it passes through the tray and comes back
    e.open_settings(clock)
    e.click_accessible("Настройки", "push button", "Добавить сообщение")
    poll("the reminder editor", lambda: e.find_accessible(EDITOR, "push button",
                                                          "Добавить новую напоминалку"), 10)


def listed(titles):
    return all(e.find_accessible(EDITOR, "list item", t) for t in titles)


def add(title, text, moment):
    e.click_accessible(EDITOR, "push button", "Добавить новую напоминалку")
    e.click_accessible(EDITOR, "text", "Название сообщения")
    key("ctrl+a")
    e.type_text(title, delay=0.03)
    e.click_accessible(EDITOR, "text", "Текст напоминания")
    e.type_text(text)
    e.enter_date_and_time(EDITOR, moment)
    e.click_accessible(EDITOR, "push button", "Принять изменения")


def body(make, shots):
    moment = datetime.datetime(2030, 1, 25, 12, 0, 0)
    clock = make(CONF, tag="reminder-restart")
    seed(clock)
    before = stored_files(clock)

    clock.start()
    open_editor(clock)
    poll("«один» and «два» in the editor's list", lambda: listed(STORED), 10)

    # 125 Cyrillic letters: refused before anything is written, and said why.
    add(LONG_TITLE, "не сохранится", moment)
    poll(f"the message «{TOO_LONG}»", lambda: e.find_accessible("Ошибка!", "label", TOO_LONG), 10)
    path = e.screenshot(os.path.join(clock.shots, "reminder-title-too-long.png"))
    log(f"screenshot {path}")
    key("Return")
    poll("the message to close", lambda: not e.find_accessible("Ошибка!", "label", TOO_LONG), 5)
    if e.find_accessible(EDITOR, "push button", "Отменить измения"):
        e.click_accessible(EDITOR, "push button", "Отменить измения")
    after = stored_files(clock)
    expect(after == before, f"the refused reminder changed the store: {sorted(after)}")
    log("refused, nothing written")

    # The program ends and starts again on the same folder.
    clock.stop()
    poll("the first program to end", lambda: not clock.running(), 5)
    clock.start()
    open_editor(clock)
    poll("«один» and «два» in the editor's list after the restart", lambda: listed(STORED), 10)

    add("три", "третье", moment)
    # The lists are renamed into place one after another: the change is whole
    # once its record is gone.
    pending = os.path.join(clock.dir, "data", "reminders.pending")
    poll("«три» in every list, the change complete",
         lambda: not os.path.exists(pending)
         and all(len(clock.read_list(name)) == 3 for name in LISTS), 5)
    titles = clock.read_list("Titles.zdt")
    expect(titles == STORED + ["три"], f"Titles.zdt holds {titles}")
    for name in LISTS:
        lines = clock.read_list(name)
        expect(len(lines) == 3, f"{name} holds {len(lines)} lines: {lines}")
    expect(clock.read_list("IDs.zdt") == [t + DAY for t in STORED + ["три"]],
           f"IDs.zdt holds {clock.read_list('IDs.zdt')}")
    for title in STORED + ["три"]:
        expect(os.path.exists(os.path.join(clock.dir, "data", "messages", f"{title}{DAY}.zdt")),
               f"the text of «{title}» is gone")
    poll("«три» in the editor's list", lambda: listed(STORED + ["три"]), 5)
    log("after the restart: «один», «два» and the new «три»")


if __name__ == "__main__":
    e.main("e2e_reminder_restart", body)
