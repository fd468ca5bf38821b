"""The clock's remote control as a caller meets it: `Zentari` run again with
command arguments in a clock's program folder, and the D-Bus service called
and watched with gdbus. The service needs a session bus: with-xsession.sh
--bus (or --a11y) starts a private one."""

import os
import signal
import subprocess
import time

from .base import TOOL_ENV, log, poll

SERVICE = "org.zentari.Zentari"
OBJECT = "/org/zentari/Zentari"
INTERFACE = "org.zentari.Zentari1"


class CommandRun:
    """One finished `Zentari <arguments>`: exit status, both outputs, seconds taken."""

    def __init__(self, args, status, stdout, stderr, seconds):
        self.args = args
        self.status = status
        self.stdout = stdout
        self.stderr = stderr
        self.seconds = seconds

    def __repr__(self):
        return (f"Zentari {self.args!r}: status {self.status} in {self.seconds:.2f} s, "
                f"stdout {self.stdout!r}, stderr {self.stderr!r}")


def _start(clock, args):
    """The program started in `clock`'s folder with these arguments, in the
    same dry-run mode and with the same protection store as the clock."""
    env = dict(TOOL_ENV)
    env["ZENTARI_DRY_RUN"] = clock.log_path
    env["ZENTARI_MACHINE_STORE"] = clock.machine_store
    return subprocess.Popen([os.path.join(clock.dir, "Zentari"), *args], cwd=clock.dir, env=env,
                            stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                            stderr=subprocess.PIPE)


def _finish(proc, args, began, timeout):
    try:
        out, err = proc.communicate(timeout=timeout)
    except subprocess.TimeoutExpired:
        proc.kill()
        proc.communicate()
        raise
    run = CommandRun(list(args), proc.returncode, out.decode("utf-8", errors="replace"),
                     err.decode("utf-8", errors="replace"), time.monotonic() - began)
    log(repr(run))
    return run


def command(clock, *args, timeout=30):
    """Runs the program with these arguments as a command for `clock` and
    logs how long it took."""
    began = time.monotonic()
    return _finish(_start(clock, args), args, began, timeout)


def commands_at_once(clock, arg_lists, timeout=30):
    """Starts one command per argument list together and waits for all."""
    began = time.monotonic()
    procs = [(_start(clock, args), args) for args in arg_lists]
    return [_finish(proc, args, began, timeout) for proc, args in procs]


def gvariant_string(text):
    """A string as gdbus reads its arguments (GVariant text: quoted, escaped)."""
    escaped = (text.replace("\\", "\\\\").replace("'", "\\'").replace("\n", "\\n")
               .replace("\r", "\\r").replace("\t", "\\t"))
    return f"'{escaped}'"


def bus_call(method, *args, interface=INTERFACE, dest=SERVICE, path=OBJECT, timeout=20):
    """`gdbus call` of one method; returns (exit status, output, error output).
    Arguments are given in GVariant text (see gvariant_string)."""
    done = subprocess.run(["gdbus", "call", "--session", "--dest", dest, "--object-path", path,
                           "--method", f"{interface}.{method}", *args], env=TOOL_ENV,
                          capture_output=True, text=True, timeout=timeout)
    log(f"gdbus call {method} {' '.join(args)}: status {done.returncode}, "
        f"{done.stdout.strip()!r} {done.stderr.strip()!r}")
    return done.returncode, done.stdout.strip(), done.stderr.strip()


def service_owned():
    """True when some connection owns the clock's service name."""
    status, out, _ = bus_call("NameHasOwner", gvariant_string(SERVICE),
                              interface="org.freedesktop.DBus", dest="org.freedesktop.DBus",
                              path="/org/freedesktop/DBus")
    return status == 0 and out == "(true,)"


def wait_for_service(clock, timeout=20):
    poll(f"{SERVICE} on the session bus", lambda: clock.expect_running() or service_owned(),
         timeout, interval=0.2)


class Monitor:
    """`gdbus monitor` of the clock's service, its lines collected in a file."""

    def __init__(self, folder):
        self.path = os.path.join(folder, "bus-monitor.txt")
        self.out = open(self.path, "w")
        self.proc = subprocess.Popen(["gdbus", "monitor", "--session", "--dest", SERVICE],
                                     env=TOOL_ENV, stdin=subprocess.DEVNULL, stdout=self.out,
                                     stderr=subprocess.STDOUT)

    def lines(self):
        with open(self.path, encoding="utf-8", errors="replace") as f:
            return f.read().splitlines()

    def signals(self, name):
        """The lines of the service's signal `name` seen so far."""
        return [line for line in self.lines() if f"{INTERFACE}.{name} (" in line]

    def stop(self):
        if self.proc.poll() is None:
            self.proc.send_signal(signal.SIGTERM)
            try:
                self.proc.wait(5)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait()
        self.out.close()
