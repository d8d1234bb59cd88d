#!/usr/bin/env bash
# The real program with its profile on a full disk: a task of Regular
# Intervals 0 h 1 min keeps running every minute while no write can be
# made, and once space is back, Exit leaves the file with the task's current
# next run and last run.
#
# The profile lives on a small tmpfs mounted for the test (root only, as the
# tests run in CI); the program's clock runs 20 times fast (fast_clock.cpp),
# so a minute of its time passes in 3 s.
#
# Usage: full_disk_test.sh <tikr executable> <fast clock library> <output directory>
set -uo pipefail

tikr=${1:?tikr executable}
fast_clock=${2:?fast clock library}
e2e_outdir=${3:?output directory}
e2e_name=full-disk

if [ "$(id -u)" -ne 0 ]; then
  echo "SKIP: mounting the small file system that is filled up needs root"
  exit 77
fi
source "$(dirname "$0")/x_session.sh"

cfg="$work/cfg"
mkdir -p "$cfg" "$work/run"
chmod 700 "$work/run"
if ! mount -t tmpfs -o size=512k tikr-full-disk "$cfg" 2>"$work/mount.log"; then
  echo "SKIP: no tmpfs can be mounted here: $(cat "$work/mount.log")"
  exit 77
fi
unmount() { umount "$cfg" 2>/dev/null || umount -l "$cfg" 2>/dev/null; }
# Before the scratch folder goes; the program is ended first.
trap 'e2e_cleanup_all' EXIT
e2e_cleanup_all() {
  local i
  for ((i = ${#e2e_pids[@]} - 1; i >= 0; i--)); do stop "${e2e_pids[i]}"; done
  e2e_pids=()
  unmount
  e2e_cleanup
}

start_x_session

factor=20
start=$(date +%s)
# The program's time at a real time (seconds since the epoch).
program_time() { echo $((start + ($1 - start) * factor)); }
# A stored date-time as seconds since the epoch.
epoch_of() { LC_ALL=C date -d "$1" +%s; }

# Each run of the task appends the real time to a file off the full disk.
cat >"$work/tick.sh" <<EOF
#!/bin/sh
date +%s >>"$work/runs"
EOF
chmod 755 "$work/tick.sh"
: >"$work/runs"
runs() { wc -l <"$work/runs"; }

cat >"$cfg/tikr.INI" <<EOF
[settings]
interval=1
showicon=0
HideOnStartup=0
NumApps=1
[App1]
title=Every minute
Disabled=0
Task=Application
command=$work/tick.sh
show=5
type=Interval
when=00:01
RunMissedOnStartup=No
EOF

start_tikr TIKR_FAST_CLOCK="$start $factor" LD_PRELOAD="$fast_clock" \
  ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}verify_asan_link_order=0"
wait_for 30 has_window Tikr || fail "the main window did not appear"
main=$(window_id Tikr)
has_runs() { [ "$(runs)" -ge "$1" ]; }
wait_for 30 has_runs 1 || fail "the task did not run before the disk filled up"

# Fill the disk; the next writes of the program fail from here on.
dd if=/dev/zero of="$cfg/filler" bs=4k >/dev/null 2>&1
[ "$(df --output=avail "$cfg" | tail -n 1)" -eq 0 ] || fail "the file system did not fill up"
before=$(runs)
# 15 s: five minutes of the program's time, five runs due.
sleep 15
while_full=$(($(runs) - before))
echo "runs while the disk was full: $while_full in 5 minutes of the program's time"
[ "$while_full" -ge 3 ] || fail "the task ran $while_full times in 5 minutes with the disk full"

rm -f "$cfg/filler"
sleep 2
activate "$main"
xdotool key --clearmodifiers alt+x
expect_end 20 Exit

section=$(sed -n '/^\[App1\]/,/^\[/p' "$cfg/tikr.INI")
last_run=$(sed -n 's/^LastRun=//p' <<<"$section")
next_at=$(sed -n 's/^NextAt=//p' <<<"$section")
[ -n "$last_run" ] && [ -n "$next_at" ] || fail "the file holds no last run or next run: $section"
last_real=$(tail -n 1 "$work/runs")
last_expected=$(program_time "$last_real")
stored_last=$(epoch_of "$last_run")
stored_next=$(epoch_of "$next_at")
# The runs file has whole real seconds: one of them is $factor of the program's.
diff=$((stored_last - last_expected))
[ "${diff#-}" -le $((2 * factor)) ] ||
  fail "the stored last run $last_run is not the last run (${diff} s from it)"
gap=$((stored_next - stored_last))
[ "$gap" -ge 50 ] && [ "$gap" -le 70 ] || fail "the stored next run $next_at is not a minute after the last run $last_run"

echo "full-disk: 1 passed, 0 failed"
exit 0
