#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Makes the sample lesson that the program puts into a new user's voice folder: six short
# sentences of spoken Mandarin with a pause of 0.8 s after each one.
#
# Writes, in data/voice/:
#   样例课文.wav     the whole lesson, PCM 16-bit mono 16 kHz (opens on the MCI back-end)
#   样例课文.mp3     the whole lesson, mono 40 kbit/s (opens on the streaming back-end)
#   样例课文一.mp3   sentences 1-3, and 样例课文二.mp3 sentences 4-6, for the play list
#   样例课文.lst     the play list of the two halves, GB18030, CR LF. A list holds files of one
#                    type only, so it names the two .mp3 halves; its folder is written as
#                    "@VOICE@/", which the program replaces by the real voice folder when it
#                    copies the lesson for the user.
# The dictation .txt beside the audio is left for the learner to write.
#
# Run once from anywhere; the results are committed. Needs espeak-ng, ffmpeg and iconv.
# The output depends only on the tools' versions, so running it again with the same tools
# rewrites the same bytes.
set -eu

here=$(cd "$(dirname "$0")" && pwd)
out="$here/../data/voice"
voice=cmn-latn-pinyin   # Mandarin; reads Chinese characters through the full pinyin dictionary
speed=135               # words a minute: a little slower than espeak-ng's default, for dictation
pause=0.8               # seconds of silence after each sentence

for tool in espeak-ng ffmpeg ffprobe iconv bc; do
  command -v "$tool" >/dev/null 2>&1 || { echo "make-sample-lesson: $tool is missing" >&2; exit 1; }
done
espeak-ng --voices=cmn | grep -q " $voice " ||
  { echo "make-sample-lesson: espeak-ng has no voice $voice" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The transcript, one sentence a line.
cat >"$work/sentences.txt" <<'EOF'
你好，欢迎来到听写练习。
今天天气很好。
我每天早上七点起床。
我们一起去图书馆吧。
请你听一句，写一句。
学习语言要每天练习。
EOF

# Each sentence: speak it, cut the silence espeak-ng leaves at both ends, then add the pause.
n=0
while IFS= read -r sentence; do
  n=$((n + 1))
  espeak-ng -v "$voice" -s "$speed" -w "$work/raw$n.wav" "$sentence"
  ffmpeg -nostdin -loglevel error -y -i "$work/raw$n.wav" \
    -af "silenceremove=start_periods=1:start_threshold=-50dB,areverse,silenceremove=start_periods=1:start_threshold=-50dB,areverse,apad=pad_dur=$pause" \
    -ar 16000 -ac 1 -c:a pcm_s16le "$work/s$n.wav"
done <"$work/sentences.txt"
[ "$n" -eq 6 ] || { echo "make-sample-lesson: expected 6 sentences, read $n" >&2; exit 1; }

# concat FIRST LAST NAME: joins sentences FIRST..LAST into $work/NAME.wav.
concat() {
  : >"$work/$3.list"
  i=$1
  while [ "$i" -le "$2" ]; do
    echo "file 's$i.wav'" >>"$work/$3.list"
    i=$((i + 1))
  done
  ffmpeg -nostdin -loglevel error -y -f concat -safe 0 -i "$work/$3.list" -c copy "$work/$3.wav"
}
concat 1 6 whole
concat 1 3 half1
concat 4 6 half2

# mp3 FROM TO: one mono 40 kbit/s mp3 at 22.05 kHz, without tags.
mp3() {
  ffmpeg -nostdin -loglevel error -y -i "$1" -map_metadata -1 -fflags +bitexact \
    -ar 22050 -ac 1 -c:a libmp3lame -b:a 40k -id3v2_version 0 -write_id3v1 0 "$2"
}

# The sentence map (.lrc): each sentence starts where the ones before it, with their pauses,
# end; shared by the .wav and the .mp3 of the whole lesson.
{
  echo "[ti:样例课文]"
  echo "[by:Tessaly]"
  start=0
  n=0
  while IFS= read -r sentence; do
    n=$((n + 1))
    awk -v s="$start" -v t="$sentence" 'BEGIN { printf "[%02d:%05.2f]%s\n", int(s / 60), s - 60 * int(s / 60), t }'
    start=$(echo "$start + $(ffprobe -v error -show_entries format=duration -of csv=p=0 "$work/s$n.wav")" | bc -l)
  done <"$work/sentences.txt"
} >"$work/lesson.lrc"

mkdir -p "$out"
cp "$work/lesson.lrc" "$out/样例课文.lrc"
ffmpeg -nostdin -loglevel error -y -i "$work/whole.wav" -map_metadata -1 -fflags +bitexact \
  -c:a pcm_s16le "$out/样例课文.wav"
mp3 "$work/whole.wav" "$out/样例课文.mp3"
mp3 "$work/half1.wav" "$out/样例课文一.mp3"
mp3 "$work/half2.wav" "$out/样例课文二.mp3"
printf '@VOICE@/样例课文一.mp3\r\n@VOICE@/样例课文二.mp3\r\n' | iconv -f UTF-8 -t GB18030 >"$out/样例课文.lst"

for f in "$out"/样例课文*; do
  printf '%8s bytes  %s\n' "$(wc -c <"$f")" "${f##*/}"
done
