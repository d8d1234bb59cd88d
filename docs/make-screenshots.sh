#!/usr/bin/env bash
# Regenerates the README's screenshots from a real run of the program in a
# private X session (Xvfb, openbox and trayer for the notification area).
#
# Usage: docs/make-screenshots.sh [tikr executable] [output directory]
#   defaults: build/dev/app/tikr and docs/screenshots
# Needs Xvfb, openbox, trayer, xdotool, xwininfo, xprop and ImageMagick.
set -uo pipefail

here=$(cd "$(dirname "$0")" && pwd)
tikr=$(realpath "${1:-$here/../build/dev/app/tikr}")
e2e_outdir=${2:-$here/screenshots}
e2e_name=screenshots
e2e_failshot=/tmp/tikr-screenshots-failure.png
[ -x "$tikr" ] || { echo "no program at $tikr: build it first"; exit 1; }
source "$here/../tests/e2e/x_session.sh"

skip_without trayer convert
start_x_session 800x600x24
trayer --edge top --align right --widthtype request --height 24 --transparent false \
  >"$work/trayer.log" 2>&1 &
track $!
wait_for 15 eval "xwininfo -root -tree | grep '(\"panel\" \"trayer\")' >/dev/null" ||
  fail "the notification area did not start"

# A small profile: three tasks, one of them a reminder that is due at once.
mkdir -p "$work/cfg" "$work/run"
chmod 700 "$work/run"
cat >"$work/cfg/tikr.INI" <<'EOF'
[settings]
interval=1
showicon=1
HideOnStartup=0
NumApps=3
[App1]
title=Back up photos
Disabled=0
Task=Application
command=rsync -a /home/me/Photos /media/backup
show=7
type=Weekly
when=19:30
DayOfWeek=5
RunMissedOnStartup=No
NextAt=01-Jan-2099 19:30:00
[App2]
title=Stretch and drink water
Disabled=0
Task=Message
Message=Time to stand up, stretch and drink some water.
type=Daily
when=10:30
SkipDays=1000001
RunMissedOnStartup=Yes
NextAt=01-Jan-2020 08:00:00
[App3]
title=Download the bank statements
Disabled=0
Task=Application
command=xdg-open https://bank.example.org/statements
show=3
type=Monthly
when=09:00
Date=1
RunMissedOnStartup=Yes
NextAt=01-Jan-2099 09:00:00
EOF

# The history of runs of the first task, as four weekly runs left it.
state="$work/state/tikr"
mkdir -p "$state"
for run in '2026-11-13 19:30:00|exited with status 0 after 5 min 2 s|302' \
  '2026-11-20 19:30:01|could not start: No such file or directory|0' \
  '2026-11-27 19:30:00|exited with status 23 after 3 min 58 s|238' \
  '2026-12-04 19:30:00|exited with status 0 after 4 min 12 s|252'; do
  IFS='|' read -r start outcome seconds <<<"$run"
  output=""
  if [ "$seconds" != 0 ]; then
    output="$state/${start%% *}_$(echo "${start#* }" | tr -d :) Back up photos.log"
    echo "sending incremental file list" >"$output"
  fi
  printf '%s\tBack up photos\t%s\t%s\t%s\n' "$start" "$outcome" "$seconds" "$output" >>"$state/history.log"
done

# Started at login: the user's autostart entry names this program (the
# system-wide folders are private too, so the machine's entries play no part).
mkdir -p "$work/cfg/autostart" "$work/sys"
printf '%s\n' '[Desktop Entry]' 'Type=Application' 'Name=Tikr' "Exec=\"$tikr\"" 'Icon=tikr' \
  >"$work/cfg/autostart/tikr.desktop"

# shot <window id> <file>: the window with its frame, small and without
# metadata.
shot() {
  import -frame -window "$1" "$work/shot.png" 2>/dev/null || fail "no screenshot of $1"
  convert "$work/shot.png" -strip -define png:compression-level=9 "$2" || fail "cannot write $2"
}

XDG_CONFIG_HOME="$work/cfg" XDG_CONFIG_DIRS="$work/sys" XDG_STATE_HOME="$work/state" XDG_RUNTIME_DIR="$work/run" "$tikr" >"$work/tikr.log" 2>&1 &
app=$!
track "$app"

# The reminder is due at the first check: its box comes up beside the window.
wait_for 30 has_window 'Tikr Scheduled Message' || fail "the reminder did not come up"
box=$(window_id 'Tikr Scheduled Message')
sleep 0.5
shot "$box" "$e2e_outdir/message-box.png"
activate "$box"
xdotool key --clearmodifiers Return
wait_for 10 no_window 'Tikr Scheduled Message' || fail "the reminder did not close"

main=$(window_id Tikr)
activate "$main"
# The profile checks every second to bring the reminder up at once; show the
# usual ten seconds (typed only: nothing is stored without Hide or Exit),
# then put the focus back on the task list.
xdotool key --clearmodifiers alt+v ctrl+a
xdotool type --delay 20 10
xdotool mousemove --window "$main" 60 48 click 1
sleep 0.5
shot "$main" "$e2e_outdir/main-window.png"

# The tooltip of the second line, which ran at the first check.
xdotool mousemove --window "$main" 60 56
sleep 0.2
xdotool mousemove --window "$main" 61 57
tooltip_id() {
  local w
  for w in $(xdotool search --onlyvisible --class '^tikr$' 2>/dev/null); do
    xprop -id "$w" _NET_WM_WINDOW_TYPE 2>/dev/null | grep -q _NET_WM_WINDOW_TYPE_TOOLTIP && echo "$w"
  done | head -n 1
}
wait_for 15 eval '[ -n "$(tooltip_id)" ]' || fail "no tooltip on the task line"
sleep 0.5
import -window root "$work/root.png" 2>/dev/null || fail "no screenshot of the screen"
# The window with its frame, and the tooltip where it reaches beyond it.
# geometry <window id>: X, Y (absolute, of the window without frame),
# WIDTH and HEIGHT, with the given prefix.
geometry() {
  xwininfo -id "$1" | awk -v p="${2:-}" '
    /Absolute upper-left X/ { print p "X=" $NF } /Absolute upper-left Y/ { print p "Y=" $NF }
    /Width:/ { print p "WIDTH=" $NF } /Height:/ { print p "HEIGHT=" $NF }'
}
eval "$(geometry "$(tooltip_id)" TIP_)"
eval "$(geometry "$main")"
read -r left right top bottom < <(xprop -id "$main" _NET_FRAME_EXTENTS | sed 's/.*= //; s/,//g')
x0=$((X - ${left:-0}))
y0=$((Y - ${top:-0}))
x1=$((X + WIDTH + ${right:-0}))
y1=$((Y + HEIGHT + ${bottom:-0}))
[ $((TIP_X + TIP_WIDTH)) -gt "$x1" ] && x1=$((TIP_X + TIP_WIDTH + 4))
[ $((TIP_Y + TIP_HEIGHT)) -gt "$y1" ] && y1=$((TIP_Y + TIP_HEIGHT + 4))
convert "$work/root.png" -crop $((x1 - x0))x$((y1 - y0))+$x0+$y0 +repage -strip -define png:compression-level=9 \
  "$e2e_outdir/task-tooltip.png" || fail "cannot write task-tooltip.png"
xdotool mousemove 10 590

# The notification area with the icon's tip.
icon=$(xwininfo -root -tree | awk '/\("panel" "trayer"\)/ {p = 1; next} p && /\("tikr" "tikr"\)/ {print $1; exit}')
[ -n "$icon" ] || fail "the icon is not in the notification area"
eval "$(xdotool getwindowgeometry --shell "$icon")"
xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT / 2))
sleep 0.2
xdotool mousemove $((X + WIDTH / 2 + 1)) $((Y + HEIGHT / 2 + 1))
sleep 1.5
import -window root "$work/root.png" 2>/dev/null || fail "no screenshot of the screen"
convert "$work/root.png" -gravity NorthEast -crop 240x64+0+0 +repage -strip "$e2e_outdir/tray.png" ||
  fail "cannot write tray.png"
xdotool mousemove 10 590

# Properties of the first task (Alt+P).
activate "$main"
xdotool key --clearmodifiers alt+p
wait_for 10 has_window 'Scheduled Task Properties' || fail "the properties dialog did not open"
properties=$(window_id 'Scheduled Task Properties')
sleep 0.5
shot "$properties" "$e2e_outdir/task-properties.png"
xdotool key --clearmodifiers Escape
wait_for 10 no_window 'Scheduled Task Properties' || fail "the properties dialog did not close"

# The first task's history, from its line's menu by keys (Shift+F10, H).
activate "$main"
xdotool mousemove --window "$main" 60 48 click 1
xdotool mousemove 10 590
sleep 0.3
xdotool key --clearmodifiers shift+F10
sleep 1
xdotool key --clearmodifiers h
wait_for 10 has_window 'Task History' || fail "the History window did not open"
history=$(window_id 'Task History')
sleep 0.5
shot "$history" "$e2e_outdir/history-linux.png"
xdotool key --clearmodifiers Escape
wait_for 10 no_window 'Task History' || fail "the History window did not close"

activate "$main"
xdotool key --clearmodifiers Escape
wait_for 10 eval "! kill -0 $app 2>/dev/null" || fail "the program did not end"

ls -l "$e2e_outdir"/*.png
