#!/usr/bin/env bash
# scripts/install-deps.sh against stand-ins for apt-get, dpkg and dpkg-query
# on PATH, the way an unreliable package mirror answers: an index refresh
# that fails every time, an install of 32-bit Wine that apt cannot resolve,
# and an install of a needed package that fails.
# Usage: install_deps_test.sh SOURCE_DIR
set -u
src=${1:?source directory}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/bin"

# Nothing is installed and no foreign architecture is added yet; dpkg
# logs what it is asked to do.
cat >"$work/bin/dpkg-query" <<'STAND_IN'
#!/bin/sh
exit 1
STAND_IN
cat >"$work/bin/dpkg" <<'STAND_IN'
#!/bin/sh
echo "dpkg $*" >>"$LOG"
exit 0
STAND_IN
# Logs every call; fails the calls the case names in FAIL ("update",
# "wine32" for an install that asks for wine32:i386, "linux" for one that
# asks for cmake).
cat >"$work/bin/apt-get" <<'STAND_IN'
#!/bin/sh
echo "apt-get $*" >>"$LOG"
case "$*" in
  *update*) case "$FAIL" in *update*) echo "E: Some index files failed to download." >&2; exit 100 ;; esac ;;
  *wine32:i386*) case "$FAIL" in *wine32*) echo "E: Unable to correct problems, you have held broken packages." >&2; exit 100 ;; esac ;;
  *" cmake "*) case "$FAIL" in *linux*) echo "E: Unable to locate package cmake" >&2; exit 100 ;; esac ;;
esac
exit 0
STAND_IN
printf '#!/bin/sh\nexec "$@"\n' >"$work/bin/sudo"
chmod +x "$work/bin/"*

# Each row: what the script is asked for | what fails | exit status wanted |
# lines of its own wanted | patterns its log of calls must hold (! for must not).
cases=(
  "test|update|0|1|install .* cmake .* xvfb |install .*mingw.*wine64|install .*wine32:i386"
  "test|wine32|0|1|install .* cmake .* xvfb |install .*g\+\+-mingw-w64-i686 .*wine64 fonts-wine$|install .*wine32:i386$"
  "test|update wine32|0|2|install .* cmake |install .*wine64 fonts-wine$"
  "test|linux|100|0|install .* cmake |!wine"
  "run|update|0|1|install .* cmake |!add-architecture|!xvfb"
)
failures=0
for row in "${cases[@]}"; do
  IFS='|' read -r want fail want_status want_said patterns <<<"$row"
  : >"$work/log"
  PATH="$work/bin:$PATH" LOG="$work/log" FAIL="$fail" \
    bash "$src/scripts/install-deps.sh" "$want" >"$work/out" 2>&1
  status=$?
  said=$(grep -c '^install-deps: ' "$work/out")
  wrong=
  [ "$status" -eq "$want_status" ] || wrong="$wrong status $status (want $want_status);"
  [ "$said" -eq "$want_said" ] || wrong="$wrong $said lines of its own (want $want_said);"
  [ "$fail" != update ] || [ "$(grep -c '^apt-get update' "$work/log")" -eq 2 ] || wrong="$wrong the refresh not tried twice;"
  IFS='|' read -ra wanted <<<"$patterns"
  for p in "${wanted[@]}"; do
    if [ "${p#!}" != "$p" ]; then
      ! grep -qE -- "${p#!}" "$work/log" || wrong="$wrong asked for ${p#!};"
    else
      grep -qE -- "$p" "$work/log" || wrong="$wrong no call matching '$p';"
    fi
  done
  if [ -n "$wrong" ]; then
    echo "FAIL install-deps.sh $want with $fail failing:$wrong"
    sed 's/^/  said: /' "$work/out"
    sed 's/^/  call: /' "$work/log"
    failures=$((failures + 1))
  else
    echo "ok   install-deps.sh $want with $fail failing"
  fi
done
[ "$failures" -eq 0 ]
