#!/usr/bin/env bash
# The conf executable as scripts meet it: exit statuses, output on stdout and
# messages on stderr, a file left alone after a refusal, and the privileged
# writer mode fed on standard input (pointed at a temporary store: pkexec is
# never involved here).
#
#   test-conf-process.sh <conf executable>
set -uo pipefail
conf=$1
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

printf '[Options big]\r\nLeft=5\r\n' >"$dir/conf.ini"
"$conf" --dir "$dir" --set left=7 TimesPlay=2 || fail "--set"
[ "$("$conf" --dir "$dir" --get LEFT)" = 7 ] || fail "--get after --set"
cp "$dir/conf.ini" "$dir/before"
"$conf" --dir "$dir" --set Left=x 2>"$dir/err"
[ $? = 2 ] || fail "a bad value must give status 2"
grep -q "Left" "$dir/err" || fail "the message names the key"
cmp -s "$dir/conf.ini" "$dir/before" || fail "a refused --set changed the file"
"$conf" --dir "$dir" --list | grep -qP '^Options Big\tTimesPlay\t2\t1$' || fail "--list"
printf '[Options big]\r\nbemi=-1\r\n' >"$dir/conf.ini"
out=$("$conf" --dir "$dir" --check)
[ $? = 1 ] || fail "--check must give status 1 on a bad value"
echo "$out" | grep -q bemi || fail "--check names the key"
"$conf" --nonsense 2>/dev/null
[ $? = 2 ] || fail "an unknown option must give status 2"

store="$dir/etc/registry.ini"
printf '1\n98 99 2 \n' | ZENTARI_MACHINE_STORE=$store "$conf" --write-protection || fail "writer mode"
grep -q $'^PAS=98 99 2 \r$' "$store" || fail "the password's trailing space was lost"
grep -q $'^USE=1\r$' "$store" || fail "USE not written"
# An installed program folder (the install rules' marker beside the
# programs) is never written, even by a user who could, as root can: the
# settings go to the user's own folder.
inst="$dir/installed"
mkdir -p "$inst/data" "$dir/home"
cp "$conf" "$inst/conf"
: >"$inst/zentari-installed"
HOME="$dir/home" XDG_DATA_HOME="$dir/home/share" "$inst/conf" --set TraySet=0 ||
  fail "--set from an installed folder"
[ ! -e "$inst/conf.ini" ] || fail "conf.ini written into the installed program folder"
grep -q "TraySet=0" "$dir/home/share/zentari/conf.ini" || fail "the setting is not in the user's folder"
echo ok
