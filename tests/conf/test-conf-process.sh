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
echo ok
