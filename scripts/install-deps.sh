#!/usr/bin/env bash
# Installs what building, testing and benchmarking orvane needs, from Debian's
# packages. Does nothing when everything is there; uses sudo only when not root.
#
#   scripts/install-deps.sh           build, tests, benchmarks
#   scripts/install-deps.sh --bench   also what only the end-to-end figures
#                                     need (bench/e2e/run-figures.sh): Python,
#                                     and Chromium to compare memory with
set -euo pipefail

packages=(
  # build
  build-essential cmake ninja-build pkg-config git
  # libraries of the program
  libcurl4-openssl-dev libasio-dev libgtk-3-dev libwebkit2gtk-4.1-dev
  libayatana-appindicator3-dev libdbus-1-dev libx11-dev libxext-dev
  libglib2.0-dev libxss-dev
  # tests, test fixtures and the demo server (node runs the demo page's tests,
  # tsc checks the page's TypeScript declarations)
  libgtest-dev libgmock-dev libcpp-httplib-dev nlohmann-json3-dev nodejs
  node-typescript
  xvfb xauth x11-utils x11-xserver-utils xdotool dbus-daemon dbus-x11 openbox
  # a desktop of several monitors (X.Org with the dummy driver) and a CJK font
  xserver-xorg-core xserver-xorg-video-dummy fonts-droid-fallback
  # fuzzing (clang's libFuzzer and sanitizer run time)
  clang libclang-rt-14-dev
  # benchmarks and the libraries they compare against
  libbenchmark-dev rapidjson-dev libspdlog-dev
)
if [[ "${1:-}" == "--bench" ]]; then
  packages+=(python3 chromium)
fi

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$p")
done

if ((${#missing[@]} == 0)); then
  exit 0
fi

sudo=()
if [[ $(id -u) -ne 0 ]]; then
  if ! command -v sudo > /dev/null; then
    echo "missing: ${missing[*]}; run this as root to install them (there is no sudo)" >&2
    exit 1
  fi
  sudo=(sudo)
fi

echo "installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
