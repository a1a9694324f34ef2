# SPDX-License-Identifier: GPL-3.0-or-later
# Reduces a Rime dictionary (already converted to Simplified characters) to the words of two
# or more characters and their toned readings, one line a word: "头发<TAB>tou2 fa5". A word
# listed with several readings keeps each (the heaviest first, then in the dictionary's
# order); a line of the supplement given first (FILENAME ends in "extra.txt") comes before
# the dictionary's lines for the same word. Run by the build.
function weight(w) {
  if (w == "") return 100
  if (w ~ /%$/) return substr(w, 1, length(w) - 1) + 0
  return w + 0
}
/^#/ || /^\.\.\.$/ || /^---$/ || NF < 2 { next }
{
  word = $1
  if (length(word) < 2 || $2 !~ /^[a-z]+[1-5]( [a-z]+[1-5])*$/) next
  w = FILENAME ~ /extra\.txt$/ ? 1000 : weight($3)
  if ((word, $2) in seen) next
  seen[word, $2] = 1
  ++count[word]
  reading[word, count[word]] = $2
  heft[word, count[word]] = w
  order[word, count[word]] = NR
}
END {
  for (word in count) {
    n = count[word]
    # Heaviest first; a stable insertion sort (n is small).
    for (i = 2; i <= n; ++i)
      for (j = i; j > 1 && heft[word, j] > heft[word, j - 1]; --j) {
        t = reading[word, j]; reading[word, j] = reading[word, j - 1]; reading[word, j - 1] = t
        t = heft[word, j]; heft[word, j] = heft[word, j - 1]; heft[word, j - 1] = t
      }
    line = word
    for (i = 1; i <= n; ++i) line = line "\t" reading[word, i]
    print line
  }
}
