#!/usr/bin/env bash
# Installs the Debian packages ziv needs to build, run and test; asks apt
# only for what is missing, so a second run does nothing.
set -euo pipefail

packages=(
  # build
  build-essential cmake pkg-config
  # the show: window, sound, decoding, spectrum, dialog
  libsdl2-dev libx11-dev libvorbis-dev libkissfft-dev
  libavformat-dev libavcodec-dev libswresample-dev libavutil-dev libpulse-dev libimgui-dev libgl-dev libgl1-mesa-dri
  # the GStreamer plugin (gst/), and the tools, elements and Python bindings its tests run
  libgstreamer1.0-dev libgstreamer-plugins-base1.0-dev gstreamer1.0-tools gstreamer1.0-plugins-base
  gstreamer1.0-plugins-good python3-gst-1.0
  # PNG writing (stb_image_write, deflated by zlib)
  libstb-dev zlib1g-dev
  # tests and benchmarks
  libgtest-dev libbenchmark-dev zlib1g-dev
  # headless display tests: a display, a window manager, input, screenshots
  xvfb xauth xdotool x11-utils openbox wmctrl imagemagick
  # sound and video tools used by tests and the offline renderer
  sox vorbis-tools ffmpeg
  # the music corpus' onset rates (tools/corpus/table.sh: aubioonset)
  aubio-tools
  # coverage-guided fuzzing (scripts/fuzz.sh): clang's libFuzzer and sanitizer runtimes
  clang-14 libclang-rt-14-dev
  # a sound server of its own for the test of ziv-play --listen
  pulseaudio pulseaudio-utils
  # the Debian package (scripts/package.sh) and its checks
  dpkg-dev lintian desktop-file-utils appstream groff-base gzip librsvg2-bin
  # the show as a web page (scripts/web.sh) and its tests in a real browser
  emscripten chromium curl
)

# The browser tests drive chromium through npm's puppeteer-core (pinned in
# tests/web/package-lock.json; it downloads no browser).
install_browser_driver() {
  local dir
  dir="$(cd "$(dirname "$0")/.." && pwd)/tests/web"
  [ -d "$dir/node_modules/puppeteer-core" ] && return 0
  command -v npm >/dev/null || { echo "install-deps: npm is missing: the browser tests will be skipped" >&2; return 0; }
  echo "install-deps: installing the browser tests' driver (npm ci in tests/web)" >&2
  (cd "$dir" && npm ci --no-audit --no-fund --loglevel=error) \
    || echo "install-deps: npm ci failed: the browser tests will be skipped" >&2
}

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
if [ ${#missing[@]} -eq 0 ]; then
  install_browser_driver
  exit 0
fi

sudo=""
if [ "$(id -u)" -ne 0 ]; then
  command -v sudo >/dev/null || { echo "install-deps: run as root or install sudo (missing: ${missing[*]})" >&2; exit 1; }
  sudo=sudo
fi
echo "install-deps: installing ${missing[*]}" >&2
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
install_browser_driver
