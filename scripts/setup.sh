#!/usr/bin/env bash
# Installs the Debian packages that building and testing Orvane need.
# Idempotent and quiet when everything is present; works as root or
# through sudo.
set -euo pipefail

packages=(
  cmake ninja-build pkg-config g++ clang libclang-rt-14-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  libzip-dev zip
  libavformat-dev libavcodec-dev libavutil-dev
  libssl-dev libblkid-dev libsqlite3-dev libplist-dev
  libcli11-dev nlohmann-json3-dev libcurl4-openssl-dev
  # the engine decodes found JPEGs to join pictures written in two pieces
  libjpeg-dev
  qt6-base-dev qt6-multimedia-dev qt6-svg-dev libheif-dev
  # the engine's tests make their sample files with these
  imagemagick ffmpeg 7zip
  # OLE2 compound documents (gsf createole), MIDI files (abc2midi), EXIF
  # thumbnails (exiftool)
  libgsf-bin abcmidi libimage-exiftool-perl
  # HEIF and AVIF samples; FAT and exFAT card images built without mounting
  libheif-examples dosfstools exfatprogs mtools
  # the partition table of raw card images
  parted
  # the feedback mail tests run a real SMTP server with a certificate they make
  python3-aiosmtpd openssl
  # screenshots of the app under a window manager (Xvfb, a window manager, clicks)
  xvfb openbox xdotool
)

missing=()
for package in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$package")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

if [[ $(id -u) -eq 0 ]]; then
  as_root=()
elif command -v sudo >/dev/null; then
  as_root=(sudo)
else
  echo "setup: these packages are missing and neither root nor sudo is available: ${missing[*]}" >&2
  exit 1
fi

echo "setup: installing ${missing[*]}" >&2
export DEBIAN_FRONTEND=noninteractive
"${as_root[@]}" apt-get update -qq
"${as_root[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
