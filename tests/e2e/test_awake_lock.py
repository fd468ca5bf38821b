#!/usr/bin/python3
"""Pending power actions keep the machine awake, with a stand-in logind on a
private system bus: a daily log-off due in 25 minutes → from the start logind
holds the clock's block lock on sleep, "Выход из системы в <time>"; the
template "Через 90 минут" from the clock's menu is later, and the reason stays;
`Zentari --remove` takes the log-off off → the one lock now says "Выключение
компьютера в <time>"; the shut-down removed too → no block lock, while the
clock's delay lock on sleep stays. Then `Zentari --in 1` while another program
blocks shutting down: the lock is held until the shut-down is performed (logged
by the dry run a minute later), its warning window names that program, and no
lock is taken again when the user aborts it.

    with-xsession.sh --wm --tray --a11y --logind -- /usr/bin/python3 test_awake_lock.py <Zentari> <source dir>
"""

import datetime
import os
import re
import subprocess
import time

import e2elib as e
from e2elib import expect, key, log, poll


def block_locks():
    return [lock for lock in e.logind.inhibitors("Zentari") if lock["mode"] == "block"]


def reason(what, due):
    """The lock's reason: the date only when the action is not today's."""
    text = f"{what} в {e.clock_text(due)}"
    return text if due.date() == datetime.date.today() else f"{text} {due:%d.%m.%Y}"


def held(why):
    """The clock's one block lock when its reason is `why`."""
    locks = block_locks()
    return locks if [lock["why"] for lock in locks] == [why] else None


def command(clock, *args):
    env = dict(os.environ, ZENTARI_DRY_RUN=clock.log_path, ZENTARI_MACHINE_STORE=clock.machine_store)
    done = subprocess.run([os.path.join(clock.dir, "Zentari"), *args], cwd=clock.dir, env=env,
                          stdin=subprocess.DEVNULL, capture_output=True, timeout=30)
    log(f"{' '.join(args)}: status {done.returncode}, stderr {done.stderr.decode()!r}")
    return done.returncode


def body(make, shots):
    e.logind.system_bus()  # the stand-in's bus, not the machine's
    clock = make("", tag="awake-lock")
    logoff = datetime.datetime.now().replace(microsecond=0) + datetime.timedelta(minutes=25)
    logoff_id = f"{logoff:%d.%m.%Y} {e.clock_text(logoff)}"
    with open(os.path.join(clock.dir, "conf.ini"), "w", encoding="cp1251", newline="\r\n") as f:
        f.write(f"[Options big]\nTraySet=0\n[Action{logoff_id}]\nAction=3\n"
                f"Date={logoff:%d.%m.%Y}\nTime={e.clock_text(logoff)}\nPath=\nType_Per=2\n")
    clock.write_list("1Actions.zdt", ["3"])
    clock.write_list("1Paths.zdt", [""])
    clock.write_list("1Times.zdt", [e.clock_text(logoff)])
    clock.write_list("1Dates.zdt", [f"{logoff:%d.%m.%Y}"])
    clock.write_list("1Ids.zdt", [logoff_id])
    clock.start()
    wid = poll("the clock window to be shown", clock.mapped_clock, 20)
    clock.wait_ready()
    wid = poll("the clock back on the desktop", clock.mapped_clock, 10)
    poll("the clock's delay lock on sleep",
         lambda: [lock for lock in e.logind.inhibitors("Zentari") if lock["mode"] == "delay"], 10)
    logoff_why = reason("Выход из системы", logoff)
    locks = poll(f"the block lock {logoff_why!r}", lambda: held(logoff_why), 8)
    log(f"at start: {locks}")
    expect("sleep" in locks[0]["what"].split(":"), f"the lock is not on sleep: {locks}")

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
    m = re.search(r"\[Action(" + e.DATE_RE + ") (" + e.TIME_RE + r")\][^[]*"
                  r"Path=Шаблон выключенияЧерез 90 минут", conf)
    expect(m,
           f"no section of the template «Через 90 минут» in conf.ini:\n{conf}")
    date, at = m.group(1), m.group(2)
    log(f"shut-down planned for {date} {at}, {time.monotonic() - chosen:.1f} s after the click")
    time.sleep(1.5)  # a tick or two
    expect(held(logoff_why), f"the earlier log-off no longer gives the reason: {block_locks()}")

    status = command(clock, "--remove", logoff_id)
    expect(status == 0, f"--remove ended with status {status}")
    removed = time.monotonic()
    shutdown_why = reason("Выключение компьютера",
                          datetime.datetime.strptime(f"{date} {at}", "%d.%m.%Y %H:%M:%S"))
    locks = poll(f"the one block lock {shutdown_why!r}", lambda: held(shutdown_why), 8,
                 interval=0.05)
    log(f"{time.monotonic() - removed:.2f} s after the log-off was removed: {locks}")

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

    editor = e.logind.ForeignLock("shutdown", "Редактор", "Несохранённый документ")
    try:
        shut_down_in_a_minute(clock)
    finally:
        editor.release()
    clock.expect_running()


def shut_down_in_a_minute(clock):
    expect(command(clock, "--in", "1") == 0, "--in 1 failed")
    ordered = time.monotonic()
    with open(os.path.join(clock.dir, "conf.ini"), encoding="cp1251") as f:
        m = re.search(r"\[Action" + e.DATE_RE + " (" + e.TIME_RE + r")\]", f.read())
    expect(m, "no section of the shut-down in a minute in conf.ini")
    due = m.group(1)
    poll(f"the lock for the shut-down at {due}",
         lambda: held(f"Выключение компьютера в {due}"), 8)
    poll("the shut-down in the dry-run log",
         lambda: [line for line in clock.log_lines() if line.startswith("poweroff\t")], 75,
         interval=0.5)
    log(f"performed {time.monotonic() - ordered:.1f} s after --in 1; locks {block_locks()}")
    poll("the lock to go once the shut-down is performed", lambda: not block_locks(), 5)
    named = "Выключению мешает: Редактор (Несохранённый документ)"
    shown = poll(f"{named!r} in the warning window",
                 lambda: named in (e.accessible_strings("Zentari") or []) and
                 e.accessible_strings("Zentari"), 8)
    log(f"the warning window: {shown}")
    expect(command(clock, "--abort") == 0, "--abort failed")
    poll("'cancel-shutdown' in the dry-run log", lambda: "cancel-shutdown" in clock.log_lines(), 5)
    time.sleep(1.5)
    expect(block_locks() == [], f"a lock after the shut-down was aborted: {block_locks()}")


if __name__ == "__main__":
    e.main("e2e_awake_lock", body)
