#!/usr/bin/env bash
# Builds the Debian package, unpacks it into a scratch folder the way dpkg
# would install it, and checks that it holds everything and that both
# programs start from it.
#   package_test.sh BUILD_DIR
set -euo pipefail
build="$1"
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT

cd "$build"
rm -f loftwell_*.deb
cpack >/dev/null
deb=$(ls loftwell_*.deb)
depends=$(dpkg-deb -f "$deb" Depends)
for needed in libqt6core6 libqt6gui6 libqt6widgets6 qt6-qpa-plugins; do
  grep -q "$needed" <<<"$depends" || { echo "Depends lacks $needed: $depends"; exit 1; }
done
dpkg-deb -x "$deb" "$scratch/root"
root="$scratch/root/usr"
for file in bin/loftwell bin/loftwell-cli share/applications/loftwell.desktop \
            share/icons/hicolor/48x48/apps/loftwell.png share/icons/hicolor/256x256/apps/loftwell.png \
            share/man/man1/loftwell-cli.1; do
  [ -e "$root/$file" ] || { echo "missing from the package: /usr/$file"; exit 1; }
done
if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$root/share/applications/loftwell.desktop"
fi
grep -q '^Categories=Utility;FileTools;$' "$root/share/applications/loftwell.desktop"
grep -q '^Name\[zh_CN\]=' "$root/share/applications/loftwell.desktop"

"$root/bin/loftwell-cli" --version | grep -q '^loftwell-cli '
"$root/bin/loftwell" --version | grep -q '^loftwell '
mkdir -p "$scratch/Downloads"
head -c 22000000 /dev/zero > "$scratch/Downloads/disk.iso"
LANG=C "$root/bin/loftwell-cli" scan "$scratch/Downloads" | grep -q "disk.iso	Downloads	Installer"

# The window starts from the package and quits cleanly on SIGTERM.
QT_QPA_PLATFORM=offscreen HOME="$scratch" "$root/bin/loftwell" &
pid=$!
sleep 2
kill -TERM "$pid"
wait "$pid"
echo "package: $deb; Depends: $depends"
echo "1 passed, 0 failed"
