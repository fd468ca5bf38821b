"""Helpers for the real-window tests: a throw-away program folder, the running
clock, X queries through the usual command-line tools, polling and screenshots.

Everything here expects to run inside tests/e2e/with-xsession.sh, which gives
DISPLAY and a window manager (and a tray when asked). Standard library only
(pyatspi where a session has the accessibility bus).

The tests import this package alone (`import e2elib as e`); the helpers live
by job in base (tools, failures, polling), x11 (windows, pointer, keys,
screen), a11y (the accessibility bus), clock (the program under test and
the test frame), remote (the command line and the D-Bus service, used as
`e.remote`) and logind (the stand-in logind of with-xsession.sh --logind, used
as `e.logind`).
"""

from . import logind, remote
from .a11y import (accessible_strings, accessible_text, accessible_tree, click_accessible,
                   enter_date_and_time, find_accessible, selected_items)
from .base import TOOL_ENV, TestFailure, expect, log, poll, run
from .clock import (CLOCK_SIZE, DATE_RE, HINT_RE, READY, TIME_RE, Clock, clock_text,
                    close_to_now, expect_bundled_data, expect_display, main, open_settings,
                    write_tone)
from .x11 import (active_window, click, click_in, focus, key, move_pointer, net_wm_state,
                  parent_of, prop, read_pixels, root_windows, screenshot, set_screen_size,
                  shown_titled, shown_window, title_of, tree, type_text, window_by_class_exact, window_info,
                  window_titled, windows_of_class)

__all__ = [
    "remote", "logind", "accessible_strings",
    "TOOL_ENV", "TIME_RE", "DATE_RE", "HINT_RE", "CLOCK_SIZE", "READY", "TestFailure", "log",
    "run", "poll", "expect", "window_info", "parent_of", "windows_of_class", "prop", "title_of",
    "root_windows", "net_wm_state", "move_pointer", "type_text", "active_window", "focus", "key",
    "enter_date_and_time", "click", "find_accessible", "accessible_text", "selected_items",
    "accessible_tree", "click_accessible", "window_titled", "open_settings", "set_screen_size",
    "tree", "screenshot", "read_pixels", "Clock", "window_by_class_exact", "close_to_now", "main",
    "expect_bundled_data", "expect_display", "clock_text", "click_in", "shown_titled",
    "shown_window", "write_tone",
]
