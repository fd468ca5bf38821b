"""The stand-in systemd-logind that with-xsession.sh --logind puts on a private
system bus: its signals sent as the real one sends them, its inhibitor locks
read back, and the check that the program under test can reach no other."""

import json
import os

from .base import TestFailure, run

LOGIND = ("--dest", "org.freedesktop.login1", "--object-path", "/org/freedesktop/login1")


def system_bus():
    """The private system bus's address; fails unless with-xsession.sh made it
    (a clock that took its locks on the machine's own logind would keep the
    machine awake, or hold up its sleep)."""
    address = os.environ.get("DBUS_SYSTEM_BUS_ADDRESS", "")
    session = os.path.dirname(os.environ.get("XSESSION_DIR", "").rstrip("/"))
    if not session or not os.environ.get("ZENTARI_E2E_LOGIND_LOG") or \
            not address.startswith(f"unix:path={session}/"):
        raise TestFailure(f"DBUS_SYSTEM_BUS_ADDRESS={address!r} is not the session's private "
                          "bus: run me through with-xsession.sh --logind")
    return address


def expect_private_system_bus():
    """Fails unless the system bus is with-xsession.sh's: its private one, or
    the address that leads nowhere. The clock takes logind's locks on start."""
    address = os.environ.get("DBUS_SYSTEM_BUS_ADDRESS", "")
    session = os.path.dirname(os.environ.get("XSESSION_DIR", "").rstrip("/"))
    if not session or not address.startswith(f"unix:path={session}/"):
        raise TestFailure(f"DBUS_SYSTEM_BUS_ADDRESS={address!r} may be the machine's own "
                          "system bus: run me through with-xsession.sh")


def prepare_for_sleep(starting):
    """logind's notice that the machine goes to sleep (True) or woke up (False)."""
    run("gdbus", "call", "--address", system_bus(), *LOGIND, "--method",
        "org.freedesktop.DBus.Mock.EmitSignal", "org.freedesktop.login1.Manager",
        "PrepareForSleep", "b", f"[<{'true' if starting else 'false'}>]")


def inhibitors(who=None):
    """The locks logind holds now, as dicts with what, who, why, mode; only
    those of `who` when given."""
    out = run("busctl", f"--address={system_bus()}", "--json=short", "call",
              "org.freedesktop.login1", "/org/freedesktop/login1",
              "org.freedesktop.login1.Manager", "ListInhibitors")
    rows = json.loads(out)["data"][0]
    locks = [dict(zip(("what", "who", "why", "mode", "uid", "pid"), row)) for row in rows]
    return [lock for lock in locks if who is None or lock["who"] == who]


class ForeignLock:
    """A lock another program holds on the stand-in logind, as long as this
    object's descriptor is open (dbus-python, which dbusmock needs anyway)."""

    def __init__(self, what, who, why, mode="block"):
        import dbus  # only the sessions with the stand-in need it
        bus = dbus.bus.BusConnection(system_bus())
        manager = dbus.Interface(bus.get_object("org.freedesktop.login1",
                                                "/org/freedesktop/login1"),
                                 "org.freedesktop.login1.Manager")
        self.fd = manager.Inhibit(what, who, why, mode).take()
        bus.close()

    def release(self):
        if self.fd >= 0:
            os.close(self.fd)
            self.fd = -1


def calls():
    """The stand-in's log of the calls it had, one line each ("<time> Inhibit ...")."""
    try:
        with open(os.environ["ZENTARI_E2E_LOGIND_LOG"], encoding="utf-8",
                  errors="replace") as f:
            return [line.split(" ", 1)[1] for line in f.read().splitlines() if " " in line]
    except FileNotFoundError:
        return []
