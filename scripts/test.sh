#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite headless.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh
export QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=dummy
cd build
ctest --output-on-failure --parallel "$(nproc)" --timeout 300
