#!/usr/bin/python3
"""Every window carries the program's icon (_NET_WM_ICON, where taskbars and
window switchers find it), not a generic one: the clock, the settings window
and the action editor, all with the same picture, small and large.

    with-xsession.sh --wm --tray --a11y -- /usr/bin/python3 test_window_icons.py <Zentari> <source dir>
"""


import e2elib as e
from e2elib import expect, log, poll

PROGRAM_ICON_SIZES = (16, 22, 24, 32, 48, 64)


def icon_sizes(wid):
    """The sizes in a window's _NET_WM_ICON (width, height, then the pixels, per size)."""
    # Numbers, not the picture xprop draws of an icon by default.
    out = e.run("xprop", "-id", str(wid), "-notype", "-f", "_NET_WM_ICON", "32c", "=$0+",
                "_NET_WM_ICON", check=False, timeout=30)
    if "=" not in out:
        return None, None
    numbers = [int(v, 0) for v in out.split("=", 1)[1].split(",") if v.strip()]
    sizes, i = [], 0
    while i + 2 <= len(numbers):
        w, h = numbers[i], numbers[i + 1]
        sizes.append((w, h))
        i += 2 + w * h
    return sizes, numbers


def body(make, shots):
    clock = make("[Options big]\nTraySet=0\n", tag="icons")
    clock.start()
    poll("the clock window to be shown", clock.mapped_clock, 20)
    clock.wait_ready()  # the start-up timer's pass through the tray
    wid = poll("the clock back on the desktop", clock.mapped_clock, 10)
    sizes, pixels = icon_sizes(wid)
    log(f"the clock's icon sizes: {sizes}")
    expect(sizes, "the clock carries no icon (_NET_WM_ICON)")
    # The program's icon is drawn for each size a taskbar may ask for.
    expect(sorted(sizes) == [(n, n) for n in PROGRAM_ICON_SIZES],
           f"the clock's icon is not the program's: its sizes are {sizes}")

    settings, _ = e.open_settings(clock)
    e.click_accessible("Настройки", "push button", "Добавить действие")
    editor, _ = poll("the action editor", lambda: e.window_titled("Настройка будильника"), 10)
    for name, window in (("the settings window", settings), ("the action editor", editor)):
        expect(icon_sizes(window)[1] == pixels, f"{name} does not carry the clock's icon")
    log("the settings window and the action editor carry the same icon")
    clock.expect_running()


if __name__ == "__main__":
    e.main("e2e_window_icons", body)
