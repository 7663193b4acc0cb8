#!/usr/bin/env bash
# Builds the Debian package, has lintian and appstreamcli check it, unpacks
# it into a scratch folder the way dpkg would install it, and checks that it
# holds everything and that both programs start from it.
#   package_test.sh BUILD_DIR
set -euo pipefail
build="$1"
source_dir="$(cd "$(dirname "$0")/../.." && pwd)"
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT

cd "$build"
rm -f loftwell_*.deb
cpack >/dev/null
deb=$(ls loftwell_*.deb)
depends=$(dpkg-deb -f "$deb" Depends)
# dpkg-shlibdeps puts in the versions the programs were linked against; the
# platform plugin is loaded at run time, so it is named by hand.
for needed in 'libc6 (>= ' 'libqt6core6 (>= ' 'libqt6gui6 (>= ' 'libqt6widgets6 (>= ' qt6-qpa-plugins; do
  grep -qF "$needed" <<<"$depends" || { echo "Depends lacks $needed: $depends"; exit 1; }
done

# No error and no warning, in the sanitizer build too. What lintian still
# shows is information only: the .comment section plain strip keeps, and no
# bindnow or fortify build flags.
lintian --fail-on error,warning "$deb" || { echo "lintian finds fault with $deb"; exit 1; }

dpkg-deb -x "$deb" "$scratch/root"
root="$scratch/root/usr"
metainfo="$root/share/metainfo/example.c_seed_1416677d.loftwell.metainfo.xml"
for file in bin/loftwell bin/loftwell-cli share/applications/loftwell.desktop \
            share/icons/hicolor/48x48/apps/loftwell.png share/icons/hicolor/256x256/apps/loftwell.png \
            share/doc/loftwell/copyright share/doc/loftwell/changelog.gz "${metainfo#$root/}"; do
  [ -e "$root/$file" ] || { echo "missing from the package: /usr/$file"; exit 1; }
done
# lintian does not parse the copyright file of a binary package.
[ "$(head -1 "$root/share/doc/loftwell/copyright")" = 'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' ] \
  || { echo "/usr/share/doc/loftwell/copyright is not in the machine-readable format"; exit 1; }
# The man pages, compressed, as they are now in docs/.
for page in loftwell.1 loftwell-cli.1; do
  gzip -dc "$root/share/man/man1/$page.gz" | cmp -s - "$source_dir/docs/$page" \
    || { echo "/usr/share/man/man1/$page.gz is missing or not docs/$page"; exit 1; }
done
# The metainfo, and that the desktop entry it launches is in the package.
appstreamcli validate-tree --no-net "$scratch/root"
# A new version needs its release in the metainfo as well.
grep -q "<release version=\"$(dpkg-deb -f "$deb" Version)\"" "$metainfo" \
  || { echo "the metainfo has no release for this version"; exit 1; }
if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$root/share/applications/loftwell.desktop"
fi
grep -q '^Categories=Utility;FileTools;$' "$root/share/applications/loftwell.desktop"
# Started with the items chosen in a file manager, and no MIME type claimed.
grep -q '^Exec=loftwell %F$' "$root/share/applications/loftwell.desktop"
if grep -q '^MimeType=' "$root/share/applications/loftwell.desktop"; then
  echo "loftwell.desktop claims a MIME type"; exit 1
fi
menu="$root/share/kio/servicemenus/loftwell-move-to-drive.desktop"
[ -e "$menu" ] || { echo "missing from the package: the Dolphin service menu"; exit 1; }
if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$menu"
fi
grep -q '^Exec=loftwell %F$' "$menu"
grep -q '^Name\[zh_CN\]=移到外部驱动器…$' "$menu"
grep -q '^Name\[zh_CN\]=' "$root/share/applications/loftwell.desktop"
# GNOME Files' extension and Nemo's action, as they are in packaging/.
cmp -s "$root/share/nautilus-python/extensions/loftwell_move_to_drive.py" "$source_dir/packaging/nautilus/loftwell_move_to_drive.py" \
  || { echo "missing from the package: the GNOME Files extension"; exit 1; }
cmp -s "$root/share/nemo/actions/loftwell-move-to-drive.nemo_action" "$source_dir/packaging/loftwell-move-to-drive.nemo_action" \
  || { echo "missing from the package: the Nemo action"; exit 1; }
dpkg-deb -f "$deb" Recommends | grep -q 'python3-nautilus' || { echo "the package does not recommend python3-nautilus"; exit 1; }

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
