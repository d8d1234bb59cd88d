#!/usr/bin/env bash
# Builds the Debian package from an installed-ready build folder and checks
# its name, its control fields and that it holds the program, the menu
# entry, the icons, the AppStream metadata, the manual page, the copyright
# file and the changelog; lintian reports no error and no warning, and the
# metadata passes appstreamcli. Usage: check_deb.sh BUILD_DIR VERSION
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
             '-rw-r--r-- ./usr/share/metainfo/invalid.tikr.tikr.metainfo.xml' \
             '-rw-r--r-- ./usr/share/man/man1/tikr.1.gz' \
             '-rw-r--r-- ./usr/share/doc/tikr/copyright' \
             '-rw-r--r-- ./usr/share/doc/tikr/changelog.gz'; do
  grep -qxF -- "$entry" <<<"$contents" || fail "missing '$entry' in: $contents"
done
# The program writes the autostart entry itself: no example to copy.
if grep -q 'autostart' <<<"$contents"; then fail "an autostart file in the package: $contents"; fi
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
# What Debian's checker says of the package: nothing to mend. Its notes (I:)
# and its own remark about running as root are not findings.
command -v lintian >/dev/null || fail "lintian is not installed (scripts/install-deps.sh test)"
lintian --fail-on none "$deb" >"$work/lintian.log" 2>&1 || fail "lintian did not run: $(cat "$work/lintian.log")"
if grep -E '^[EW]: ' "$work/lintian.log"; then fail "lintian reports errors or warnings"; fi
command -v appstreamcli >/dev/null || fail "appstreamcli is not installed (scripts/install-deps.sh test)"
appstreamcli validate --no-net "$work/root/usr/share/metainfo/invalid.tikr.tikr.metainfo.xml" >"$work/appstream.log" 2>&1 ||
  { cat "$work/appstream.log"; fail "the AppStream metadata is not valid"; }
echo "ok: $(basename "$deb")"
