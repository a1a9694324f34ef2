#include "check/Check.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>

namespace tessaly {

namespace {

// The next code point of `s` from `at` (advanced); U+FFFD for a broken sequence.
char32_t nextCodePoint(std::string_view s, std::size_t& at) {
  const auto c = static_cast<unsigned char>(s[at]);
  int extra = c < 0x80 ? 0 : c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : -1;
  if (extra < 0 || at + static_cast<std::size_t>(extra) >= s.size() + (extra == 0 ? 1 : 0)) {
    ++at;
    return 0xFFFD;
  }
  char32_t cp = extra == 0 ? c : c & (0x3F >> extra);
  for (int k = 1; k <= extra; ++k) cp = (cp << 6) | (static_cast<unsigned char>(s[at + static_cast<std::size_t>(k)]) & 0x3F);
  at += static_cast<std::size_t>(extra) + 1;
  return cp;
}

bool isHan(char32_t c) {
  return (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0x3400 && c <= 0x4DBF) || (c >= 0x20000 && c <= 0x3134F) ||
         (c >= 0xF900 && c <= 0xFAFF) || c == 0x3007;
}

// A Latin letter or digit, folded to lower-case ASCII; 0 for anything else.
char wordChar(char32_t c) {
  if (c >= 0xFF10 && c <= 0xFF19) c -= 0xFF10 - '0';  // full-width digits
  if (c >= 0xFF21 && c <= 0xFF3A) c -= 0xFF21 - 'A';  // full-width capitals
  if (c >= 0xFF41 && c <= 0xFF5A) c -= 0xFF41 - 'a';
  if (c >= 'A' && c <= 'Z') return static_cast<char>(c - 'A' + 'a');
  if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) return static_cast<char>(c);
  return 0;
}

bool isApostrophe(char32_t c) { return c == '\'' || c == 0x2019 || c == 0xFF07; }

std::string utf8Of(char32_t c) {
  std::string out;
  if (c < 0x80) out += static_cast<char>(c);
  else if (c < 0x800) out += {static_cast<char>(0xC0 | (c >> 6)), static_cast<char>(0x80 | (c & 0x3F))};
  else if (c < 0x10000)
    out += {static_cast<char>(0xE0 | (c >> 12)), static_cast<char>(0x80 | ((c >> 6) & 0x3F)), static_cast<char>(0x80 | (c & 0x3F))};
  else
    out += {static_cast<char>(0xF0 | (c >> 18)), static_cast<char>(0x80 | ((c >> 12) & 0x3F)),
            static_cast<char>(0x80 | ((c >> 6) & 0x3F)), static_cast<char>(0x80 | (c & 0x3F))};
  return out;
}

char32_t firstCodePoint(const std::string& s) {
  std::size_t at = 0;
  return s.empty() ? 0 : nextCodePoint(s, at);
}

}  // namespace

std::vector<Unit> unitsOf(std::string_view text) {
  std::vector<Unit> units;
  Unit word;
  std::size_t wordEnd = 0;
  const auto closeWord = [&] {
    if (!word.text.empty()) {
      word.end = wordEnd;
      units.push_back(word);
    }
    word = {};
  };
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t start = at;
    const char32_t c = nextCodePoint(text, at);
    if (const char w = wordChar(c)) {
      if (word.text.empty()) word.begin = start;
      word.text += w;
      wordEnd = at;
      continue;
    }
    if (isApostrophe(c) && !word.text.empty() && at < text.size()) {
      std::size_t peek = at;
      if (wordChar(nextCodePoint(text, peek))) {  // inside a word: "don't"
        word.text += '\'';
        continue;
      }
    }
    closeWord();
    if (isHan(c)) units.push_back({utf8Of(c), start, at, true});
  }
  closeWord();
  return units;
}

int wordDistance(std::string_view a, std::string_view b) {
  std::vector<int> row(b.size() + 1);
  for (std::size_t j = 0; j <= b.size(); ++j) row[j] = static_cast<int>(j);
  for (std::size_t i = 1; i <= a.size(); ++i) {
    int diagonal = row[0];
    row[0] = static_cast<int>(i);
    for (std::size_t j = 1; j <= b.size(); ++j) {
      const int up = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
      diagonal = up;
    }
  }
  return row[b.size()];
}

double CheckResult::accuracy() const {
  if (reference.empty()) return dictation.empty() ? 100.0 : 0.0;
  const double value = std::max(0.0, 1.0 - static_cast<double>(errors()) / referenceUnits()) * 100.0;
  return std::round(value * 10.0) / 10.0;
}

CheckResult checkDictation(std::string_view dictation, std::string_view reference, const ReadingTable& readings) {
  CheckResult result;
  result.reference = unitsOf(reference);
  result.dictation = unitsOf(dictation);
  const auto& r = result.reference;
  const auto& d = result.dictation;
  const std::size_t n = r.size(), m = d.size();
  // Each distinct unit as a number, so that a cell compares two integers, not two strings.
  std::unordered_map<std::string_view, int> ids;
  std::vector<int> rid(n), did(m);
  for (std::size_t i = 0; i < n; ++i) rid[i] = ids.try_emplace(r[i].text, static_cast<int>(ids.size())).first->second;
  for (std::size_t j = 0; j < m; ++j) did[j] = ids.try_emplace(d[j].text, static_cast<int>(ids.size())).first->second;
  // Least edits, two rows of costs; the way back kept as one byte a cell.
  enum : unsigned char { kDiagonal, kUp, kLeft };
  std::vector<unsigned char> way((n + 1) * (m + 1));
  std::vector<int> previous(m + 1), current(m + 1);
  for (std::size_t j = 0; j <= m; ++j) {
    previous[j] = static_cast<int>(j);
    way[j] = kLeft;
  }
  for (std::size_t i = 1; i <= n; ++i) {
    current[0] = static_cast<int>(i);
    way[i * (m + 1)] = kUp;
    for (std::size_t j = 1; j <= m; ++j) {
      const int diagonal = previous[j - 1] + (rid[i - 1] == did[j - 1] ? 0 : 1);
      const int up = previous[j] + 1;    // a reference unit missing
      const int left = current[j - 1] + 1;  // a unit too many
      int best = diagonal;
      unsigned char from = kDiagonal;
      if (up < best) best = up, from = kUp;
      if (left < best) best = left, from = kLeft;
      current[j] = best;
      way[i * (m + 1) + j] = from;
    }
    std::swap(previous, current);
  }
  for (std::size_t i = n, j = m; i > 0 || j > 0;) {
    const unsigned char from = way[i * (m + 1) + j];
    Edit edit;
    if (i > 0 && j > 0 && from == kDiagonal) {
      edit.reference = static_cast<int>(--i);
      edit.dictation = static_cast<int>(--j);
      if (r[i].text == d[j].text) {
        edit.kind = EditKind::Match;
      } else {
        edit.kind = EditKind::Substitution;
        if (r[i].han && d[j].han) {
          const HanSlip slip = readings.classify(firstCodePoint(d[j].text), firstCodePoint(r[i].text));
          edit.slip = slip == HanSlip::Homophone ? SlipClass::Homophone : slip == HanSlip::Tone ? SlipClass::Tone : SlipClass::Other;
        } else if (!r[i].han && !d[j].han) {
          const int limit = std::max(r[i].text.size(), d[j].text.size()) <= 4 ? 1 : 2;
          edit.slip = wordDistance(r[i].text, d[j].text) <= limit ? SlipClass::Spelling : SlipClass::Other;
        } else {
          edit.slip = SlipClass::Other;
        }
      }
    } else if (i > 0 && (j == 0 || from == kUp)) {
      edit.kind = EditKind::Deletion;
      edit.reference = static_cast<int>(--i);
    } else {
      edit.kind = EditKind::Insertion;
      edit.dictation = static_cast<int>(--j);
    }
    result.edits.push_back(edit);
  }
  std::reverse(result.edits.begin(), result.edits.end());
  for (const Edit& e : result.edits) {
    result.substitutions += e.kind == EditKind::Substitution;
    result.deletions += e.kind == EditKind::Deletion;
    result.insertions += e.kind == EditKind::Insertion;
    result.homophones += e.slip == SlipClass::Homophone;
    result.tones += e.slip == SlipClass::Tone;
    result.spellings += e.slip == SlipClass::Spelling;
    result.others += e.slip == SlipClass::Other;
  }
  return result;
}

}  // namespace tessaly
