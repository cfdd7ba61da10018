#!/usr/bin/env bash
# Installs the Debian packages ziv needs to build, run and test; asks apt
# only for what is missing, so a second run does nothing.
set -euo pipefail

packages=(
  # build
  build-essential cmake pkg-config
  # the show: window, sound, decoding, spectrum, dialog
  libsdl2-dev libx11-dev libvorbis-dev libkissfft-dev libimgui-dev libgl-dev libgl1-mesa-dri
  # PNG writing (stb_image_write)
  libstb-dev
  # tests and benchmarks
  libgtest-dev libbenchmark-dev zlib1g-dev
  # headless display tests: a display, a window manager, input, screenshots
  xvfb xauth xdotool x11-utils openbox wmctrl imagemagick
  # sound and video tools used by tests and the offline renderer
  sox vorbis-tools ffmpeg
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
if [ "$(id -u)" -ne 0 ]; then
  command -v sudo >/dev/null || { echo "install-deps: run as root or install sudo (missing: ${missing[*]})" >&2; exit 1; }
  sudo=sudo
fi
echo "install-deps: installing ${missing[*]}" >&2
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
