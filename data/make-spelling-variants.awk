# SPDX-License-Identifier: GPL-3.0-or-later
# Pairs British spellings with their American ones from SCOWL's word lists (Debian's scowl):
# the words common to both and those spelt only the American way are read first, then those
# spelt only the British way; each British word is turned by the usual rules (colour → color,
# centre → center, realise → realize, analyse → analyze, travelled → traveled, fulfil →
# fulfill, catalogue → catalog, defence → defense, paediatric → pediatric, cheque → check,
# grey → gray, mould → mold, plough → plow, draught → draft, tyre → tire, sceptic → skeptic,
# ageing → aging, judgement → judgment), once or twice (anaesthetise → anesthetize), and a
# pair is kept when the result is an American word.
# Output: "colour color", one pair a line. Run by the build.
function try(candidate) {
  if (candidate != british && (candidate in american) && !((british, candidate) in done)) {
    done[british, candidate] = 1
    print british, candidate
    return 1
  }
  return 0
}
# Every way of applying `from` → `to` at one place in `word`, each result tried; with
# `second` set, each result is also tried with one more rule applied (anaesthetise →
# anesthetize).
function each(from, to, second,    at, rest, offset, candidate) {
  offset = 0
  rest = word
  while ((at = index(rest, from)) > 0) {
    candidate = substr(word, 1, offset + at - 1) to substr(rest, at + length(from))
    if (!try(candidate) && second) rules(candidate, 0)
    offset += at
    rest = substr(rest, at + 1)
  }
}
# The rules, on `spelling` (the British word `british`, or a first rule's result of it).
function rules(spelling, second,    saved) {
  saved = word
  word = spelling
  each("our", "or", second)
  each("tre", "ter", second)
  each("tred", "tered", second)
  each("tri", "teri", second)
  each("bre", "ber", second)
  each("gre", "ger", second)
  each("vre", "ver", second)
  each("ise", "ize", second)
  each("isi", "izi", second)
  each("isa", "iza", second)
  each("yse", "yze", second)
  each("ysi", "yzi", second)
  each("ogue", "og", second)
  each("ogu", "og", second)
  each("ll", "l", second)
  each("l", "ll", second)
  each("ence", "ense", second)
  each("ae", "e", second)
  if (spelling !~ /oe[ds]?$/) each("oe", "e", second)
  each("mme", "m", second)
  each("que", "ck", second)
  each("qu", "ck", second)
  each("eable", "able", second)
  each("gement", "gment", second)
  each("eing", "ing", second)
  each("ey", "ay", second)
  each("ey", "y", second)
  each("ould", "old", second)
  each("oult", "olt", second)
  each("moust", "must", second)
  each("plough", "plow", second)
  each("ium", "um", second)
  each("ght", "ft", second)
  each("ette", "et", second)
  each("ettist", "etist", second)
  each("yre", "ire", second)
  each("pyj", "paj", second)
  each("xe", "x", second)
  each("sc", "sk", second)
  each("cos", "coz", second)
  word = saved
}
$0 !~ /^[a-z]+$/ { next }
FILENAME !~ /british-words/ { american[$0] = 1; next }
{
  british = $0
  rules(british, 1)
}
