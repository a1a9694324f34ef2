# SPDX-License-Identifier: GPL-3.0-or-later
# Reduces the Unicode Han database's readings (Unihan_Readings.txt, tab-separated) to one
# line a character with every Mandarin reading it lists: "U+4ED6 tā tuó". The first reading
# is the character's most common one (kMandarin's first), the others follow in the order the
# database gives them. Run by the build.
$2 == "kMandarin" || $2 == "kHanyuPinyin" || $2 == "kTGHZ2013" || $2 == "kXHC1983" || $2 == "kHanyuPinlu" {
  count = split($3, tokens, " ")
  for (t = 1; t <= count; ++t) {
    token = tokens[t]
    sub(/^[^:]*:/, "", token)       # "10028.100:zhōng,zhòng" -> "zhōng,zhòng"
    sub(/\([0-9]*\)$/, "", token)   # "zhōng(4875)" -> "zhōng"
    n = split(token, parts, ",")
    for (k = 1; k <= n; ++k)
      if (!(($1, parts[k]) in seen)) {
        seen[$1, parts[k]] = 1
        if ($2 == "kMandarin") first[$1] = first[$1] " " parts[k]
        else rest[$1] = rest[$1] " " parts[k]
      }
  }
}
END {
  for (c in first) print c first[c] rest[c]
  for (c in rest) if (!(c in first)) print c rest[c]
}
