#!/usr/bin/python3
"""A shut-down planned from the clock's menu keeps the machine awake until it is
taken off again, with a stand-in logind on a private system bus: the template
"Через 90 минут" → logind holds the clock's block lock on sleep, its reason
"Выключение компьютера в <time>"; `Zentari --remove <id>` → the lock is gone,
while the clock's delay lock on sleep stays.

    with-xsession.sh --wm --tray --logind -- /usr/bin/python3 test_awake_lock.py <Zentari> <source dir>
"""

import os
import re
import subprocess
import time

import e2elib as e
from e2elib import expect, key, log, poll


def block_locks():
    return [lock for lock in e.logind.inhibitors("Zentari") if lock["mode"] == "block"]


def command(clock, *args):
    env = dict(os.environ, ZENTARI_DRY_RUN=clock.log_path, ZENTARI_MACHINE_STORE=clock.machine_store)
    done = subprocess.run([os.path.join(clock.dir, "Zentari"), *args], cwd=clock.dir, env=env,
                          stdin=subprocess.DEVNULL, capture_output=True, timeout=30)
    log(f"{' '.join(args)}: status {done.returncode}, stderr {done.stderr.decode()!r}")
    return done.returncode


def body(make, shots):
    e.logind.system_bus()  # the stand-in's bus, not the machine's
    clock = make("[Options big]\nTraySet=0\n", tag="awake-lock")
    clock.start()
    wid = poll("the clock window to be shown", clock.mapped_clock, 20)
    clock.wait_ready()
    wid = poll("the clock back on the desktop", clock.mapped_clock, 10)
    poll("the clock's delay lock on sleep",
         lambda: [lock for lock in e.logind.inhibitors("Zentari") if lock["mode"] == "delay"], 10)
    expect(block_locks() == [], f"a lock before anything was planned: {block_locks()}")

    # The clock's menu: from the bottom "Выход", "Проверить обновление",
    # "Шаблоны..."; in it "Выключить компьютер...", whose second item is
    # "Через 90 минут".
    info = e.window_info(wid)
    e.move_pointer(info["x"] + 110, info["y"] + 10)
    e.click("3")
    menus = lambda: [w for w in clock.popups() if w[1]["width"] < 600]  # noqa: E731
    poll("the clock's menu", menus, 8)
    key("Up", "Up", "Up", "Right")
    poll("the submenu 'Шаблоны...'", lambda: len(menus()) >= 2, 5)
    key("Right")
    poll("the submenu 'Выключить компьютер...'", lambda: len(menus()) >= 3, 5)
    key("Down", "Return")
    chosen = time.monotonic()
    poll("the menu to close", lambda: not menus(), 8)

    with open(os.path.join(clock.dir, "conf.ini"), encoding="cp1251") as f:
        conf = f.read()
    m = re.search(r"\[Action(" + e.DATE_RE + ") (" + e.TIME_RE + r")\]", conf)
    expect(m and "Path=Шаблон выключенияЧерез 90 минут" in conf,
           f"no section of the template «Через 90 минут» in conf.ini:\n{conf}")
    date, at = m.group(1), m.group(2)
    log(f"shut-down planned for {date} {at}")

    locks = poll("the clock's block lock", block_locks, 8, interval=0.05)
    log(f"locked {time.monotonic() - chosen:.2f} s after the click: {locks}")
    expect(len(locks) == 1, f"more than one block lock: {locks}")
    lock = locks[0]
    expect("sleep" in lock["what"].split(":"), f"the lock is not on sleep: {lock}")
    expect(lock["why"] == f"Выключение компьютера в {at}",
           f"the lock's reason is {lock['why']!r}, not 'Выключение компьютера в {at}'")

    status = command(clock, "--remove", f"{date} {at}")
    expect(status == 0, f"--remove ended with status {status}")
    removed = time.monotonic()
    poll("the block lock to go", lambda: not block_locks(), 8, interval=0.05)
    log(f"released {time.monotonic() - removed:.2f} s after --remove")
    expect("[Action" not in open(os.path.join(clock.dir, "conf.ini"), encoding="cp1251").read(),
           "the action's section stayed in conf.ini")
    time.sleep(1.5)  # a tick must not take it again
    expect(block_locks() == [], f"a lock came back: {block_locks()}")
    expect([lock["what"] for lock in e.logind.inhibitors("Zentari")] == ["sleep"],
           f"the clock's locks: {e.logind.inhibitors('Zentari')}")
    expect(clock.log_lines() == [], f"the dry-run log: {clock.log_lines()}")
    clock.expect_running()


if __name__ == "__main__":
    e.main("e2e_awake_lock", body)
