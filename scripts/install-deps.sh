#!/usr/bin/env bash
# Installs the Debian packages Tamlix needs to build, run and test, and only
# those that are missing; prints nothing when everything is already there.
set -euo pipefail

packages=(
  cmake g++ make pkg-config
  libwxgtk3.2-dev libgtk-3-dev libturbojpeg0-dev libfontconfig-dev
  libgtest-dev libcli11-dev
  xvfb xauth fonts-ipafont-gothic
  libcairo2-dev poppler-utils
  clang libclang-rt-14-dev
  libexpat1-dev zlib1g-dev libbrotli-dev
  xdotool dpkg-dev
  libimage-exiftool-perl libheif-examples libavif-bin webp ffmpeg imagemagick libjxl-tools img2pdf
  zip unzip libjxr-tools
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq >/dev/null
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
