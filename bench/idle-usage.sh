#!/usr/bin/env bash
# Measures what the clock costs while it sits idle on an X desktop.
#
#   bench/idle-usage.sh [--duration S] [--settle S] [--tray] [--] <path/to/Zentari> [args...]
#
#   --duration S   length of the measured interval in seconds, default 60
#   --settle S     wait before measuring, default 5 (start-up, the 2.3 s tray timer)
#   --tray         also run a tray panel and leave the clock in the tray, as a
#                  default conf.ini does; without it conf.ini holds TraySet=0, so
#                  the clock stays on the desktop and repaints every second
#   --stores N     fill the program folder with N actions (conf.ini sections and
#                  the five action lists) and N reminders (the five reminder
#                  lists), as the editors write them (bench/make-stores.py)
#   --beside REF   run REF (for example build/bin/zentari_label_clock, a bare Qt
#                  label clock) at the same time in the same session, measure
#                  both over the same interval and print the clock's resident
#                  memory as a multiple of REF's
#
# The executable, any shared libraries beside it and its data/ folder are copied
# into a temporary program folder, so no real conf.ini or list file is touched;
# ZENTARI_DRY_RUN names a temporary log and ZENTARI_MACHINE_STORE a file that does
# not exist. The program runs under Xvfb with openbox (tests/e2e/with-xsession.sh).
# Resident memory is VmRSS from /proc/PID/status, sampled every second; CPU is the
# time the scheduler counted on a CPU for all threads (/proc/PID/task/*/schedstat,
# nanoseconds) over the interval, in % of one core; utime+stime from
# /proc/PID/stat is printed too, but its 10 ms ticks are too coarse for an idle clock.
# Everything is removed afterwards; the script can be run again at once.
#
# Example: bench/idle-usage.sh build/Zentari
set -u

here=$(cd "$(dirname "$0")" && pwd)
wrapper="$here/../tests/e2e/with-xsession.sh"

usage() {
  sed -n '2,/^set -u/{/^# shellcheck/d;/^#/s/^# \{0,1\}//p}' "$0" >&2
  exit 2
}

# Runs inside the X session: start, settle, sample, stop.
measure() {
  local prog=$1 duration=$2 settle=$3
  shift 3
  local pid hz i rss rss_peak=0 t0 t1 c0 c1 n0 n1 alive=1
  hz=$(getconf CLK_TCK)

  cpu_ticks() { # utime + stime; the name field may hold blanks, so count after ')'
    local rest f
    rest=$(sed 's/^.*) //' "/proc/$1/stat" 2>/dev/null) || return 1
    read -ra f <<<"$rest"
    [ ${#f[@]} -ge 13 ] || return 1
    echo $((f[11] + f[12]))
  }
  cpu_ns() { # time on a CPU of every thread, in nanoseconds (the scheduler's own count)
    cat /proc/"$1"/task/*/schedstat 2>/dev/null | awk '{ s += $1 } END { printf "%d\n", s }'
  }
  rss_kb() { awk '/^VmRSS:/ { print $2 }' "/proc/$1/status" 2>/dev/null; }
  now_ms() { awk '{ printf "%d\n", $1 * 1000 }' /proc/uptime; }

  local ref=${BESIDE:-} ref_pid="" r0 r1
  if [ -n "$ref" ]; then
    "$ref" </dev/null &
    ref_pid=$!
  fi
  cd "$(dirname "$prog")" || return 1
  "$prog" "$@" </dev/null &
  pid=$!
  trap 'kill -TERM $pid $ref_pid 2>/dev/null; exit 143' TERM INT HUP

  sleep "$settle"
  [ -z "$ref_pid" ] || kill -0 "$ref_pid" 2>/dev/null || { echo "idle-usage: $ref ended during the settle time" >&2; return 1; }
  [ -z "$ref_pid" ] || r0=$(cpu_ns "$ref_pid")
  kill -0 "$pid" 2>/dev/null || { echo "idle-usage: the program ended during the settle time" >&2; wait "$pid"; return 1; }
  c0=$(cpu_ticks "$pid") || return 1
  n0=$(cpu_ns "$pid")
  t0=$(now_ms)
  for ((i = 0; i < duration; i++)); do
    sleep 1
    rss=$(rss_kb "$pid")
    if [ -z "$rss" ]; then alive=0; break; fi
    [ "$rss" -gt "$rss_peak" ] && rss_peak=$rss
  done
  c1=$(cpu_ticks "$pid")
  n1=$(cpu_ns "$pid")
  t1=$(now_ms)
  if [ $alive -eq 0 ] || [ -z "$c1" ]; then
    echo "idle-usage: the program ended after $i s of measuring" >&2
    wait "$pid"
    return 1
  fi

  local ref_rss=""
  if [ -n "$ref_pid" ]; then
    r1=$(cpu_ns "$ref_pid")
    ref_rss=$(rss_kb "$ref_pid")
  fi

  kill -TERM "$pid" $ref_pid 2>/dev/null
  for ((i = 0; i < 30; i++)); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  kill -KILL "$pid" $ref_pid 2>/dev/null
  wait "$pid" 2>/dev/null

  awk -v name="${prog##*/}" -v rss="$rss" -v peak="$rss_peak" -v dc=$((c1 - c0)) -v hz="$hz" \
    -v dn=$((n1 - n0)) -v dt=$((t1 - t0)) 'BEGIN {
      printf "%s idle over %.1f s\n", name, dt / 1000
      printf "resident memory: %.1f MB (peak %.1f MB)\n", rss / 1024, peak / 1024
      printf "CPU: %.3f %% of one core (scheduler time, all threads)\n", 100 * dn / 1e6 / dt
      printf "CPU by clock ticks: %.2f %% (%d ticks at %d Hz; coarse)\n", 100 * dc / hz / (dt / 1000), dc, hz
    }'
  if [ -n "$ref_rss" ]; then
    awk -v name="${ref##*/}" -v rss="$ref_rss" -v mine="$rss" -v dn=$((r1 - r0)) -v dt=$((t1 - t0)) 'BEGIN {
      printf "beside it, %s: resident memory %.1f MB, CPU %.3f %% of one core\n", name, rss / 1024, 100 * dn / 1e6 / dt
      printf "the clock uses %.2fx the resident memory of %s\n", mine / rss, name
    }'
  fi
}

if [ "${1:-}" = "--measure-in-session" ]; then
  shift
  measure "$@"
  exit $?
fi

duration=60
settle=5
tray=0
stores=0
beside=""
while [ $# -gt 0 ]; do
  case "$1" in
    --duration) [ $# -ge 2 ] || usage; duration=$2; shift ;;
    --settle) [ $# -ge 2 ] || usage; settle=$2; shift ;;
    --tray) tray=1 ;;
    --stores) [ $# -ge 2 ] || usage; stores=$2; shift ;;
    --beside) [ $# -ge 2 ] || usage; beside=$(readlink -f "$2"); shift ;;
    --) shift; break ;;
    -h | --help) usage ;;
    -*) echo "idle-usage: unknown option '$1'" >&2; usage ;;
    *) break ;;
  esac
  shift
done
[ $# -ge 1 ] || usage
[[ $duration =~ ^[1-9][0-9]*$ ]] || { echo "idle-usage: --duration wants whole seconds" >&2; exit 2; }
[[ $settle =~ ^[0-9]+$ ]] || { echo "idle-usage: --settle wants whole seconds" >&2; exit 2; }

exe=$1
shift
# A bare name is looked up on PATH, so any installed program can stand in.
[[ $exe == */* ]] || exe=$(command -v "$exe") || { echo "idle-usage: '$1' not found" >&2; exit 2; }
exe=$(readlink -f "$exe")
[ -x "$exe" ] || { echo "idle-usage: '$exe' is not an executable" >&2; exit 2; }
exe_dir=$(dirname "$exe")

work=$(mktemp -d "${TMPDIR:-/tmp}/idle-usage.XXXXXX") || exit 2
trap 'rm -rf "$work"' EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
prog_dir="$work/program"
mkdir -p "$prog_dir"
cp "$exe" "$prog_dir/"
for lib in "$exe_dir"/*.so "$exe_dir"/*.so.*; do
  [ -e "$lib" ] && cp -P "$lib" "$prog_dir/"
done
# data/ only for the clock itself: beside a system program it would be a whole /usr/bin/data
[ -d "$exe_dir/data" ] && [[ $exe_dir != /usr/* ]] && cp -R "$exe_dir/data" "$prog_dir/"
[ $tray -eq 1 ] || printf '[Options big]\r\nTraySet=0\r\n' >"$prog_dir/conf.ini"
[ "$stores" -eq 0 ] || python3 "$here/make-stores.py" "$prog_dir" "$stores" || exit 2

export ZENTARI_DRY_RUN="$work/dry-run.log"
export ZENTARI_MACHINE_STORE="$work/no-store/registry.ini"

session_opts=(--wm)
[ $tray -eq 0 ] || session_opts+=(--tray)
[ -z "$beside" ] || [ -x "$beside" ] || { echo "idle-usage: '$beside' is not an executable" >&2; exit 2; }
export BESIDE="$beside"
"$wrapper" "${session_opts[@]}" -- "$0" --measure-in-session "$prog_dir/${exe##*/}" "$duration" "$settle" "$@"
