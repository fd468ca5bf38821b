#!/usr/bin/env bash
# Builds the Debian package and checks it as Debian would (lintian, the menu
# entries, the AppStream data), installs it, starts the installed clock for a
# few seconds as an unprivileged user and as root in a private X session,
# checks that both kept their files in their own data folders and that the
# program folder is as dpkg installed it, and removes the package again.
#
#   test-deb.sh <build dir> <source dir>
#
# Installing a package changes the machine: only as root (CI's fresh machine),
# only when no zentari package is installed already, and only one at a time.
# Otherwise the test is skipped (exit 77).
set -euo pipefail
build=$1
source=$2

if [ "$(id -u)" -ne 0 ]; then
  echo "SKIP: installing a package needs root"
  exit 77
fi
for tool in dpkg cpack runuser lintian desktop-file-validate appstreamcli; do
  command -v "$tool" >/dev/null || { echo "SKIP: no $tool"; exit 77; }
done
exec 9>/tmp/zentari-package-test.lock
flock 9
if dpkg-query -W -f='${Status}' zentari 2>/dev/null | grep "install ok installed" >/dev/null; then
  echo "SKIP: a zentari package is installed already; not touching it"
  exit 77
fi

work=$(mktemp -d /tmp/zentari-package-test.XXXXXX)
installed=0
cleanup() {
  if [ "$installed" = 1 ]; then
    dpkg --purge zentari >/dev/null || echo "could not remove the package" >&2
  fi
  rm -rf "$work"
}
trap cleanup EXIT

cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work/pkg" >"$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log"; exit 1; }
deb=$(ls "$work"/pkg/zentari_*.deb)
# Readers that stop early (head, grep -q) would let pipefail count the
# writer's broken pipe as a failure: these read to the end.
dpkg-deb -f "$deb" Depends | grep libqt6widgets6 >/dev/null || { echo "FAIL: no dependencies filled in"; exit 1; }

fail() { echo "FAIL: $*"; exit 1; }

# Debian's checks: no error, and no warning but those the package's override
# file justifies.
lintian --fail-on error,warning "$deb" >"$work/lintian.log" 2>&1 ||
  { cat "$work/lintian.log"; fail "lintian"; }
summary=$(dpkg-deb -f "$deb" Description | sed -n 1p)
[ "${#summary}" -lt 80 ] || fail "the short description is ${#summary} characters long"

etc_before=0
[ -e /etc/zentari ] && etc_before=1
installed=1
dpkg -i "$deb" >"$work/dpkg.log" 2>&1 || { cat "$work/dpkg.log"; exit 1; }
[ -x /usr/lib/zentari/Zentari ] && [ -x /usr/lib/zentari/conf ] || fail "programs not installed"
[ -f /usr/lib/zentari/libzentari_audio.so ] || fail "no audio plug-in"
[ -f /usr/lib/zentari/data/BackGround1.jpg ] || fail "no data/"
[ "$(readlink -f /usr/bin/zentari)" = /usr/lib/zentari/Zentari ] || fail "no zentari command"
[ -f /usr/share/applications/zentari.desktop ] || fail "no menu entry"
[ -f /usr/share/icons/hicolor/48x48/apps/zentari.png ] || fail "no icon"
desktop-file-validate /usr/share/applications/zentari.desktop \
  /usr/share/applications/zentari-conf.desktop || fail "desktop-file-validate"
appstreamcli validate --no-net /usr/share/metainfo/org.zentari.Zentari.metainfo.xml >"$work/as.log" 2>&1 ||
  { cat "$work/as.log"; fail "appstreamcli validate"; }
grep -q '<annotate key="org.freedesktop.policykit.exec.path">/usr/lib/zentari/conf</annotate>' \
  /usr/share/polkit-1/actions/org.zentari.conf.policy || fail "polkit's action does not name the installed conf"
[ "$(dpkg -S /etc/zentari 2>/dev/null)" = "zentari: /etc/zentari" ] || fail "/etc/zentari is not the package's"
[ "$(stat -c %a /etc/zentari)" = 755 ] || fail "/etc/zentari is not mode 755"
# The wake helper alone carries the capability to wake the machine, and with
# it an unprivileged user's helper may arm the wake clock (unless this
# machine's bounding set lacks the capability, or its kernel the clock).
[ -x /usr/lib/zentari/zentari-wake ] || fail "no wake helper"
if command -v setcap >/dev/null; then
  getcap /usr/lib/zentari/zentari-wake | grep cap_wake_alarm >/dev/null ||
    fail "the wake helper was not given cap_wake_alarm"
  bounding=$(awk '/^CapBnd/ {print $2}' /proc/self/status)
  if (( (16#$bounding >> 35) & 1 )); then
    answer=$(echo probe | runuser -u nobody -- /usr/lib/zentari/zentari-wake)
    case "$answer" in
      ok | "error nodev "*) ;;
      *) fail "an unprivileged user's wake helper answered: $answer" ;;
    esac
  fi
fi
[ -z "$(getcap /usr/lib/zentari/Zentari /usr/lib/zentari/conf)" ] ||
  fail "the clock or conf carries a capability"
files_before=$(find /usr/lib/zentari | sort)

# The user: nobody, with a home of its own for the test.
home=$work/home
mkdir -p "$home"
chown nobody "$home"
chmod 755 "$work"
as_user() {
  runuser -u nobody -- env HOME="$home" XDG_DATA_HOME="$home/.local/share" \
    XDG_CONFIG_HOME="$home/.config" ZENTARI_DRY_RUN="$home/dry-run.log" \
    ZENTARI_MACHINE_STORE=/nonexistent/zentari-test-store.ini SDL_AUDIODRIVER=dummy \
    DISPLAY="${DISPLAY:-}" QT_QPA_PLATFORM="${1}" "${@:2}"
}

# The clock runs until it is stopped: still running after a few seconds is success.
status=0
bash "$source/tests/e2e/with-xsession.sh" -- bash -c "$(declare -f as_user); home='$home'; \
  as_user xcb timeout 6 zentari" || status=$?
[ "$status" = 124 ] || fail "the installed clock ended early (status $status)"

userdir=$home/.local/share/zentari
[ -f "$userdir/conf.ini" ] || fail "no conf.ini in the user's folder"
[ -f "$userdir/data/BackGround1.jpg" ] || fail "data/ not seeded"
[ -L "$userdir/conf" ] || fail "no conf beside the user's conf.ini"
[ ! -e /usr/lib/zentari/conf.ini ] || fail "conf.ini written into the program folder"

# conf from the PATH writes the user's conf.ini too.
as_user offscreen zentari-conf --set TraySet=0 || fail "zentari-conf --set failed"
[ "$(as_user offscreen zentari-conf --get trayset)" = 0 ] || fail "zentari-conf --get"
grep -q "TraySet=0" "$userdir/conf.ini" || fail "the setting is not in the user's conf.ini"

# As an administrator runs it (sudo zentari, sudo zentari-conf): root may write
# the program folder, and still leaves it as the package put it.
roothome=$work/root
mkdir -p "$roothome"
as_root() {
  env HOME="$roothome" XDG_DATA_HOME="$roothome/.local/share" XDG_CONFIG_HOME="$roothome/.config" \
    ZENTARI_DRY_RUN="$roothome/dry-run.log" ZENTARI_MACHINE_STORE=/nonexistent/zentari-test-store.ini \
    SDL_AUDIODRIVER=dummy DISPLAY="${DISPLAY:-}" QT_QPA_PLATFORM="${1}" "${@:2}"
}
status=0
bash "$source/tests/e2e/with-xsession.sh" -- bash -c "$(declare -f as_root); roothome='$roothome'; \
  as_root xcb timeout 6 zentari" || status=$?
[ "$status" = 124 ] || fail "the installed clock ended early as root (status $status)"
as_root offscreen zentari-conf --set TraySet=0 || fail "zentari-conf --set as root failed"
[ -f "$roothome/.local/share/zentari/conf.ini" ] || fail "root's conf.ini is not in root's folder"
verify=$(dpkg --verify zentari 2>&1) || true
[ -z "$verify" ] || { echo "$verify"; fail "the installed files changed"; }
[ "$(find /usr/lib/zentari | sort)" = "$files_before" ] || fail "files were added to /usr/lib/zentari"

dpkg --purge zentari >"$work/dpkg.log" 2>&1 || { cat "$work/dpkg.log"; fail "purge"; }
installed=0
if [ "$etc_before" = 0 ]; then
  [ ! -e /etc/zentari ] || fail "/etc/zentari stayed after purge"
fi
echo "package checked, installed, run and removed"
