#!/usr/bin/python3
"""The settings window on a real X server: opened from the clock's menu, with a
hint showing; the position chooser set to the top-left corner; the about box
opened from the little picture; "Главное окно с рамкой" checked; "Сохранить"
brings the clock back framed in the top-left corner of the screen. Buttons and
boxes are found over the accessibility bus by role and name.

    with-xsession.sh --wm --tray --a11y -- /usr/bin/python3 test_settings_window.py <Zentari> <source dir>
"""

import os
import time

import e2elib as e
from e2elib import expect, key, log, poll

CONF = "[Options big]\nTraySet=0\n"


def click(x, y, button="1"):
    e.move_pointer(x, y)
    e.click(button)


def shown_windows(clock, width=None, height=None, title=None):
    found = []
    for wid in e.windows_of_class("Zentari"):
        info = e.window_info(wid)
        if not info or not info["viewable"]:
            continue
        if width is not None and (info["width"], info["height"]) != (width, height):
            continue
        if title is not None and not (e.title_of(wid) or "").startswith(title):
            continue
        found.append((wid, info))
    return found


def one_window(clock, what, **kw):
    return poll(what, lambda: shown_windows(clock, **kw), 10)[0]


def frame_extents(wid):
    """left, right, top, bottom of the window manager's frame, or zeros."""
    value = e.prop(wid, "_NET_FRAME_EXTENTS")
    if not value:
        return (0, 0, 0, 0)
    return tuple(int(v) for v in value.split(","))


def shot(shots, name, x, y, w, h, scale=2):
    x0, y0 = max(x - 10, 0), max(y - 30, 0)
    x1, y1 = min(x + w + 10, 1024), min(y + h + 10, 768)
    path = e.screenshot(os.path.join(shots, name), (x0, y0, x1 - x0, y1 - y0), scale=scale)
    log(f"screenshot {path}")


def the_clock(clock):
    """The clock, framed or not: the Zentari window titled exactly "Zentari"."""
    for wid, info in shown_windows(clock):
        if e.title_of(wid) == "Zentari" and info["width"] < 200:
            return wid, info
    return None


def body(make, shots):
    clock = make(CONF, tag="settings")
    clock.start()
    poll("the clock window to be shown", clock.mapped_clock, 20)
    # 2.3 s after start it passes through the tray and comes back.
    clock.wait_ready()
    clock_wid = poll("the clock to be back from its pass through the tray", clock.mapped_clock, 10)

    # "Настройки звонка (будильника)", the second item of the clock's menu.
    ci = e.window_info(clock_wid)
    click(ci["x"] + 110, ci["y"] + 10, "3")
    poll("the clock's menu", lambda: [w for w in clock.popups() if w[1]["width"] < 600], 8)
    key("Down", "Down", "Return")
    settings, si = one_window(clock, "the settings window", width=502, height=322,
                              title="Настройки")
    log(f"settings window at {si['x']},{si['y']}")
    expect(not clock.mapped_clock(), "the clock stayed on the screen under the settings")
    sx, sy = si["x"], si["y"]

    # A long hint: rest the pointer on "Широкая панель".
    e.move_pointer(sx + 340, sy + 190)
    e.move_pointer(sx + 342, sy + 192)

    def tooltip():
        for wid, info in shown_windows(clock):
            if wid != settings and info["height"] >= 16 and \
                    (info["width"], info["height"]) != e.CLOCK_SIZE:
                return wid, info
        return None

    tip, ti = poll("the hint of 'Широкая панель'", tooltip, 8)
    log(f"hint {ti['width']} x {ti['height']} at {ti['x']},{ti['y']}")
    expect(ti["width"] <= 300, f"the hint is {ti['width']} pixels wide, more than 300")
    expect(ti["height"] > 40, f"the long hint is {ti['height']} pixels high: not wrapped")
    x0, y0 = min(sx, ti["x"]), min(sy, ti["y"])
    x1 = max(sx + 502, ti["x"] + ti["width"])
    y1 = max(sy + 322, ti["y"] + ti["height"])
    shot(shots, "settings-with-hint.png", x0, y0, x1 - x0, y1 - y0)

    # The chooser, opened from its button, set to the top-left corner.
    e.click_accessible("Настройки", "push button", "Выбрать расположение")
    chooser, chi = one_window(clock, "the position chooser", width=223, height=78)
    expect(frame_extents(chooser) == (0, 0, 0, 0), "the chooser has a frame")
    shot(shots, "position-chooser.png", chi["x"], chi["y"], 223, 78, scale=3)
    # Dragged by its surface with the left button; the right button does not move it.
    def drag(button, dx, dy):
        e.move_pointer(chi["x"] + 20, chi["y"] + 40)
        e.run("xdotool", "mousedown", button)
        for step in range(1, 6):
            e.move_pointer(chi["x"] + 20 + dx * step // 5, chi["y"] + 40 + dy * step // 5)
            time.sleep(0.05)
        e.run("xdotool", "mouseup", button)
        time.sleep(0.3)
        return e.window_info(chooser)

    moved = drag("3", 60, 40)
    expect((moved["x"], moved["y"]) == (chi["x"], chi["y"]),
           f"the right button moved the chooser to {moved['x']},{moved['y']}")
    drag("1", 60, 40)
    moved = poll("the chooser to follow a left-button drag",
                 lambda: (lambda i: i if (i["x"], i["y"]) != (chi["x"], chi["y"]) else None)(
                     e.window_info(chooser)), 5)
    log(f"chooser dragged from {chi['x']},{chi['y']} to {moved['x']},{moved['y']}")
    # A busy window manager may lag a few steps behind the pointer.
    expect(30 <= moved["x"] - chi["x"] <= 64 and 20 <= moved["y"] - chi["y"] <= 44,
           f"the chooser moved to {moved['x']},{moved['y']}, not about 60, 40 further")
    chi = moved
    e.click_accessible("Выберите расположение", "radio button", "Слева сверху")
    e.click_accessible("Выберите расположение", "push button", "Усё!")
    poll("the chooser to close", lambda: not shown_windows(clock, width=223, height=78), 5)

    # The about box from a double click on the little picture.
    e.move_pointer(sx + 24, sy + 20)
    e.click("--repeat", "2", "--delay", "80", "1")
    about, ai = one_window(clock, "the about box", width=285, height=275, title="О программке")
    time.sleep(0.3)
    shot(shots, "about-box.png", ai["x"], ai["y"], 285, 275)
    key("Escape")
    poll("the about box to close", lambda: not shown_windows(clock, width=285, height=275), 5)

    # "Главное окно с рамкой", after the about box: coming back from any of the
    # program's windows reads the box afresh from conf.ini.
    e.click_accessible("Настройки", "check box", "Главное окно с рамкой")

    # "Сохранить".
    time.sleep(0.3)
    e.click_accessible("Настройки", "push button", "Сохранить")
    poll("the settings window to close",
         lambda: not shown_windows(clock, width=502, height=322), 8)
    wid, info = poll("the clock to come back", lambda: the_clock(clock), 8)

    def outer_geometry():
        found = the_clock(clock)
        if not found:
            return None
        wid, info = found
        left, right, top, bottom = frame_extents(wid)
        return wid, info, (left, right, top, bottom), (
            info["x"] - left, info["y"] - top,
            info["width"] + left + right, info["height"] + top + bottom)

    # Through the tray and back, then framed by the window manager and placed.
    try:
        poll("the framed clock to settle in the top-left corner",
             lambda: (lambda g: g and g[2][2] > 0 and g[3] == (0, 0, 135, 81))(outer_geometry()),
             10)
    except e.TestFailure:
        pass  # the checks below say what is wrong
    wid, info, (left, right, top, bottom), outer = outer_geometry()
    log(f"clock client {info}, frame {left},{right},{top},{bottom}, outer {outer}")
    expect(top > 0, "the clock has no frame after 'Главное окно с рамкой'")
    expect(outer[:2] == (0, 0), f"the framed clock is at {outer[:2]}, not in the top-left corner")
    expect(outer[2:] == (135, 81), f"the framed clock is {outer[2]} x {outer[3]}, not 135 x 81")
    shot(shots, "clock-framed-top-left.png", 0, 0, outer[2] + 20, outer[3] + 20, scale=3)

    with open(os.path.join(clock.dir, "conf.ini"), encoding="cp1251") as f:
        conf = f.read()
    expect("WithBoard=1" in conf, f"conf.ini has no WithBoard=1:\n{conf}")
    expect(clock.log_lines() == [], f"the settings acted on the system: {clock.log_lines()}")


if __name__ == "__main__":
    e.main("e2e_settings_window", body)
