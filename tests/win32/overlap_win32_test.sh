#!/usr/bin/env bash
# Runs that overlap and runs that hang, in tikr.exe under Wine:
#  - a task due at every check whose program takes 4 s, set to skip while
#    it runs, runs again only after its copy ended and leaves "skipped"
#    lines for the checks in between;
#  - a task with a time limit of one minute whose program would take ten
#    is ended within the limit and the 10 s of grace, and its outcome says
#    so.
#
# Usage: overlap_win32_test.sh <tikr.exe> <output directory> <launch_probe.exe> <tray_probe.exe>
# TIKR_WINE names the Wine loader (default: wine).
set -uo pipefail

tikr_exe=${1:?tikr.exe}
e2e_outdir=${2:?output directory}
launch_probe_exe=${3:?launch_probe.exe}
tray_probe_exe=${4:?tray_probe.exe}
e2e_name=win32-overlap
source "$(dirname "$0")/../e2e/x_session.sh"
source "$(dirname "$0")/wine_session.sh"
start_wine_session "$tikr_exe" "$launch_probe_exe" "$tray_probe_exe"

winpath() { printf 'Z:%s' "$1" | tr / '\\'; }
probe_at() { printf '%s %s' "$(winpath "$work/bin/launch_probe.exe")" "$(winpath "$work/$1")"; }
printf '%s\r\n' '[settings]' 'interval=1' 'showicon=0' 'NumApps=2' \
  '[App1]' 'title=Skipper' 'Task=Application' 'type=Interval' 'when=00:00' 'IfStillRunning=Skip' \
  "command=$(probe_at skipper.txt) sleep=4" 'RunMissedOnStartup=Yes' 'NextAt=01-Jan-2020 00:00:00' \
  '[App2]' 'title=Limited' 'Task=Application' 'type=Daily' 'when=08:00' 'SkipDays=0000000' 'StopAfter=00:01' \
  "command=$(probe_at limited.txt) sleep=600" 'RunMissedOnStartup=Yes' 'NextAt=01-Jan-2020 08:00:00' >"$profile"

start_tikr
tikr=$last_pid
wait_for 60 has_window Tikr || fail "the Tikr window did not appear"
history=$(dirname "$appdata")/Local/tikr/history.log
lines() { grep -a "	$1	$2" "$history" 2>/dev/null | wc -l; }

# --- Skip: one copy at a time ----------------------------------------------
two_runs() { [ "$(lines Skipper 'exited with code 0 after')" -ge 2 ]; }
wait_for 60 two_runs || fail "the Skip task did not run twice: $(cat "$history" 2>&1)"
[ "$(lines Skipper 'skipped: still running since ')" -ge 2 ] || fail "no skipped lines: $(cat "$history")"
# Each run began after the one before it ended (the line's start, and its
# length in seconds, one second of rounding allowed).
grep -a '	Skipper	exited' "$history" | tr -d '\r' | while IFS=$'\t' read -r at _ _ seconds _; do
  start=$(date -d "$at" +%s)
  [ -z "${ended:-}" ] || [ "$start" -ge $((ended - 1)) ] || { echo overlap; break; }
  ended=$((start + seconds))
done | grep -q overlap && fail "the Skip task ran two copies at once: $(grep -a Skipper "$history")"

# --- the time limit ----------------------------------------------------------
stopped() { [ "$(lines Limited 'stopped after .* (time limit)')" -eq 1 ]; }
wait_for 100 stopped || fail "the program over its time limit was not stopped: $(grep -a Limited "$history")"
seconds=$(grep -a '	Limited	stopped' "$history" | cut -f4 | tr -d '\r')
[ "$seconds" -ge 60 ] && [ "$seconds" -le 75 ] || fail "the time limit's stop came after $seconds s"
alive "$tikr" || fail "Tikr ended"
# Every run of the Skip task opens a console window, which takes the
# foreground as it does on Windows: Escape is pressed once Tikr's window
# is the foreground one again.
for _ in $(seq 20); do
  main=$(window_id Tikr)
  [ -n "$main" ] || break
  xdotool windowactivate --sync "$main" >/dev/null 2>&1
  [ "$(probe foreground)" = Tikr ] && xdotool key --clearmodifiers Escape
  wait_for 3 ended "$tikr" && break
done
wait_for 30 ended "$tikr" || fail "Escape did not end the program"
echo "PASS: a skipped run and a time limit under Wine"
