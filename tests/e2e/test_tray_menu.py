#!/usr/bin/python3
"""The tray icon and the popup menu on a real X server with a system tray: the
clock goes to the tray after start, comes back on a double click, goes again
through the menu; the tray menu's "Через 1 минуту" schedules a shutdown that the
dry run logs a minute later, with the warning window; the menu aborts it and
"Выход" ends the program.

    with-xsession.sh --wm --tray -- /usr/bin/python3 test_tray_menu.py <Zentari> <source dir>
"""

import os
import re
import time

import e2elib as e
from e2elib import expect, key, log, poll

SHUTDOWN_LINE = ("poweroff\t50\tСейчас произойдёт запланированое выключение компьютера. "
                 "Zentari ")


def menu_windows(clock, excluded):
    return [(wid, info) for wid, info in clock.popups(excluded) if info["width"] < 600]


def shot_of(clock, shots, name, windows, top=12):
    """A screenshot of the union of `windows` (and a margin), scaled up twice."""
    x0 = min(i["x"] for _, i in windows) - 12
    y0 = min(i["y"] for _, i in windows) - top
    x1 = max(i["x"] + i["width"] for _, i in windows) + 12
    y1 = max(i["y"] + i["height"] for _, i in windows) + 12
    x0, y0 = max(x0, 0), max(y0, 0)
    x1, y1 = min(x1, 1024), min(y1, 768)
    path = e.screenshot(os.path.join(shots, name), (x0, y0, x1 - x0, y1 - y0), scale=2)
    log(f"screenshot {path}")
    return path


def open_tray_menu(clock, icon, excluded, count=1):
    info = e.window_info(icon)
    e.move_pointer(info["x"] + info["width"] // 2,
          info["y"] + info["height"] // 2)
    e.click("3")
    return poll("the popup menu to open at the tray icon",
                lambda: len(menu_windows(clock, excluded)) >= count and menu_windows(clock, excluded),
                8)


def wait_menus_closed(clock, excluded):
    poll("the menu to close", lambda: not menu_windows(clock, excluded), 8)


def body(make, shots):
    clock = make("", tag="tray-menu")
    clock.start()
    clock_wid = poll("the clock window to be shown", clock.mapped_clock, 20)
    shown_at = clock.since_start()
    log(f"clock shown {shown_at:.1f} s after start")

    # About 2.3 s later it goes to the tray.
    icon = poll("the tray icon to dock and the clock to hide",
                lambda: not clock.mapped_clock() and clock.tray_icon(), 20)
    hidden_at = clock.since_start()
    log(f"in the tray {hidden_at:.1f} s after start: icon 0x{icon:x} {e.window_info(icon)}")
    expect(1.5 < hidden_at - shown_at < 8,
           f"the clock went to the tray {hidden_at - shown_at:.1f} s after it was shown, "
           "not about 2.3 s")
    expect(e.prop(icon, "_XEMBED_INFO") is not None, "the tray icon is not an XEmbed client")
    e.screenshot(os.path.join(shots, "tray-icon.png"), (824, 738, 200, 30), scale=3)
    time.sleep(0.5)
    expect(not clock.mapped_clock(), "the clock came back by itself")

    # A double click brings it back (its first click already does: the icon's
    # click toggles the tray state, and the icon is gone before the second one).
    info = e.window_info(icon)
    e.move_pointer(info["x"] + info["width"] // 2,
          info["y"] + info["height"] // 2)
    e.click("--repeat", "2", "--delay", "120", "1")
    clock_wid = poll("the clock to come back after a double click on the icon",
                     clock.mapped_clock, 8)
    time.sleep(1.0)
    expect(clock.mapped_clock(), "the clock went back to the tray after the double click")
    expect(not clock.tray_icon(), "the tray icon stayed after the clock came back")
    log("double click: the clock is back, the icon is gone")

    # The clock's own menu sends it to the tray again: first item, "Свернуть в трей".
    ci = e.window_info(clock_wid)
    e.move_pointer(ci["x"] + 110, ci["y"] + 10)  # the picture, right of the date
    e.click("3")
    menus = poll("the clock's menu to open", lambda: menu_windows(clock, ()), 8)
    shot_of(clock, shots, "clock-menu.png", menus + [(clock_wid, ci)])
    key("Down", "Return")
    icon = poll("the clock to go to the tray through 'Свернуть в трей'",
                lambda: not clock.mapped_clock() and clock.tray_icon(), 8)
    log("'Свернуть в трей': the clock is in the tray again")

    # Right click on the icon: the menu at the pointer.
    menus = open_tray_menu(clock, icon, (icon,))
    mi = menus[0][1]
    ii = e.window_info(icon)
    log(f"tray menu at {mi['x']},{mi['y']} {mi['width']} x {mi['height']}")
    expect(mi["x"] - 30 <= ii["x"] + ii["width"] // 2 <= mi["x"] + mi["width"] + 30 and
           mi["y"] - 30 <= ii["y"] + ii["height"] // 2 <= mi["y"] + mi["height"] + 30,
           "the menu did not open at the pointer")
    shot_of(clock, shots, "tray-menu.png", menus)

    # From the bottom: "Выход", "Проверить обновление", "Шаблоны..."; then into
    # "Выключить компьютер..." and down to the last template, "Через 1 минуту".
    key("Up", "Up", "Up", "Right")
    poll("the submenu 'Шаблоны...'", lambda: len(menu_windows(clock, (icon,))) >= 2, 5)
    key("Right")
    menus = poll("the submenu 'Выключить компьютер...'",
                 lambda: len(menu_windows(clock, (icon,))) >= 3 and menu_windows(clock, (icon,)), 5)
    shot_of(clock, shots, "templates-menu.png", menus)
    key(*["Down"] * 10)
    shot_of(clock, shots, "templates-last-item.png", menus)
    key("Return")
    chosen = time.monotonic()
    wait_menus_closed(clock, (icon,))
    log("chose 'Через 1 минуту'")
    expect(clock.log_lines() == [], f"a template click should log nothing yet: {clock.log_lines()}")

    with open(os.path.join(clock.dir, "conf.ini"), encoding="cp1251") as f:
        conf = f.read()
    m = re.search(r"\[Action(" + e.DATE_RE + ") (" + e.TIME_RE + r")\]", conf)
    expect(m, f"no template section in conf.ini:\n{conf}")
    log(f"scheduled for {m.group(1)} {m.group(2)}")
    expect("Path=Шаблон выключенияЧерез 1 минуту" + m.group(2) in conf,
           f"the section has not the template's Path:\n{conf}")

    # A minute later the dry run logs the shutdown, once.
    poll("the shutdown line in the dry-run log", clock.log_lines, 90, interval=0.5)
    after = time.monotonic() - chosen
    log(f"logged {after:.1f} s after the click: {clock.log_lines()}")
    expect(55 <= after <= 66, f"the shutdown came {after:.1f} s after the click, not about 60 s")
    warning = poll("the shutdown warning window",
                   lambda: [w for w in clock.popups((icon,)) if w[1]["width"] >= 300], 8)
    time.sleep(2.5)  # a second tick must not repeat it
    expect(clock.log_lines() == [SHUTDOWN_LINE],
           f"expected exactly one line {SHUTDOWN_LINE!r}, the log holds {clock.log_lines()}")
    shot_of(clock, shots, "shutdown-warning.png", warning, top=40)  # with its title bar

    # "Прекратить выход из системы" is now enabled: fourth from the bottom.
    menus = open_tray_menu(clock, icon, (icon, warning[0][0]))
    shot_of(clock, shots, "tray-menu-abort.png", menus)
    key("Up", "Up", "Up", "Up", "Return")
    poll("'cancel-shutdown' in the dry-run log", lambda: len(clock.log_lines()) >= 2, 8)
    expect(clock.log_lines() == [SHUTDOWN_LINE, "cancel-shutdown"],
           f"expected the shutdown and 'cancel-shutdown', the log holds {clock.log_lines()}")
    poll("the warning window to close",
         lambda: not (e.window_info(warning[0][0]) or {}).get("viewable"), 5)
    log("'Прекратить выход из системы': cancel-shutdown logged, the warning closed")

    # "Выход" ends the program without restarting it.
    open_tray_menu(clock, icon, (icon,))
    key("Up", "Return")
    poll("the program to end after 'Выход'", lambda: not clock.running(), 10)
    expect(clock.proc.returncode == 0, f"exit status {clock.proc.returncode}, not 0")
    lines = clock.log_lines()
    expect(not any(line.startswith("restart") for line in lines),
           f"'Выход' restarted the program: {lines}")
    expect(lines == [SHUTDOWN_LINE, "cancel-shutdown"], f"unexpected log at the end: {lines}")
    log("'Выход': exit status 0, no restart")


if __name__ == "__main__":
    e.main("e2e_tray_menu", body)
