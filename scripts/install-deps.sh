#!/usr/bin/env bash
# Installs the Debian packages that are missing. Usage:
#   scripts/install-deps.sh run    what building and running the Linux program needs
#   scripts/install-deps.sh test   that, plus everything the tests need: Xvfb and
#                                  tools for the end-to-end runs, a headless Wayland
#                                  compositor with Qt's Wayland plugin, the
#                                  accessibility bus and the Python clients of the
#                                  session bus, the fuzzers, the
#                                  mingw-w64 cross compiler and Wine for the Windows
#                                  program, NSIS and the packaging tools (lintian,
#                                  appstream)
# Runs apt-get only when something is missing; uses sudo when not root.
set -euo pipefail

want=${1:-run}
case "$want" in
  run | test) ;;
  *) echo "usage: $0 run|test" >&2; exit 2 ;;
esac

# Configuring the release preset needs GoogleTest and Google Benchmark too;
# libxcb1-dev serves the X11 startup notification of a window brought forward.
linux=(
  build-essential cmake pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev qt6-base-dev-tools libgl-dev libxcb1-dev
)
tests=(
  xvfb xauth xdotool x11-utils openbox trayer imagemagick desktop-file-utils
  at-spi2-core python3-pyatspi dbus python3-gi
  weston qt6-wayland
  clang clang-format libfuzzer-14-dev libclang-rt-14-dev
  nsis file dpkg-dev lintian appstream
)
# The Windows program's tools, installed without recommended packages:
# Wine's would add a few hundred megabytes of multimedia libraries that no
# test uses. The 64-bit compiler and Wine serve machines whose kernel runs
# no 32-bit programs: there the tests run from the 64-bit build.
windows=(
  g++-mingw-w64-i686 g++-mingw-w64-i686-posix binutils-mingw-w64-i686 googletest
  g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  wine wine32:i386 wine64 fonts-wine
)

sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
export DEBIAN_FRONTEND=noninteractive

missing_of() {
  local p
  for p in "$@"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
      echo "$p"
    fi
  done
}

mapfile -t missing_linux < <(missing_of "${linux[@]}")
missing_tests=()
missing_windows=()
if [ "$want" = test ]; then
  mapfile -t missing_tests < <(missing_of "${tests[@]}")
  mapfile -t missing_windows < <(missing_of "${windows[@]}")
fi
[ $((${#missing_linux[@]} + ${#missing_tests[@]} + ${#missing_windows[@]})) -eq 0 ] && exit 0

# Wine for the 32-bit program comes from the i386 architecture; the Linux
# program never needs it.
if [ ${#missing_windows[@]} -gt 0 ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
  "${sudo_cmd[@]}" dpkg --add-architecture i386
fi
echo "Installing: ${missing_linux[*]} ${missing_tests[*]} ${missing_windows[*]}"

# A mirror in the middle of a sync can serve one index that does not match
# its release file. apt keeps the indexes it had for that one, so the
# install goes on with them; a package they lack fails the install below
# with apt's own message.
if ! "${sudo_cmd[@]}" apt-get update -q; then
  if ! "${sudo_cmd[@]}" apt-get update -q; then
    echo "install-deps: some package indexes could not be refreshed (twice); going on with the indexes apt has"
  fi
fi

install=("${sudo_cmd[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q)
if [ $((${#missing_linux[@]} + ${#missing_tests[@]})) -gt 0 ]; then
  "${install[@]}" "${missing_linux[@]}" "${missing_tests[@]}"
fi

# 32-bit Wine is installed on its own: when the i386 indexes lag the amd64
# ones its libraries cannot match the installed 64-bit ones, and that must
# not keep the other Windows tools out. Without it the Windows tests take
# the 64-bit way (scripts/test-windows.sh).
wine32=()
others=()
for p in "${missing_windows[@]}"; do
  case "$p" in
    *:i386) wine32+=("$p") ;;
    *) others+=("$p") ;;
  esac
done
if [ ${#others[@]} -gt 0 ]; then
  "${install[@]}" --no-install-recommends "${others[@]}"
fi
if [ ${#wine32[@]} -gt 0 ] && ! "${install[@]}" --no-install-recommends "${wine32[@]}"; then
  echo "install-deps: ${wine32[*]} could not be installed; the Windows tests will run the 64-bit build under 64-bit Wine"
fi
