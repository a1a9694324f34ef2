// SPDX-License-Identifier: GPL-3.0-or-later
#include "shadow/TakeJudge.h"

#include <algorithm>
#include <cmath>

#include "check/Check.h"
#include "pitch/Pitch.h"

namespace tessaly {

namespace {

constexpr int kShortestTakeMs = 300;  // less is no take to compare
constexpr int kLeastVoicedHops = 10;  // nor is one with less voice than this (100 ms)

}  // namespace

std::string takeRefusal(const std::string& deviceFailure, std::size_t originalFrames, std::size_t takeFrames, int rate) {
  if (!deviceFailure.empty()) return deviceFailure;  // the device stopped mid-take: nothing of it is kept
  if (originalFrames == 0) return "读不出这一句的原声，不能比较。";
  if (takeFrames < static_cast<std::size_t>(rate * kShortestTakeMs / 1000)) return "录音太短，没有能比较的声音。";
  return {};
}

TakeComparison judgeTake(const TakeRequest& request, const std::vector<float>& original, const std::vector<float>& take,
                         int rate, const ReadingTable* readings) {
  TakeComparison c;
  c.originalMs = original.size() * 1000.0 / rate;
  c.takeMs = take.size() * 1000.0 / rate;
  c.originalPeaks = peaksOf(original, rate);
  c.takePeaks = peaksOf(take, rate);
  // Tones are a Mandarin sentence's: an English one's words are not named for their pitch.
  const std::vector<Unit> units = unitsOf(request.text);
  const bool han = std::any_of(units.begin(), units.end(), [](const Unit& u) { return u.han; });
  c.score = pitch::scoreTake(original, rate, take, rate, han ? request.units : std::vector<align::Span>{});
  // A take is compared once its voice has a pitch somewhere (a muted microphone's has none).
  c.compared = enoughVoice(c.score.takeLine);
  if (!c.compared) c.failure = "这遍跟读里没有听到说话的声音，请看看麦克风是不是静音了。";
  if (readings) c.tones = pitch::toneMarks(request.text, *readings, request.units, c.originalMs);
  return c;
}

bool enoughVoice(const std::vector<double>& takeLine) {
  return std::count_if(takeLine.begin(), takeLine.end(), [](double st) { return !std::isnan(st); }) >= kLeastVoicedHops;
}

std::vector<float> peaksOf(const std::vector<float>& samples, int rate) {
  const std::size_t hop = static_cast<std::size_t>(std::max(1, rate * pitch::kHopMs / 1000));
  std::vector<float> peaks((samples.size() + hop - 1) / hop);
  for (std::size_t i = 0; i < samples.size(); ++i)
    peaks[i / hop] = std::max(peaks[i / hop], std::min(1.0f, std::abs(samples[i])));
  return peaks;
}

}  // namespace tessaly
