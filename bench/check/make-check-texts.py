#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
# Makes a reference and a dictation for measuring the check: N Han characters of everyday
# words (from the build's words.txt) in sentences of 8 to 24 characters ending in 。, one a
# line; the dictation is the reference with about 3.7 % of its characters slipped (a
# homophone from the build's pinyin.txt, a character left out, one too many).
# Usage: make-check-texts.py BUILD/src N REFERENCE DICTATION [SEED]
import random
import sys

folder, count, reference_path, dictation_path = sys.argv[1], int(sys.argv[2]), sys.argv[3], sys.argv[4]
rng = random.Random(int(sys.argv[5]) if len(sys.argv) > 5 else 1)

words = [line.split('\t')[0] for line in open(f'{folder}/words.txt', encoding='utf-8')]
words = [w for w in words if 2 <= len(w) <= 3]
by_reading = {}
reading_of = {}
for line in open(f'{folder}/pinyin.txt', encoding='utf-8'):
    parts = line.split()
    if len(parts) < 2:
        continue
    char = chr(int(parts[0][2:], 16))
    reading_of[char] = parts[1]
    by_reading.setdefault(parts[1], []).append(char)

sentences, total = [], 0
while total < count:
    sentence = ''
    length = rng.randint(8, 24)
    while len(sentence) < length:
        sentence += rng.choice(words)
    sentence = sentence[:max(1, min(length, count - total))]
    sentences.append(sentence)
    total += len(sentence)

slipped = []
for sentence in sentences:
    out = ''
    for c in sentence:
        roll = rng.random()
        if roll < 0.02:
            same = [h for h in by_reading.get(reading_of.get(c, ''), []) if h != c]
            out += rng.choice(same) if same else c
        elif roll < 0.03:
            continue
        elif roll < 0.037:
            out += c + rng.choice(words)[0]
        else:
            out += c
    slipped.append(out)

with open(reference_path, 'w', encoding='utf-8') as f:
    f.write(''.join(s + '。\n' for s in sentences))
with open(dictation_path, 'w', encoding='utf-8') as f:
    f.write(''.join(s + '。\n' for s in slipped))
