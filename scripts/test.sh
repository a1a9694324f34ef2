#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what is missing, builds everything and runs every test, headless.
# Usage: scripts/test.sh [build-folder]   (default: build)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$top/build}
"$top/scripts/setup.sh"
cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build" -j2
export QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=dummy
cd "$build"
ctest --output-on-failure --timeout 300
