#!/usr/bin/env bash
# Installs the Debian 12 packages the program needs to build, run and test, skipping what is there.
# clang with its runtime (libFuzzer, sanitizers) and llvm (llvm-symbolizer) are for the fuzz targets.
# Test only: openbox and icewm, xdotool and x11-utils (xprop) run the program under window managers on Xvfb.
set -euo pipefail
packages=(cmake ninja-build g++ pkg-config qt6-base-dev libfluidsynth-dev timgm6mb-soundfont
          libsndfile1-dev libsdl2-dev fonts-arphic-uming fonts-wqy-microhei python3-fontforge
          libgtest-dev libbenchmark-dev xvfb xauth qt6-translations-l10n
          openbox icewm xdotool x11-utils
          clang libclang-rt-14-dev llvm)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get update
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y --no-install-recommends "${missing[@]}"
fi
