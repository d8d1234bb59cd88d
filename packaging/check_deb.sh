#!/usr/bin/env bash
# Builds the Debian package from an installed-ready build folder and checks
# its name, its control fields and that it holds the program, the menu
# entry and the icons. Usage: check_deb.sh BUILD_DIR VERSION
set -euo pipefail
build=$(cd "$1" && pwd) version=$2
work=$build/package-check/deb
rm -rf "$work"
mkdir -p "$work"
fail() { echo "FAIL: $*" >&2; exit 1; }

cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work" >"$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log"; fail "cpack failed"; }
deb=$work/tikr_${version}_$(dpkg --print-architecture).deb
[ -f "$deb" ] || fail "no $deb; made: $(ls "$work")"

info=$(dpkg-deb -I "$deb")
grep -qx ' Package: tikr' <<<"$info" || fail "package name: $info"
grep -qx " Version: $version" <<<"$info" || fail "version: $info"
grep -q '^ Depends: .*libqt6widgets6' <<<"$info" || fail "Qt not among the dependencies: $info"
grep -q '^ Recommends: .*qt6-wayland' <<<"$info" || fail "Qt's Wayland plugin not recommended: $info"

contents=$(dpkg-deb -c "$deb" | awk '{print $1 " " $NF}')
for entry in '-rwxr-xr-x ./usr/bin/tikr' \
             '-rw-r--r-- ./usr/share/applications/tikr.desktop' \
             '-rw-r--r-- ./usr/share/icons/hicolor/scalable/apps/tikr.svg' \
             '-rw-r--r-- ./usr/share/icons/hicolor/48x48/apps/tikr.png' \
             '-rw-r--r-- ./usr/share/doc/tikr/tikr-autostart.desktop'; do
  grep -qxF -- "$entry" <<<"$contents" || fail "missing '$entry' in: $contents"
done
# Only the program's own files: nothing outside /usr, no build leftovers.
if grep -v ' ./usr/' <<<"$contents" | grep -q .; then fail "files outside /usr: $contents"; fi
# The menu entry as installed: valid, with launch feedback (a later start
# hands the launcher's token to the running Tikr) and one main window.
dpkg-deb -x "$deb" "$work/root"
entry=$work/root/usr/share/applications/tikr.desktop
if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$entry" || fail "desktop-file-validate: $entry"
fi
grep -qx 'StartupNotify=true' "$entry" || fail "no StartupNotify=true in $entry"
grep -qx 'X-GNOME-SingleWindow=true' "$entry" || fail "no single-window key in $entry"
echo "ok: $(basename "$deb")"
