"""Controls found over the accessibility bus.

Under with-xsession.sh --a11y the program publishes its widgets: a control is
found by its window's title, its role and its name, where a screen reader
finds it, and clicked where it really is. pyatspi is imported only when a
helper runs, so sessions without the bus need not have it."""

import re
import time

from .base import log, poll
from .x11 import click, key, move_pointer, type_text


def _accessible_windows(app_name="Zentari"):
    import pyatspi  # only the sessions with an accessibility bus need it
    desktop = pyatspi.Registry.getDesktop(0)
    for i in range(desktop.childCount):
        app = desktop.getChildAtIndex(i)
        if app is not None and app.name == app_name:
            for j in range(app.childCount):
                top = app.getChildAtIndex(j)
                if top is not None and top.getState().contains(pyatspi.STATE_SHOWING):
                    yield top


def _showing(acc):
    import pyatspi
    return acc.getState().contains(pyatspi.STATE_SHOWING)


def _accessible(window, role, name):
    """The showing control with this role and name in the showing window titled
    `window`, or None."""
    import pyatspi
    for top in _accessible_windows():
        if top.name != window:
            continue
        hit = pyatspi.findDescendant(
            top, lambda a: a.getRoleName() == role and a.name == name and _showing(a))
        if hit:
            return hit
    return None


def find_accessible(window, role, name):
    """(x, y, width, height) of the showing control with this role and name in
    the showing window titled `window`, or None."""
    import pyatspi
    try:
        hit = _accessible(window, role, name)
        if hit:
            c = hit.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
            return (c.x, c.y, c.width, c.height)
    except Exception:  # a window closing under the walk: try again
        return None
    return None


def accessible_text(window, role, name):
    """The text a control found as find_accessible finds it holds, or None."""
    try:
        hit = _accessible(window, role, name)
        if hit:
            text = hit.queryText()
            return text.getText(0, text.characterCount)
    except Exception:
        return None
    return None


def selected_items(window, role, name):
    """The names of the selected items of a list found as find_accessible
    finds it, or None when the list is not there."""
    import pyatspi
    try:
        hit = _accessible(window, role, name)
        if hit is None:
            return None
        return [item.name for item in (hit.getChildAtIndex(i) for i in range(hit.childCount))
                if item is not None and item.getState().contains(pyatspi.STATE_SELECTED)]
    except Exception:
        return None


def accessible_strings(window):
    """Every name and text shown in the showing windows titled `window` (labels,
    cells, text boxes), in tree order; None when no such window is shown."""
    try:
        strings = None
        for top in _accessible_windows():
            if top.name != window:
                continue
            if strings is None:
                strings = []

            def walk(acc):
                if acc.name:
                    strings.append(acc.name)
                try:
                    text = acc.queryText()
                    content = text.getText(0, text.characterCount)
                    if content and content != acc.name:
                        strings.append(content)
                except NotImplementedError:
                    pass
                for i in range(acc.childCount):
                    child = acc.getChildAtIndex(i)
                    if child is not None and _showing(child):
                        walk(child)

            for i in range(top.childCount):
                child = top.getChildAtIndex(i)
                if child is not None and _showing(child):
                    walk(child)
        return strings
    except Exception:  # a window closing under the walk: try again
        return None


def accessible_tree():
    """The program's showing windows and controls, one per line, for diagnostics."""
    import pyatspi
    lines = []

    def walk(acc, depth):
        c = acc.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
        lines.append(f"{'  ' * depth}[{acc.getRoleName()}] {acc.name!r} "
                     f"{c.x},{c.y} {c.width}x{c.height}")
        for i in range(acc.childCount):
            child = acc.getChildAtIndex(i)
            if child is not None and _showing(child):
                walk(child, depth + 1)

    try:
        for top in _accessible_windows():
            walk(top, 0)
    except Exception as e:
        lines.append(f"(the walk failed: {e})")
    return "\n".join(lines)


def click_accessible(window, role, name, button="1", timeout=10):
    """Clicks the middle of a control found over the accessibility bus."""
    x, y, w, h = poll(f"{role} «{name}» in «{window}»",
                      lambda: find_accessible(window, role, name), timeout)
    move_pointer(x + w // 2, y + h // 2)
    click(button)


def _sections(text):
    """The numbers a picker's text shows, in order: "25.01.2030" -> [25, 1, 2030]."""
    return [int(part) for part in re.findall(r"\d+", text or "")]


def enter_date_and_time(window, moment):
    """Types a moment into the pickers named "Дата" and "Время" in `window`. A
    picker takes digits section by section once its first section is emptied;
    a full section moves on to the next by itself. Under load a key can reach
    the picker before the click's focus does; what the picker then shows is
    read back, and the entry is typed again when it is not the moment."""
    for name, digits, wanted in (
            ("Дата", moment.strftime("%d%m%Y"), [moment.day, moment.month, moment.year]),
            ("Время", moment.strftime("%H%M%S"), [moment.hour, moment.minute, moment.second])):
        for _attempt in range(3):
            click_accessible(window, role="spin button", name=name)
            key("Home", "Delete", "Delete")
            type_text(digits)
            shown = None
            for _ in range(20):
                shown = accessible_text(window, "spin button", name)
                if shown is None or _sections(shown) == wanted:
                    break
                time.sleep(0.1)
            if shown is None or _sections(shown) == wanted:
                break
            log(f"«{name}» shows {shown!r} after typing; typing it again")
