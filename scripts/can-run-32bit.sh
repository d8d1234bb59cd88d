#!/usr/bin/env bash
# Tells whether this machine can run 32-bit x86 Linux programs, and so
# 32-bit Wine: exits 0 when it can; otherwise prints why on one line and
# exits 1. A 64-bit kernel built without IA32 emulation refuses every 32-bit
# program ("Exec format error"). Each try has a time limit, so the probe
# never hangs. TIKR_WINE32 names the 32-bit Wine loader (default: Debian's).
set -u
loader=/lib/ld-linux.so.2
wine32=${TIKR_WINE32:-/usr/lib/wine/wine}

# Runs a program from bash, which names a program the kernel refuses (other
# runners would take it for a shell script); on failure, reason holds the
# last line it printed.
tried() {
  local out status
  out=$(timeout 20 bash -c '"$@"' probe "$@" 2>&1 </dev/null)
  status=$?
  [ "$status" -eq 0 ] && return 0
  [ "$status" -eq 124 ] && out="no answer within 20 s"
  reason=$(printf '%s\n' "$out" | sed -e '/^[[:space:]]*$/d' -e 's/^probe: line [0-9]*: //' | tail -n 1)
  reason="$* fails: ${reason:-exit status $status}"
  return 1
}

[ -e "$loader" ] || { echo "no 32-bit C library ($loader is missing)"; exit 1; }
tried "$loader" --help || { echo "$reason"; exit 1; }
[ -x "$wine32" ] || { echo "32-bit Wine is not installed ($wine32 is missing)"; exit 1; }
tried "$wine32" --version || { echo "$reason"; exit 1; }
exit 0
