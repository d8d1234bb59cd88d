#!/usr/bin/env bash
# The notification-area icon with the real program and a real notification
# area (trayer) in an X session:
#  - at start the icon is embedded in the notification area, and hovering it
#    shows its tip (screenshot tray-tip.png);
#  - a press on the icon brings back the hidden window, with either button;
#  - Hide with "Show Taskbar Icon" unchecked takes the icon away and hides
#    the window;
#  - a later start brings the window back; Exit writes the three settings and
#    leaves no process behind.
#
# Usage: tray_test.sh <tikr executable> <output directory>
set -uo pipefail

tikr=${1:?tikr executable}
e2e_outdir=${2:?output directory}
e2e_name=tray
source "$(dirname "$0")/x_session.sh"

skip_without trayer
start_x_session

trayer --edge top --align right --widthtype request --height 24 --transparent false \
  --SetDockType true --SetPartialStrut true >"$work/trayer.log" 2>&1 &
track $!

# The notification area is there once trayer owns the tray selection and
# its panel window exists.
tray_ready() {
  # grep reads to the end: with -q an early match would end xwininfo with
  # SIGPIPE, and pipefail would turn the match into a failure.
  xwininfo -root -tree 2>/dev/null | grep '("panel" "trayer")' >/dev/null
}
wait_for 30 tray_ready || fail "the notification area did not start"

# The window id of the program's icon embedded in trayer's panel: a window
# of class "tikr" below the panel window in the tree.
tray_icon_id() {
  xwininfo -root -tree 2>/dev/null | awk '
    /\("panel" "trayer"\)/ { match($0, /^ */); depth = RLENGTH; inside = 1; next }
    inside {
      match($0, /^ */)
      if (RLENGTH <= depth) { inside = 0; next }
      if ($0 ~ /\("tikr" "tikr"\)/) { print $1; exit }
    }'
}
has_icon() { [ -n "$(tray_icon_id)" ]; }
no_icon() { [ -z "$(tray_icon_id)" ]; }

cfg="$work/cfg"
run="$work/run"
mkdir -p "$cfg" "$run"
chmod 700 "$run"
# Two tasks that are not due while the test runs.
cat >"$cfg/tikr.INI" <<'EOF'
[settings]
interval=10
showicon=1
HideOnStartup=0
NumApps=2
[App1]
title=Back up photos
Disabled=0
Task=Application
command=/bin/true
show=5
type=Daily
when=08:00
RunMissedOnStartup=No
NextAt=01-Jan-2099 08:00:00
SkipDays=0000000
[App2]
title=Stretch
Disabled=0
Task=Message
Message=Time to stretch
type=Daily
when=10:30
RunMissedOnStartup=No
NextAt=01-Jan-2099 10:30:00
SkipDays=0000000
EOF

XDG_CONFIG_HOME="$cfg" XDG_STATE_HOME="$cfg/state" XDG_RUNTIME_DIR="$run" "$tikr" >"$work/tikr.log" 2>&1 &
app=$!
track "$app"

wait_for 30 has_window Tikr || fail "the main window did not appear"
main=$(window_id Tikr)
wait_for 30 has_icon || fail "the icon was not embedded in the notification area"
icon=$(tray_icon_id)

# Hover the icon: its tip comes up as a small window of the program.
eval "$(xdotool getwindowgeometry --shell "$icon")"
cx=$((X + WIDTH / 2))
cy=$((Y + HEIGHT / 2))
xdotool mousemove "$cx" "$cy"
sleep 0.2
xdotool mousemove $((cx + 1)) $((cy + 1))
tip_shown() {
  local w
  for w in $(xdotool search --onlyvisible --class '^tikr$' 2>/dev/null); do
    [ "$w" = "$main" ] && continue
    [ "$(printf '0x%x' "$w")" = "$icon" ] && continue
    eval "$(xdotool getwindowgeometry --shell "$w")"
    [ "$Y" -gt $((cy)) ] && [ "$Y" -lt $((cy + 100)) ] && return 0
  done
  return 1
}
wait_for 30 tip_shown || fail "hovering the icon showed no tip"
sleep 0.3
import -window root "$e2e_outdir/tray-tip.png" 2>/dev/null
xdotool mousemove 500 700

# Hide (Enter presses the default button), then a press on the icon brings
# the window back and forward, with the left and with the right button.
for button in 1 3; do
  activate "$main"
  xdotool key --clearmodifiers Return
  wait_for 30 no_window Tikr || fail "Hide did not hide the window"
  has_icon || fail "Hide with the icon setting on took the icon away"
  xdotool mousemove "$cx" "$cy" click "$button"
  wait_for 30 has_window Tikr || fail "a press of button $button on the icon did not show the window"
  wait_for 30 active_is "$main" || fail "the window did not come to the foreground (button $button)"
  xdotool mousemove 500 700
done
# A middle click is not a press the icon reacts to.
activate "$main"
xdotool key --clearmodifiers Return
wait_for 30 no_window Tikr || fail "Hide did not hide the window"
xdotool mousemove "$cx" "$cy" click 2
sleep 1
no_window Tikr || fail "a middle click on the icon showed the window"
xdotool mousemove 500 700

# Bring it back by starting the program again, then uncheck "Show Taskbar
# Icon" (Alt+K) and Hide: icon and window go.
XDG_CONFIG_HOME="$cfg" XDG_STATE_HOME="$cfg/state" XDG_RUNTIME_DIR="$run" timeout 20 "$tikr" >>"$work/later.log" 2>&1 ||
  fail "the later start failed"
wait_for 30 has_window Tikr || fail "the later start did not bring the window back"
activate "$main"
# The check boxes are reached with Tab from the interval field (Alt+V) and
# toggled with Space, which takes effect as the key is handled. (A mnemonic
# toggles its box only a moment later, from a timer, so a key sent after it
# could be handled first when the machine is busy.)
xdotool key --clearmodifiers alt+v Tab Tab space Return
wait_for 30 no_window Tikr || fail "Hide with the icon box unchecked did not hide the window"
wait_for 30 no_icon || fail "Hide with the icon box unchecked did not take the icon away"
grep -qi '^showicon=0' "$cfg/tikr.INI" || fail "Hide did not store the icon setting"
import -window root "$e2e_outdir/tray-gone.png" 2>/dev/null

# Only a later start brings it back now. Change all three settings, then Exit.
XDG_CONFIG_HOME="$cfg" XDG_STATE_HOME="$cfg/state" XDG_RUNTIME_DIR="$run" timeout 20 "$tikr" >>"$work/later.log" 2>&1 ||
  fail "the later start failed"
wait_for 30 has_window Tikr || fail "the later start did not bring the window back"
no_icon || fail "the icon came back by itself"
activate "$main"
xdotool key --clearmodifiers alt+v Tab space Tab space  # hide on start-up, icon on again
xdotool key --clearmodifiers alt+v      # the interval field
xdotool key --clearmodifiers ctrl+a
xdotool type --delay 20 '42'
xdotool key --clearmodifiers alt+x
wait_for 30 eval '! kill -0 '"$app"' 2>/dev/null' || fail "Exit did not end the program"
wait "$app"
status=$?
[ "$status" -eq 0 ] || fail "the program ended with status $status"
for line in HideOnStartup=1 showicon=1 interval=42; do
  grep -qi "^$line\$" "$cfg/tikr.INI" || fail "Exit did not write $line"
done
wait_for 30 no_icon || fail "the icon outlived the program"
pgrep -P $$ -x tikr >/dev/null && fail "a tikr process is left"
compgen -G "$run/*.sock" >/dev/null && fail "the ended program left its socket"

echo "tray: 1 passed, 0 failed"
exit 0
