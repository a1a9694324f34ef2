#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The house's walls, read from the includes of src/:
# - a toolkit's header (Qt, FFmpeg, SDL2, Rubber Band, SoundTouch, libespeak-ng, SQLite, aubio)
#   is included only by the windows (qt/), the audio engine (audio/), a room's face on the
#   engine (*/engine/), the pitch tracker (pitch/Pitch.cpp) and the program's start
#   (Program.*, main.cpp); SQLite's alone, by the record's store (store/) too;
# - the engine includes nothing of the rooms but the device contracts (playback/) and the
#   timer (ui/);
# - a room's logic never includes a face on the engine: only other faces, the windows, the
#   program's start and the command-line mains (tools/) do.
# Usage: check-layout.sh SRC            prints each breach, exits 1 if there is one
#        check-layout.sh --self-test SRC  also plants one breach of each kind in a copy and
#                                         checks that each is found
set -u

check() {
  local src=$1 breaches=0 file line target
  while IFS= read -r hit; do
    file=${hit%%:*}
    file=${file#"$src"/}
    case $file in
      qt/* | audio/* | */engine/* | pitch/Pitch.cpp | Program.* | main.cpp) ;;
      store/*)
        case ${hit#*:} in
          '#include <sqlite3'*) ;;
          *) echo "a toolkit header other than SQLite's in the record's store: $file: ${hit#*:}"; breaches=1 ;;
        esac ;;
      *) echo "toolkit header outside the engine and the windows: $file: ${hit#*:}"; breaches=1 ;;
    esac
  done < <(grep -rHoE '^#include <(Q[A-Za-z]*|Qt[A-Za-z]*/[A-Za-z]*|libav[a-z]*/|libsw[a-z]*/|SDL|rubberband/|soundtouch/|espeak-ng/|sqlite3|aubio/)[^>]*>' "$src" \
             --include='*.h' --include='*.cpp')
  while IFS= read -r hit; do
    file=${hit%%:*}
    file=${file#"$src"/}
    target=${hit#*\"}
    target=${target%\"*}
    case $target in
      audio/* | playback/* | ui/*) ;;
      *) echo "the engine includes a room: $file: $target"; breaches=1 ;;
    esac
  done < <(grep -rHoE '^#include "[^"]+"' "$src/audio" --include='*.h' --include='*.cpp')
  while IFS= read -r hit; do
    file=${hit%%:*}
    file=${file#"$src"/}
    case $file in
      */engine/* | qt/* | tools/* | Program.* | main.cpp) ;;
      *) line=${hit#*:}; echo "a room's logic includes a face on the engine: $file: $line"; breaches=1 ;;
    esac
  done < <(grep -rHoE '^#include "[a-z]+/engine/[^"]+"' "$src" --include='*.h' --include='*.cpp')
  return $breaches
}

if [ "${1:-}" = --self-test ]; then
  src=$2
  check "$src" || exit 1
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
  plant() {  # FILE LINE: a copy of the tree with LINE at the top of FILE must fail
    rm -rf "$work/src"
    cp -r "$src" "$work/src"
    mkdir -p "$(dirname "$work/src/$1")"
    { echo "$2"; cat "$work/src/$1" 2>/dev/null || true; } > "$work/src/$1.new" && mv "$work/src/$1.new" "$work/src/$1"
    if check "$work/src" > /dev/null; then
      echo "not found: $2 in $1"
      exit 1
    fi
  }
  plant sentences/SentenceMap.cpp '#include <libavformat/avformat.h>'
  plant practice/Planted.h '#include <QString>'
  plant record/CheckRecord.cpp '#include <sqlite3.h>'
  plant review/ReviewSchedule.cpp '#include <sqlite3.h>'
  plant store/RecordKeeper.h '#include <QString>'
  plant audio/Player.cpp '#include "sentences/SentenceMap.h"'
  plant drill/DrillPlan.cpp '#include "drill/engine/DrillRenderer.h"'
  echo "the layout holds, and each planted breach was found"
  exit 0
fi
check "${1:?usage: check-layout.sh [--self-test] SRC}"
