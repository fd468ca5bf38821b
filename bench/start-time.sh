#!/usr/bin/env bash
# Measures how long the clock takes from exec to its window mapped.
#
#   bench/start-time.sh [--runs N] [--] <path/to/Zentari> [<path/to/another/Zentari>]
#
#   --runs N   starts per program, default 10; the median is printed
#
# Each executable (with the libraries and data/ beside it) is copied into a
# throw-away program folder, with ZENTARI_DRY_RUN and ZENTARI_MACHINE_STORE
# pointing at temporary files, and started N times under Xvfb with openbox
# (tests/e2e/with-xsession.sh). Two executables are started in turns, so that a
# busy moment of the machine weighs on both alike. The time is taken by
# mapwait (built beside the benchmarks), which watches the X server for the
# first top-level window the program maps.
set -u

here=$(cd "$(dirname "$0")" && pwd)
wrapper="$here/../tests/e2e/with-xsession.sh"
usage() {
  sed -n '2,/^set -u/{/^#/s/^# \{0,1\}//p}' "$0" >&2
  exit 2
}

if [ "${1:-}" = "--measure-in-session" ]; then
  shift
  mapwait=$1 runs=$2
  shift 2
  for ((i = 0; i < runs; i++)); do
    for prog in "$@"; do
      out=$(cd "$(dirname "$prog")" && "$mapwait" "$prog") || { echo "start-time: $prog did not map a window" >&2; exit 1; }
      ms=${out%%$'\n'*}
      pid=${out##*$'\n'}
      kill -TERM "$pid" 2>/dev/null
      for ((w = 0; w < 30; w++)); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
      kill -KILL "$pid" 2>/dev/null
      echo "$prog $ms"
      sleep 0.5
    done
  done | awk '{ t[$1] = t[$1] " " $2; if (!($1 in seen)) { seen[$1] = 1; names[++n] = $1 } }
    END {
      for (k = 1; k <= n; k++) {
        p = names[k]; m = split(substr(t[p], 2), v, " ")
        for (i = 1; i <= m; i++) for (j = i + 1; j <= m; j++) if (v[j] < v[i]) { x = v[i]; v[i] = v[j]; v[j] = x }
        med = (m % 2) ? v[(m + 1) / 2] : (v[m / 2] + v[m / 2 + 1]) / 2
        printf "program %d: median %.1f ms over %d starts (min %.1f, max %.1f)  %s\n", k, med, m, v[1], v[m], p
      }
    }'
  exit "${PIPESTATUS[0]}"
fi

runs=10
while [ $# -gt 0 ]; do
  case "$1" in
    --runs) [ $# -ge 2 ] || usage; runs=$2; shift ;;
    --) shift; break ;;
    -h | --help) usage ;;
    -*) echo "start-time: unknown option '$1'" >&2; usage ;;
    *) break ;;
  esac
  shift
done
[ $# -ge 1 ] && [ $# -le 2 ] || usage
[[ $runs =~ ^[1-9][0-9]*$ ]] || { echo "start-time: --runs wants a count" >&2; exit 2; }

work=$(mktemp -d "${TMPDIR:-/tmp}/start-time.XXXXXX") || exit 2
trap 'rm -rf "$work"' EXIT
progs=()
n=0
mapwait=${MAPWAIT:-}
for exe in "$@"; do
  exe=$(readlink -f "$exe")
  [ -x "$exe" ] || { echo "start-time: '$exe' is not an executable" >&2; exit 2; }
  # mapwait is built beside the executables; the first one that has it serves.
  [ -n "${mapwait:-}" ] || [ ! -x "$(dirname "$exe")/mapwait" ] || mapwait=$(dirname "$exe")/mapwait
  n=$((n + 1))
  dir="$work/program$n"
  mkdir -p "$dir"
  cp "$exe" "$dir/"
  for lib in "$(dirname "$exe")"/*.so "$(dirname "$exe")"/*.so.*; do
    [ -e "$lib" ] && cp -P "$lib" "$dir/"
  done
  [ -d "$(dirname "$exe")/data" ] && cp -R "$(dirname "$exe")/data" "$dir/"
  printf '[Options big]\r\nTraySet=0\r\n' >"$dir/conf.ini"
  progs+=("$dir/${exe##*/}")
done
[ -n "$mapwait" ] && [ -x "$mapwait" ] || { echo "start-time: no mapwait at $mapwait (build the target mapwait, or set MAPWAIT)" >&2; exit 2; }

export ZENTARI_DRY_RUN="$work/dry-run.log"
export ZENTARI_MACHINE_STORE="$work/no-store/registry.ini"
"$wrapper" --wm -- "$0" --measure-in-session "$mapwait" "$runs" "${progs[@]}"
