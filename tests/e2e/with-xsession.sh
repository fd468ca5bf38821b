#!/usr/bin/env bash
# shellcheck disable=SC2317 # functions reached through traps and wait_for
# Runs one command inside a private X session and tears the session down again.
#
#   with-xsession.sh [--wm] [--tray] [--screen WxHxD] [--keep-qpa] [--bus] [--a11y] [--logind]
#                    -- <command> [args...]
#
#   --wm             start openbox and wait until it manages the screen
#   --tray           start tint2 with a system tray at the bottom of the screen and
#                    wait until it owns _NET_SYSTEM_TRAY_S0 (XEmbed icons then dock)
#   --screen WxHxD   Xvfb screen, default 1024x768x24 (the clock's corner positions
#                    are computed for 1024 x 768)
#   --keep-qpa       leave QT_QPA_PLATFORM alone (by default it is set to xcb, since
#                    the usual environment forces offscreen and these are real windows)
#   --a11y           start a private D-Bus session bus (the accessibility bus is
#                    started on it on demand) and have Qt programs publish their
#                    widgets there, so that tests find controls by role and name
#   --bus            start a private D-Bus session bus alone, for programs that
#                    offer or call services on it (no accessibility)
#   --logind         start a private bus as the system bus with a stand-in
#                    systemd-logind on it (python3-dbusmock's logind template),
#                    so that the program's sleep and inhibitor calls reach the
#                    stand-in: the command sees DBUS_SYSTEM_BUS_ADDRESS and
#                    ZENTARI_E2E_LOGIND_LOG (the stand-in's log of calls)
#
# Xvfb picks a free display itself (-displayfd), so sessions may run side by side.
# The command sees DISPLAY, a private XDG_RUNTIME_DIR and XDG config/cache/data
# dirs, and XSESSION_DIR (a scratch folder removed afterwards, e.g. for
# screenshots). Without --bus or --a11y the D-Bus session bus address points nowhere, so
# nothing auto-launches a bus daemon that would outlive the session; without
# --logind the system bus address points nowhere too, so that no test ever
# takes a lock on the machine's own logind. Works as root with no
# display and no D-Bus. Exits with the command's status (128+n when killed by
# signal n); everything started here is stopped on exit, failure and Ctrl-C.
#
# Example: tests/e2e/with-xsession.sh --wm --tray -- xdpyinfo
set -u

usage() {
  sed -n '2,/^set -u/{/^# shellcheck/d;/^#/s/^# \{0,1\}//p}' "$0" >&2
  exit 2
}

want_wm=0
want_tray=0
screen=1024x768x24
keep_qpa=0
want_a11y=0
want_bus=0
want_logind=0
while [ $# -gt 0 ]; do
  case "$1" in
    --wm) want_wm=1 ;;
    --tray) want_tray=1 ;;
    --screen)
      [ $# -ge 2 ] || usage
      screen=$2
      shift
      ;;
    --screen=*) screen=${1#--screen=} ;;
    --keep-qpa) keep_qpa=1 ;;
    --a11y) want_a11y=1 want_bus=1 ;;
    --bus) want_bus=1 ;;
    --logind) want_logind=1 ;;
    --) shift; break ;;
    -h | --help) usage ;;
    *) echo "with-xsession: unknown option '$1'" >&2; usage ;;
  esac
  shift
done
[ $# -gt 0 ] || usage
[[ $screen =~ ^[0-9]+x[0-9]+x[0-9]+$ ]] || { echo "with-xsession: bad --screen '$screen'" >&2; exit 2; }

for tool in Xvfb xdpyinfo xprop; do
  command -v "$tool" >/dev/null || { echo "with-xsession: $tool not found" >&2; exit 2; }
done
[ $want_wm -eq 0 ] || command -v openbox >/dev/null || { echo "with-xsession: openbox not found" >&2; exit 2; }
[ $want_tray -eq 0 ] || command -v tint2 >/dev/null || { echo "with-xsession: tint2 not found" >&2; exit 2; }
[ $want_bus -eq 0 ] || command -v dbus-daemon >/dev/null || { echo "with-xsession: dbus-daemon not found" >&2; exit 2; }
mock_python=""
if [ $want_logind -eq 1 ]; then
  command -v dbus-daemon >/dev/null || { echo "with-xsession: dbus-daemon not found" >&2; exit 2; }
  # A python of its own (pyenv and the like) may lack the distribution's dbusmock.
  for py in /usr/bin/python3 "$(command -v python3)"; do
    [ -x "$py" ] && "$py" -c 'import dbusmock' 2>/dev/null && { mock_python=$py; break; }
  done
  [ -n "$mock_python" ] || { echo "with-xsession: python3-dbusmock not found" >&2; exit 2; }
fi

session=$(mktemp -d "${TMPDIR:-/tmp}/xsession.XXXXXX") || exit 2
xvfb_pid=""
wm_pid=""
tray_pid=""
bus_pid=""
system_bus_pid=""
logind_pid=""
cmd_pid=""

stop_pid() {
  local pid=$1 i
  [ -n "$pid" ] || return 0
  kill -TERM "$pid" 2>/dev/null || return 0
  for ((i = 0; i < 30; i++)); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  kill -KILL "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null
}

cleanup() {
  trap - EXIT INT TERM HUP
  # The command first, so it does not see its server vanish under it.
  stop_pid "$cmd_pid"
  stop_pid "$tray_pid"
  stop_pid "$wm_pid"
  stop_pid "$xvfb_pid"
  # The accessibility bus launcher and its registry leave with this bus.
  stop_pid "$bus_pid"
  stop_pid "$logind_pid"
  stop_pid "$system_bus_pid"
  rm -rf "$session"
}

on_signal() {
  cleanup
  exit $((128 + $1))
}

trap cleanup EXIT
trap 'on_signal 2' INT
trap 'on_signal 15' TERM
trap 'on_signal 1' HUP

fail() {
  echo "with-xsession: $*" >&2
  for log in "$session"/*.log; do
    [ -s "$log" ] || continue
    echo "--- ${log##*/}" >&2
    tail -n 20 "$log" >&2
  done
  exit 2
}

# Polls "$@" every 0.1 s for up to $timeout seconds; fails early when $watch died.
timeout=15
wait_for() {
  local what=$1 watch=$2 i
  shift 2
  for ((i = 0; i < timeout * 10; i++)); do
    "$@" >/dev/null 2>&1 && return 0
    kill -0 "$watch" 2>/dev/null || fail "$what exited during start-up"
    sleep 0.1
  done
  fail "$what not ready after ${timeout} s"
}

mkdir -p "$session/runtime" "$session/config" "$session/cache" "$session/data" "$session/scratch"
chmod 700 "$session/runtime"
export XDG_RUNTIME_DIR="$session/runtime"
export XDG_CONFIG_HOME="$session/config"
export XDG_CACHE_HOME="$session/cache"
export XDG_DATA_HOME="$session/data"
export XSESSION_DIR="$session/scratch"
if [ $want_bus -eq 1 ]; then
  dbus-daemon --session --nofork --print-address=3 3>"$session/bus" </dev/null \
    >"$session/dbus.log" 2>&1 &
  bus_pid=$!
  wait_for dbus-daemon "$bus_pid" test -s "$session/bus"
  DBUS_SESSION_BUS_ADDRESS=$(head -n 1 "$session/bus")
  export DBUS_SESSION_BUS_ADDRESS
fi
if [ $want_a11y -eq 1 ]; then
  export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
  unset NO_AT_BRIDGE
elif [ $want_bus -eq 1 ]; then
  # The accessibility bridge would look for its bus on this one at every start.
  export NO_AT_BRIDGE=1
else
  # libdbus would otherwise start a session bus on demand (dbus-launch --autolaunch).
  [ -n "${DBUS_SESSION_BUS_ADDRESS:-}" ] || export DBUS_SESSION_BUS_ADDRESS="unix:path=$session/no-bus"
  export NO_AT_BRIDGE=1
fi
if [ $want_logind -eq 1 ]; then
  # Anyone may own any name and talk to anyone: only this session's programs
  # reach the socket.
  cat >"$session/system-bus.conf" <<EOF
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:path=$session/system_bus_socket</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
EOF
  dbus-daemon --config-file="$session/system-bus.conf" --nofork --print-address=3 \
    3>"$session/system-bus" </dev/null >"$session/system-dbus.log" 2>&1 &
  system_bus_pid=$!
  wait_for "dbus-daemon (system)" "$system_bus_pid" test -s "$session/system-bus"
  DBUS_SYSTEM_BUS_ADDRESS=$(head -n 1 "$session/system-bus")
  export DBUS_SYSTEM_BUS_ADDRESS
  case "$DBUS_SYSTEM_BUS_ADDRESS" in
    "unix:path=$session/"*) ;;
    *) fail "the private system bus is at '$DBUS_SYSTEM_BUS_ADDRESS', not in $session" ;;
  esac
  export ZENTARI_E2E_LOGIND_LOG="$session/logind-calls.log"
  "$mock_python" -m dbusmock --system --template logind -l "$ZENTARI_E2E_LOGIND_LOG" \
    </dev/null >"$session/logind.log" 2>&1 &
  logind_pid=$!
  logind_ready() {
    dbus-send --bus="$DBUS_SYSTEM_BUS_ADDRESS" --print-reply --dest=org.freedesktop.DBus \
      /org/freedesktop/DBus org.freedesktop.DBus.NameHasOwner string:org.freedesktop.login1 |
      grep -q 'boolean true'
  }
  wait_for "the stand-in logind" "$logind_pid" logind_ready
else
  export DBUS_SYSTEM_BUS_ADDRESS="unix:path=$session/no-system-bus"
fi
[ $keep_qpa -eq 1 ] || export QT_QPA_PLATFORM=xcb
unset WAYLAND_DISPLAY

# The server writes its display number to fd 3 once it accepts connections.
# -r: no key repeat. A loaded machine can hold a key down between the press and the
# release that xdotool sends, and the server would type it again.
Xvfb -displayfd 3 -screen 0 "$screen" -nolisten tcp -noreset -r \
  3>"$session/display" </dev/null >"$session/xvfb.log" 2>&1 &
xvfb_pid=$!
has_display_number() { grep -q '^[0-9][0-9]*$' "$session/display"; }
wait_for Xvfb "$xvfb_pid" has_display_number
DISPLAY=":$(head -n 1 "$session/display")"
export DISPLAY
wait_for Xvfb "$xvfb_pid" xdpyinfo

if [ $want_wm -eq 1 ]; then
  openbox --sm-disable </dev/null >"$session/openbox.log" 2>&1 &
  wm_pid=$!
  wm_ready() { xprop -root _NET_SUPPORTING_WM_CHECK | grep -q 'window id'; }
  wait_for openbox "$wm_pid" wm_ready
fi

tray_owned() {
  # The selection owner is what an XEmbed client looks for; Xlib via ctypes reads
  # it exactly. Without python3, tint2's tray window is known by its orientation
  # property, which it sets just before taking the selection.
  if command -v python3 >/dev/null; then
    python3 - <<'EOF'
import ctypes, ctypes.util, sys
x = ctypes.CDLL(ctypes.util.find_library("X11") or "libX11.so.6")
x.XOpenDisplay.restype = ctypes.c_void_p
x.XOpenDisplay.argtypes = [ctypes.c_char_p]
x.XInternAtom.restype = ctypes.c_ulong
x.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
x.XGetSelectionOwner.restype = ctypes.c_ulong
x.XGetSelectionOwner.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
d = x.XOpenDisplay(None)
if not d:
    sys.exit(1)
sys.exit(0 if x.XGetSelectionOwner(d, x.XInternAtom(d, b"_NET_SYSTEM_TRAY_S0", 0)) else 1)
EOF
  else
    local w
    for w in $(xwininfo -root -children | sed -n 's/^ *\(0x[0-9a-f]*\) .*/\1/p'); do
      xprop -id "$w" _NET_SYSTEM_TRAY_ORIENTATION 2>/dev/null | grep -q '= ' && return 0
    done
    return 1
  fi
}

if [ $want_tray -eq 1 ]; then
  cat >"$session/tint2rc" <<'EOF'
# A bottom panel with a task list and a system tray, nothing that needs a network or a bus.
# Backgrounds come first: an id is only valid once its background has been read.
rounded = 0
border_width = 0
background_color = #202a3a 100
border_color = #000000 0

rounded = 3
border_width = 1
background_color = #34445e 100
border_color = #5a6e90 100

panel_items = TS
panel_position = bottom center horizontal
panel_size = 100% 30
panel_margin = 0 0
panel_padding = 4 2 4
panel_dock = 0
panel_layer = top
wm_menu = 0
strut_policy = follow_size
panel_background_id = 1
autohide = 0

taskbar_mode = single_desktop
taskbar_padding = 2 2 4
taskbar_background_id = 0
task_text = 1
task_icon = 1
task_centered = 0
task_maximum_size = 160 24
task_padding = 4 2 4
task_background_id = 2
task_active_background_id = 2
task_font_color = #dfe6f0 100

systray_padding = 4 2 4
systray_background_id = 0
systray_sort = ascending
systray_icon_size = 22
systray_icon_asb = 100 0 0
systray_monitor = 1
EOF
  tint2 -c "$session/tint2rc" </dev/null >"$session/tint2.log" 2>&1 &
  tray_pid=$!
  wait_for tint2 "$tray_pid" tray_owned
fi

# Started in the background so that a signal to this script is handled at once;
# stdin is passed on explicitly because background jobs would get /dev/null.
"$@" <&0 &
cmd_pid=$!
wait "$cmd_pid"
status=$?
cmd_pid=""
exit "$status"
