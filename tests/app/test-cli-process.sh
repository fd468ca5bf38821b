#!/usr/bin/env bash
# `Zentari` with a command while no clock runs, as a script meets it: the
# lists written by the process itself, the listing on stdout, the exit
# statuses, and nothing written after a refusal. No display and no session
# bus: a command needs neither.
#
#   test-cli-process.sh <Zentari executable>
set -uo pipefail
exe=$1
dir=$(mktemp -d)
trap 'chmod -R u+w "$dir"; rm -rf "$dir"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

# A portable program folder of its own (the executable's folder), a runtime
# folder of its own for the lock, and a bus address nobody listens at.
prog="$dir/prog"
mkdir -p "$prog" "$dir/run"
chmod 700 "$dir/run"
cp "$exe" "$prog/Zentari"
cp -R "$(dirname "$exe")/data" "$prog/"
export XDG_RUNTIME_DIR="$dir/run"
export DBUS_SESSION_BUS_ADDRESS="unix:path=$dir/no-bus"
unset DISPLAY WAYLAND_DISPLAY
z() { (cd "$dir" && "$prog/Zentari" "$@"); }
snapshot() { (cd "$prog" && find data conf.ini -type f 2>/dev/null | sort | xargs md5sum); }

day=$(date -d '+2 days' +%d.%m.%Y)

[ -z "$(z --list)" ] || fail "--list of empty lists prints nothing"
z --remind "$day" 10:30 "Врач" "Кабинет 214" || fail "--remind"
z --action 4 "$day" 23:00:00 || fail "--action"
for list in Titles Messes Times Dates IDs; do
  [ "$(wc -l <"$prog/data/$list.zdt")" = 1 ] || fail "data/$list.zdt holds one line"
done
iconv -f CP1251 -t UTF-8 "$prog/data/Titles.zdt" | grep -q '^Врач' || fail "the title, in Windows-1251"
text=$(find "$prog/data" -iname "Врач$day.zdt" -o -iname "$(printf 'Врач%s.zdt' "$day" | iconv -f UTF-8 -t CP1251)" | head -1)
[ -n "$text" ] || fail "the reminder's text file"
iconv -f CP1251 -t UTF-8 "$text" | grep -q 'Кабинет 214' || fail "the reminder's text"

expected=$(printf 'action\t%s 23:00:00\t%s\t23:00:00\t4\tВыключение\nreminder\tВрач%s\t%s\t10:30:00\tВрач' \
  "$day" "$day" "$day" "$day")
[ "$(z --list)" = "$expected" ] || { z --list | cat -A; fail "--list"; }

# A refusal: status 2, the reason and the hint on stderr, nothing written.
before=$(snapshot)
out=$(z --remind 31.02.2026 10:00:00 "Ошибка" 2>"$dir/err")
[ $? = 2 ] || fail "a bad date gives status 2"
[ -z "$out" ] || fail "a refusal prints nothing on stdout"
grep -q '31.02.2026' "$dir/err" && grep -q -- '--help' "$dir/err" || { cat "$dir/err"; fail "the refusal's message"; }
[ "$(snapshot)" = "$before" ] || fail "a refused command wrote"
z --remind "$day" 11:00:00 "Врач" 2>/dev/null
[ $? = 2 ] || fail "a second reminder of one title on one day is refused"
[ "$(snapshot)" = "$before" ] || fail "a refused reminder wrote"

z --remove "$day" 23:00:00 || fail "--remove, the id unquoted"
[ "$(z --list)" = "$(printf 'reminder\tВрач%s\t%s\t10:30:00\tВрач' "$day" "$day")" ] || fail "the action is gone"
z --remove "Нет такого" 2>"$dir/err"
[ $? = 2 ] || fail "an unknown id gives status 2"
z --remove "Врач$day" || fail "--remove of a reminder"
[ -z "$(z --list)" ] || fail "the lists are empty again"
[ ! -e "$text" ] || fail "the text file went with its reminder"

# A shutdown template is stored for the clock to perform once it runs.
z --in 5 || fail "--in without a clock"
z --list | grep -qP '^action\t\S+ \d+:\d\d:\d\d\t\S+\t\d+:\d\d:\d\d\t4\tШаблон на выключениеЧерез 5 минут' ||
  { z --list; fail "the template's action"; }
z --remove "$(z --list | cut -f2)" || fail "--remove of the template's action"

# Commands at once: each waits for the lock the other holds, none is lost.
pids=()
for i in 1 2 3 4 5 6; do
  z --remind "$day" 12:00:00 "Вместе $i" 2>>"$dir/err-together" &
  pids+=($!)
done
for pid in "${pids[@]}"; do
  wait "$pid" || { cat "$dir/err-together"; fail "a command run beside others failed"; }
done
[ "$(z --list | grep -c 'Вместе')" = 6 ] || fail "six reminders added at once"

# Nothing to abort, no sound to stop, no clock to reload: said, and done.
z --abort 2>"$dir/err" || fail "--abort without a clock"
[ -s "$dir/err" ] || fail "--abort says that no clock runs"
z --reload-options || fail "--reload-options without a clock"
z --help | grep -q -- '--remind' || fail "--help on stdout"

# Lists that cannot be written: status 3. Root writes whatever the mode says,
# so the reminders' text folder is then a file.
chmod a-w "$prog/data"
if [ "$(id -u)" = 0 ]; then
  chmod u+w "$prog/data"
  rm -rf "$prog/data/messages" "$prog/data/Messages"
  : >"$prog/data/messages"
fi
before=$(snapshot)
z --remind "$day" 10:30:00 "Врач" 2>"$dir/err"
[ $? = 3 ] || { cat "$dir/err"; fail "an unwritable data folder gives status 3"; }
[ -s "$dir/err" ] || fail "the failure is told"
[ "$(snapshot)" = "$before" ] || fail "a failed command left a change"
echo ok
