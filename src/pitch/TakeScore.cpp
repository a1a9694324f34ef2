// SPDX-License-Identifier: GPL-3.0-or-later
#include "pitch/TakeScore.h"

#include <algorithm>
#include <cmath>

#include "pitch/Pitch.h"

namespace tessaly::pitch {

namespace {

constexpr float kSpeechDb = 25;  // speech is within this of the loudest hop
constexpr int kPauseHops = 20;   // this much quiet inside the speech is a pause
// A character whose pitch moves this much has a tone to hear (people move theirs several
// semitones; synthesised Mandarin as little as 1.5).
constexpr double kToneRangeSt = 1.2;
constexpr double kFlatShare = 0.4;  // a take's movement under this share of it is flat

struct Speech {
  int from = 0, to = 0;  // hops
};

Speech speechOf(const std::vector<float>& energy) {
  Speech s{0, static_cast<int>(energy.size())};
  if (energy.empty()) return s;
  const float loudest = *std::max_element(energy.begin(), energy.end());
  while (s.from < s.to - 1 && energy[static_cast<std::size_t>(s.from)] < loudest - kSpeechDb) ++s.from;
  while (s.to > s.from + 1 && energy[static_cast<std::size_t>(s.to - 1)] < loudest - kSpeechDb) --s.to;
  return s;
}

int pausesIn(const std::vector<float>& energy, Speech s) {
  const float loudest = *std::max_element(energy.begin(), energy.end());
  int pauses = 0, quiet = 0;
  for (int k = s.from; k < s.to; ++k) {
    quiet = energy[static_cast<std::size_t>(k)] < loudest - kSpeechDb ? quiet + 1 : 0;
    pauses += quiet == kPauseHops;
  }
  return pauses;
}

// How far the voiced semitones in [from, to) move: from their 10th to their 90th percentile
// (a stray hop does not count); -1 with fewer than three voiced hops.
double movement(const std::vector<double>& st, int from, int to) {
  std::vector<double> voiced;
  for (int k = std::max(0, from); k < to && k < static_cast<int>(st.size()); ++k)
    if (!std::isnan(st[static_cast<std::size_t>(k)])) voiced.push_back(st[static_cast<std::size_t>(k)]);
  if (voiced.size() < 3) return -1;
  std::sort(voiced.begin(), voiced.end());
  return voiced[voiced.size() * 9 / 10] - voiced[voiced.size() / 10];
}

}  // namespace

TakeScore scoreTake(const std::vector<float>& original, int originalRate, const std::vector<float>& take, int takeRate,
                    const std::vector<align::Span>& units) {
  TakeScore result;
  const align::Features a = align::featuresOf(original.data(), original.size(), originalRate);
  const align::Features b = align::featuresOf(take.data(), take.size(), takeRate);
  if (a.mfcc.empty() || b.mfcc.empty()) {
    result.reasons.push_back("跟读录音里没有声音。");
    return result;
  }
  const Speech sa = speechOf(a.energyDb), sb = speechOf(b.energyDb);
  const auto path = align::warpPath({a.mfcc.begin() + sa.from, a.mfcc.begin() + sa.to},
                                    {b.mfcc.begin() + sb.from, b.mfcc.begin() + sb.to});
  const std::vector<double> pa = semitonesFromMedian(trackPitch(original.data(), original.size(), originalRate));
  const std::vector<double> pb = semitonesFromMedian(trackPitch(take.data(), take.size(), takeRate));
  // The two lines, hop by hop along the warp, where both are voiced.
  double sumA = 0, sumB = 0, sumAA = 0, sumBB = 0, sumAB = 0, sumDiff = 0;
  int n = 0;
  std::vector<int> takeHopOf(a.mfcc.size(), -1);
  for (const auto& [i, j] : path) {
    const int ia = i + sa.from, jb = j + sb.from;
    if (takeHopOf[static_cast<std::size_t>(ia)] < 0) takeHopOf[static_cast<std::size_t>(ia)] = jb;
    if (ia >= static_cast<int>(pa.size()) || jb >= static_cast<int>(pb.size())) continue;
    const double x = pa[static_cast<std::size_t>(ia)], y = pb[static_cast<std::size_t>(jb)];
    if (std::isnan(x) || std::isnan(y)) continue;
    sumA += x, sumB += y, sumAA += x * x, sumBB += y * y, sumAB += x * y, sumDiff += (x - y) * (x - y);
    ++n;
  }
  if (n > 1) {
    const double cov = sumAB - sumA * sumB / n, va = sumAA - sumA * sumA / n, vb = sumBB - sumB * sumB / n;
    result.shape = va > 0 && vb > 0 ? cov / std::sqrt(va * vb) : 0;
    result.rangeSt = std::sqrt(sumDiff / n);
  }
  result.lengthRatio = static_cast<double>(sb.to - sb.from) / std::max(1, sa.to - sa.from);
  result.takeLine.assign(pa.size(), std::nan(""));
  for (std::size_t i = 0; i < pa.size() && i < takeHopOf.size(); ++i)
    if (const int j = takeHopOf[i]; j >= 0 && j < static_cast<int>(pb.size()))
      result.takeLine[i] = pb[static_cast<std::size_t>(j)];
  result.originalLine = pa;

  // Each character whose tone the speaker moved and the take hardly did.
  for (std::size_t u = 0; u < units.size(); ++u) {
    const int from = static_cast<int>(units[u].startMs / align::kHopMs),
              to = static_cast<int>(units[u].endMs / align::kHopMs);
    const double theirs = movement(pa, from, to);
    if (theirs < kToneRangeSt) continue;
    const auto hop = [&](int k) { return takeHopOf[static_cast<std::size_t>(std::clamp(k, sa.from, sa.to - 1))]; };
    const double ours = movement(pb, hop(from), hop(to - 1) + 1);
    if (ours >= 0 && ours < kFlatShare * theirs) result.flatUnits.push_back(static_cast<int>(u));
  }

  const double timing = std::max(0.0, 1 - std::abs(std::log(result.lengthRatio)) / std::log(2.0));
  result.score = static_cast<int>(
      std::lround(100 * (0.5 * std::max(0.0, result.shape) + 0.3 * std::max(0.0, 1 - result.rangeSt / 6) + 0.2 * timing)));
  if (result.lengthRatio > 1.15)
    result.reasons.push_back("整句比原声慢 " + std::to_string(std::lround((result.lengthRatio - 1) * 100)) + " %");
  else if (result.lengthRatio < 0.87)
    result.reasons.push_back("整句比原声快 " + std::to_string(std::lround((1 - result.lengthRatio) * 100)) + " %");
  if (const int extra = pausesIn(b.energyDb, sb) - pausesIn(a.energyDb, sa); extra > 0)
    result.reasons.push_back("句中多停顿了 " + std::to_string(extra) + " 次");
  for (int u : result.flatUnits) result.reasons.push_back("第 " + std::to_string(u + 1) + " 个字的声调偏平");
  if (n > 1 && result.shape < 0.5) result.reasons.push_back("音高的起伏和原声不像");
  if (n > 1 && result.rangeSt > 3)
    result.reasons.push_back("音高和原声平均差 " + std::to_string(std::lround(result.rangeSt)) + " 个半音");
  if (result.reasons.empty()) result.reasons.push_back("和原声很接近");
  return result;
}

}  // namespace tessaly::pitch
