#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The desktop's player controls drive and describe the real program through a real session
# bus (dbus-run-session) and playerctl, on both back-ends: the sample lesson's .wav (the MCI
# back-end) and .mp3 (the streaming one), each with the lesson's .lrc.
# Usage: mpris.sh TESSALY_PROGRAM VOICE_FOLDER
set -euo pipefail
program=$1 voice=$2
if [ -z "${DBUS_SESSION_BUS_ADDRESS:-}" ] || [ -z "${TESSALY_IN_BUS:-}" ]; then
  export TESSALY_IN_BUS=1
  exec dbus-run-session -- "$0" "$@"
fi
work=$(mktemp -d)
pid=
cleanup() {
  [ -n "$pid" ] && kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null || true
  [ -n "${follower:-}" ] && kill "$follower" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
cp "$program" "$work/tessaly"
mkdir -p "$work/lessons"
cp "$voice/样例课文.wav" "$voice/样例课文.mp3" "$voice/样例课文.lrc" "$work/lessons/"
export QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=dummy HOME=$work XDG_DATA_HOME=$work/data \
       XDG_CONFIG_HOME=$work/config XDG_RUNTIME_DIR=$work
failed=0
fail() { echo "FAIL: $*"; failed=1; }
pc() { playerctl -p tessaly "$@" 2>/dev/null || true; }
# Waits up to 20 s for `playerctl status` to say $1.
wait_status() {
  for _ in $(seq 200); do [ "$(pc status)" = "$1" ] && return 0; sleep 0.1; done
  fail "status is '$(pc status)', not $1"
}
# A position in seconds, as a whole number of tenths.
tenths() { awk '{ printf "%d", $1 * 10 }' <<<"$(pc position)"; }

for recording in 样例课文.wav 样例课文.mp3; do
  echo "== $recording"
  "$work/tessaly" "$work/lessons/$recording" &
  pid=$!
  wait_status Playing
  playerctl -p tessaly --follow status >"$work/follow.txt" 2>/dev/null &
  follower=$!
  sleep 0.5
  [ "$(pc metadata xesam:title)" = "样例课文" ] || fail "title: '$(pc metadata xesam:title)'"
  length=$(pc metadata mpris:length)
  [ "$length" -gt 23000000 ] && [ "$length" -lt 24000000 ] || fail "length: '$length'"
  [ "$(pc metadata xesam:url)" = "file://$work/lessons/$(python3 -c 'import sys,urllib.parse;print(urllib.parse.quote(sys.argv[1]))' "$recording")" ] ||
    fail "url: '$(pc metadata xesam:url)'"

  pc play-pause
  wait_status Paused
  paused_at=$(tenths)
  sleep 0.5
  [ "$(tenths)" = "$paused_at" ] || fail "the position moved while paused: $paused_at, then $(tenths)"
  pc play-pause
  wait_status Playing

  # Next: the next sentence of the .lrc (starts 4.56 s, 7.75 s, ...).
  pc position 1
  sleep 0.3
  pc next
  sleep 0.3
  at=$(tenths)
  [ "$at" -ge 45 ] && [ "$at" -le 60 ] || fail "next went to $at tenths, not the second sentence (45)"
  pc previous
  sleep 0.3
  at=$(tenths)
  [ "$at" -le 15 ] || fail "previous went to $at tenths, not the first sentence"
  pc position 12
  sleep 0.3
  at=$(tenths)
  [ "$at" -ge 119 ] && [ "$at" -le 135 ] || fail "position 12 went to $at tenths"
  pc position 10-
  sleep 0.3
  at=$(tenths)
  [ "$at" -ge 19 ] && [ "$at" -le 35 ] || fail "10 s back went to $at tenths"

  pc stop
  wait_status Stopped
  pc play
  wait_status Playing
  sleep 0.5
  kill "$follower"
  follower=
  # Every change of state was told as it happened (PropertiesChanged), none missed.
  expected=$'Playing\nPaused\nPlaying\nStopped\nPlaying'
  [ "$(uniq "$work/follow.txt")" = "$expected" ] || fail "changes told: $(tr '\n' ' ' <"$work/follow.txt")"
  kill "$pid"
  wait "$pid" 2>/dev/null || true
  pid=
done
[ "$failed" = 0 ] && echo "mpris: all passed"
exit "$failed"
