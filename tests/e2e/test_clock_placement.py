#!/usr/bin/python3
"""A clock off every screen comes back: started with a saved position from a
bigger desktop ("Left" 1900 on a screen 1600 pixels wide) it is moved onto the
screen, as little as it can; when the screen then shrinks to 1024 x 768, as
with a lower resolution or a monitor unplugged, it moves onto it again.

    with-xsession.sh --wm --tray --screen 1600x1200x24 -- /usr/bin/python3 test_clock_placement.py <Zentari> <source dir>
"""

import os

import e2elib as e
from e2elib import expect, log, poll

CONF = "[Options big]\nTraySet=0\nSavePosition=1\nLeft=1900\nTop=300\n"
PANEL = 30  # tint2's panel at the bottom of the screen


def whole_on(info, width, height):
    return (0 <= info["x"] and info["x"] + info["width"] <= width and
            0 <= info["y"] and info["y"] + info["height"] <= height)


def body(make, shots):
    clock = make(CONF, tag="placement")
    clock.start()
    wid = poll("the clock window to be shown", clock.mapped_clock, 20)
    clock.wait_ready()  # the start-up timer's pass through the tray, which re-applies the position
    wid = poll("the clock back on the desktop", clock.mapped_clock, 10)
    info = e.window_info(wid)
    log(f"started at {info['x']},{info['y']}")
    expect(whole_on(info, 1600, 1200 - PANEL),
           f"the clock is at {info['x']},{info['y']}, off the 1600 x 1200 screen")
    expect((info["x"], info["y"]) == (1600 - info["width"], 300),
           f"the clock is at {info['x']},{info['y']}, not at the right edge at its saved height")
    e.screenshot(os.path.join(shots, "placement-start.png"), (1200, 200, 400, 200))

    e.set_screen_size(1024, 768)
    log("the screen is now 1024 x 768")
    moved = poll("the clock to come onto the smaller screen",
                 lambda: (lambda i: i if i and whole_on(i, 1024, 768) else None)(
                     e.window_info(clock.mapped_clock())), 10)
    log(f"moved to {moved['x']},{moved['y']}")
    expect((moved["x"], moved["y"]) == (1024 - moved["width"], 300),
           f"the clock went to {moved['x']},{moved['y']}, not to the right edge at its height")
    e.screenshot(os.path.join(shots, "placement-smaller-screen.png"))
    clock.expect_running()


if __name__ == "__main__":
    e.main("e2e_clock_placement", body)
