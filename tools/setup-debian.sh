#!/usr/bin/env bash
# Installs what building, running and testing Talvoro needs on Debian 12, skipping what is there.
# Usage: tools/setup-debian.sh [run|test|bench]
#   run: build and start the basket; test: build and run every test; bench: the tests and the
#   programs the benchmarks compare with
set -euo pipefail

what=${1:-test}

run_packages=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev libxcb1-dev libespeak-ng-dev espeak-ng-data
  qt6-webengine-dev libgl1-mesa-dri python3
  libpulse-dev libasound2-dev libsonic-dev libicu-dev
  rime-data-terra-pinyin rime-data-pinyin-simp unicode-data opencc
  fonts-noto-cjk xdg-utils
  xvfb openbox x11-utils
  scdoc
)
test_packages=(
  "${run_packages[@]}"
  libgtest-dev python3 espeak-ng ccache
  pulseaudio pulseaudio-utils
  xdotool xclip imagemagick libxcb-xtest0-dev
  clang libclang-rt-14-dev clang-format-14
  dpkg-dev desktop-file-utils file debootstrap lintian appstream
  g++-mingw-w64-i686 g++-mingw-w64-x86-64 wine64
)

bench_packages=(
  "${test_packages[@]}"
  espeak-ng speech-dispatcher speech-dispatcher-espeak-ng
)

case $what in
  run) wanted=("${run_packages[@]}") ;;
  bench) wanted=("${bench_packages[@]}") ;;
  *) wanted=("${test_packages[@]}") ;;
esac

missing=()
for p in "${wanted[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "setup: everything needed is installed"
  exit 0
fi

echo "setup: installing ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo=sudo
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
