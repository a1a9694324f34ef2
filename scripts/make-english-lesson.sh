#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Makes the English sample lesson in data/voice/: six sentences spoken by espeak-ng, with a
# pause after each, as an mp3 and its sentence map (.lrc), so that the sentence keys work at
# once. Run by hand when the lesson should change; the results are committed.
set -eu

here=$(cd "$(dirname "$0")" && pwd)
out="$here/../data/voice"
name="英语样例课文"
voice=en-us
speed=130   # words a minute: slower than espeak-ng's default, for dictation
pause=0.9   # seconds of silence after each sentence

for tool in espeak-ng ffmpeg ffprobe bc; do
  command -v "$tool" >/dev/null 2>&1 || { echo "make-english-lesson: $tool is missing" >&2; exit 1; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cat >"$work/sentences.txt" <<'TEXT'
Welcome to your first dictation lesson.
Listen to each sentence, then write it down.
The library opens at nine in the morning.
My sister walks to school every day.
We are going to the park after lunch.
Practice a little every day and you will improve.
TEXT

: >"$work/list.txt"
{
  echo "[ti:English sample lesson]"
  echo "[by:Tessaly]"
} >"$work/lesson.lrc"
start=0
n=0
while IFS= read -r sentence; do
  n=$((n + 1))
  espeak-ng -v "$voice" -s "$speed" -w "$work/raw$n.wav" "$sentence"
  ffmpeg -nostdin -loglevel error -y -i "$work/raw$n.wav" \
    -af "silenceremove=start_periods=1:start_threshold=-50dB,areverse,silenceremove=start_periods=1:start_threshold=-50dB,areverse,apad=pad_dur=$pause" \
    -ar 22050 -ac 1 -c:a pcm_s16le "$work/s$n.wav"
  awk -v s="$start" -v t="$sentence" 'BEGIN { printf "[%02d:%05.2f]%s\n", int(s / 60), s - 60 * int(s / 60), t }' >>"$work/lesson.lrc"
  start=$(echo "$start + $(ffprobe -v error -show_entries format=duration -of csv=p=0 "$work/s$n.wav")" | bc -l)
  echo "file 's$n.wav'" >>"$work/list.txt"
done <"$work/sentences.txt"

ffmpeg -nostdin -loglevel error -y -f concat -safe 0 -i "$work/list.txt" -c copy "$work/whole.wav"
mkdir -p "$out"
ffmpeg -nostdin -loglevel error -y -i "$work/whole.wav" -map_metadata -1 -fflags +bitexact \
  -ar 22050 -ac 1 -c:a libmp3lame -b:a 40k -id3v2_version 0 -write_id3v1 0 "$out/$name.mp3"
cp "$work/lesson.lrc" "$out/$name.lrc"
echo "made $out/$name.mp3 and $out/$name.lrc"
