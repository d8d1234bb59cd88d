#!/usr/bin/env bash
# tikr.exe under Wine in a real X session (Xvfb with a window manager),
# driven with xdotool, in a Wine prefix of its own so that no real profile
# is ever touched:
#  (a) the "Tikr" window appears, a due message task shows its box captioned
#      "Tikr Scheduled Message", and the timer goes on meanwhile: a task due a
#      few seconds later shows its own box while the first is still open,
#      and the main window's keys work while the boxes are open (Alt+A opens
#      the properties dialog); F1 shows one help box, not two;
#  (b) a task added with the keyboard alone is stored in the profile file;
#  (c) a later start shows the hidden window of the running one and ends;
#      while the properties dialog is open, a later start brings the dialog
#      forward, not the main window it disables;
#  (d) Escape ends the program without writing the profile file;
#  (e) with the notification-area icon on: the icon is there, a click on it
#      brings the hidden window back, the shell's restart notice registers
#      it again after a tip update failed while the area was gone, and Exit
#      removes it.
#  (f) Exit while a scheduled box is open ends the program promptly, and the
#      task after the box neither runs nor loses its run.
#  (g) a user folder whose name no ANSI code page holds keeps the profile;
#  (h) where no folder for the profile can be had, a box captioned "tikr"
#      says so and the program ends, writing nothing in its current folder;
#  (i) a program that prints on both outputs and ends with code 3, under a
#      local application-data folder outside the ANSI code page: its outcome
#      in the line's tip and in "tikr.exe --list" (run beside the running
#      Tikr, titles in their script), both lines in its output file, its
#      line in the history, and one balloon for its repeated failure; the
#      task's History window, opened from its menu with the keys, lists its
#      runs, Enter shows the selected run's output and Escape closes it.
#
# Usage: e2e_win32_test.sh <tikr.exe> <output directory> <tray_probe.exe> <launch_probe.exe>
# TIKR_WINE names the Wine loader (default: wine); WINEARCH, when set, the
# kind of prefix to make.
set -uo pipefail

tikr_exe=${1:?tikr.exe}
e2e_outdir=${2:?output directory}
probe_exe=${3:?tray_probe.exe}
launch_probe_exe=${4:?launch_probe.exe}
e2e_name=win32
source "$(dirname "$0")/../e2e/x_session.sh"
source "$(dirname "$0")/wine_session.sh"
skip_without xmessage
start_wine_session "$tikr_exe" "$probe_exe" "$launch_probe_exe"
profile_has() { grep -a -q -- "$1" "$profile" 2>/dev/null; }

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
main=$(window_of Tikr)
wait_for 30 has_window 'Tikr Scheduled Message' || fail "(a) the due message was not shown"
profile_has 'NextAt=01-Jan-2020' && fail "(a) the next run did not move on before the message"
boxes() { windows_named 'Tikr Scheduled Message' --onlyvisible | wc -l; }
two_boxes() { [ "$(boxes)" -ge 2 ]; }
wait_for 40 two_boxes || fail "(a) the timer stopped while the first message was open"
import -window root "$e2e_outdir/win32-messages.png" 2>/dev/null
# The boxes' loops do not hold up the main window's keys.
press "$main" alt+a
wait_for 20 has_window 'Scheduled Task Properties' ||
  fail "(a) Alt+A in the main window did nothing while a message box was open"
press "$(window_of 'Scheduled Task Properties')" Escape
wait_for 20 no_window 'Scheduled Task Properties' || fail "(a) Escape did not close the properties dialog"
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
# F1: one help box, captioned with the program's name.
press "$main" F1
wait_for 20 has_window tikr || fail "(a) F1 showed no help box"
sleep 2
[ "$(windows_named tikr --onlyvisible | wc -l)" -eq 1 ] || fail "(a) F1 showed $(windows_named tikr --onlyvisible | wc -l) help boxes"
press "$(window_of tikr)" Return
wait_for 20 no_window tikr || fail "(a) the help box did not close"

# --- (b) a task added with the keyboard is stored ------------------------------
press "$main" alt+a
wait_for 20 has_window 'Scheduled Task Properties' || fail "(b) Add... did not open the properties dialog"
props=$(window_of 'Scheduled Task Properties')
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
[ "$(window_of Tikr)" = "$main" ] || fail "(c) another window than the running one's is shown"
[ "$(count_windows Tikr)" -eq 1 ] || fail "(c) there are $(count_windows Tikr) Tikr windows"
alive "$first" || fail "(c) the running scheduler ended"
# A later start while the properties dialog is open makes the dialog, which
# takes the keys, the foreground window (another window has the focus
# meanwhile). Whether the window manager then gives it the X focus is the
# window manager's choice (openbox keeps it from a window that asks).
press "$main" alt+a
wait_for 20 has_window 'Scheduled Task Properties' || fail "(c) Add... did not open the properties dialog"
props=$(window_of 'Scheduled Task Properties')
xmessage -title elsewhere -geometry +600+500 elsewhere >/dev/null 2>&1 &
elsewhere=$!
track "$elsewhere"
wait_for 20 has_window elsewhere || fail "(c) the other window did not appear"
activate "$(window_of elsewhere)"
(cd "$work/bin" && timeout 60 "$wine" tikr.exe >>"$work/later.log" 2>&1) || fail "(c) the second later start failed"
foreground() { probe foreground; }
dialog_forward() { [ "$(foreground)" = 'Scheduled Task Properties' ]; }
wait_for 20 dialog_forward || fail "(c) a later start brought \"$(foreground)\" forward, not the properties dialog"
stop "$elsewhere"
# The same with a box over the dialog (a refused hour): the box comes forward.
press "$props" Tab Tab Tab
xdotool type --delay 30 '99'
xdotool key Return
wait_for 20 has_window tikr || fail "(c) the refused hour showed no box"
(cd "$work/bin" && timeout 60 "$wine" tikr.exe >>"$work/later.log" 2>&1) || fail "(c) the third later start failed"
box_forward() { [ "$(foreground)" = tikr ]; }
wait_for 20 box_forward || fail "(c) a later start brought \"$(foreground)\" forward, not the box over the dialog"
press "$(window_of tikr)" Return
wait_for 20 no_window tikr || fail "(c) the box over the dialog did not close"
press "$props" Escape
wait_for 20 no_window 'Scheduled Task Properties' || fail "(c) Escape did not close the properties dialog"

# --- (d) Escape ends the program and writes nothing ----------------------------
before=$(md5sum <"$profile")
press "$main" alt+v
xdotool type --delay 30 '99'
xdotool key Escape
wait_for 30 ended "$first" || fail "(d) Escape did not end the program"
[ "$(md5sum <"$profile")" = "$before" ] || fail "(d) the profile file was written on the way out"
no_window Tikr || fail "(d) the window is still there"

# --- (e) the notification-area icon -------------------------------------------
# menu_entry <window> <key>: the menu of the window's selected line, once on
# the screen, takes the entry's key.
menu_entry() {
  press "$1" shift+F10
  wait_for 20 probe menu || fail "Shift+F10 opened no menu"
  xdotool key --clearmodifiers "$2"
}
icon_known() { probe known "$hwnd" >/dev/null; }
sed -i 's/^showicon=0/showicon=1/' "$profile"
start_tikr
second=$last_pid
wait_for 60 has_window Tikr || fail "(e) the Tikr window did not appear"
main=$(window_of Tikr)
hwnd=$(probe window)
[ -n "$hwnd" ] || fail "(e) the main window was not found"
wait_for 20 icon_known || fail "(e) the icon was not added"
press "$main" Return
wait_for 20 no_window Tikr || fail "(e) Hide did not hide the window"
probe click "$hwnd"
wait_for 20 has_window Tikr || fail "(e) a click on the icon did not bring the window back"
# The shell restarts: its area forgets the icon, and a tip update made
# meanwhile (Remove) fails; its restart notice registers the icon again.
probe forget "$hwnd"
icon_known && fail "(e) the icon could not be made forgotten"
press "$main" alt+r
wait_for 20 profile_has 'NumApps=2' || fail "(e) Remove did not store the list"
probe restarted "$hwnd"
wait_for 20 icon_known || fail "(e) the restart notice did not register the icon again"
press "$main" alt+x
wait_for 30 ended "$second" || fail "(e) Exit did not end the program"
icon_known && fail "(e) Exit left the icon behind"

# --- (f) Exit while a scheduled box is open: the waiting pass goes no further
# The first check, 12 s after the start, opens the box; the program is ended
# before the next one would run the task after it inside the box.
printf '%s\r\n' '[settings]' 'interval=12' 'showicon=0' 'NumApps=2' \
  '[App1]' 'title=Box' 'Task=Message' 'Message=Waiting here' 'type=Daily' 'when=00:00' \
  'RunMissedOnStartup=Yes' 'NextAt=01-Jan-2020 00:00:00' \
  '[App2]' 'title=After the box' 'Task=Application' 'command=cmd.exe /c echo ran>C:\after.txt' 'type=Daily' \
  'when=00:00' 'RunMissedOnStartup=Yes' 'NextAt=01-Jan-2020 00:00:00' >"$profile"
after="$WINEPREFIX/drive_c/after.txt"
rm -f "$after"
start_tikr
boxed=$last_pid
wait_for 60 has_window Tikr || fail "(f) the Tikr window did not appear"
main=$(window_of Tikr)
wait_for 30 has_window 'Tikr Scheduled Message' || fail "(f) the due message was not shown"
# A click on Exit, as a mouse user ends it (the keys are tried in (a)). The
# button's centre, in dialog units (154, 196) of the 186 x 210 client area.
activate "$main"
eval "$(xdotool getwindowgeometry --shell "$main")"
xdotool mousemove --window "$main" $((154 * WIDTH / 186)) $((196 * HEIGHT / 210)) click 1
wait_for 15 ended "$boxed" || fail "(f) the program did not end promptly after Exit"
sleep 1  # a program started on the way out would have written by now
[ -e "$after" ] && fail "(f) the task after the box started its program after Exit"
app2=$(tr -d '\r' <"$profile" | sed -n '/^\[App2\]/,/^\[/p')
grep -q '^NextAt=01-Jan-2020 00:00:00' <<<"$app2" || fail "(f) the task after the box lost its run: $app2"
grep -q '^LastRun=.' <<<"$app2" && fail "(f) a run that did not happen was recorded: $app2"

# --- (g) a user folder outside the ANSI code page --------------------------------
# The user's application-data folder under a name in Greek and Cyrillic
# letters, which no single-byte code page holds together. The .reg file is
# UTF-16 (with its byte-order mark), so regedit takes the folder's name
# whole, whatever the locale.
set_appdata() { set_shell_folder AppData "$1"; }
set_shell_folder() {
  local hex
  hex=$(printf '%s' "$2" | iconv -f UTF-8 -t UTF-16LE | od -An -tx1 -v | tr -s ' \n' ',' | sed 's/^,//; s/,$//')
  {
    printf '\xff\xfe'
    printf 'Windows Registry Editor Version 5.00\r\n\r\n[%s]\r\n"%s"=hex(2):%s,00,00\r\n\r\n' \
      'HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Explorer\User Shell Folders' "$1" "$hex" |
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
wait_for 60 has_window Tikr || fail "(g) the Tikr window did not appear"
main=$(window_of Tikr)
press "$main" alt+a
wait_for 20 has_window 'Scheduled Task Properties' || fail "(g) Add... did not open the properties dialog"
activate "$(window_of 'Scheduled Task Properties')"
xdotool key Return
wait_for 20 no_window 'Scheduled Task Properties' || fail "(g) Enter did not confirm the dialog"
wide_stored() { grep -a -q 'NumApps=1' "$wide_profile" 2>/dev/null; }
wait_for 20 wide_stored || fail "(g) the task was not stored in the user's folder: $(find "$WINEPREFIX/drive_c/users" -name tikr.INI)"
press "$main" Escape
wait_for 30 ended "$third" || fail "(g) Escape did not end the program"
ls "$work/bin" | grep -q -i '\.ini$' && fail "(g) a profile file was made in the current folder"

# --- (h) no place for the profile: said, and the end ---------------------------
set_appdata 'Q:\nowhere\AppData'
start_tikr
fourth=$last_pid
wait_for 60 has_window tikr || fail "(h) no box said that the profile has no place"
has_window Tikr && fail "(h) the scheduler ran without a profile file"
import -window root "$e2e_outdir/win32-no-profile.png" 2>/dev/null
press "$(window_of tikr)" Return
wait_for 30 ended "$fourth" || fail "(h) the program did not end after the box"
ls "$work/bin" | grep -q -i '\.ini$' && fail "(h) a profile file was made in the current folder"

# --- (i) a failing program: its outcome everywhere, its output, one balloon ---
# A task that runs launch_probe at every check: it prints "out" and "err"
# and ends with code 3. Its title has a letter of the ANSI code page (é).
set_appdata "C:\\users\\$user\\AppData\\Roaming"
set_shell_folder 'Local AppData' "C:\\users\\$user\\AppData\\Local"
records="$WINEPREFIX/drive_c/users/$user/AppData/Local/tikr"
winpath() { printf 'Z:%s' "$1" | tr / '\\'; }
printf '%s\r\n' '[settings]' 'interval=1' 'showicon=1' 'NumApps=1' \
  '[App1]' "title=Exit caf$(printf '\xe9') three" 'Task=Application' 'type=Interval' 'when=00:00' \
  "command=$(winpath "$work/bin/launch_probe.exe") $(winpath "$work/ran.txt") print exit=3" \
  'RunMissedOnStartup=Yes' 'NextAt=01-Jan-2020 00:00:00' >"$wide_profile"
start_tikr
failing=$last_pid
wait_for 60 has_window Tikr || fail "(i) the Tikr window did not appear"
hwnd=$(probe window)
runs() { grep -c 'exited with code 3 after' "$records/history.log" 2>/dev/null; }
balloon() { probe balloons | grep -q 'Task "Exit caf'; }
no_balloon() { ! balloon; }
wait_for 60 balloon || fail "(i) no balloon told the failure: $(probe balloons)"
# Closed, it stays away while the task fails the same way three times more.
probe dismiss
wait_for 20 no_balloon || fail "(i) the balloon could not be closed"
(while alive "$failing"; do probe balloons; sleep 0.2; done >"$work/balloons.txt" 2>/dev/null) &
track $!
told=$(($(runs) + 3))
three_more() { [ "$(runs)" -ge "$told" ]; }
wait_for 60 three_more || fail "(i) the history has no three more failed runs: $(cat "$records/history.log" 2>&1)"
# Listed beside the running Tikr, which goes on.
(cd "$work/bin" && timeout 60 "$wine" tikr.exe --list </dev/null >"$work/list.txt" 2>"$work/list.err") ||
  fail "(i) tikr.exe --list failed: $(cat "$work/list.err")"
grep -q '^Exit café three  ' "$work/list.txt" || fail "(i) tikr.exe --list shows: $(cat "$work/list.txt")"
alive "$failing" || fail "(i) the listing ended the running Tikr"
# Disabled from the line's menu, so that no run is under way at the end.
main=$(window_of Tikr)
disabled() { (cd "$work/bin" && "$wine" tikr.exe --list 2>/dev/null) | grep -q '^Exit café three .* disabled '; }
# Each run's console window may take the foreground between the menu's
# opening and the key, which then goes to the console: the menu is closed
# and opened again until its entry has been chosen.
for _ in 1 2 3; do
  menu_entry "$main" d
  wait_for 10 disabled && break
  probe menu >/dev/null 2>&1 && xdotool key --clearmodifiers Escape
done
disabled || fail "(i) the task was not disabled from its menu"
sleep 2  # a run under way ends
tip_told() { probe tip "$hwnd" | grep -q 'exited with code 3 after'; }
wait_for 60 tip_told || fail "(i) the line's tip says: $(probe tip "$hwnd")"
menu_entry "$main" h
wait_for 20 has_window 'Task History' || fail "(i) History... did not open the task's history"
history=$(window_of 'Task History')
listed_runs() { [ "$(probe history | grep -c ', exited with code 3 after ')" -eq "$(runs)" ]; }
wait_for 10 listed_runs || fail "(i) the history window lists: $(probe history) for $(runs) runs"
import -frame -window "$history" "$e2e_outdir/history-windows.png" 2>/dev/null
# Enter: the newest run's output in the program for its kind of file.
newest=$(tail -n 1 "$records/history.log" | cut -f5 | tr -d '\r')
viewer="${newest##*\\} - Notepad"
press "$history" Return
wait_for 30 has_window "$viewer" || fail "(i) Enter in the history window did not show $viewer"
press "$(window_of "$viewer")" alt+F4
wait_for 20 no_window "$viewer" || fail "(i) the output file's viewer did not close"
press "$history" Escape
wait_for 20 no_window 'Task History' || fail "(i) Escape did not close the history window"
press "$main" Escape
wait_for 30 ended "$failing" || fail "(i) Escape did not end the program"
(cd "$work/bin" && timeout 60 "$wine" tikr.exe --list </dev/null >"$work/list.txt" 2>&1)
grep -q '^Exit café three .*exited with code 3 after' "$work/list.txt" ||
  fail "(i) tikr.exe --list shows: $(cat "$work/list.txt")"
line=$(tail -n 1 "$records/history.log" | tr -d '\r')
[ "$(cut -f2 <<<"$line")" = "Exit caf$(printf '\xe9') three" ] || fail "(i) the history line names another task: $line"
output=$(cut -f5 <<<"$line")
[ -n "$output" ] || fail "(i) the history line has no output file: $line"
output_file="$records/${output##*\\}"
[ "$(tr -d '\r' <"$output_file")" = "$(printf 'out\nerr')" ] ||
  fail "(i) the output file $output_file holds: $(cat "$output_file" 2>&1)"
grep -q 'Task "Exit caf' "$work/balloons.txt" && fail "(i) the failure was told again: $(sort -u "$work/balloons.txt")"
(cd "$work/bin" && "$wine" tikr.exe --bogus </dev/null >"$work/bogus.out" 2>"$work/bogus.err")
status=$?
[ "$status" -eq 2 ] && [ ! -s "$work/bogus.out" ] && grep -q '^Usage: tikr ' "$work/bogus.err" ||
  fail "(i) an unknown option ended with status $status: $(cat "$work/bogus.out" "$work/bogus.err")"

echo "PASS: win32 end-to-end"
