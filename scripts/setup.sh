#!/usr/bin/env bash
# Installs what building, running and testing Kvilmar needs on Debian 12,
# and the packages named as arguments. Idempotent and quiet when everything
# is already there.
set -euo pipefail

packages=(
  build-essential cmake pkg-config zlib1g-dev
  qt6-base-dev qt6-base-dev-tools qt6-translations-l10n libgl-dev libx11-dev
  libreoffice-writer libreoffice-calc libreoffice-dev
  clang clang-format libclang-rt-14-dev
  xvfb xauth x11-utils imagemagick
  openbox xdotool x11-xserver-utils python3-uno
  fonts-dejavu-core fonts-liberation
  librsvg2-bin dpkg-dev file desktop-file-utils shared-mime-info appstream libxml2-utils man-db lintian
  poppler-utils
  "$@"
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "setup: installing ${missing[*]}"
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq "${missing[@]}" >/dev/null
