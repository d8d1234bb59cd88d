#!/usr/bin/env bash
# The real program on large profiles, in a private X session, for one or
# more builds side by side (each round starts every build in turn, so that
# the load of a busy machine falls on all of them alike):
#  - start to main window shown, with 100, 10,000 and 100,000 tasks of every
#    kind (a start stores the interval tasks' new next runs: one write);
#  - Escape to the program's end on a damaged file naming 100,000 tasks (the
#    end stores everything pending in one write);
#  - "--list" of 100,000 tasks: time and peak memory (/usr/bin/time -v).
# Prints the median of the rounds for each figure and build.
# TIKR_BENCH_COUNTS="100 10000" measures only the starts with those task
# counts (no damaged file, no listing).
#
# Usage: bench/start_bench.sh [-r rounds] <name>=<tikr executable>...
set -uo pipefail

rounds=5
if [ "${1:-}" = "-r" ]; then
  rounds=$2
  shift 2
fi
[ $# -ge 1 ] || { echo "usage: $0 [-r rounds] name=tikr..." >&2; exit 2; }
e2e_name=start-bench
e2e_outdir=$(mktemp -d /tmp/tikr-start-bench.XXXXXX)
source "$(dirname "$0")/../tests/e2e/x_session.sh"
start_x_session
[ -x /usr/bin/time ] || fail "/usr/bin/time is not installed"

# profile <tasks> <file>: tasks of the four timing rules, half of them
# programs, about 170 bytes each, none due today.
profile() {
  awk -v n="$1" 'BEGIN {
    printf "[Settings]\ninterval=600\nshowicon=0\nHideOnStartup=0\nNumApps=%d\n", n
    split("Daily Weekly Monthly Interval", kinds, " ")
    for (i = 1; i <= n; i++) {
      printf "\n[App%d]\ntitle=Task number %d\nDisabled=0\n", i, i
      if (i % 2) printf "Task=Application\ncommand=/usr/bin/true --task %d\nshow=5\n", i
      else printf "Task=Message\nMessage=Message\n"
      k = kinds[(i - 1) % 4 + 1]
      printf "type=%s\nwhen=%02d:%02d\nRunMissedOnStartup=Yes\nNextAt=01-Jan-2099 08:00:00\n", k, i % 24, i % 60
      if (k == "Daily") printf "SkipDays=1000001\n"
      if (k == "Weekly") printf "DayOfWeek=%d\n", i % 7
      if (k == "Monthly") printf "Date=%d\n", 1 + i % 28
    }
  }' >"$2"
}

now_ns() { date +%s%N; }
shown_now() { [ -n "$(xdotool search --onlyvisible --name '^Tikr$' 2>/dev/null)" ]; }

# one_start <tikr> <profile>: sets shown_ms (start to window shown), cpu_ms
# (the processor time the program took until then, which a busy machine
# disturbs less) and end_ms (Escape to the program's end).
one_start() {
  local dir=$work/run-$RANDOM t0 t1 deadline
  mkdir -p "$dir/cfg" "$dir/run"
  chmod 700 "$dir/run"
  cp "$2" "$dir/cfg/tikr.INI"
  t0=$(now_ns)
  XDG_CONFIG_HOME="$dir/cfg" XDG_STATE_HOME="$dir/state" XDG_RUNTIME_DIR="$dir/run" "$1" >"$dir/log" 2>&1 &
  app=$!
  track "$app"
  deadline=$((SECONDS + 120))
  until shown_now; do [ $SECONDS -ge $deadline ] && fail "no window from $1"; done
  t1=$(now_ns)
  shown_ms=$(((t1 - t0) / 1000000))
  local stat
  stat=$(cat "/proc/$app/stat")
  stat=${stat##*) }
  set -- $stat
  cpu_ms=$(((${12} + ${13}) * 1000 / $(getconf CLK_TCK)))
  activate "$(window_id Tikr)"
  t0=$(now_ns)
  xdotool key --clearmodifiers Escape
  while kill -0 "$app" 2>/dev/null; do sleep 0.01; done
  t1=$(now_ns)
  end_ms=$(((t1 - t0) / 1000000))
  wait "$app"
  rm -rf "$dir"
}

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

declare -A figures
record() { figures["$1"]+="$2 "; }

counts=${TIKR_BENCH_COUNTS:-100 10000 100000}
for count in $counts 100000; do profile "$count" "$work/p$count.INI"; done
printf '[Settings]\nNumApps=100000\n' >"$work/damaged.INI"
for count in $counts; do
  echo "profile of $count tasks: $(stat -c %s "$work/p$count.INI") bytes"
done

for ((round = 1; round <= rounds; round++)); do
  for build in "$@"; do
    name=${build%%=*}
    tikr=${build#*=}
    for count in $counts; do
      one_start "$tikr" "$work/p$count.INI"
      record "$name shown $count" "$shown_ms"
      record "$name shown-cpu $count" "$cpu_ms"
      record "$name end $count" "$end_ms"
    done
    [ -z "${TIKR_BENCH_COUNTS:-}" ] || continue
    one_start "$tikr" "$work/damaged.INI"
    record "$name shown damaged" "$shown_ms"
    record "$name end damaged" "$end_ms"
    dir=$work/list
    mkdir -p "$dir/cfg"
    cp "$work/p100000.INI" "$dir/cfg/tikr.INI"
    XDG_CONFIG_HOME="$dir/cfg" XDG_STATE_HOME="$dir/state" XDG_RUNTIME_DIR="$dir/run" \
      /usr/bin/time -v "$tikr" --list >/dev/null 2>"$work/time.txt"
    record "$name list-seconds 100000" "$(awk -F': ' '/Elapsed/ { n = split($2, p, ":"); s = 0; for (i = 1; i <= n; i++) s = s * 60 + p[i]; print s }' "$work/time.txt")"
    record "$name list-maxrss-kB 100000" "$(awk -F': ' '/Maximum resident/ { print $2 }' "$work/time.txt")"
  done
done

printf '%s\n' "${!figures[@]}" | sort | while read -r key; do
  values=${figures[$key]}
  echo "$key: median $(printf '%s\n' $values | median) (of: $values)"
done
