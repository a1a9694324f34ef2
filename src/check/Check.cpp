// SPDX-License-Identifier: GPL-3.0-or-later
#include "check/Check.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>

#include "check/Alignment.h"

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
  for (int k = 1; k <= extra; ++k)
    cp = (cp << 6) | (static_cast<unsigned char>(s[at + static_cast<std::size_t>(k)]) & 0x3F);
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
    out += {static_cast<char>(0xE0 | (c >> 12)), static_cast<char>(0x80 | ((c >> 6) & 0x3F)),
            static_cast<char>(0x80 | (c & 0x3F))};
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

namespace {

double percent(int errors, int units, bool nothingWritten) {
  if (units == 0) return nothingWritten ? 100.0 : 0.0;
  const double value = std::max(0.0, 1.0 - static_cast<double>(errors) / units) * 100.0;
  return std::round(value * 10.0) / 10.0;
}

// Ids of each unit's canonical text, and the runs of each text whose canonical text is that of
// a single unit of the other text (only those can match).
struct Canonical {
  std::vector<int> rid, did;
  std::vector<std::vector<Run>> referenceRuns, dictationRuns;  // by end, n + 1 and m + 1; empty: none
};

Canonical canonicalOf(const std::vector<Unit>& r, const std::vector<Unit>& d, const SpellingVariants* spellings) {
  Canonical c;
  std::unordered_map<std::string, int> ids;
  const auto idOf = [&](std::string text) {
    return ids.try_emplace(std::move(text), static_cast<int>(ids.size())).first->second;
  };
  const auto singles = [&](const std::vector<Unit>& units, std::vector<int>& out) {
    out.resize(units.size());
    for (std::size_t k = 0; k < units.size(); ++k)
      out[k] = idOf(units[k].han ? units[k].text : canonicalWord(units[k].text, spellings));
  };
  singles(r, c.rid);
  singles(d, c.did);
  // Runs of two to four words, kept when a single unit of the other side says the same.
  // `out` stays empty (no table at all) when the text has none.
  const auto runs = [&](const std::vector<Unit>& units, const std::vector<int>& otherIds,
                        std::vector<std::vector<Run>>& out) {
    std::vector<bool> other(ids.size());
    for (int id : otherIds) other[static_cast<std::size_t>(id)] = true;
    std::vector<std::string_view> words;
    for (std::size_t end = 2; end <= units.size(); ++end)
      for (std::size_t count = 2; count <= 4 && count <= end; ++count) {
        words.clear();
        for (std::size_t k = end - count; k < end && !units[k].han; ++k) words.push_back(units[k].text);
        if (words.size() != count) break;
        const auto text = canonicalRun(words);
        if (!text) continue;
        const auto it = ids.find(*text);
        if (it == ids.end() || static_cast<std::size_t>(it->second) >= other.size() ||
            !other[static_cast<std::size_t>(it->second)])
          continue;
        if (out.empty()) out.assign(units.size() + 1, {});
        out[end].push_back({static_cast<int>(count), it->second});
      }
  };
  runs(r, c.did, c.referenceRuns);
  runs(d, c.rid, c.dictationRuns);
  return c;
}

}  // namespace

// Nothing to check and nothing written is all right; a dictation that covers no sentence of
// its reference has nothing right.
double CheckResult::accuracy() const {
  return percent(errors(), referenceUnits(), dictation.empty() && sentencesTotal == 0);
}

double SentenceScore::accuracy() const { return percent(errors, units, false); }

bool loadCheckTables(const std::filesystem::path& pinyinTable, CheckTables& tables) {
  if (!tables.readings.load(pinyinTable)) return false;
  tables.readings.loadWords(pinyinTable.parent_path() / "words.txt");
  tables.spellings.load(pinyinTable.parent_path() / "spelling-variants.txt");
  return true;
}

CheckResult checkDictation(std::string_view dictation, std::string_view reference, const ReadingTable& readings,
                           const SpellingVariants* spellings, const std::vector<std::size_t>& sentenceEnds) {
  CheckResult result;
  result.reference = unitsOf(reference);
  result.dictation = unitsOf(dictation);
  auto& r = result.reference;
  const auto& d = result.dictation;
  const std::size_t n = r.size();
  // Each unit as the number of its canonical text, so a cell compares two integers.
  const Canonical c = canonicalOf(r, d, spellings);
  const auto& rid = c.rid;
  const auto& did = c.did;
  // The sentence of each reference unit, by where it starts in the text.
  std::vector<int> sentenceOf(n, -1);
  if (!sentenceEnds.empty())
    for (std::size_t i = 0; i < n; ++i)
      sentenceOf[i] = static_cast<int>(std::upper_bound(sentenceEnds.begin(), sentenceEnds.end(), r[i].begin) -
                                       sentenceEnds.begin());
  // The covered stretch: the units up to the end of the sentence where the dictation ends,
  // that is where it costs least (the later of equal ends).
  ChooseEnd coveredEnd;
  if (!sentenceEnds.empty())
    coveredEnd = [&](const std::vector<int>& endCost, std::size_t first) {
      std::size_t end = 0;
      for (std::size_t k = 0; k < endCost.size(); ++k)
        if (endCost[k] <= endCost[end]) end = k;
      end += first;
      std::size_t covered = 0;
      if (end > 0)
        while (covered < n && sentenceOf[covered] <= sentenceOf[end - 1]) ++covered;
      return std::max(covered, first);
    };
  const Aligned aligned = align({rid, did, c.referenceRuns, c.dictationRuns}, coveredEnd);
  if (aligned.tooDifferent) {
    result.tooDifferent = true;
    r.clear();
    return result;
  }
  const std::size_t covered = aligned.referenceEnd;
  if (!sentenceEnds.empty()) {
    result.sentencesTotal = static_cast<int>(sentenceEnds.size());
    result.sentencesChecked = covered == 0 ? 0 : std::min(sentenceOf[covered - 1] + 1, result.sentencesTotal);
  }
  // The reading in context of each covered Han unit written as another Han unit, by the runs
  // written together (only the runs that hold one are read).
  std::vector<bool> slipped(covered);
  for (const Step& step : aligned.steps)
    if (step.kind == StepKind::Diagonal) {
      const auto i = static_cast<std::size_t>(step.reference), j = static_cast<std::size_t>(step.dictation);
      if (rid[i] != did[j] && r[i].han && d[j].han) slipped[i] = true;
    }
  std::vector<std::vector<Reading>> context(covered);
  for (std::size_t i = 0; i < covered;) {
    std::size_t end = i + 1;
    if (r[i].han)
      while (end < covered && r[end].han && r[end].begin == r[end - 1].end) ++end;
    if (r[i].han &&
        std::find(slipped.begin() + static_cast<std::ptrdiff_t>(i), slipped.begin() + static_cast<std::ptrdiff_t>(end),
                  true) != slipped.begin() + static_cast<std::ptrdiff_t>(end)) {
      std::vector<std::string_view> characters;
      for (std::size_t k = i; k < end; ++k) characters.push_back(r[k].text);
      auto readingsHere = readings.readingsInContext(characters);
      for (std::size_t k = i; k < end; ++k) context[k] = std::move(readingsHere[k - i]);
    }
    i = end;
  }
  result.edits.reserve(aligned.steps.size());
  for (const Step& step : aligned.steps) {
    Edit edit;
    edit.reference = step.reference;
    edit.dictation = step.dictation;
    const auto i = static_cast<std::size_t>(std::max(step.reference, 0));
    const auto j = static_cast<std::size_t>(std::max(step.dictation, 0));
    switch (step.kind) {
      case StepKind::ReferenceRun:
      case StepKind::DictationRun:
        edit.referenceUnits = step.referenceUnits;
        edit.dictationUnits = step.dictationUnits;
        edit.equivalent = true;
        break;
      case StepKind::Deletion: edit.kind = EditKind::Deletion; break;
      case StepKind::Insertion: edit.kind = EditKind::Insertion; break;
      case StepKind::Diagonal:
        if (rid[i] == did[j]) {
          edit.equivalent = r[i].text != d[j].text;
          break;
        }
        edit.kind = EditKind::Substitution;
        if (r[i].han && d[j].han) {
          const char32_t written = firstCodePoint(d[j].text);
          const HanSlip slip = readings.classify(written, context[i]);
          edit.slip = slip == HanSlip::Homophone ? SlipClass::Homophone
                      : slip == HanSlip::Tone    ? SlipClass::Tone
                                                 : SlipClass::Other;
          if (!context[i].empty()) edit.referenceReading = context[i].front();
          edit.writtenReading = readings.writtenReading(written, context[i], slip);
        } else if (!r[i].han && !d[j].han) {
          const int limit = std::max(r[i].text.size(), d[j].text.size()) <= 4 ? 1 : 2;
          edit.slip = wordDistance(r[i].text, d[j].text) <= limit ? SlipClass::Spelling : SlipClass::Other;
        } else {
          edit.slip = SlipClass::Other;
        }
        break;
    }
    result.edits.push_back(edit);
  }
  r.resize(covered);
  // Each edit's sentence: its reference unit's; an extra unit goes with the unit before it
  // (the first sentence when it comes before all).
  int sentence = sentenceEnds.empty() ? -1 : 0;
  for (std::size_t k = 0; k < static_cast<std::size_t>(result.sentencesChecked); ++k)
    result.sentenceScores.push_back({static_cast<int>(k), 0, 0});
  for (Edit& e : result.edits) {
    if (e.reference >= 0 && !sentenceEnds.empty()) sentence = sentenceOf[static_cast<std::size_t>(e.reference)];
    e.sentence = sentence;
    if (sentence >= 0 && static_cast<std::size_t>(sentence) < result.sentenceScores.size()) {
      SentenceScore& score = result.sentenceScores[static_cast<std::size_t>(sentence)];
      if (e.reference >= 0) score.units += e.referenceUnits;
      score.errors += e.kind != EditKind::Match;
    }
    result.substitutions += e.kind == EditKind::Substitution;
    result.deletions += e.kind == EditKind::Deletion;
    result.insertions += e.kind == EditKind::Insertion;
    result.homophones += e.slip == SlipClass::Homophone;
    result.tones += e.slip == SlipClass::Tone;
    result.spellings += e.slip == SlipClass::Spelling;
    result.others += e.slip == SlipClass::Other;
    result.equivalences += e.equivalent;
  }
  return result;
}

}  // namespace tessaly
