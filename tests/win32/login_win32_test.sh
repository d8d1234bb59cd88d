#!/usr/bin/env bash
# "Start at Login" of tikr.exe under Wine, in a Wine prefix of its own:
#  (a) a first start (no profile file) writes the Run value "Tikr" with the
#      quoted full path of tikr.exe, and the box shows it checked;
#  (b) the Task Manager's disabled mark reads as a clear box, and checking
#      the box and Hide clear the mark and keep the value.
# It also takes the main window's picture for the README, with two tasks.
#
# Usage: login_win32_test.sh <tikr.exe> <output directory> <tray_probe.exe>
# TIKR_WINE names the Wine loader (default: wine).
set -uo pipefail

tikr_exe=${1:?tikr.exe}
e2e_outdir=${2:?output directory}
probe_exe=${3:?tray_probe.exe}
e2e_name=win32-login
source "$(dirname "$0")/../e2e/x_session.sh"
source "$(dirname "$0")/wine_session.sh"
start_wine_session "$tikr_exe" "$probe_exe"

run_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Run'
approved_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\StartupApproved\Run'
value_of() { "$wine" reg query "$1" /v Tikr </dev/null 2>/dev/null | tr -d '\r' | grep -i 'Tikr'; }
expected="\"$("$wine" winepath -w "$work/bin/tikr.exe" | tr -d '\r')\""
run_value_written() { value_of "$run_key" | grep -qiF -- "$expected"; }
box_is() { [ "$(probe login)" = "$1" ]; }

# --- (a) a first start ------------------------------------------------------
[ ! -e "$profile" ] || fail "(a) the prefix already has a profile file"
start_tikr
first=$last_pid
wait_for 60 has_window Tikr || fail "(a) the Tikr window did not appear"
main=$(window_of Tikr)
wait_for 20 run_value_written || fail "(a) the Run value is not $expected: $(value_of "$run_key")"
wait_for 20 box_is 1 || fail "(a) the box reads $(probe login), not checked"
press "$main" alt+x
wait_for 30 ended "$first" || fail "(a) Exit did not end the program"
run_value_written || fail "(a) Exit with the box checked removed the Run value"

# --- (b) disabled in the Task Manager -------------------------------------------
printf '%s\r\n' '[settings]' 'interval=10' 'showicon=1' 'NumApps=2' \
  '[App1]' 'title=Back up photos' 'Task=Application' 'command=robocopy C:\Photos D:\Backup /E' 'type=Weekly' \
  'when=19:30' 'DayOfWeek=5' 'NextAt=01-Jan-2099 19:30:00' \
  '[App2]' 'title=Stretch and drink water' 'Task=Message' 'Message=Stand up' 'type=Daily' 'when=10:30' \
  'NextAt=01-Jan-2099 10:30:00' >"$profile"
"$wine" reg add "$approved_key" /v Tikr /t REG_BINARY /d 030000000000000000000000 /f </dev/null >/dev/null 2>&1 ||
  fail "(b) the mark could not be set"
start_tikr
second=$last_pid
wait_for 60 has_window Tikr || fail "(b) the Tikr window did not appear"
main=$(window_of Tikr)
wait_for 20 box_is 0 || fail "(b) a disabled entry reads $(probe login), not clear"
press "$main" alt+l
wait_for 20 box_is 1 || fail "(b) Alt+L did not check the box"
press "$main" Tab
import -frame -window "$main" "$e2e_outdir/main-window-windows.png" 2>/dev/null
press "$main" Return
wait_for 20 no_window Tikr || fail "(b) Hide did not hide the window"
value_of "$approved_key" && fail "(b) checking the box left the mark: $(value_of "$approved_key")"
run_value_written || fail "(b) the Run value is gone: $(value_of "$run_key")"
wineserver -k </dev/null >/dev/null 2>&1
wait_for 30 ended "$second" || fail "(b) the program did not end"

echo "PASS: $e2e_name"
