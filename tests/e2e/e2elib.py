"""Helpers for the real-window tests: a throw-away program folder, the running
clock, X queries through the usual command-line tools, polling and screenshots.

Everything here expects to run inside tests/e2e/with-xsession.sh, which gives
DISPLAY and a window manager (and a tray when asked). Standard library only.
"""

import datetime
import glob
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import traceback

# xprop prints UTF-8 titles as they are only in a UTF-8 locale.
TOOL_ENV = dict(os.environ, LC_ALL="C.UTF-8")

TIME_RE = r"\d{1,2}:\d{2}:\d{2}"
DATE_RE = r"\d{2}\.\d{2}\.\d{4}"
HINT_RE = "Время : (" + TIME_RE + ") Дата : (" + DATE_RE + ")"

CLOCK_SIZE = (127, 47)

# The line the clock writes to the dry-run log once its start-up step has run.
READY = "ready"


class TestFailure(Exception):
    pass


def log(text):
    print(f"[{time.strftime('%H:%M:%S')}] {text}", flush=True)


def run(*args, check=True, timeout=20):
    result = subprocess.run(list(args), env=TOOL_ENV, capture_output=True, text=True,
                            timeout=timeout)
    if check and result.returncode != 0:
        raise TestFailure(f"{' '.join(args)} failed ({result.returncode}): {result.stderr.strip()}")
    return result.stdout


def poll(what, probe, timeout, interval=0.1):
    """Calls probe until it returns something true; fails with `what` after timeout s."""
    deadline = time.monotonic() + timeout
    while True:
        value = probe()
        if value:
            return value
        if time.monotonic() > deadline:
            raise TestFailure(f"timed out after {timeout} s waiting for {what}")
        time.sleep(interval)


def expect(condition, message):
    if not condition:
        raise TestFailure(message)


# ---------------------------------------------------------------- X queries

def window_info(wid):
    """xwininfo's view of one window: map state, absolute position, size; None when gone."""
    out = run("xwininfo", "-id", str(wid), check=False)
    if "Map State" not in out:
        return None
    info = {}
    for key, pattern in (("x", r"Absolute upper-left X:\s+(-?\d+)"),
                         ("y", r"Absolute upper-left Y:\s+(-?\d+)"),
                         ("width", r"Width:\s+(\d+)"), ("height", r"Height:\s+(\d+)")):
        info[key] = int(re.search(pattern, out).group(1))
    info["state"] = re.search(r"Map State:\s+(\w+)", out).group(1)
    info["viewable"] = info["state"] == "IsViewable"
    return info


def parent_of(wid):
    out = run("xwininfo", "-id", str(wid), "-children", check=False)
    m = re.search(r"Parent window id: (0x[0-9a-f]+)", out)
    return int(m.group(1), 16) if m else 0


def windows_of_class(cls):
    out = run("xdotool", "search", "--class", f"^{cls}$", check=False)
    return [int(w) for w in out.split()]


def prop(wid, name):
    """The raw value text of one property, or None when it is not set."""
    out = run("xprop", "-id", str(wid), name, check=False)
    m = re.match(r"^\S+?(?:\([^)]*\))?\s*(?:=|:)\s?(.*)$", out.strip(), re.S)
    if not m or "not found" in out or "no such atom" in out:
        return None
    return m.group(1)


def title_of(wid):
    """_NET_WM_NAME, else WM_NAME, unquoted."""
    for name in ("_NET_WM_NAME", "WM_NAME"):
        value = prop(wid, name)
        if value is not None and value.startswith('"'):
            text = value[1:value.rindex('"')]
            return re.sub(r'\\(.)', r'\1', text)
    return None


def root_windows(name):
    """The windows a root window property lists (_NET_CLIENT_LIST_STACKING,
    bottom first; _NET_ACTIVE_WINDOW), as numbers."""
    out = run("xprop", "-root", name, check=False)
    return [int(w, 16) for w in re.findall(r"0x[0-9a-fA-F]+", out)]


def net_wm_state(wid):
    value = prop(wid, "_NET_WM_STATE") or ""
    return [s.strip() for s in value.split(",") if s.strip()]


def move_pointer(x, y):
    """Moves the pointer and waits until the server has it there (xdotool's own
    --sync waits for a motion, which never comes when the pointer is there already)."""
    run("xdotool", "mousemove", str(x), str(y))

    def there():
        out = run("xdotool", "getmouselocation", "--shell", check=False)
        return f"X={x}\n" in out and f"Y={y}\n" in out

    poll(f"the pointer to reach {x},{y}", there, 5, interval=0.05)


class _Input:
    """Clicks that have landed, and text typed through XTEST on keys of this
    process's own choosing.

    The window manager takes every click on a window first (to focus and raise
    it) and holds the pointer until it lets the click go on; keys are not
    held. Under load, keys typed right after a click reach the program before
    the click: they went to the field that had the focus before. So a click is
    over only when the server has let its release through (no button down).

    xdotool types a letter the keymap lacks (Cyrillic here) by rebinding one
    spare key per letter while the letters are in flight; a program that reads
    the changed map late, as a loaded one does, reads an earlier letter with a
    later map and types another letter or none. Here every letter a text needs
    is bound before the first is pressed, and no binding changes while keys are
    on their way: the program reads the changes before the keys, in order,
    whatever the load."""

    def __init__(self):
        import ctypes
        import ctypes.util
        c = ctypes
        self.x = c.CDLL(c.util.find_library("X11") or "libX11.so.6")
        self.xtst = c.CDLL(c.util.find_library("Xtst") or "libXtst.so.6")
        self.x.XOpenDisplay.restype = c.c_void_p
        self.x.XOpenDisplay.argtypes = [c.c_char_p]
        self.x.XSync.argtypes = [c.c_void_p, c.c_int]
        self.x.XFlush.argtypes = [c.c_void_p]
        self.x.XDisplayKeycodes.argtypes = [c.c_void_p, c.POINTER(c.c_int), c.POINTER(c.c_int)]
        self.x.XGetKeyboardMapping.restype = c.POINTER(c.c_ulong)
        self.x.XGetKeyboardMapping.argtypes = [c.c_void_p, c.c_ubyte, c.c_int,
                                               c.POINTER(c.c_int)]
        self.x.XChangeKeyboardMapping.argtypes = [c.c_void_p, c.c_int, c.c_int,
                                                  c.POINTER(c.c_ulong), c.c_int]
        self.x.XFree.argtypes = [c.c_void_p]
        self.xtst.XTestFakeKeyEvent.argtypes = [c.c_void_p, c.c_uint, c.c_int, c.c_ulong]
        self.x.XDefaultRootWindow.restype = c.c_ulong
        self.x.XDefaultRootWindow.argtypes = [c.c_void_p]
        self.x.XQueryPointer.argtypes = [c.c_void_p, c.c_ulong] + [c.POINTER(c.c_ulong)] * 2 + \
            [c.POINTER(c.c_int)] * 4 + [c.POINTER(c.c_uint)]
        self.c = c
        self.d = self.x.XOpenDisplay(None)
        if not self.d:
            raise TestFailure("no X display for the keyboard")
        lo, hi = c.c_int(), c.c_int()
        self.x.XDisplayKeycodes(self.d, c.byref(lo), c.byref(hi))
        self.lo, self.count = lo.value, hi.value - lo.value + 1

    def buttons_down(self):
        c = self.c
        w1, w2 = c.c_ulong(), c.c_ulong()
        i = [c.c_int() for _ in range(4)]
        mask = c.c_uint()
        self.x.XQueryPointer(self.d, self.x.XDefaultRootWindow(self.d), c.byref(w1), c.byref(w2),
                             *(c.byref(v) for v in i), c.byref(mask))
        return mask.value & 0x1F00  # Button1Mask .. Button5Mask

    def _map(self):
        per = self.c.c_int()
        raw = self.x.XGetKeyboardMapping(self.d, self.lo, self.count, self.c.byref(per))
        rows = {self.lo + i: [raw[i * per.value + j] for j in range(per.value)]
                for i in range(self.count)}
        self.x.XFree(raw)
        return rows

    @staticmethod
    def keysym(ch):
        if ch == "\n":
            return 0xFF0D  # Return
        code = ord(ch)
        return code if 0x20 <= code <= 0x7E or 0xA0 <= code <= 0xFF else 0x01000000 | code

    def _place(self, text):
        """{char: (keycode, shifted)}, binding what the map lacks to free keys."""
        rows = self._map()
        found = {}
        for kc, syms in rows.items():
            for level in (1, 0):
                if syms[level]:
                    found[syms[level]] = (kc, level == 1)
        free = [kc for kc, syms in rows.items() if not any(syms) and kc > self.lo]
        places, missing = {}, []
        for ch in dict.fromkeys(text):
            sym = self.keysym(ch)
            if sym in found:
                places[ch] = found[sym]
            elif ch.lower() not in missing:
                missing.append(ch.lower())
        if len(missing) > len(free):
            raise TestFailure(f"{len(missing)} letters to bind and {len(free)} free keys")
        for letter, kc in zip(missing, free):
            syms = (self.c.c_ulong * 2)(self.keysym(letter), self.keysym(letter.upper()))
            self.x.XChangeKeyboardMapping(self.d, kc, 2, syms, 1)
            for ch in (letter, letter.upper()):
                places[ch] = (kc, ch != letter)
        self.x.XSync(self.d, 0)
        return places

    def type(self, text, delay):
        places = self._place(text)
        shift = next(kc for kc, syms in self._map().items() if 0xFFE1 in syms)  # Shift_L
        for ch in text:
            kc, shifted = places[ch]
            if shifted:
                self.xtst.XTestFakeKeyEvent(self.d, shift, 1, 0)
            self.xtst.XTestFakeKeyEvent(self.d, kc, 1, 0)
            self.xtst.XTestFakeKeyEvent(self.d, kc, 0, 0)
            if shifted:
                self.xtst.XTestFakeKeyEvent(self.d, shift, 0, 0)
            self.x.XSync(self.d, 0)
            time.sleep(delay)


_input = None


def _the_input():
    global _input
    if _input is None:
        _input = _Input()
    return _input


def type_text(text, delay=0.06):
    """Types text into the focused window, Cyrillic included (see _Input)."""
    _the_input().type(text, delay)


def active_window():
    """The window the window manager has made active (_NET_ACTIVE_WINDOW), or 0."""
    out = run("xdotool", "getactivewindow", check=False).strip()
    return int(out) if out.isdigit() else 0


def focus(wid, timeout=10):
    """Activates a window and waits until the window manager has made it the
    active one. Under load the activation comes late, and keys sent before it
    go to whichever window had the focus."""
    asked = [0.0]

    def active():
        if active_window() == wid:
            return True
        if time.monotonic() - asked[0] > 1.0:  # ask again now and then, not at every look
            run("xdotool", "windowactivate", str(wid), check=False)
            asked[0] = time.monotonic()
        return False

    poll(f"window 0x{wid:x} to be the active one", active, timeout, interval=0.05)


def key(*names, to=None):
    """xdotool key, one key at a time, each handled before the next. With `to`,
    each key goes only once that window is the active one (see focus)."""
    for name in names:
        if to is not None:
            focus(to)
        run("xdotool", "key", name)
        time.sleep(0.15)


def enter_date_and_time(window, moment):
    """Types a moment into the pickers named "Дата" and "Время" in `window`. A
    picker takes digits section by section once its first section is emptied;
    a full section moves on to the next by itself."""
    for name, digits in (("Дата", moment.strftime("%d%m%Y")), ("Время", moment.strftime("%H%M%S"))):
        click_accessible(window, "spin button", name)
        key("Home", "Delete", "Delete")
        type_text(digits)


def click(*args):
    """xdotool click with its arguments, at the pointer; returns when the
    program has the click (see _Input)."""
    run("xdotool", "click", *args)
    poll("the click to be let through", lambda: not _the_input().buttons_down(), 10,
         interval=0.02)


# ---------------------------------------------------------------- accessibility bus
# Under with-xsession.sh --a11y the program publishes its widgets: a control is
# found by its window's title, its role and its name, where a screen reader
# finds it, and clicked where it really is.

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


def window_titled(title):
    """(wid, info) of the shown Zentari window with this caption (the window
    manager may add the application's name after it), or None."""
    for wid in windows_of_class("Zentari"):
        info = window_info(wid)
        shown = title_of(wid) if info and info["viewable"] else None
        if shown and (shown == title or shown.startswith(title + " — ")):
            return wid, info
    return None


def open_settings(clock):
    """The way a user goes: the clock's menu, "Настройки звонка (будильника)".
    Returns the settings window's (wid, info)."""
    wid = poll("the clock window to be shown", clock.mapped_clock, 10)
    info = window_info(wid)
    move_pointer(info["x"] + 110, info["y"] + 10)
    click("3")
    poll("the clock's menu", lambda: [w for w in clock.popups() if w[1]["width"] < 600], 8)
    key("Down", "Down", "Return")
    return poll("the settings window", lambda: window_titled("Настройки"), 10)


def set_screen_size(width, height):
    """Changes the X screen's size through RandR, as a new resolution or an
    unplugged monitor does: a mode of that size on the one output, then the
    screen shrunk or grown to it."""
    import ctypes as c
    import ctypes.util
    x = c.CDLL(c.util.find_library("X11") or "libX11.so.6")
    xr = c.CDLL(c.util.find_library("Xrandr") or "libXrandr.so.2")

    class Resources(c.Structure):
        _fields_ = [("timestamp", c.c_ulong), ("configTimestamp", c.c_ulong),
                    ("ncrtc", c.c_int), ("crtcs", c.POINTER(c.c_ulong)),
                    ("noutput", c.c_int), ("outputs", c.POINTER(c.c_ulong)),
                    ("nmode", c.c_int), ("modes", c.c_void_p)]

    class ModeInfo(c.Structure):
        _fields_ = [("id", c.c_ulong), ("width", c.c_uint), ("height", c.c_uint),
                    ("dotClock", c.c_ulong), ("hSyncStart", c.c_uint), ("hSyncEnd", c.c_uint),
                    ("hTotal", c.c_uint), ("hSkew", c.c_uint), ("vSyncStart", c.c_uint),
                    ("vSyncEnd", c.c_uint), ("vTotal", c.c_uint), ("name", c.c_char_p),
                    ("nameLength", c.c_uint), ("modeFlags", c.c_ulong)]

    x.XOpenDisplay.restype = c.c_void_p
    x.XOpenDisplay.argtypes = [c.c_char_p]
    x.XDefaultRootWindow.restype = c.c_ulong
    x.XDefaultRootWindow.argtypes = [c.c_void_p]
    x.XSync.argtypes = [c.c_void_p, c.c_int]
    x.XCloseDisplay.argtypes = [c.c_void_p]
    xr.XRRGetScreenResources.restype = c.POINTER(Resources)
    xr.XRRGetScreenResources.argtypes = [c.c_void_p, c.c_ulong]
    xr.XRRFreeScreenResources.argtypes = [c.POINTER(Resources)]
    xr.XRRCreateMode.restype = c.c_ulong
    xr.XRRCreateMode.argtypes = [c.c_void_p, c.c_ulong, c.POINTER(ModeInfo)]
    xr.XRRAddOutputMode.argtypes = [c.c_void_p, c.c_ulong, c.c_ulong]
    xr.XRRSetCrtcConfig.argtypes = [c.c_void_p, c.POINTER(Resources), c.c_ulong, c.c_ulong,
                                    c.c_int, c.c_int, c.c_ulong, c.c_ushort,
                                    c.POINTER(c.c_ulong), c.c_int]
    xr.XRRSetScreenSize.argtypes = [c.c_void_p, c.c_ulong, c.c_int, c.c_int, c.c_int, c.c_int]

    d = x.XOpenDisplay(None)
    if not d:
        raise TestFailure("no X display for RandR")
    root = x.XDefaultRootWindow(d)
    res = xr.XRRGetScreenResources(d, root)
    name = f"{width}x{height}".encode()
    info = ModeInfo(width=width, height=height, dotClock=60 * width * height, hTotal=width,
                    vTotal=height, name=name, nameLength=len(name))
    mode = xr.XRRCreateMode(d, root, c.byref(info))
    output, crtc = res.contents.outputs[0], res.contents.crtcs[0]
    xr.XRRAddOutputMode(d, output, mode)
    outputs = (c.c_ulong * 1)(output)
    status = xr.XRRSetCrtcConfig(d, res, crtc, 0, 0, 0, mode, 1, outputs, 1)
    xr.XRRSetScreenSize(d, root, width, height, width // 4, height // 4)
    x.XSync(d, 0)
    xr.XRRFreeScreenResources(res)
    x.XCloseDisplay(d)
    if status != 0:
        raise TestFailure(f"RandR refused the mode {width} x {height} (status {status})")


def tree():
    """The window tree without the window manager's 1 x 1 decoration windows."""
    out = run("xwininfo", "-root", "-tree", check=False)
    return "\n".join(line for line in out.splitlines()
                     if line.strip() and not re.search(r"\(has no name\): \(\)\s+1x1\+", line))


def screenshot(path, geometry=None, scale=None):
    """Saves the screen (or the part x, y, w, h of it) as PNG, scaled up by `scale`."""
    os.makedirs(os.path.dirname(path), exist_ok=True)
    raw = path + ".full.png"
    run("import", "-window", "root", raw, timeout=30)
    args = ["/usr/bin/convert", raw]
    if geometry:
        x, y, w, h = geometry
        args += ["-crop", f"{w}x{h}+{x}+{y}", "+repage"]
    if scale:
        args += ["-filter", "point", "-resize", f"{int(scale * 100)}%"]
    run(*args, path, timeout=30)
    os.remove(raw)
    return path


def read_pixels(png, geometry):
    """RGB rows of the part x, y, w, h of a PNG, through a binary PPM."""
    x, y, w, h = geometry
    data = subprocess.run(["/usr/bin/convert", png, "-crop", f"{w}x{h}+{x}+{y}", "+repage",
                           "-depth", "8", "ppm:-"], capture_output=True, check=True).stdout
    # P6\n<w> <h>\n255\n<bytes>
    header = re.match(rb"P6\s+(\d+)\s+(\d+)\s+(\d+)\s", data)
    width, height = int(header.group(1)), int(header.group(2))
    body = data[header.end():]
    return [[tuple(body[(r * width + c) * 3:(r * width + c) * 3 + 3]) for c in range(width)]
            for r in range(height)]


# ---------------------------------------------------------------- the program

class Clock:
    """A copy of the program in a temporary folder, run in dry-run mode."""

    def __init__(self, name, exe, source, conf_text, shots_dir, machine_store=None):
        self.name = name
        self.shots = shots_dir
        self.dir = tempfile.mkdtemp(prefix=f"zentari-e2e-{name}.")
        shutil.copy2(exe, os.path.join(self.dir, "Zentari"))
        # The sound plug-in lives beside the executable and is loaded at the first sound.
        for lib in glob.glob(os.path.join(os.path.dirname(exe), "*.so")):
            shutil.copy2(lib, self.dir)
        data = os.path.join(self.dir, "data")
        shutil.copytree(os.path.join(os.path.dirname(exe), "data"), data)
        # A build folder used as the clock keeps its owner's alarms in its lists;
        # the tests start from the lists as the source tree ships them.
        for f in os.listdir(os.path.join(source, "data")):
            if f.endswith(".zdt"):
                shutil.copy(os.path.join(source, "data", f), os.path.join(data, f))
        with open(os.path.join(self.dir, "conf.ini"), "w", encoding="cp1251", newline="\r\n") as f:
            f.write(conf_text)
        self.log_path = os.path.join(self.dir, "actions.log")
        self.out_path = os.path.join(self.dir, "output.txt")
        self.machine_store = machine_store or os.path.join(self.dir, "no-such-dir", "registry.ini")
        self.proc = None
        self.started = None

    def start(self):
        env = dict(os.environ)
        env["ZENTARI_DRY_RUN"] = self.log_path
        env["ZENTARI_MACHINE_STORE"] = self.machine_store
        env.setdefault("SDL_AUDIODRIVER", "dummy")
        self.out = open(self.out_path, "w")
        self.started = time.monotonic()
        self.proc = subprocess.Popen([os.path.join(self.dir, "Zentari")], cwd=self.dir, env=env,
                                     stdin=subprocess.DEVNULL, stdout=self.out,
                                     stderr=subprocess.STDOUT)
        log(f"started Zentari (pid {self.proc.pid}) in {self.dir}")

    def since_start(self):
        return time.monotonic() - self.started

    def running(self):
        return self.proc is not None and self.proc.poll() is None

    def expect_running(self):
        if not self.running():
            raise TestFailure(f"Zentari has ended (exit status {self.proc.returncode})")

    def write_list(self, name, lines):
        """One of the program's list files under data/, as the program writes them."""
        with open(os.path.join(self.dir, "data", name), "w", encoding="cp1251",
                  newline="\r\n") as f:
            f.write("".join(line + "\n" for line in lines))

    def _all_log_lines(self):
        try:
            with open(self.log_path, encoding="utf-8") as f:
                return f.read().splitlines()
        except FileNotFoundError:
            return []

    def log_lines(self):
        """The actions in the dry-run log, without the start-up sign."""
        return [line for line in self._all_log_lines() if line != READY]

    def wait_ready(self, timeout=20):
        """Waits for the clock's start-up step (2.3 s after start: the pass
        through the tray, the editors' clock, the exit permission) to have run,
        which the clock writes to the dry-run log."""
        poll("the clock's start-up step", lambda: self.expect_running() or
             READY in self._all_log_lines(), timeout)

    def clock_window(self):
        """The clock: the Zentari window that is 127 x 47 (mapped or not)."""
        candidates = []
        for wid in windows_of_class("Zentari"):
            info = window_info(wid)
            if info and (info["width"], info["height"]) == CLOCK_SIZE:
                candidates.append((info["viewable"], wid))
        candidates.sort(reverse=True)
        return candidates[0][1] if candidates else 0

    def mapped_clock(self):
        self.expect_running()
        wid = self.clock_window()
        info = window_info(wid) if wid else None
        return wid if info and info["viewable"] else 0

    def tray_icon(self):
        """The Zentari window docked into tint2's tray, when it is there and shown."""
        self.expect_running()
        panel = window_by_class_exact("tint2")
        if not panel:
            return 0
        for wid in windows_of_class("Zentari"):
            info = window_info(wid)
            if not info or not info["viewable"]:
                continue
            up = parent_of(wid)
            for _ in range(4):  # icon -> tint2's embedder -> the panel
                if up in (0, panel):
                    break
                up = parent_of(up)
            if up == panel:
                return wid
        return 0

    def popups(self, exclude=()):
        """Mapped Zentari windows other than the clock and the tray icon (menus, dialogs)."""
        shown = []
        for wid in windows_of_class("Zentari"):
            if wid in exclude:
                continue
            info = window_info(wid)
            if info and info["viewable"] and (info["width"], info["height"]) != CLOCK_SIZE \
                    and info["width"] > 30:
                shown.append((wid, info))
        return shown

    def stop(self):
        if self.running():
            self.proc.send_signal(signal.SIGTERM)
            try:
                self.proc.wait(5)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait()
        if self.proc is not None:
            self.out.close()

    def diagnose(self, error):
        print(f"\nFAILED: {error}", flush=True)
        print("--- dry-run log", self.log_path)
        for line in self.log_lines():
            print("   ", line.replace("\t", "<TAB>"))
        try:
            print("--- program output")
            with open(self.out_path, encoding="utf-8", errors="replace") as f:
                print(f.read())
        except OSError:
            pass
        # What the program had stored: most failures show there first.
        for name in ("conf.ini", *(os.path.join("data", f) for f in
                                   ("Titles.zdt", "Times.zdt", "Dates.zdt", "Messes.zdt", "IDs.zdt",
                                    "actions.pending", "reminders.pending"))):
            path = os.path.join(self.dir, name)
            if os.path.exists(path):
                with open(path, "rb") as f:
                    print(f"--- {name}:", f.read().decode("cp1251", errors="replace")
                          .replace("\r\n", " | "))
        if os.environ.get("QT_LINUX_ACCESSIBILITY_ALWAYS_ON"):
            print("--- accessibility tree")
            print(accessible_tree())
        if self.proc is not None:
            print("--- program", "running" if self.running() else
                  f"ended with status {self.proc.returncode}")
        try:
            print("--- xwininfo -root -tree")
            print(tree())
            path = screenshot(os.path.join(self.shots, f"{self.name}-FAILURE.png"))
            print("--- screenshot at failure:", path)
        except Exception as e:  # the X server may be the thing that broke
            print("(no screenshot:", e, ")")
        # The program folder goes when the test ends; its log and output stay here.
        os.makedirs(self.shots, exist_ok=True)
        for src, dst in ((self.log_path, "actions.log"), (self.out_path, "output.txt")):
            if os.path.exists(src):
                kept = os.path.join(self.shots, f"{self.name}-FAILURE-{dst}")
                shutil.copy(src, kept)
                print("--- kept", kept)
        sys.stdout.flush()

    def cleanup(self):
        self.stop()
        shutil.rmtree(self.dir, ignore_errors=True)


def window_by_class_exact(cls):
    ids = windows_of_class(cls)
    for wid in ids:
        info = window_info(wid)
        if info and info["viewable"]:
            return wid
    return 0


def close_to_now(time_text, date_text, slack=5):
    """True when the clock's time and date texts are within `slack` s of this machine's time."""
    shown = datetime.datetime.strptime(f"{date_text} {time_text}", "%d.%m.%Y %H:%M:%S")
    return abs((datetime.datetime.now() - shown).total_seconds()) <= slack


def main(name, body):
    """Runs body(clock factory) and turns failures into diagnostics and exit status 1."""
    if len(sys.argv) < 3:
        print(f"usage: {sys.argv[0]} <Zentari executable> <source dir>", file=sys.stderr)
        sys.exit(2)
    exe, source = sys.argv[1], sys.argv[2]
    expect_bundled_data(exe, source)
    shots = os.environ.get("ZENTARI_E2E_SHOTS") or os.path.join(tempfile.gettempdir(),
                                                                 "zentari-e2e-shots")
    os.makedirs(shots, exist_ok=True)
    expect_display()
    clocks = []

    def make(conf_text, machine_store=None, tag=name):
        clock = Clock(tag, exe, source, conf_text, shots, machine_store)
        clocks.append(clock)
        return clock

    began = time.monotonic()
    status = 0
    try:
        body(make, shots)
        log(f"{name}: passed in {time.monotonic() - began:.1f} s")
    except Exception as e:  # every failure gets the diagnostics
        status = 1
        if not isinstance(e, TestFailure):
            traceback.print_exc()
        if clocks:
            clocks[-1].diagnose(e)
        else:
            print(f"FAILED: {e}")
    finally:
        for clock in clocks:
            clock.cleanup()
    sys.exit(status)


def expect_bundled_data(exe, source):
    """The tests copy data/ from beside the executable: it must hold what the
    source tree bundles, or every later failure would be a puzzle."""
    missing = []
    for folder, _dirs, files in os.walk(os.path.join(source, "data")):
        relative = os.path.relpath(folder, source)
        for f in files:
            if not os.path.exists(os.path.join(os.path.dirname(exe), relative, f)):
                missing.append(os.path.join(relative, f))
    if missing:
        print(f"{exe}: data/ beside it lacks {', '.join(sorted(missing)[:5])}; build the target "
              "Zentari (it places data/)", file=sys.stderr)
        sys.exit(2)


def expect_display():
    if not os.environ.get("DISPLAY"):
        print("no DISPLAY: run me through tests/e2e/with-xsession.sh", file=sys.stderr)
        sys.exit(2)
