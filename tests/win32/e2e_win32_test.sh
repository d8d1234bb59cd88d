#!/usr/bin/env bash
# tikr.exe under Wine in a real X session (Xvfb with a window manager),
# driven with xdotool, in a Wine prefix of its own so that no real profile
# is ever touched:
#  (a) the "Tikr" window appears, a due message task shows its box captioned
#      "Tikr Scheduled Message", and the timer goes on meanwhile: a task due a
#      few seconds later shows its own box while the first is still open;
#  (b) a task added with the keyboard alone is stored in the profile file;
#  (c) a later start shows the hidden window of the running one and ends;
#  (d) Escape ends the program without writing the profile file;
#  (e) a user folder whose name no ANSI code page holds keeps the profile;
#  (f) where no folder for the profile can be had, a box captioned "tikr"
#      says so and the program ends, writing nothing in its current folder.
#
# Usage: e2e_win32_test.sh <tikr.exe> <output directory>
# TIKR_WINE names the Wine loader for the program (default: wine); WINEARCH,
# when set, the kind of prefix to make.
set -uo pipefail

tikr_exe=${1:?tikr.exe}
e2e_outdir=${2:?output directory}
e2e_name=win32
source "$(dirname "$0")/../e2e/x_session.sh"
wine=${TIKR_WINE:-wine}
skip_without "$wine" wineserver

export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES='mscoree,mshtml='
# The prefix's processes end with the test, whatever way it ends.
trap 'wineserver -k </dev/null >/dev/null 2>&1; e2e_cleanup' EXIT

start_x_session
"$wine" wineboot -i </dev/null >"$work/wineboot.log" 2>&1 || fail "the Wine prefix could not be made"
wineserver -w </dev/null >/dev/null 2>&1
wineserver -p </dev/null >/dev/null 2>&1

mkdir -p "$work/bin"
cp "$tikr_exe" "$work/bin/tikr.exe"
appdata=$(ls -d "$WINEPREFIX"/drive_c/users/*/AppData/Roaming 2>/dev/null | grep -v '/Public/' | head -n 1)
[ -d "$appdata" ] || fail "the prefix has no application-data folder"
profile="$appdata/tikr.INI"

start_tikr() {
  (cd "$work/bin" && exec "$wine" tikr.exe >>"$work/tikr.log" 2>&1) &
  last_pid=$!
  track "$last_pid"
}
alive() { kill -0 "$1" 2>/dev/null; }
ended() { ! alive "$1"; }
profile_has() { grep -a -q -- "$1" "$profile" 2>/dev/null; }
press() {
  activate "$1"
  shift
  xdotool key --clearmodifiers "$@"
}

# --- (a) the window, a due message, the check going on meanwhile -------------
# Task 1 is overdue; task 2 falls due some seconds after the start.
later=$(LC_ALL=C date -d '+8 seconds' '+%d-%b-%Y %H:%M:%S')
printf '%s\r\n' '[settings]' 'interval=1' 'showicon=0' 'NumApps=2' \
  '[App1]' 'title=Due' 'Task=Message' 'Message=First message' 'type=Daily' 'when=00:00' \
  'RunMissedOnStartup=Yes' 'NextAt=01-Jan-2020 00:00:00' \
  '[App2]' 'title=Later' 'Task=Message' 'Message=Second message' 'type=Daily' 'when=00:00' \
  'RunMissedOnStartup=Yes' "NextAt=$later" >"$profile"

t0=$(date +%s%N)
start_tikr
first=$last_pid
wait_for 60 has_window Tikr || fail "(a) the Tikr window did not appear"
t1=$(date +%s%N)
echo "start-up to the visible window: $(((t1 - t0) / 1000000)) ms"
main=$(window_id Tikr)
wait_for 30 has_window 'Tikr Scheduled Message' || fail "(a) the due message was not shown"
profile_has 'NextAt=01-Jan-2020' && fail "(a) the next run did not move on before the message"
boxes() { windows_named 'Tikr Scheduled Message' --onlyvisible | wc -l; }
two_boxes() { [ "$(boxes)" -ge 2 ]; }
wait_for 40 two_boxes || fail "(a) the timer stopped while the first message was open"
import -window root "$e2e_outdir/win32-messages.png" 2>/dev/null
# The newest box runs the innermost loop, so it is closed first.
for _ in 1 2; do
  box=$(windows_named 'Tikr Scheduled Message' --onlyvisible | sort -n | tail -n 1)
  n=$(boxes)
  press "$box" Return
  fewer() { [ "$(boxes)" -lt "$n" ]; }
  wait_for 20 fewer || fail "(a) a message box did not close"
done
has_window Tikr || fail "(a) the main window went away"
import -window root "$e2e_outdir/win32-main.png" 2>/dev/null

# --- (b) a task added with the keyboard is stored ------------------------------
press "$main" alt+a
wait_for 20 has_window 'Scheduled Task Properties' || fail "(b) Add... did not open the properties dialog"
props=$(window_id 'Scheduled Task Properties')
activate "$props"
# The focus starts in the title field with its text selected.
xdotool type --delay 30 'Keyboard task'
import -window root "$e2e_outdir/win32-properties.png" 2>/dev/null
xdotool key Return
wait_for 20 no_window 'Scheduled Task Properties' || fail "(b) Enter did not confirm the dialog"
wait_for 20 profile_has 'title=Keyboard task' || fail "(b) the new task was not stored"
profile_has 'NumApps=3' || fail "(b) the task count was not stored"

# --- (c) hidden by Enter (Hide is the default button), brought back by a later start
press "$main" Return
wait_for 20 no_window Tikr || fail "(c) Hide did not hide the window"
profile_has 'interval=1' || fail "(c) Hide did not store the settings"
(cd "$work/bin" && timeout 60 "$wine" tikr.exe >>"$work/later.log" 2>&1)
later=$?
[ "$later" -eq 0 ] || fail "(c) the later start ended with status $later"
wait_for 20 has_window Tikr || fail "(c) the later start did not show the running window"
[ "$(window_id Tikr)" = "$main" ] || fail "(c) another window than the running one's is shown"
[ "$(count_windows Tikr)" -eq 1 ] || fail "(c) there are $(count_windows Tikr) Tikr windows"
alive "$first" || fail "(c) the running scheduler ended"

# --- (d) Escape ends the program and writes nothing ----------------------------
before=$(md5sum <"$profile")
press "$main" alt+v
xdotool type --delay 30 '99'
xdotool key Escape
wait_for 30 ended "$first" || fail "(d) Escape did not end the program"
[ "$(md5sum <"$profile")" = "$before" ] || fail "(d) the profile file was written on the way out"
no_window Tikr || fail "(d) the window is still there"

# --- (e) a user folder outside the ANSI code page --------------------------------
# The user's application-data folder under a name in Greek and Cyrillic
# letters, which no single-byte code page holds together. The .reg file is
# UTF-16 (with its byte-order mark), so regedit takes the folder's name
# whole, whatever the locale.
set_appdata() {
  local hex
  hex=$(printf '%s' "$1" | iconv -f UTF-8 -t UTF-16LE | od -An -tx1 -v | tr -s ' \n' ',' | sed 's/^,//; s/,$//')
  {
    printf '\xff\xfe'
    printf 'Windows Registry Editor Version 5.00\r\n\r\n[%s]\r\n"AppData"=hex(2):%s,00,00\r\n\r\n' \
      'HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Explorer\User Shell Folders' "$hex" |
      iconv -f UTF-8 -t UTF-16LE
  } >"$work/appdata.reg"
  "$wine" regedit /S "Z:$(printf '%s' "$work/appdata.reg" | tr / '\\')" </dev/null >>"$work/reg.log" 2>&1 ||
    fail "the application-data folder could not be set"
}
user='Νίκος-Борис'
set_appdata "C:\\users\\$user\\AppData\\Roaming"
wide_profile="$WINEPREFIX/drive_c/users/$user/AppData/Roaming/tikr.INI"
start_tikr
third=$last_pid
wait_for 60 has_window Tikr || fail "(e) the Tikr window did not appear"
main=$(window_id Tikr)
press "$main" alt+a
wait_for 20 has_window 'Scheduled Task Properties' || fail "(e) Add... did not open the properties dialog"
activate "$(window_id 'Scheduled Task Properties')"
xdotool key Return
wait_for 20 no_window 'Scheduled Task Properties' || fail "(e) Enter did not confirm the dialog"
wide_stored() { grep -a -q 'NumApps=1' "$wide_profile" 2>/dev/null; }
wait_for 20 wide_stored || fail "(e) the task was not stored in the user's folder: $(find "$WINEPREFIX/drive_c/users" -name tikr.INI)"
press "$main" Escape
wait_for 30 ended "$third" || fail "(e) Escape did not end the program"
ls "$work/bin" | grep -q -i '\.ini$' && fail "(e) a profile file was made in the current folder"

# --- (f) no place for the profile: said, and the end ---------------------------
set_appdata 'Q:\nowhere\AppData'
start_tikr
fourth=$last_pid
wait_for 60 has_window tikr || fail "(f) no box said that the profile has no place"
has_window Tikr && fail "(f) the scheduler ran without a profile file"
import -window root "$e2e_outdir/win32-no-profile.png" 2>/dev/null
press "$(window_id tikr)" Return
wait_for 30 ended "$fourth" || fail "(f) the program did not end after the box"
ls "$work/bin" | grep -q -i '\.ini$' && fail "(f) a profile file was made in the current folder"

echo "PASS: win32 end-to-end"
