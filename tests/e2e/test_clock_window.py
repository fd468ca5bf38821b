#!/usr/bin/python3
"""The clock window on a real X server: size, stay-on-top, what it shows, the
time written into the foreground window's title, and dragging.

    with-xsession.sh --wm --tray -- /usr/bin/python3 test_clock_window.py <Zentari> <source dir>

The tray is there because that is the desktop the clock expects: on the way to
the screen it passes through the tray once, even with TraySet=0.
"""

import os
import re
import subprocess
import time

import e2elib as e
from e2elib import expect, log, poll

CONF = "[Options big]\nTraySet=0\nShowTimeInTitle=1\n"

INACTIVE = "Неактивное окно"


def is_cyan(p):
    # The default text colour is FFFF80 as a Windows colour value: red 128, green
    # and blue 255; the anti-aliased edges are darker versions of it.
    r, g, b = p
    return g > 200 and b > 200 and 90 < r < 180


def check_clock_picture(clock, wid, shots):
    info = e.window_info(wid)
    geometry = (info["x"], info["y"], info["width"], info["height"])
    screen_w, screen_h = screen_size()
    visible_w = min(info["width"], screen_w - info["x"])
    visible_h = min(info["height"], screen_h - info["y"])
    if (visible_w, visible_h) != e.CLOCK_SIZE:
        log(f"note: only {visible_w} x {visible_h} of the clock is on the screen")
    full = e.screenshot(os.path.join(shots, "clock-screen.png"))
    e.screenshot(os.path.join(shots, "clock-x4.png"), geometry, scale=4)
    pixels = e.read_pixels(full, geometry)
    cyan = [(x, y) for y, row in enumerate(pixels) for x, p in enumerate(row) if is_cyan(p)]
    expect(len(cyan) > 150, f"the clock shows almost no light cyan text ({len(cyan)} pixels)")
    xs = [x for x, _ in cyan]
    ys = [y for _, y in cyan]
    log(f"text spans x {min(xs)}..{max(xs)}, y {min(ys)}..{max(ys)} of {e.CLOCK_SIZE}")
    expect(min(xs) > 0 and max(xs) < visible_w - 1 and min(ys) > 0 and max(ys) < visible_h - 1,
           "the text touches the edge of the clock or the screen, so it is probably cut off")
    # Two lines: the date above (from y 5), the time below (from y 21).
    upper = sum(1 for _, y in cyan if y < 20)
    lower = sum(1 for _, y in cyan if y > 23)
    expect(upper > 50 and lower > 50,
           f"expected the date over the time, found {upper} text pixels above and {lower} below")
    expect(lower > upper, "the lower line (the time, in the larger font) is not the bigger one")
    others = [p for row in pixels for p in row if not is_cyan(p)]
    mean = sum(sum(p) for p in others) / (3 * len(others))
    log(f"mean brightness behind the text: {mean:.0f}")
    expect(mean < 90, f"the picture behind the text is not dark (mean {mean:.0f} of 255)")


def screen_size():
    out = e.run("xdpyinfo")
    m = re.search(r"dimensions:\s+(\d+)x(\d+) pixels", out)
    return int(m.group(1)), int(m.group(2))


def xmessage(title, x, y):
    return subprocess.Popen(["xmessage", "-title", title, "-geometry", f"+{x}+{y}",
                             f"This is the window {title}."],
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def check_title_feature(clock, clock_wid, shots):
    # Found by class and one at a time: the clock may retitle a window as soon
    # as it comes to the front, before a search by its title would see it.
    def new_xmessage(known):
        def found():
            for wid in e.windows_of_class("Xmessage"):
                if wid not in known and (e.window_info(wid) or {}).get("viewable"):
                    return wid
            return 0
        return found

    helpers = [xmessage("Alpha", 80, 80)]
    try:
        alpha = poll("the window Alpha", new_xmessage(()), 10)
        helpers.append(xmessage("Beta", 420, 80))
        beta = poll("the window Beta", new_xmessage((alpha,)), 10)

        # With the clock in front neither helper is the foreground window; once
        # the clock has retitled the one that was, they are named afresh, and
        # from then on only bringing one to the front may change its title.
        e.run("xdotool", "windowactivate", "--sync", str(clock_wid))
        poll("the clock's own title to get the time",
             lambda: re.search(e.HINT_RE + "$", e.title_of(clock_wid) or ""), 8)
        time.sleep(1.2)
        e.run("xdotool", "set_window", "--name", "Alpha", str(alpha))
        e.run("xdotool", "set_window", "--name", "Beta", str(beta))
        time.sleep(1.2)
        expect((e.title_of(alpha), e.title_of(beta)) == ("Alpha", "Beta"),
               f"windows in the background were retitled: {e.title_of(alpha)!r}, "
               f"{e.title_of(beta)!r}")

        e.run("xdotool", "windowactivate", "--sync", str(alpha))
        pattern = re.compile("^Alpha" + e.HINT_RE + "$")

        def alpha_titled():
            title = e.title_of(alpha) or ""
            return pattern.match(title)

        try:
            first = poll("Alpha's title", alpha_titled, 8)
        except e.TestFailure:
            raise e.TestFailure("Alpha in front is not titled 'Alpha' + 'Время : H:MM:SS Дата : "
                                f"DD.MM.YYYY' but {e.title_of(alpha)!r}")
        log(f"Alpha in front: {e.title_of(alpha)!r}")
        expect(e.close_to_now(first.group(1), first.group(2)),
               f"the title's time {first.group(1)} {first.group(2)} is not the current time")
        # While it stays in front the time goes on in its title.
        poll("Alpha's title to show the next second",
             lambda: (m := alpha_titled()) and m.group(1) != first.group(1), 5)

        e.run("xdotool", "windowactivate", "--sync", str(beta))
        poll(f"Alpha to be titled exactly {INACTIVE!r}", lambda: e.title_of(alpha) == INACTIVE, 8)
        beta_pattern = re.compile("^Beta" + e.HINT_RE + "$")
        poll("Beta to be titled 'Beta' + 'Время : …'",
             lambda: beta_pattern.match(e.title_of(beta) or ""), 8)
        log(f"Beta in front: {e.title_of(beta)!r}; Alpha: {e.title_of(alpha)!r}")
        a, b = e.window_info(alpha), e.window_info(beta)
        x0, y0 = min(a["x"], b["x"]) - 10, max(min(a["y"], b["y"]) - 30, 0)
        x1 = max(a["x"] + a["width"], b["x"] + b["width"]) + 10
        y1 = max(a["y"] + a["height"], b["y"] + b["height"]) + 10
        e.screenshot(os.path.join(shots, "titles.png"), (x0, y0, x1 - x0, y1 - y0), scale=2)
        time.sleep(1.5)
        expect(e.title_of(alpha) == INACTIVE, "Alpha's title changed again once in the background")
        expect(e.title_of(beta).startswith("BetaВремя : "),
               f"Beta's title lost its captured part: {e.title_of(beta)!r}")
    finally:
        for p in helpers:
            p.terminate()
            p.wait()


def drag(start, offset):
    x, y = start
    dx, dy = offset
    e.move_pointer(x, y)
    e.run("xdotool", "mousedown", "1")
    time.sleep(0.2)
    # Small steps, as a hand would: the drag starts only past Qt's start distance.
    steps = max(abs(dx), abs(dy)) // 5
    for i in range(1, steps + 1):
        e.run("xdotool", "mousemove", str(x + dx * i // steps), str(y + dy * i // steps))
        time.sleep(0.02)
    time.sleep(0.3)
    e.run("xdotool", "mouseup", "1")


def check_dragging(clock, wid):
    before = e.window_info(wid)
    # The picture right of the date and above the time (the clock's right
    # edge starts off the screen).
    drag((before["x"] + 110, before["y"] + 10), (-300, -200))
    want = (before["x"] - 300, before["y"] - 200)

    def moved():
        info = e.window_info(wid)
        # The window follows once the pointer is past the start distance (10 px).
        return info and abs(info["x"] - want[0]) <= 15 and abs(info["y"] - want[1]) <= 15 and info

    try:
        after = poll(f"the clock to move from {before['x']},{before['y']} to {want}", moved, 5)
    except e.TestFailure:
        info = e.window_info(wid)
        raise e.TestFailure(f"dragging the picture did not move the clock as far as the pointer: "
                            f"it is at {info['x']},{info['y']}, expected about {want}")
    log(f"dragged by the picture: {before['x']},{before['y']} -> {after['x']},{after['y']}")

    # The time text has no drag handler.
    drag((after["x"] + 16 + 12, after["y"] + 33), (-150, 120))
    time.sleep(1.0)
    still = e.window_info(wid)
    expect((still["x"], still["y"]) == (after["x"], after["y"]),
           f"pressing on the time text dragged the clock to {still['x']},{still['y']}")
    log("pressing on the time and moving left the clock where it was")

    # The date drags like the picture.
    drag((still["x"] + 30, still["y"] + 12), (150, 100))
    want_date = (still["x"] + 150, still["y"] + 100)
    try:
        moved_date = poll("the clock to follow a drag on the date",
                          lambda: (i := e.window_info(wid)) and
                          abs(i["x"] - want_date[0]) <= 15 and abs(i["y"] - want_date[1]) <= 15 and i,
                          5)
    except e.TestFailure:
        info = e.window_info(wid)
        raise e.TestFailure(f"dragging the date did not move the clock: it is at "
                            f"{info['x']},{info['y']}, expected about {want_date}")
    log(f"dragged by the date: -> {moved_date['x']},{moved_date['y']}")
    e.move_pointer(5, 5)


def body(make, shots):
    clock = make(CONF, tag="clock-window")
    clock.start()
    wid = poll("the clock window (class Zentari, 127 x 47) to be shown", clock.mapped_clock, 20)
    log(f"clock window 0x{wid:x} shown {clock.since_start():.1f} s after start")
    # With TraySet=0 the start-up timer sends the clock to the tray and brings it
    # back; the return is what leaves it out of the taskbar.
    poll("the start-up timer's round trip through the tray (_NET_WM_STATE_SKIP_TASKBAR)",
         lambda: clock.mapped_clock() and
         "_NET_WM_STATE_SKIP_TASKBAR" in e.net_wm_state(clock.mapped_clock()), 15)
    wid = clock.mapped_clock()
    log(f"clock back on the desktop {clock.since_start():.1f} s after start")

    info = e.window_info(wid)
    expect((info["width"], info["height"]) == e.CLOCK_SIZE,
           f"the clock is {info['width']} x {info['height']}, not 127 x 47")
    # Every tick asks for it again, so it is there within a second or two.
    asked = time.monotonic()
    try:
        poll("_NET_WM_STATE_ABOVE on the clock",
             lambda: "_NET_WM_STATE_ABOVE" in e.net_wm_state(wid), 3)
    except e.TestFailure:
        raise e.TestFailure(f"the clock is not kept above: {e.net_wm_state(wid)}")
    if time.monotonic() - asked > 0.3:
        log(f"note: _NET_WM_STATE_ABOVE came {time.monotonic() - asked:.1f} s after the return")
    states = e.net_wm_state(wid)
    log(f"clock at {info['x']},{info['y']}, {info['width']} x {info['height']}, states {states}")

    e.move_pointer(5, 5)  # no pointer over the picture
    check_clock_picture(clock, wid, shots)
    check_title_feature(clock, wid, shots)
    check_dragging(clock, wid)
    clock.expect_running()
    lines = clock.log_lines()
    expect(not lines, f"the dry-run log should be empty, it holds {lines}")


if __name__ == "__main__":
    e.main("e2e_clock_window", body)
