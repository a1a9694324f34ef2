#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# What a screen reader hears of the real program, through the real accessibility bus: a
# private session bus and AT-SPI bus, the program on an X server (Xvfb; the offscreen
# platform has no accessibility bridge), read and driven by a11y.py (pyatspi, xdotool).
# Usage: a11y.sh TESSALY_PROGRAM VOICE_FOLDER
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
if [ "${1:-}" != --inside ]; then
  # Settings in memory: turning accessibility on must not reach a dconf file. -noreset: Xvfb
  # would reset when its last client leaves, and the program could not connect.
  export GSETTINGS_BACKEND=memory
  exec timeout 150 xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" dbus-run-session -- "$0" --inside "$@"
fi
shift
program=$1 voice=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$program" "$work/tessaly"
mkdir -p "$work/lessons"
cp "$voice/样例课文.mp3" "$voice/样例课文.lrc" "$work/lessons/"
/usr/libexec/at-spi-bus-launcher --launch-immediately &
for _ in $(seq 200); do
  gdbus call --session --dest org.freedesktop.DBus --object-path /org/freedesktop/DBus \
    --method org.freedesktop.DBus.NameHasOwner org.a11y.Bus 2>/dev/null | grep -q true && break
  sleep 0.05
done
export SDL_AUDIODRIVER=dummy HOME=$work XDG_DATA_HOME=$work/data XDG_CONFIG_HOME=$work/config \
       XDG_RUNTIME_DIR=$work QT_QPA_PLATFORM=xcb QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
exec /usr/bin/python3 "$here/a11y.py" "$work/tessaly" "$work/lessons/样例课文.mp3" "$work/data/tessaly/practice.sqlite3"
