#!/usr/bin/python3
"""Fills a program folder with N scheduled actions and N reminders, as the
editors write them: a conf.ini section and a line of each action list per
action, a line of each reminder list per reminder (Windows-1251, CR LF).
Options already in conf.ini stay at its top.

    make-stores.py <program folder> <N>
"""
import datetime
import os
import sys

DAYS = ("Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun")


def write_list(path, lines):
    with open(path, "w", encoding="cp1251", newline="") as f:
        f.write("".join(line + "\r\n" for line in lines))


def main(folder, n):
    data = os.path.join(folder, "data")
    start = datetime.datetime(2026, 1, 1, 8, 0, 0)
    conf, actions = [], {k: [] for k in ("1Actions", "1Paths", "1Times", "1Dates", "1Ids")}
    reminders = {k: [] for k in ("Titles", "Messes", "Times", "Dates", "IDs")}
    for i in range(n):
        at = start + datetime.timedelta(days=i % 365, seconds=i)
        time_text = f"{at.hour}:{at.minute:02}:{at.second:02}"
        date_text = at.strftime("%d.%m.%Y")
        ident = f"{date_text} {time_text}"
        path = f"/home/anna/Music/Morning playlist/track {i:05}.mp3"
        conf.append(f"[Action{ident}]\r\nAction=0\r\nDate={date_text}\r\nTime={time_text}\r\n"
                    f"Path={path}\r\nType_Per=1\r\n" + "".join(f"{d}=0\r\n" for d in DAYS))
        for key, value in (("1Actions", "0"), ("1Paths", path), ("1Times", time_text),
                           ("1Dates", date_text), ("1Ids", ident)):
            actions[key].append(value)
        title = f"Напоминание {i:05}"
        for key, value in (("Titles", title), ("Times", time_text), ("Dates", date_text),
                           ("IDs", title + date_text),
                           ("Messes", os.path.join(data, "Messages", title + date_text + ".zdt"))):
            reminders[key].append(value)
    conf_path = os.path.join(folder, "conf.ini")
    head = open(conf_path, encoding="cp1251").read() if os.path.exists(conf_path) else ""
    with open(conf_path, "w", encoding="cp1251", newline="") as f:
        f.write(head + "".join(conf))
    for name, lines in list(actions.items()) + list(reminders.items()):
        write_list(os.path.join(data, name + ".zdt"), lines)


if __name__ == "__main__":
    main(sys.argv[1], int(sys.argv[2]))
