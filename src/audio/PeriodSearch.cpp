// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/PeriodSearch.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <numbers>
#include <vector>

namespace tessaly::audio {

namespace {

double dot(const float* a, const float* b, int n) {
  double sum = 0;
  for (int i = 0; i < n; ++i) sum += static_cast<double>(a[i]) * b[i];
  return sum;
}

// Below this mean square a stretch is silence: nothing repeats in it and nothing matches.
constexpr double kSilence = 1e-12;

}  // namespace

Period findPeriod(const float* x, int window, int minLag, int maxLag, double nearBest) {
  minLag = std::max(1, minLag);
  if (window <= 0 || maxLag < minLag) return {};
  const double own = dot(x, x, window);
  if (own < kSilence * window) return {};
  // The energy of x[lag, lag + window), slid along one sample at a time.
  double energy = dot(x + minLag, x + minLag, window);
  std::vector<double> similarity(static_cast<std::size_t>(maxLag - minLag + 1));
  for (int lag = minLag; lag <= maxLag; ++lag) {
    if (lag > minLag) {
      const double out = x[lag - 1], in = x[lag + window - 1];
      energy = std::max(0.0, energy - out * out + in * in);
    }
    const double den = std::sqrt(own * energy);
    similarity[static_cast<std::size_t>(lag - minLag)] = den > 0 ? dot(x, x + lag, window) / den : 0.0;
  }
  const double best = *std::max_element(similarity.begin(), similarity.end());
  if (best <= 0) return {};
  const auto at = [&](int lag) { return similarity[static_cast<std::size_t>(lag - minLag)]; };
  for (int lag = minLag; lag <= maxLag; ++lag) {
    const bool peak = (lag == minLag || at(lag) >= at(lag - 1)) && (lag == maxLag || at(lag) >= at(lag + 1));
    if (peak && at(lag) >= nearBest * best) return {lag, at(lag)};
  }
  return {};
}

int bestMatch(const float* x, const float* y, int lo, int hi, int window, int prefer) {
  prefer = std::clamp(prefer, lo, hi);
  if (window <= 0 || hi <= lo) return prefer;
  double energy = dot(y + lo, y + lo, window);
  int found = prefer;
  double bestScore = 0;
  for (int offset = lo; offset <= hi; ++offset) {
    if (offset > lo) {
      const double out = y[offset - 1], in = y[offset + window - 1];
      energy = std::max(0.0, energy - out * out + in * in);
    }
    if (energy < kSilence * window) continue;
    const double score = dot(x, y + offset, window) / std::sqrt(energy);
    const double margin = 1e-9 * std::fabs(bestScore);
    if (score > bestScore + margin ||
        (std::fabs(score - bestScore) <= margin && std::abs(offset - prefer) < std::abs(found - prefer))) {
      bestScore = score;
      found = offset;
    }
  }
  return found;
}

Step stepFor(const Period& period, int rate, const PeriodTuning& tuning) {
  const auto frames = [&](double ms) { return std::max(1, static_cast<int>(std::lround(ms * rate / 1000.0))); };
  if (period.lag <= 0 || period.similarity < tuning.voicedSimilarity)
    return {frames(tuning.unvoicedHopMs), std::min(frames(tuning.unvoicedHopMs), frames(tuning.unvoicedOverlapMs)),
            static_cast<int>(std::lround(tuning.unvoicedSeekMs * rate / 1000.0))};
  const int periods = std::max(1, static_cast<int>(std::lround(tuning.voicedHopMs * rate / 1000.0 / period.lag)));
  const int hop = periods * period.lag;
  return {hop, std::min(hop, std::max(1, tuning.overlapPeriods) * period.lag),
          std::max(1, static_cast<int>(std::lround(tuning.voicedSeekPeriods * period.lag)))};
}

float fadeIn(int i, int overlap) {
  if (overlap <= 0) return 1.0f;
  return static_cast<float>(0.5 - 0.5 * std::cos(std::numbers::pi * (i + 0.5) / overlap));
}

double likeness(const float* a, const float* b, int n) {
  const double den = std::sqrt(dot(a, a, n) * dot(b, b, n));
  return den > kSilence * n ? dot(a, b, n) / den : 0.0;
}

float crossfadeGain(float w, double alike) {
  // The sum's power against either sound's: (1 − w)² + w² + 2w(1 − w)·alike; sounds in
  // opposition are not boosted.
  const double a = 1.0 - w, power = a * a + double{w} * w + 2.0 * a * w * std::clamp(alike, 0.0, 1.0);
  return static_cast<float>(1.0 / std::sqrt(power));
}

}  // namespace tessaly::audio
