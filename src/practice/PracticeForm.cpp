// SPDX-License-Identifier: GPL-3.0-or-later
#include "practice/PracticeForm.h"

#include <algorithm>
#include <cmath>
#include <filesystem>

#include "check/Report.h"
#include "practice/Timestamps.h"
#include "text/Fnv.h"

namespace tessaly {

PracticeForm::PracticeForm(PracticePlayer& player, PeakScan* peaks, UserSettings* settings, std::string readingsPath)
    : player_(player), peakScan_(peaks), settings_(settings), checks_(std::move(readingsPath)) {}

PracticeForm::Changes PracticeForm::tick() {
  Changes changes;
  PlayerPicture now = player_.picture();
  if (now.recording != picture_.recording) {
    changes.recording = changes.sentences = changes.peaks = true;
    revealed_.clear();
    sentences_.clear();
    edited_.reset();
    peaks_ = {};
    peaksFinished_ = now.recording.empty() || !peakScan_;
    peakSerial_ = peakScan_ && !now.recording.empty() ? peakScan_->start(now.recording) : 0;
    check_.reset();
    checkSerial_ = 0;
    changes.check = true;
  }
  // The view pages on with the playing position while it was in sight (a learner who has
  // scrolled elsewhere to look is left there).
  const bool wasInSight = picture_.positionMs >= view_.from() && picture_.positionMs < view_.to();
  picture_ = std::move(now);
  view_.setLength(picture_.lengthMs);
  if (wasInSight && picture_.playing) changes.view = view_.follow(picture_.positionMs);

  const std::vector<Sentence>& map = edited_ ? *edited_ : player_.sentenceMap().sentences;
  if (map != sentences_) {
    sentences_ = map;
    revealed_.resize(sentences_.size(), false);  // a growing scan keeps what was revealed
    changes.sentences = true;
    startUnitScan();
  }
  const int current = picture_.recording.empty() ? -1 : sentenceAt(sentences_, picture_.positionMs);
  if (current != current_ || changes.sentences) {
    current_ = current;
    changes.current = true;
  }
  if (!peaksFinished_ && peakScan_) {
    const std::size_t had = peaks_.buckets.size();
    peaksFinished_ = peakScan_->take(peakSerial_, peaks_);
    changes.peaks = changes.peaks || peaks_.buckets.size() != had || peaksFinished_;
  }
  if (!unitsFinished_) {
    const std::size_t had = units_.size();
    unitsFinished_ = unitScan_->take(unitSerial_, units_);
    changes.units = units_.size() != had;
  }
  if (checkSerial_ != 0) {
    if (auto done = checks_.take(checkSerial_)) {
      check_ = std::move(done);
      checkSerial_ = 0;
      changes.check = true;
      if (log_ && check_->failure.empty() && check_->unreadableFile.empty()) {
        const std::int64_t at = now_();
        log_->record(recordOfCheck(check_->result, check_->reference, checkedText_, checkedRecording_, at, localDay(at)));
      }
    }
  }
  return changes;
}

std::string PracticeForm::rowStart(int row) const {
  const std::string stamp = timestampText(sentences_.at(static_cast<std::size_t>(row)).startMs);
  return stamp.substr(1, stamp.size() - 2);  // without the brackets
}

std::string PracticeForm::rowNumber(int row) const {
  std::string number = std::to_string(row + 1);
  if (!check_ || !check_->reference.timed) return number;
  // The check's sentences are the map's that carry texts: the same sentence starts at the same time.
  const std::int32_t start = sentences_.at(static_cast<std::size_t>(row)).startMs;
  for (const SentenceScore& score : check_->result.sentenceScores)
    if (check_->reference.sentences[static_cast<std::size_t>(score.sentence)].startMs == start)
      return number + "　" + percentText(score.accuracy());
  return number;
}

bool PracticeForm::rowHasText(int row) const {
  const auto& text = sentences_.at(static_cast<std::size_t>(row)).text;
  return text && !text->empty();
}

std::string PracticeForm::rowText(int row) const {
  if (!rowHasText(row)) return {};
  return revealed(row) ? *sentences_[static_cast<std::size_t>(row)].text : "（已隐藏）";
}

bool PracticeForm::revealed(int row) const {
  return row >= 0 && static_cast<std::size_t>(row) < revealed_.size() && revealed_[static_cast<std::size_t>(row)];
}

void PracticeForm::reveal(int row) {
  if (row >= 0 && static_cast<std::size_t>(row) < revealed_.size()) revealed_[static_cast<std::size_t>(row)] = true;
}

void PracticeForm::revealAll() { revealed_.assign(sentences_.size(), true); }
void PracticeForm::hideAll() { revealed_.assign(sentences_.size(), false); }

bool PracticeForm::anyText() const {
  for (int row = 0; row < static_cast<int>(sentences_.size()); ++row)
    if (rowHasText(row)) return true;
  return false;
}

void PracticeForm::clickAt(double x) {
  if (picture_.playing && view_.length() > 0) player_.jumpTo(view_.msAt(x));
}

int PracticeForm::startNear(double x, double withinPx) const {
  if (view_.length() <= 0) return -1;
  int nearest = -1;
  double best = withinPx;
  for (std::size_t i = 0; i < sentences_.size(); ++i) {
    const double off = std::abs(view_.xAt(sentences_[i].startMs) - x);
    if (off <= best) {
      best = off;
      nearest = static_cast<int>(i);
    }
  }
  return nearest;
}

void PracticeForm::repeatRow(int row) {
  if (picture_.playing && row >= 0 && static_cast<std::size_t>(row) < sentences_.size())
    player_.repeatSentence(sentences_[static_cast<std::size_t>(row)]);
}

void PracticeForm::repeatReferenceSentence(int sentence) {
  if (!check_ || !check_->reference.timed || !picture_.playing) return;
  const auto& list = check_->reference.sentences;
  if (sentence >= 0 && static_cast<std::size_t>(sentence) < list.size()) {
    Sentence s = list[static_cast<std::size_t>(sentence)];
    // A chosen file's last sentence ends at the end of the recording.
    if (s.endMs <= s.startMs) s.endMs = static_cast<std::int32_t>(picture_.lengthMs);
    player_.repeatSentence(s);
  }
}

std::string PracticeForm::referenceKey(const std::string& recording) { return "reference." + fnvHex(recording); }

std::string PracticeForm::chosenReference() const {
  if (!settings_ || picture_.recording.empty()) return {};
  return settings_->get(referenceKey(picture_.recording)).value_or("");
}

void PracticeForm::chooseReference(const std::string& path) {
  if (settings_ && !picture_.recording.empty()) settings_->set(referenceKey(picture_.recording), path);
}

std::vector<PracticeForm::SubtitleChoice> PracticeForm::subtitleChoices() const {
  std::vector<SubtitleChoice> choices;
  const SentenceMap& map = player_.sentenceMap();
  if (map.source != SentenceSource::Embedded) return choices;
  for (const SubtitleStream& s : player_.subtitleStreams()) {
    if (s.kind != SubtitleKind::Text || s.sample.empty()) continue;
    const std::string language = chineseLanguageTag(s.language) ? "中文（" + s.language + "，"
                                 : s.language.empty()           ? "未标明语言（"
                                                                : s.language + "（";
    choices.push_back({s.index, language + s.codec + "）", s.index == map.stream});
  }
  if (choices.size() < 2) choices.clear();
  return choices;
}

std::string PracticeForm::referenceLabel() const {
  if (picture_.recording.empty()) return "参考文本：还没有打开语音文件";
  if (const std::string chosen = chosenReference(); !chosen.empty())
    return "参考文本：" + std::filesystem::path(chosen).filename().string() + "（自选）";
  int withText = 0;
  for (int row = 0; row < static_cast<int>(sentences_.size()); ++row) withText += rowHasText(row) ? 1 : 0;
  const SentenceMap& map = player_.sentenceMap();
  if (withText == 0) {
    // Why the recording's own subtitles were passed over, when it has some.
    return "参考文本：没有（" + map.note + "可以把 .lrc、.srt、.vtt 或 .ass 放在语音文件旁边，或选择一个文本文件）";
  }
  const std::string count = "（" + std::to_string(withText) + " 句）";
  if (map.source == SentenceSource::Embedded) return "参考文本：文件里的字幕" + count;
  const char* origin = map.source == SentenceSource::Srt   ? ".srt"
                       : map.source == SentenceSource::Vtt ? ".vtt"
                       : map.source == SentenceSource::Ass ? ".ass"
                                                           : ".lrc";
  return "参考文本：" + std::string(origin) + " 文件的文字" + count;
}

bool PracticeForm::startCheck() {
  const std::string chosen = chosenReference();
  Reference reference = chosen.empty() ? referenceFromSentences(sentences_) : Reference{};
  if (chosen.empty() && reference.empty()) return false;
  checkedText_ = player_.dictationText();
  checkedRecording_ = picture_.recording;
  checkSerial_ = checks_.start(checkedText_, std::move(reference), chosen);
  return true;
}

void PracticeForm::startUnitScan() {
  units_.clear();
  unitsFinished_ = true;
  const bool texts = std::any_of(sentences_.begin(), sentences_.end(),
                                 [](const Sentence& s) { return s.text.has_value(); });
  if (!unitScan_ || picture_.recording.empty() || !texts) return;
  unitSerial_ = unitScan_->start(picture_.recording, sentences_);
  unitsFinished_ = false;
}

std::vector<PracticeForm::SlipSound> PracticeForm::slipSounds() const {
  std::vector<SlipSound> sounds;
  if (!check_ || !check_->reference.timed || units_.empty()) return sounds;
  const Reference& reference = check_->reference;
  const CheckResult& result = check_->result;
  int slip = -1;
  for (const Edit& edit : result.edits) {
    if (edit.kind == EditKind::Match) continue;
    ++slip;
    if (edit.reference < 0) continue;  // an extra word has no sound of its own
    const int s = sentenceOfUnit(reference, result, edit.reference);
    if (s < 0) continue;
    // The unit's place in its sentence, and the sentence's place in the map (by its start).
    const std::size_t sentenceStart = s > 0 ? reference.ends[static_cast<std::size_t>(s - 1)] : 0;
    const int before = static_cast<int>(std::count_if(result.reference.begin(), result.reference.end(),
                                                      [&](const Unit& u) { return u.begin < sentenceStart; }));
    const int first = edit.reference - before, last = first + std::max(1, edit.referenceUnits) - 1;
    const std::int32_t sentenceMs = reference.sentences[static_cast<std::size_t>(s)].startMs;
    const auto inMap = std::find_if(sentences_.begin(), sentences_.end(),
                                    [&](const Sentence& x) { return x.startMs == sentenceMs; });
    if (inMap == sentences_.end()) continue;
    const int sentence = static_cast<int>(inMap - sentences_.begin());
    // A missing unit is heard with its neighbours.
    const int from = edit.kind == EditKind::Deletion ? first - 1 : first;
    const int to = edit.kind == EditKind::Deletion ? last + 1 : last;
    double startMs = -1, endMs = -1;
    for (const align::UnitSpan& u : units_)
      if (u.sentence == sentence && u.unit >= from && u.unit <= to) {
        startMs = startMs < 0 ? u.startMs : std::min(startMs, u.startMs);
        endMs = std::max(endMs, u.endMs);
      }
    if (startMs < 0) continue;
    sounds.push_back({slip, "第 " + std::to_string(s + 1) + " 句　" + errorText(result, edit), sentence, startMs, endMs});
  }
  return sounds;
}

std::vector<PracticeForm::ShownUnit> PracticeForm::shownUnits() const {
  std::vector<ShownUnit> shown;
  if (current_ < 0 || view_.span() > kUnitsShownMs) return shown;
  for (const align::UnitSpan& u : units_)
    if (u.sentence == current_) shown.push_back({u.startMs, u.endMs, revealed(current_) ? u.text : std::string()});
  return shown;
}

bool PracticeForm::clickUnitAt(double x) {
  if (!picture_.playing || view_.length() <= 0) return false;
  const double ms = view_.msAt(x);
  for (const ShownUnit& u : shownUnits())
    if (ms >= u.startMs && ms < u.endMs) {
      player_.loopUnit(u.startMs, u.endMs, current_);
      return true;
    }
  return false;
}

void PracticeForm::loopSlip(int index) {
  const std::vector<SlipSound> sounds = slipSounds();
  if (index < 0 || index >= static_cast<int>(sounds.size())) return;
  const SlipSound& sound = sounds[static_cast<std::size_t>(index)];
  player_.loopUnit(sound.startMs, sound.endMs, sound.sentence);
}

bool PracticeForm::loopCheckSlip(int slip) {
  const std::vector<SlipSound> sounds = slipSounds();
  const auto it = std::find_if(sounds.begin(), sounds.end(), [&](const SlipSound& s) { return s.slip == slip; });
  if (it == sounds.end()) return false;
  player_.loopUnit(it->startMs, it->endMs, it->sentence);
  return true;
}

void PracticeForm::keepChecksIn(PracticeLog* log, std::function<std::int64_t()> now) {
  log_ = log;
  now_ = std::move(now);
}

}  // namespace tessaly
