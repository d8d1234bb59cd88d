#!/usr/bin/env bash
# The records of runs in the real program, where only it shows them:
#  - a history.log that is a FIFO hangs nothing: the run's line waits, is
#    told once on standard error, and goes in once the FIFO is gone;
#  - a copy of the program under another name keeps its records in a folder
#    of its own, and each history holds only its own profile's runs;
#  - the folders are 0700 and the files 0600;
#  - with the records on a full disk (root only: a small tmpfs), a program
#    that writes runs and succeeds, its outcome says its output was
#    discarded, and its line goes in once there is space again.
#
# Usage: records_test.sh <tikr executable> <output directory>
set -uo pipefail

tikr=${1:?tikr executable}
e2e_outdir=${2:?output directory}
e2e_name=records
source "$(dirname "$0")/x_session.sh"
trap 'e2e_cleanup_all' EXIT
mounted=
e2e_cleanup_all() {
  local i
  for ((i = ${#e2e_pids[@]} - 1; i >= 0; i--)); do stop "${e2e_pids[i]}"; done
  e2e_pids=()
  [ -n "$mounted" ] && { umount "$mounted" 2>/dev/null || umount -l "$mounted" 2>/dev/null; }
  e2e_cleanup
}
start_x_session

mkdir -p "$work/cfg" "$work/run" "$work/bin" "$work/state/tikr"
chmod 700 "$work/run"
# A task due at the start that writes a line and succeeds.
profile() {
  cat <<EOF2
[settings]
interval=1
showicon=0
HideOnStartup=0
NumApps=1
[App1]
title=$1
Task=Application
command=sh -c 'echo $1'
type=Daily
when=08:00
RunMissedOnStartup=Yes
NextAt=01-Jan-2020 08:00:00
SkipDays=0000000
EOF2
}
profile "Echo one" >"$work/cfg/tikr.INI"
profile "Echo other" >"$work/cfg/other.INI"
cp "$tikr" "$work/bin/other"
env_run=(env XDG_CONFIG_HOME="$work/cfg" XDG_STATE_HOME="$work/state" XDG_RUNTIME_DIR="$work/run")
mkfifo "$work/state/tikr/history.log"

"${env_run[@]}" "$tikr" >"$work/tikr.log" 2>&1 &
one=$!
track "$one"
"${env_run[@]}" "$work/bin/other" >"$work/other.log" 2>&1 &
other=$!
track "$other"

wait_for 30 grep -q 'cannot write the history of runs .*history.log: not a regular file' "$work/tikr.log" ||
  fail "a FIFO as the history was not told"
rm "$work/state/tikr/history.log"
wait_for 30 grep -q $'\tEcho one\texited with status 0 after ' "$work/state/tikr/history.log" ||
  fail "the run's line did not go in once the FIFO was gone"
[ "$(grep -c 'cannot write the history' "$work/tikr.log")" -eq 1 ] || fail "the failure was told more than once"
wait_for 30 grep -q $'\tEcho other\t' "$work/state/other/history.log" || fail "the copy kept no history of its own"
grep -q 'Echo other' "$work/state/tikr/history.log" && fail "one profile's run is in the other's history"
grep -q 'Echo one' "$work/state/other/history.log" && fail "one profile's run is in the other's history"
for f in "$work/state/tikr" "$work/state/other"; do
  [ "$(stat -c %a "$f")" = 700 ] || fail "$f is not 0700"
  for g in "$f"/*; do [ "$(stat -c %a "$g")" = 600 ] || fail "$g is not 0600"; done
done
stop "$one:$(started "$one")"
stop "$other:$(started "$other")"

if [ "$(id -u)" -ne 0 ] || ! mount -t tmpfs -o size=256k tikr-records "$work/state/tikr" 2>"$work/mount.log"; then
  echo "records: the full disk is not tried here (needs root and a tmpfs)"
  echo "records: 1 passed, 0 failed"
  exit 0
fi
mounted="$work/state/tikr"
chmod 700 "$mounted"
head -c 1M /dev/zero >"$mounted/filler" 2>/dev/null
profile "Echo one" >"$work/cfg/tikr.INI"  # due again
"${env_run[@]}" "$tikr" >"$work/full.log" 2>&1 &
one=$!
track "$one"
wait_for 30 grep -q 'cannot write the history of runs' "$work/full.log" || fail "a full disk for the history was not told"
rm "$mounted/filler"
wait_for 30 grep -q $'\tEcho one\texited with status 0 after [0-9]* s.*; output discarded: No space left on device\t' \
  "$mounted/history.log" || fail "the run on a full disk did not succeed with its output discarded: $(cat "$mounted/history.log" 2>&1)"
echo "records: 1 passed, 0 failed"
exit 0
