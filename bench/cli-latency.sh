#!/usr/bin/env bash
# Measures how long `Zentari --list` takes against a running clock, process
# start included: the median and the longest of N runs.
#
#   bench/cli-latency.sh [--runs N] [--hand-over] [--stores N] [--] <path/to/Zentari>
#
#   --runs N      runs, default 20
#   --hand-over   also time the clock reached without a session bus (the
#                 arguments handed over its socket)
#   --stores N    fill the program folder with N actions and N reminders
#                 first (bench/make-stores.py); the listing then has 2N + 6 lines
#
# The executable (with the libraries and data/ beside it) is copied into a
# throw-away program folder, with ZENTARI_DRY_RUN and ZENTARI_MACHINE_STORE
# pointing at temporary files, and started as the clock on a private session
# bus, on $DISPLAY when it is set and answers, else in a private X session
# (tests/e2e/with-xsession.sh). A few actions and reminders are added through
# the clock first, so that the listing is not empty.
set -u

here=$(cd "$(dirname "$0")" && pwd)
wrapper="$here/../tests/e2e/with-xsession.sh"
usage() {
  sed -n '2,/^set -u/{/^#/s/^# \{0,1\}//p}' "$0" >&2
  exit 2
}

now_ns() { date +%s%N; }

# Times `$prog --list` $runs times; prints "<label>: median … ms, max … ms".
time_runs() {
  local label=$1 i start end
  for ((i = 0; i < runs; i++)); do
    start=$(now_ns)
    "$prog" --list >/dev/null || { echo "cli-latency: --list failed ($label)" >&2; return 1; }
    end=$(now_ns)
    echo $(((end - start) / 1000))
  done | sort -n | awk -v label="$label" '{ v[NR] = $1 / 1000 }
    END {
      med = (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
      printf "%s: median %.1f ms, max %.1f ms over %d runs (min %.1f)\n", label, med, v[NR], NR, v[1]
    }'
  return "${PIPESTATUS[0]}"
}

if [ "${1:-}" = "--measure-in-session" ]; then
  shift
  prog=$1 runs=$2 handover=$3 stores=$4 work=$5
  bus_pid="" clock_pid=""
  stop() {
    local pid=$1 i
    [ -n "$pid" ] || return 0
    kill -TERM "$pid" 2>/dev/null || return 0
    for ((i = 0; i < 30; i++)); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -KILL "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
  }
  trap 'stop "$clock_pid"; stop "$bus_pid"' EXIT
  # A bus of its own: the clock's name must be free, and nothing else answers there.
  dbus-daemon --session --nofork --print-address=3 3>"$work/bus" </dev/null >"$work/dbus.log" 2>&1 &
  bus_pid=$!
  for ((i = 0; i < 100; i++)); do [ -s "$work/bus" ] && break; sleep 0.1; done
  [ -s "$work/bus" ] || { echo "cli-latency: dbus-daemon did not start" >&2; exit 1; }
  DBUS_SESSION_BUS_ADDRESS=$(head -n 1 "$work/bus")
  export DBUS_SESSION_BUS_ADDRESS

  (cd "$(dirname "$prog")" && exec "$prog") >"$work/clock.log" 2>&1 &
  clock_pid=$!
  owned() {
    dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
      org.freedesktop.DBus.NameHasOwner string:org.zentari.Zentari 2>/dev/null | grep -q 'boolean true'
  }
  for ((i = 0; i < 300; i++)); do
    owned && break
    kill -0 "$clock_pid" 2>/dev/null || { echo "cli-latency: the clock ended" >&2; cat "$work/clock.log" >&2; exit 1; }
    sleep 0.1
  done
  owned || { echo "cli-latency: the clock took no name on the bus" >&2; exit 1; }

  day=$(date -d '+2 days' +%d.%m.%Y)
  for h in 10 11 12; do
    "$prog" --remind "$day" "$h:00:00" "Встреча $h" "Текст $h" &&
      "$prog" --action 4 "$day" "$h:30:00" || { echo "cli-latency: adding entries failed" >&2; exit 1; }
  done
  [ "$("$prog" --list | wc -l)" = $((2 * stores + 6)) ] ||
    { echo "cli-latency: the listing is not what was added" >&2; exit 1; }

  time_runs "D-Bus" || exit 1
  if [ "$handover" = 1 ]; then
    DBUS_SESSION_BUS_ADDRESS="unix:path=$work/no-bus" time_runs "hand-over" || exit 1
  fi
  exit 0
fi

runs=20
handover=0
stores=0
while [ $# -gt 0 ]; do
  case "$1" in
    --runs) [ $# -ge 2 ] || usage; runs=$2; shift ;;
    --hand-over) handover=1 ;;
    --stores) [ $# -ge 2 ] || usage; stores=$2; shift ;;
    --) shift; break ;;
    -h | --help) usage ;;
    -*) echo "cli-latency: unknown option '$1'" >&2; usage ;;
    *) break ;;
  esac
  shift
done
[ $# = 1 ] || usage
[[ $runs =~ ^[1-9][0-9]*$ ]] || { echo "cli-latency: --runs wants a count" >&2; exit 2; }
[[ $stores =~ ^[0-9]+$ ]] || { echo "cli-latency: --stores wants a count" >&2; exit 2; }
exe=$(readlink -f "$1")
[ -x "$exe" ] || { echo "cli-latency: '$exe' is not an executable" >&2; exit 2; }
command -v dbus-daemon >/dev/null || { echo "cli-latency: dbus-daemon not found" >&2; exit 2; }

work=$(mktemp -d "${TMPDIR:-/tmp}/cli-latency.XXXXXX") || exit 2
trap 'rm -rf "$work"' EXIT
dir="$work/program"
mkdir -p "$dir"
cp "$exe" "$dir/"
for lib in "$(dirname "$exe")"/*.so "$(dirname "$exe")"/*.so.*; do
  [ -e "$lib" ] && cp -P "$lib" "$dir/"
done
[ -d "$(dirname "$exe")/data" ] && cp -R "$(dirname "$exe")/data" "$dir/"
printf '[Options big]\r\nTraySet=0\r\n' >"$dir/conf.ini"
[ "$stores" -eq 0 ] || python3 "$here/make-stores.py" "$dir" "$stores" || exit 2

export ZENTARI_DRY_RUN="$work/dry-run.log"
export ZENTARI_MACHINE_STORE="$work/no-store/registry.ini"
if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  # A runtime folder of its own: the clock's lock must not meet another's.
  mkdir -m 700 "$work/runtime"
  XDG_RUNTIME_DIR="$work/runtime" "$0" --measure-in-session "$dir/${exe##*/}" "$runs" "$handover" "$stores" "$work"
else
  "$wrapper" --wm -- "$0" --measure-in-session "$dir/${exe##*/}" "$runs" "$handover" "$stores" "$work"
fi
