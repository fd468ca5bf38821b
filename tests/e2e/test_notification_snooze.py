#!/usr/bin/python3
"""A reminder put off from its desktop notification. A stand-in notification
server (python3-dbusmock's notification_daemon) runs on the session's private
bus and the clock talks to it for real (ZENTARI_REAL_NOTIFICATIONS=1). With
SnoozeMinutes=1, a reminder due a few seconds after the start opens its window
and posts one notification: the reminder's title, the actions "Отложить" and
"Закрыть", critical, resident, from "zentari". The server then reports a click
on "Отложить" as the user's desktop would: the window closes and takes the
notification along, the lists hold the reminder a minute later, data/snoozed.txt
names it and the clock's menu lists it. The clock is ended and started again on
the same folder: at the new second the window comes back with a second
notification.

    with-xsession.sh --wm --bus -- /usr/bin/python3 test_notification_snooze.py \
        <Zentari> <source dir>
"""

import datetime
import os
import subprocess
import sys
import time

import e2elib as e
from e2elib import expect, key, log, poll

CONF = "[Options big]\nTraySet=0\nSnoozeMinutes=1\n"
TITLE = "Полить цветы"
TEXT = "Фикус и кактус\nводой из кувшина"

SERVER = "org.freedesktop.Notifications"
SERVER_PATH = "/org/freedesktop/Notifications"


class NotificationServer:
    """dbusmock's notification daemon on the session bus; its calls are read
    back and its signals sent through the mock's own interface."""

    def __init__(self):
        address = os.environ.get("DBUS_SESSION_BUS_ADDRESS", "")
        session = os.path.dirname(os.environ.get("XSESSION_DIR", "").rstrip("/"))
        # The user's own notification server must never see these.
        try:
            with open(os.path.join(session, "bus"), encoding="utf-8") as f:
                private = f.readline().strip()
        except OSError:
            private = None
        if not address or address != private:
            raise e.TestFailure(f"DBUS_SESSION_BUS_ADDRESS={address!r} is not the session's "
                                "private bus: run me through with-xsession.sh --bus")
        import dbus  # python3-dbusmock brings it, and only /usr/bin/python3 has it
        self.proc = subprocess.Popen(
            [sys.executable, "-m", "dbusmock", "--template", "notification_daemon",
             "--parameters", '{"capabilities": "actions body persistence"}'],
            stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL)
        self.bus = dbus.bus.BusConnection(address)
        poll("the notification server on the bus", lambda: self.proc.poll() is None and
             self.bus.name_has_owner(SERVER) or self.proc.poll() is not None, 20)
        expect(self.proc.poll() is None, f"dbusmock ended ({self.proc.returncode})")
        self.mock = dbus.Interface(self.bus.get_object(SERVER, SERVER_PATH),
                                   "org.freedesktop.DBus.Mock")

    def calls(self, method):
        return [list(args) for _stamp, name, args in self.mock.GetCalls() if name == method]

    def invoke(self, nid, action):
        import dbus
        self.mock.EmitSignal(SERVER, "ActionInvoked", "us", [dbus.UInt32(nid), action])

    def stop(self):
        if self.proc.poll() is None:
            self.proc.terminate()
            try:
                self.proc.wait(5)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait()


def snoozed(clock):
    try:
        with open(os.path.join(clock.dir, "data", "snoozed.txt"), encoding="utf-8") as f:
            return [line.split("\t") for line in f.read().splitlines() if line]
    except FileNotFoundError:
        return []


def expect_notice(notify, what):
    """One Notify call's arguments: the reminder's, as the desktop is to show them."""
    _app, _replaces, _icon, summary, body, actions, hints, _timeout = notify
    log(f"{what}: {str(summary)!r} / {str(body)!r} / {[str(a) for a in actions]} / "
        f"{ {str(k): str(v) for k, v in hints.items()} }")
    expect(summary == TITLE, f"{what}: the summary is {summary!r}")
    expect(body.startswith(TEXT.splitlines()[0]), f"{what}: the body is {body!r}")
    pairs = dict(zip(actions[0::2], actions[1::2]))
    expect(pairs.get("snooze") == "Отложить" and pairs.get("close") == "Закрыть",
           f"{what}: the actions are {list(actions)}")
    expect(int(hints.get("urgency", -1)) == 2, f"{what}: urgency {hints.get('urgency')}")
    expect(bool(hints.get("resident")), f"{what}: not resident")
    expect(hints.get("desktop-entry") == "zentari",
           f"{what}: desktop-entry {hints.get('desktop-entry')!r}")


def body(make, shots):
    server = NotificationServer()
    try:
        walk(make, shots, server)
    finally:
        server.stop()


def walk(make, shots, server):
    os.environ["ZENTARI_REAL_NOTIFICATIONS"] = "1"
    clock = make(CONF, tag="notification_snooze")
    due = datetime.datetime.now().replace(microsecond=0) + datetime.timedelta(seconds=12)
    rid = f"{TITLE}{due:%d.%m.%Y}"
    text_file = os.path.join("messages", f"{rid}.zdt")
    clock.write_list(text_file, TEXT.splitlines())
    clock.write_list("Titles.zdt", [TITLE])
    clock.write_list("Messes.zdt", [os.path.join(clock.dir, "data", text_file)])
    clock.write_list("Times.zdt", [e.clock_text(due)])
    clock.write_list("Dates.zdt", [f"{due:%d.%m.%Y}"])
    clock.write_list("IDs.zdt", [rid])
    clock.start()
    clock.wait_ready()
    expect(server.calls("Notify") == [], "a notification before the reminder's second")

    wid, info = poll("the reminder window", lambda: e.shown_titled(TITLE),
                     (due - datetime.datetime.now()).total_seconds() + 10)
    log(f"shown at {datetime.datetime.now():%H:%M:%S} (due {e.clock_text(due)})")
    posted = poll("the notification beside the window", lambda: server.calls("Notify"), 5)
    time.sleep(0.5)  # a second one would come at once
    posted = server.calls("Notify")
    expect(len(posted) == 1, f"{len(posted)} notifications for one reminder")
    expect_notice(posted[0], "the notification")
    path = e.screenshot(os.path.join(shots, "notification-snooze-window.png"),
                        (info["x"], info["y"], info["width"], info["height"]))
    log(f"screenshot {path}")

    # "Отложить" on the desktop's bubble. Its number is the server's first; the
    # clock knows it as its own only once the server's answer has reached it,
    # so a click that came too early is repeated.
    clicked = datetime.datetime.now()
    for _ in range(5):
        server.invoke(1, "snooze")
        try:
            poll("the reminder window to close", lambda: not e.shown_titled(TITLE), 1)
            break
        except e.TestFailure:
            pass
    poll("the reminder window to close", lambda: not e.shown_titled(TITLE), 3)
    closed = poll("the notification to be withdrawn", lambda: server.calls("CloseNotification"),
                  5)
    expect([int(c[0]) for c in closed] == [1], f"withdrawn: {closed}")

    times = clock.read_list("Times.zdt")
    expect(len(times) == 1, f"Times.zdt holds {times}")
    dates = clock.read_list("Dates.zdt")
    again = datetime.datetime.strptime(f"{dates[0]} {times[0]}", "%d.%m.%Y %H:%M:%S")
    late = (again - due).total_seconds()
    expect(60 <= late <= (clicked - due).total_seconds() + 63,
           f"put off to {again:%H:%M:%S}, {late:.1f} s after its second {e.clock_text(due)}")
    expect(clock.read_list("Titles.zdt") == [TITLE], "the title changed")
    expect(clock.read_list("IDs.zdt") == [f"{TITLE}{again:%d.%m.%Y}"],
           f"IDs.zdt holds {clock.read_list('IDs.zdt')}")
    kept = snoozed(clock)
    expect(len(kept) == 1 and kept[0][0] == "reminder" and kept[0][3] == TITLE and
           kept[0][1].startswith(f"{again:%Y-%m-%dT%H:%M:%S}"),
           f"data/snoozed.txt holds {kept}")
    log(f"put off to {e.clock_text(again)}")
    clock.expect_snooze_listed(os.path.join(shots, "notification-snooze-clock-menu.png"))

    # A clean end ("Выход", the menu's last item) and a new start on the same
    # folder, well before the new second.
    clock.open_menu()
    key("Up", "Return")
    poll("the clock to end after 'Выход'", lambda: not clock.running(), 10)
    expect(clock.proc.returncode == 0, f"the clock ended with status {clock.proc.returncode}")
    clock.stop()
    expect(snoozed(clock) == kept, f"data/snoozed.txt after the end: {snoozed(clock)}")
    clock.start()
    clock.wait_ready()
    expect(len(server.calls("Notify")) == 1, "a notification before the new second")

    wid, info = poll("the reminder shown again after the restart", lambda: e.shown_titled(TITLE),
                     (again - datetime.datetime.now()).total_seconds() + 8)
    shown = datetime.datetime.now()
    log(f"shown again at {shown:%H:%M:%S}")
    expect(shown >= again - datetime.timedelta(seconds=1),
           f"shown at {shown:%H:%M:%S}, before its new second {e.clock_text(again)}")
    posted = poll("a second notification", lambda: len(server.calls("Notify")) >= 2 and
                  server.calls("Notify"), 5)
    time.sleep(0.5)
    posted = server.calls("Notify")
    expect(len(posted) == 2, f"{len(posted)} notifications in all")
    expect_notice(posted[1], "the second notification")
    path = e.screenshot(os.path.join(shots, "notification-snooze-again.png"),
                        (info["x"], info["y"], info["width"], info["height"]))
    log(f"screenshot {path}")
    key("alt+F4", to=wid)
    poll("the reminder window to close", lambda: not e.shown_titled(TITLE), 5)
    poll("the second notification to be withdrawn",
         lambda: [int(c[0]) for c in server.calls("CloseNotification")] == [1, 2], 5)
    expect(clock.log_lines() == ["beep\t1000\t1000"] * 2, f"the signals: {clock.log_lines()}")

    # Come back, it is no longer put off: the menu's fourth item from the
    # bottom is "Особые настройки часов" again, and the list drops the line.
    menus, _mi = clock.open_menu()
    key("Up", "Up", "Up", "Up", "Right")
    time.sleep(1)
    expect(len(menus()) == 1, "the clock's menu still lists the snooze")
    key("Escape", "Escape")
    poll("the clock's menu to close", lambda: not menus(), 5)
    expect(snoozed(clock) == [], f"data/snoozed.txt still holds {snoozed(clock)}")


if __name__ == "__main__":
    e.main("e2e_notification_snooze", body)
