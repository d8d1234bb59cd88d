#!/usr/bin/env bash
# "Start at Login" with the real program in a real X session, each case with
# private XDG_CONFIG_HOME and XDG_CONFIG_DIRS:
#  (a) a first start (no profile file) writes a valid autostart entry with
#      the menu entry's name and icon that starts this very program;
#  (b) clearing the box and Exit removes it;
#  (c) a start with a profile and no entry writes none, also at Exit;
#  (d) where a system-wide entry exists, clearing the box hides it with a
#      user entry and leaves the system's as it was;
#  (e) a read-only autostart folder: the failure is told in a notice.
#
# Usage: login_start_test.sh <tikr executable> <output directory>
set -uo pipefail

tikr=${1:?tikr executable}
e2e_outdir=${2:?output directory}
e2e_name=login_start
source "$(dirname "$0")/x_session.sh"
menu_entry=$(dirname "$0")/../../packaging/tikr.desktop

start_x_session
skip_without desktop-file-validate

# new_case <name> [settings lines...]: private folders; a profile only when
# settings are given.
new_case() {
  cfg=$work/$1/cfg sys=$work/$1/sys
  mkdir -p "$cfg" "$sys"
  shift
  if [ $# -gt 0 ]; then printf '%s\n' '[settings]' "$@" >"$cfg/tikr.INI"; fi
  entry=$cfg/autostart/tikr.desktop
}
run_case() {
  start_tikr XDG_CONFIG_DIRS="$sys"
  wait_for 30 has_window Tikr || fail "$1: the main window did not appear"
  main=$(window_of Tikr)
}
press() {
  activate "$main"
  xdotool key --clearmodifiers "$@"
}
key_of() { sed -n "s/^$1=//p" "$2"; }

# --- (a) a first start ------------------------------------------------------
new_case a
run_case "(a)"
wait_for 20 test -f "$entry" || fail "(a) no entry was written: $(ls -la "$cfg")"
desktop-file-validate "$entry" || fail "(a) the entry is not valid: $(cat "$entry")"
[ "$(stat -c %a "$entry")" = 600 ] || fail "(a) the entry is not private: $(stat -c %a "$entry")"
for key in Name Icon; do
  [ "$(key_of $key "$entry")" = "$(key_of $key "$menu_entry")" ] || fail "(a) $key differs from the menu entry's"
done
# The Exec key names this program by its resolved path, which starts it.
exec_line=$(key_of Exec "$entry")
program=$(sed 's/^"\(.*\)"$/\1/; s/\\\\\([\\"`$]\)/\1/g' <<<"$exec_line")
[ "$program" = "$(readlink -f "$tikr")" ] || fail "(a) Exec=$exec_line does not name $(readlink -f "$tikr")"
"$program" --version | grep -q . || fail "(a) Exec=$exec_line does not start the program"

# --- (b) cleared and Exit -----------------------------------------------------
press alt+l alt+x
expect_end 30 "(b) Exit"
[ ! -e "$entry" ] || fail "(b) the entry is still there after the box was cleared"

# --- (c) a profile without an entry --------------------------------------------
new_case c interval=10
run_case "(c)"
sleep 1
[ ! -e "$entry" ] || fail "(c) an entry was written at start"
press alt+x
expect_end 30 "(c) Exit"
[ ! -e "$entry" ] || fail "(c) Exit wrote an entry"

# --- (d) a system-wide entry is hidden ------------------------------------------
new_case d interval=10
mkdir -p "$sys/autostart"
printf '%s\n' '[Desktop Entry]' 'Type=Application' 'Name=Tikr' 'Exec=tikr' >"$sys/autostart/tikr.desktop"
cp "$sys/autostart/tikr.desktop" "$work/system.before"
run_case "(d)"
press alt+l alt+x
expect_end 30 "(d) Exit"
[ "$(key_of Hidden "$entry")" = true ] || fail "(d) the user entry does not hide the system's: $(cat "$entry" 2>&1)"
desktop-file-validate "$entry" || fail "(d) the hiding entry is not valid"
cmp -s "$sys/autostart/tikr.desktop" "$work/system.before" || fail "(d) the system-wide entry was changed"

# --- (e) a read-only autostart folder ---------------------------------------------
new_case e
mkdir -p "$cfg/autostart"
if [ "$(id -u)" -eq 0 ]; then
  # Root writes through permission bits: the folder is a read-only mount.
  mount -t tmpfs -o ro,size=64k tikr-login-ro "$cfg/autostart" 2>"$work/mount.log" ||
    { echo "SKIP (e): no read-only file system can be mounted here: $(cat "$work/mount.log")"; echo "PASS: $e2e_name (a)-(d)"; exit 0; }
  trap 'umount "$cfg/autostart" 2>/dev/null || umount -l "$cfg/autostart" 2>/dev/null; e2e_cleanup' EXIT
else
  chmod 555 "$cfg/autostart"
fi
run_case "(e)"
wait_for 30 has_window tikr || fail "(e) no notice told that the entry cannot be written"
[ ! -e "$entry" ] || fail "(e) an entry was written into the read-only folder"
import -window root "$e2e_outdir/login-start-notice.png" 2>/dev/null
press alt+x
expect_end 30 "(e) Exit"

echo "PASS: $e2e_name"
