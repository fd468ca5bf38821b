"""The ground the other helpers stand on: the command-line tools run in a
UTF-8 locale, the failure the tests raise, the log line, polling."""

import os
import subprocess
import time

# xprop prints UTF-8 titles as they are only in a UTF-8 locale.
TOOL_ENV = dict(os.environ, LC_ALL="C.UTF-8")


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
