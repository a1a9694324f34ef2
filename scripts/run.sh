#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what is missing, builds the program and starts it.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=$top/build
"$top/scripts/setup.sh"
cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build" -j2 --target tessaly
exec "$build/src/tessaly" "$@"
