// SPDX-License-Identifier: GPL-3.0-or-later
#include "record/CheckRecord.h"

#include <algorithm>
#include <ctime>

namespace tessaly {

namespace {

const char* kindOf(const Edit& edit) {
  if (edit.kind == EditKind::Deletion) return "missing";
  if (edit.kind == EditKind::Insertion) return "extra";
  switch (edit.slip) {
    case SlipClass::Homophone: return "homophone";
    case SlipClass::Tone: return "tone";
    case SlipClass::Spelling: return "spelling";
    case SlipClass::None:
    case SlipClass::Other: break;
  }
  return "other";
}

// The units [first, first + count) of `units`, as they are compared, words apart by a space.
std::string unitsText(const std::vector<Unit>& units, int first, int count) {
  std::string text;
  for (int i = first; i >= 0 && i < first + count && i < static_cast<int>(units.size()); ++i) {
    const Unit& unit = units[static_cast<std::size_t>(i)];
    if (!text.empty() && !unit.han && !units[static_cast<std::size_t>(i - 1)].han) text += ' ';
    text += unit.text;
  }
  return text;
}

}  // namespace

CheckRecord recordOfCheck(const CheckResult& result, const Reference& reference, std::string_view dictation,
                          std::string recording, std::int64_t at, int day) {
  CheckRecord record{std::move(recording), at, day, {}};
  if (result.tooDifferent) return record;
  const bool whole = result.sentenceScores.empty();
  const std::size_t count = whole ? 1 : result.sentenceScores.size();
  std::vector<std::size_t> writtenFrom(count, dictation.size()), writtenTo(count, 0);
  record.sentences.resize(count);
  for (std::size_t i = 0; i < count; ++i) {
    RecordedSentence& s = record.sentences[i];
    if (whole) {
      s.reference = reference.text;
      s.accuracy = result.accuracy();
      continue;
    }
    const SentenceScore& score = result.sentenceScores[i];
    const Sentence& sentence = reference.sentences.at(static_cast<std::size_t>(score.sentence));
    if (reference.timed) s.startMs = sentence.startMs, s.endMs = sentence.endMs;
    s.reference = sentence.text.value_or("");
    s.accuracy = score.accuracy();
  }
  // Each edit belongs to its sentence's record (the scores are in sentence order).
  const auto slot = [&](const Edit& edit) -> std::size_t {
    if (whole) return 0;
    const auto it = std::find_if(result.sentenceScores.begin(), result.sentenceScores.end(),
                                 [&](const SentenceScore& s) { return s.sentence == edit.sentence; });
    return it == result.sentenceScores.end() ? count : static_cast<std::size_t>(it - result.sentenceScores.begin());
  };
  for (const Edit& edit : result.edits) {
    const std::size_t in = slot(edit);
    if (in >= count) continue;
    for (int d = edit.dictation;
         d >= 0 && d < edit.dictation + edit.dictationUnits && d < static_cast<int>(result.dictation.size()); ++d) {
      writtenFrom[in] = std::min(writtenFrom[in], result.dictation[static_cast<std::size_t>(d)].begin);
      writtenTo[in] = std::max(writtenTo[in], result.dictation[static_cast<std::size_t>(d)].end);
    }
    if (edit.kind == EditKind::Match) continue;
    RecordedSlip slip;
    slip.kind = kindOf(edit);
    slip.expected = unitsText(result.reference, edit.reference, edit.referenceUnits);
    slip.written = unitsText(result.dictation, edit.dictation, edit.dictationUnits);
    if (!edit.referenceReading.syllable.empty() && !edit.writtenReading.syllable.empty()) {
      slip.expectedReading = pinyinOf(edit.referenceReading);
      slip.writtenReading = pinyinOf(edit.writtenReading);
      slip.expectedTone = edit.referenceReading.tone;
      slip.writtenTone = edit.writtenReading.tone;
    }
    record.sentences[in].slips.push_back(std::move(slip));
  }
  for (std::size_t i = 0; i < count; ++i)
    if (writtenFrom[i] < writtenTo[i])
      record.sentences[i].written = std::string(dictation.substr(writtenFrom[i], writtenTo[i] - writtenFrom[i]));
  return record;
}

std::string slipKindName(std::string_view kind) {
  if (kind == "homophone") return "同音字";
  if (kind == "tone") return "声调";
  if (kind == "spelling") return "拼写";
  if (kind == "missing") return "漏写";
  if (kind == "extra") return "多写";
  return "写错";
}

std::string slipsLine(const std::vector<RecordedSlip>& slips) {
  std::string line;
  for (const RecordedSlip& slip : slips) {
    line += (line.empty() ? "" : "；") + slipKindName(slip.kind) + "：";
    const auto side = [](const std::string& words, const std::string& reading) {
      return reading.empty() ? words : words + " " + reading;
    };
    if (slip.kind == "missing") line += slip.expected;
    else if (slip.kind == "extra") line += slip.written;
    else line += side(slip.expected, slip.expectedReading) + " → " + side(slip.written, slip.writtenReading);
  }
  return line;
}

int localDay(std::int64_t at) {
  const auto t = static_cast<std::time_t>(at);
  std::tm local{};
  localtime_r(&t, &local);
  const std::int64_t shifted = at + local.tm_gmtoff;
  return static_cast<int>(shifted >= 0 ? shifted / 86400 : (shifted - 86399) / 86400);
}

}  // namespace tessaly
