// SPDX-License-Identifier: GPL-3.0-or-later
#include "practice/SentencePlayer.h"

#include <algorithm>
#include <cctype>
#include <optional>
#include <utility>

#include "text/Fnv.h"

namespace tessaly {

std::vector<DrillStep> unitPlan(double startMs, double endMs, int sentence, double lengthMs, int speedTenths,
                                const LoopOptions& options) {
  const int speed = std::min(kSlowestUnitPercent, speedTenths * 10);
  const int passes = options.passes > 0 ? options.passes : kUnlimitedUnitPasses;
  std::vector<DrillStep> plan;
  for (int pass = 1; pass <= passes; ++pass)
    plan.push_back({std::max(0.0, startMs - kUnitPadMs), std::min(lengthMs, endMs + kUnitPadMs), sentence, pass, passes,
                    speed, pass < passes ? options.pauseMs : 0});
  return plan;
}

void SentencePlayer::useSettings(UserSettings* settings) {
  settings_ = settings;
  schemes_.useSettings(settings);
  sentences_.usePreference([this](const std::string& recording) { return chosenSubtitleStream(recording); });
}

void SentencePlayer::mapSentences() {
  const std::string& recording = listening_.recording();
  if (recording.empty()) return;
  const std::string aligned = settings_ ? settings_->get(alignedMapKey(recording)).value_or("") : "";
  sentences_.mapRecording(recording, static_cast<std::int32_t>(listening_.length()), aligned);
}

std::string SentencePlayer::alignedMapKey(const std::string& recording) { return "aligned_map." + fnvHex(recording); }

void SentencePlayer::useAlignedMap(const std::string& recording, const std::string& keptPath, bool besideRecording) {
  if (settings_) {
    if (besideRecording) settings_->remove(alignedMapKey(recording));
    else settings_->set(alignedMapKey(recording), keptPath);
  }
  if (!listening_.recording().empty() && listening_.recording() == recording) mapSentences();
}

std::string SentencePlayer::subtitleStreamKey(const std::string& recording) { return "subtitles." + fnvHex(recording); }

int SentencePlayer::chosenSubtitleStream(const std::string& recording) const {
  if (!settings_) return -1;
  const std::optional<std::string> kept = settings_->get(subtitleStreamKey(recording));
  if (!kept || kept->empty() || kept->size() > 6 ||
      !std::all_of(kept->begin(), kept->end(), [](char c) { return std::isdigit(static_cast<unsigned char>(c)); }))
    return -1;
  return std::stoi(*kept);
}

void SentencePlayer::chooseSubtitleStream(int stream) {
  const std::string& recording = listening_.recording();
  if (recording.empty() || stream < 0) return;
  if (settings_) settings_->set(subtitleStreamKey(recording), std::to_string(stream));
  sentences_.rereadSubtitles(static_cast<std::int32_t>(listening_.length()));
}

PlayerPicture SentencePlayer::picture() const {
  const PlayerVariables& v = listening_.variables();
  PlayerPicture p;
  p.recording = listening_.recording();
  p.lengthMs = listening_.length();
  p.positionMs = listening_.position();
  p.playing = listening_.playing();
  p.repeating = v.repeatState == RepeatState::Repeating;
  p.segmentStartMs = v.segmentStart;
  p.segmentEndMs = v.segmentEnd;
  return p;
}

void SentencePlayer::jumpTo(double ms) {
  if (!listening_.playing()) return;
  pacer_.reset();
  listening_.backEnd().jumpTo(ms);
}

void SentencePlayer::repeatSentence(const Sentence& sentence) {
  if (!listening_.playing()) return;
  pacer_.reset();
  listening_.backEnd().repeatRange(sentence.startMs, sentence.endMs);
}

void SentencePlayer::loopUnit(double startMs, double endMs, int sentence) {
  if (!listening_.playing()) return;
  const double returnTo = listening_.position();
  std::vector<DrillStep> plan = unitPlan(startMs, endMs, sentence, listening_.length(), listening_.speedTenths(),
                                         pacer_.options());
  pacer_.endRun();
  pacer_.startRun(std::move(plan), listening_.backEnd(), listening_.streaming(), returnTo);
}

void SentencePlayer::pausePlaying() {
  if (listening_.playing()) listening_.pause();
}

bool SentencePlayer::playSentence(const std::string& recording, std::int32_t startMs, std::int32_t endMs) {
  if (listening_.recording() != recording || !listening_.playing()) listening_.open(recording);
  if (listening_.recording() != recording || !listening_.playing()) return false;
  repeatSentence({startMs, endMs, std::nullopt});
  return true;
}

void SentencePlayer::previousSentence() {
  if (!listening_.playing()) return;
  const double position = listening_.position();
  if (pacer_.running()) pacer_.moveRun(true);
  else sentences_.previous(listening_.backEnd(), position);
}

void SentencePlayer::nextSentence() {
  if (!listening_.playing()) return;
  const double position = listening_.position();
  if (pacer_.running()) pacer_.moveRun(false);
  else sentences_.next(listening_.backEnd(), position);
}

void SentencePlayer::repeatHere() {
  if (!listening_.playing()) return;
  const double position = listening_.position();
  if (!startScheme(sentenceAt(sentences_.map().sentences, position))) sentences_.repeat(listening_.backEnd(), position);
}

bool SentencePlayer::startScheme(int firstSentence) {
  std::vector<DrillStep> plan = planDrill(schemes_.scheme(), sentences_.map().sentences, listening_.length(),
                                          firstSentence);
  if (plan.empty()) return false;
  pacer_.startRun(std::move(plan), listening_.backEnd(), listening_.streaming());
  return true;
}

void SentencePlayer::startSchemeFromFirstSentence() {
  if (!listening_.playing()) return;
  pacer_.endRun();
  pacer_.reset();
  startScheme(0);
}

std::vector<DrillStep> SentencePlayer::exportPlan() const {
  return planWholeDrill(schemes_.scheme(), sentences_.map().sentences, listening_.length());
}

std::string SentencePlayer::runCaption() const {
  const DrillStep* step = pacer_.currentStep();
  return step ? stepCaption(*step) : std::string();
}

}  // namespace tessaly
