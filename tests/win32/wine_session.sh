# Sourced by the tests of tikr.exe under Wine, after ../e2e/x_session.sh:
# a Wine prefix of the test's own (so that no real profile is touched), its
# processes ended with the test, and the helpers that start and drive
# tikr.exe. TIKR_WINE names the Wine loader (default: wine).
#
# start_wine_session <program>... makes the prefix in a fresh X session and
# copies the programs into $work/bin, tikr.exe first under that name; it
# sets $profile to the profile file of a first start.

wine=${TIKR_WINE:-wine}
skip_without "$wine" wineserver

export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES='mscoree,mshtml='
trap 'wineserver -k </dev/null >/dev/null 2>&1; e2e_cleanup' EXIT

start_wine_session() {
  start_x_session
  "$wine" wineboot -i </dev/null >"$work/wineboot.log" 2>&1 || fail "the Wine prefix could not be made"
  wineserver -w </dev/null >/dev/null 2>&1
  wineserver -p </dev/null >/dev/null 2>&1
  mkdir -p "$work/bin"
  cp "$1" "$work/bin/tikr.exe"
  shift
  local program
  for program in "$@"; do cp "$program" "$work/bin/"; done
  appdata=$(ls -d "$WINEPREFIX"/drive_c/users/*/AppData/Roaming 2>/dev/null | grep -v '/Public/' | head -n 1)
  [ -d "$appdata" ] || fail "the prefix has no application-data folder"
  profile="$appdata/tikr.INI"
}

start_tikr() {
  (cd "$work/bin" && exec "$wine" tikr.exe >>"$work/tikr.log" 2>&1) &
  last_pid=$!
  track "$last_pid"
}
alive() { kill -0 "$1" 2>/dev/null; }
ended() { ! alive "$1"; }
press() {
  activate "$1"
  shift
  xdotool key --clearmodifiers "$@"
}
probe() { (cd "$work/bin" && "$wine" tray_probe.exe "$@" 2>/dev/null | tr -d '\r'); }
