# SPDX-License-Identifier: GPL-3.0-or-later
# Pairs British spellings with their American ones from SCOWL's word lists (Debian's scowl):
# the words common to both and those spelt only the American way are read first, then those
# spelt only the British way; each British word is turned by the usual rules (colour → color,
# centre → center, realise → realize, analyse → analyze, travelled → traveled, catalogue →
# catalog, defence → defense, paediatric → pediatric, cheque → check) and a pair is kept when
# the result is an American word.
# Output: "colour color", one pair a line. Run by the build.
function try(candidate) {
  if (candidate != word && (candidate in american) && !((word, candidate) in done)) {
    done[word, candidate] = 1
    print word, candidate
    return 1
  }
  return 0
}
# Every way of applying `from` → `to` at one place in `word`.
function each(from, to,    at, rest, offset) {
  offset = 0
  rest = word
  while ((at = index(rest, from)) > 0) {
    try(substr(word, 1, offset + at - 1) to substr(rest, at + length(from)))
    offset += at
    rest = substr(rest, at + 1)
  }
}
$0 !~ /^[a-z]+$/ { next }
FILENAME !~ /british-words/ { american[$0] = 1; next }
{
  word = $0
  each("our", "or")
  each("tre", "ter")
  each("bre", "ber")
  each("ise", "ize")
  each("isa", "iza")
  each("yse", "yze")
  each("ysi", "yzi")
  each("ogue", "og")
  each("ll", "l")
  each("ence", "ense")
  each("ae", "e")
  if (word !~ /oe[ds]?$/) each("oe", "e")
  each("mme", "m")
  each("que", "ck")
  each("eable", "able")
}
