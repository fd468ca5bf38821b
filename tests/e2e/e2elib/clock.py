"""The program under test: a copy of it in a throw-away program folder, run in
dry-run mode, its windows, and the frame every test script runs in."""

import datetime
import glob
import math
import os
import shutil
import signal
import struct
import subprocess
import sys
import tempfile
import time
import traceback
import wave

from .a11y import accessible_tree
from .base import TestFailure, log, poll
from .logind import calls, expect_private_system_bus, inhibitors
from .x11 import (click, click_in, key, move_pointer, parent_of, screenshot, tree,
                  window_by_class_exact, window_info, window_titled, windows_of_class)

TIME_RE = r"\d{1,2}:\d{2}:\d{2}"
DATE_RE = r"\d{2}\.\d{2}\.\d{4}"
HINT_RE = "Время : (" + TIME_RE + ") Дата : (" + DATE_RE + ")"

CLOCK_SIZE = (127, 47)

# The line the clock writes to the dry-run log once its start-up step has run.
READY = "ready"
# The notification server's lines (notifications_recording.h).
NOTICES = ("notify", "notify-close")


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
        expect_private_system_bus()
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

    def read_list(self, name):
        """One of the program's list files under data/, line by line."""
        with open(os.path.join(self.dir, "data", name), encoding="cp1251") as f:
            return f.read().splitlines()

    def _all_log_lines(self):
        try:
            with open(self.log_path, encoding="utf-8") as f:
                return f.read().splitlines()
        except FileNotFoundError:
            return []

    def log_lines(self, notices=False):
        """The actions in the dry-run log, without the start-up sign; the
        desktop notifications that come beside reminders and alarms only when
        asked for."""
        return [line for line in self._all_log_lines()
                if line != READY and (notices or line.split("\t")[0] not in NOTICES)]

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

    def open_menu(self):
        """The clock's right-click menu: returns the probe for open menus and the menu's info."""
        info = window_info(poll("the clock on the desktop", self.mapped_clock, 5))
        click_in(info, info["width"] // 2, info["height"] // 2, "3")
        menus = lambda: [w for w in self.popups() if w[1]["width"] < 600]  # noqa: E731
        return menus, poll("the clock's menu", menus, 8)[0][1]

    def expect_snooze_listed(self, shot_path):
        """The clock's menu from the keys (a popup menu is not on the accessibility
        bus): from the bottom "Выход", "Проверить обновление", "Шаблоны..."; the
        disabled item is passed over, so a fourth Up reaches the snooze, whose
        submenu opens to the right (without it, the fourth is "Особые настройки
        часов", which has none). The open menu is photographed to shot_path."""
        menus, mi = self.open_menu()
        log(f"screenshot {screenshot(shot_path, (mi['x'], mi['y'], mi['width'], mi['height']))}")
        key("Up", "Up", "Up", "Up", "Right")
        poll("the snooze's submenu in the clock's menu", lambda: len(menus()) >= 2, 5)
        key("Escape", "Escape")
        poll("the clock's menu to close", lambda: not menus(), 5)

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
        if os.environ.get("ZENTARI_E2E_LOGIND_LOG"):
            try:
                print("--- the stand-in logind's locks:", inhibitors())
            except Exception as e:
                print("--- the stand-in logind's locks: (not read:", e, ")")
            print("--- the stand-in logind's calls")
            # Without the tests' own polls of the locks.
            print("\n".join([c for c in calls() if c != "ListInhibitors"][-40:]))
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


def write_tone(path, seconds):
    """A 440 Hz tone of that many seconds as a WAV file: a sound the player really plays."""
    with wave.open(path, "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(22050)
        w.writeframes(b"".join(struct.pack("<h", int(8000 * math.sin(i * 2 * math.pi * 440 / 22050)))
                               for i in range(int(22050 * seconds))))


def clock_text(moment):
    """A time as the clock writes it: the hour without a leading zero."""
    return f"{moment.hour}:{moment.minute:02d}:{moment.second:02d}"


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
