#!/usr/bin/env bash
# Tikr on a Wayland desktop whose panel shows tray icons over D-Bus, and on
# one without any tray. The real program runs natively under a headless
# Wayland compositor (weston) on a private session bus, with stand-ins for
# the panel's status-notifier watcher and for the notification service
# (desktop_bus.py). Its windows are driven over the accessibility bus:
# nothing outside a Wayland compositor can send keys to a window.
#  (a) With the D-Bus tray: a due task runs (without the launcher's token in
#      its environment); the icon registers with its tip; Hide hides the
#      window and the icon's Activate brings it back; the icon registers
#      again when the watcher goes and comes back (a panel restart); a
#      second start shows the hidden window and ends; the icon goes at Exit.
#  (b) Without a tray: a program that cannot start, and a profile that
#      cannot be written while the window is hidden, are told once each
#      through the notification service, and on standard error.
#
# Usage: wayland_test.sh <tikr executable> <output directory>
set -uo pipefail

tikr=${1:?tikr executable}
e2e_outdir=${2:?output directory}
here=$(cd "$(dirname "$0")" && pwd)
python=/usr/bin/python3  # pyatspi and gi are installed for the system python

# First run: the checks below on a private session bus, which ends with them;
# its sockets, the compositor's and Tikr's go to a runtime directory of
# this run only.
if [ -z "${TIKR_WAYLAND_SESSION:-}" ]; then
  missing=""
  for tool in weston dbus-run-session dbus-send; do
    command -v "$tool" >/dev/null 2>&1 || missing=$tool
  done
  "$python" -c 'import pyatspi' >/dev/null 2>&1 || missing="python3-pyatspi"
  "$python" -c 'from gi.repository import Gio' >/dev/null 2>&1 || missing="python3-gi"
  [ -x /usr/libexec/at-spi-bus-launcher ] || missing="at-spi2-core"
  compgen -G '/usr/lib/*/qt6/plugins/platforms/libqwayland-generic.so' >/dev/null || missing="qt6-wayland"
  if [ -n "$missing" ]; then
    [ "${CI:-}" = "true" ] && { echo "FAIL: $missing is not installed"; exit 1; }
    echo "SKIP: $missing is not installed"
    exit 77
  fi
  runtime=$(mktemp -d /tmp/tikr-wayland-bus.XXXXXX)
  env -u DISPLAY -u WAYLAND_DISPLAY -u DBUS_SESSION_BUS_ADDRESS XDG_RUNTIME_DIR="$runtime" \
    TIKR_WAYLAND_SESSION=1 timeout -k 5 170 dbus-run-session -- bash "$0" "$@"
  status=$?
  rm -rf "$runtime"
  exit $status
fi

e2e_name=wayland
source "$here/x_session.sh"

weston --backend=headless-backend.so --socket=tikr-wayland --idle-time=0 >"$work/weston.log" 2>&1 &
track $!
wait_for 30 test -S "$XDG_RUNTIME_DIR/tikr-wayland" || fail "the compositor did not start"
export WAYLAND_DISPLAY=tikr-wayland QT_QPA_PLATFORM=wayland QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
dbus-send --session --print-reply --reply-timeout=20000 --dest=org.a11y.Bus /org/a11y/bus \
  org.a11y.Bus.GetAddress >"$work/a11y-bus.log" 2>&1 || fail "the accessibility bus did not start"

check() { timeout -k 5 60 "$python" "$here/a11y_check.py" "$@"; }
ready_count() { grep -cx ready "$1" 2>/dev/null; }
# start_service <watcher|notifications>: sets service_pid once it owns its name.
start_service() {
  local log="$work/$1.txt" before
  before=$(ready_count "$log")
  "$python" "$here/desktop_bus.py" "$1" "$log" >>"$work/$1.log" 2>&1 &
  service_pid=$!
  track "$service_pid"
  wait_for 30 eval '[ "$(ready_count '"$log"')" -gt '"${before:-0}"' ]' || fail "the $1 stand-in did not start"
}
alive() { kill -0 "$1" 2>/dev/null; }
registrations() { grep -c '^registered ' "$work/watcher.txt"; }
item_property() {
  dbus-send --session --print-reply --dest="$item" /StatusNotifierItem org.freedesktop.DBus.Properties.Get \
    string:org.kde.StatusNotifierItem "string:$1"
}

start_service notifications

# --- (a) the D-Bus tray --------------------------------------------------------
start_service watcher
watcher=$service_pid
mkdir -p "$work/a"
cat >"$work/a/tikr.INI" <<EOF
[settings]
interval=1
showicon=1
HideOnStartup=0
NumApps=1
[App1]
title=Write the environment
Task=Application
command=/bin/sh -c "env > $work/ran.env"
type=Daily
when=08:00
RunMissedOnStartup=Yes
NextAt=01-Jan-2020 08:00:00
SkipDays=0000000
EOF
XDG_ACTIVATION_TOKEN=launch-token-a XDG_CONFIG_HOME="$work/a" XDG_STATE_HOME="$work/a/state" "$tikr" >"$work/tikr-a.log" 2>&1 &
app=$!
track "$app"

wait_for 30 test -s "$work/ran.env" || fail "(a) the due task did not run"
grep -q '^XDG_ACTIVATION_TOKEN=' "$work/ran.env" && fail "(a) the task's program got Tikr's launch token"
grep -q libQt6WaylandClient "/proc/$app/maps" || fail "(a) Tikr does not run as a Wayland client"
grep -q libQt6XcbQpa "/proc/$app/maps" && fail "(a) Tikr runs through X11"

wait_for 30 grep -q '^registered ' "$work/watcher.txt" || fail "(a) the tray icon did not register with the watcher"
item=$(grep '^registered ' "$work/watcher.txt" | head -n 1 | cut -d' ' -f2)
item_property ToolTip | grep -q '"1 Task(s) Scheduled"' || fail "(a) the icon's tip: $(item_property ToolTip)"
check shown Tikr || fail "(a) the window is not shown"

check press Tikr Hide || fail "(a) Hide could not be pressed"
check hidden Tikr || fail "(a) Hide did not hide the window"
dbus-send --session --print-reply --dest="$item" /StatusNotifierItem org.kde.StatusNotifierItem.Activate \
  int32:0 int32:0 >/dev/null || fail "(a) the icon did not take the activate request"
check shown Tikr || fail "(a) the icon's activate request did not bring the window back"

# The panel restarts: its watcher goes, and the icon registers with the new one.
stop "$watcher"
start_service watcher
watcher=$service_pid
wait_for 30 eval '[ "$(registrations)" -ge 2 ]' || fail "(a) the icon did not register again with a new watcher"
[ "$(grep '^registered ' "$work/watcher.txt" | tail -n 1 | cut -d' ' -f2)" = "$item" ] ||
  fail "(a) another icon registered: $(cat "$work/watcher.txt")"

check press Tikr Hide || fail "(a) Hide could not be pressed"
check hidden Tikr || fail "(a) Hide did not hide the window"
t0=$SECONDS
XDG_ACTIVATION_TOKEN=launch-token-b XDG_CONFIG_HOME="$work/a" XDG_STATE_HOME="$work/a/state" timeout 20 "$tikr" >>"$work/later.log" 2>&1
status=$?
[ "$status" -eq 0 ] || fail "(a) the second start ended with status $status"
[ $((SECONDS - t0)) -lt 10 ] || fail "(a) the second start took $((SECONDS - t0)) s"
check shown Tikr || fail "(a) the second start did not show the window"
alive "$app" || fail "(a) the running Tikr ended"

check press Tikr Exit || fail "(a) Exit could not be pressed"
wait_for 30 eval '! alive '"$app" || fail "(a) Exit did not end the program"
wait "$app"
status=$?
[ "$status" -eq 0 ] || fail "(a) the program ended with status $status"
wait_for 30 grep -qx "unregistered $item" "$work/watcher.txt" || fail "(a) the icon stayed after Exit"
[ ! -s "$work/notifications.txt" ] || [ "$(grep -vcx ready "$work/notifications.txt")" -eq 0 ] ||
  fail "(a) notifications without a failure: $(cat "$work/notifications.txt")"
echo "ok (a) Wayland with the D-Bus tray"

# --- (b) no tray at all --------------------------------------------------------
stop "$watcher"
mkdir -p "$work/b"
cat >"$work/b/tikr.INI" <<EOF
[settings]
interval=1
showicon=1
HideOnStartup=1
NumApps=1
[App1]
title=Broken
Task=Application
command=/nonexistent/tikr-missing-program
type=Interval
when=00:00
RunMissedOnStartup=No
EOF
XDG_CONFIG_HOME="$work/b" XDG_STATE_HOME="$work/b/state" "$tikr" >"$work/tikr-b.log" 2>&1 &
app=$!
track "$app"
told() { grep -c "$1" "$work/notifications.txt"; }
start_told='^notify tikr | tikr: a task could not start | Task "Broken" could not start "/nonexistent/tikr-missing-program": '
wait_for 30 eval '[ "$(told "$start_told")" -ge 1 ]' || fail "(b) the failed start was not told"
check hidden Tikr || fail "(b) the window did not hide itself at start-up"
# The task fails at every check; the same failure is told once.
wait_for 30 eval '[ "$(grep -c "could not start" "$work/tikr-b.log")" -ge 4 ]' ||
  fail "(b) the failures did not reach standard error"
[ "$(told "$start_told")" -eq 1 ] || fail "(b) the same failure was told again: $(cat "$work/notifications.txt")"

# A file where the profile's folder was: the next check's save fails.
mv "$work/b" "$work/b.kept"
: >"$work/b"
save_told="^notify tikr | tikr: tasks cannot be saved | The profile file $work/b/tikr.INI cannot be written"
wait_for 30 eval '[ "$(told "$save_told")" -ge 1 ]' || fail "(b) the failed save of a hidden window was not told"
sleep 3
[ "$(told "$save_told")" -eq 1 ] || fail "(b) the failed save was told again: $(cat "$work/notifications.txt")"
rm "$work/b"
mv "$work/b.kept" "$work/b"
alive "$app" || fail "(b) the program ended"
[ "$(registrations)" -eq 2 ] || fail "(b) an icon registered: $(cat "$work/watcher.txt")"
echo "ok (b) no tray: failures told through the notification service"

echo "wayland: 2 passed, 0 failed"
exit 0
