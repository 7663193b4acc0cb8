#!/usr/bin/env bash
# Installs the Debian packages Loftwell needs to build, run, test and package
# it and to check its formatting, and only those that are missing, so a second
# run costs one dpkg query.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config clang-format
  qt6-base-dev qt6-base-dev-tools libgl-dev libfontconfig-dev
  qt6-translations-l10n
  libgtest-dev libgmock-dev
  fonts-dejavu-core fonts-noto-cjk fonts-inter
  libxxhash-dev desktop-file-utils libfuse3-dev
  trash-cli util-linux strace xauth xvfb dbus-daemon python3-dbusmock
  at-spi2-core python3-pyatspi openbox xdotool
  exfat-fuse exfatprogs fusefat dosfstools ntfs-3g xfsprogs
  dpkg-dev lintian appstream python3-nautilus
  liburing-dev
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
echo "Installing: ${missing[*]}" >&2
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >&2
