#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what is missing, builds everything and runs every test, headless.
# Usage: scripts/test.sh [build-folder]   (default: build)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$top/build}
"$top/scripts/setup.sh"
# Warnings are errors where TESSALY_WERROR=ON says so (CI does), not for everyone.
cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTESSALY_WERROR="${TESSALY_WERROR:-OFF}"
cmake --build "$build" -j2
export QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=dummy
cd "$build"
ctest --output-on-failure --timeout 300
