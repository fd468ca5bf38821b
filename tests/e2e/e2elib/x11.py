"""The X session as a user has it: windows found and read through xwininfo,
xprop and xdotool, the pointer, keys and clicks that are known to have
landed, the screen's size, the window tree and screenshots."""

import os
import re
import subprocess
import time

from .base import TestFailure, poll, run


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


def click(*args):
    """xdotool click with its arguments, at the pointer; returns when the
    program has the click (see _Input)."""
    run("xdotool", "click", *args)
    poll("the click to be let through", lambda: not _the_input().buttons_down(), 10,
         interval=0.02)


def click_in(info, x, y, button="1"):
    """A click at (x, y) inside the window `info` describes (window_info)."""
    move_pointer(info["x"] + x, info["y"] + y)
    time.sleep(0.1)
    click(button)
    time.sleep(0.3)


def shown_titled(title, cls="Zentari"):
    """(wid, info) of the viewable window of that class with exactly that title, or None."""
    for wid in windows_of_class(cls):
        info = window_info(wid)
        if info and info["viewable"] and title_of(wid) == title:
            return wid, info
    return None


def shown_window(title, cls="Zentari"):
    """The window shown_titled finds, or 0."""
    found = shown_titled(title, cls)
    return found[0] if found else 0


def window_titled(title):
    """(wid, info) of the shown Zentari window with this caption (the window
    manager may add the application's name after it), or None."""
    for wid in windows_of_class("Zentari"):
        info = window_info(wid)
        shown = title_of(wid) if info and info["viewable"] else None
        if shown and (shown == title or shown.startswith(title + " — ")):
            return wid, info
    return None


def window_by_class_exact(cls):
    ids = windows_of_class(cls)
    for wid in ids:
        info = window_info(wid)
        if info and info["viewable"]:
            return wid
    return 0


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
