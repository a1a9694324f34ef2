// SPDX-License-Identifier: GPL-3.0-or-later
#include "sentences/PauseFinder.h"

#include <algorithm>
#include <cmath>

namespace tessaly {

float envelopeDb(const float* samples, int frames, int channels) {
  double sum = 0;
  const int n = frames * channels;
  for (int i = 0; i < n; ++i) sum += static_cast<double>(samples[i]) * samples[i];
  const double mean = n > 0 ? sum / n : 0.0;
  return mean > 1e-12 ? static_cast<float>(10.0 * std::log10(mean)) : -120.0f;
}

std::vector<Sentence> findSentences(const std::vector<float>& envelope, std::int32_t lengthMs) {
  if (envelope.size() < 10) return {};
  // The recording's own levels: the quiet tenth is its noise floor, the loud tenth its speech.
  std::vector<float> sorted(envelope);
  const auto at = [&sorted](double q) {
    const auto k = static_cast<std::ptrdiff_t>(q * static_cast<double>(sorted.size() - 1));
    std::nth_element(sorted.begin(), sorted.begin() + k, sorted.end());
    return sorted[static_cast<std::size_t>(k)];
  };
  const float floor = at(0.10), speech = at(0.95);
  if (speech - floor < 12.0f) return {};  // nothing stands out from the noise
  // Speech is what rises well above the floor; around it, what still stands out from the
  // noise (the soft start and fading end of a word) belongs to it too.
  const float threshold = floor + 0.35f * (speech - floor);
  const float edge = std::min(threshold, floor + 8.0f);
  const int count = static_cast<int>(envelope.size());
  std::vector<bool> voiced(envelope.size(), false);
  for (int i = 0; i < count; ++i) {
    if (envelope[static_cast<std::size_t>(i)] < threshold || voiced[static_cast<std::size_t>(i)]) continue;
    int first = i, last = i;
    while (first > 0 && envelope[static_cast<std::size_t>(first - 1)] >= edge) --first;
    while (last + 1 < count && envelope[static_cast<std::size_t>(last + 1)] >= edge) ++last;
    for (int k = first; k <= last; ++k) voiced[static_cast<std::size_t>(k)] = true;
  }

  // Runs of speech, bridging gaps shorter than a sentence pause (commas, stops in a word).
  const int pauseFrames = kSentencePauseMs / kEnvelopeFrameMs;
  struct Run {
    int first, last;  // frames, inclusive
  };
  std::vector<Run> runs;
  for (int i = 0; i < count; ++i) {
    if (!voiced[static_cast<std::size_t>(i)]) continue;
    if (!runs.empty() && i - runs.back().last <= pauseFrames) runs.back().last = i;
    else runs.push_back({i, i});
  }
  // A sentence shorter than the shortest joins the nearer neighbour (a cough, a click).
  const int shortest = kShortestSentenceMs / kEnvelopeFrameMs;
  for (std::size_t i = 0; i < runs.size() && runs.size() > 1;) {
    if (runs[i].last - runs[i].first + 1 >= shortest) {
      ++i;
      continue;
    }
    const int before = i > 0 ? runs[i].first - runs[i - 1].last : INT32_MAX;
    const int after = i + 1 < runs.size() ? runs[i + 1].first - runs[i].last : INT32_MAX;
    if (before <= after) {
      runs[i - 1].last = runs[i].last;
      runs.erase(runs.begin() + static_cast<std::ptrdiff_t>(i));
    } else {
      runs[i + 1].first = runs[i].first;
      runs.erase(runs.begin() + static_cast<std::ptrdiff_t>(i));
    }
  }
  std::vector<Sentence> sentences;
  for (const Run& run : runs) {
    if (sentences.size() >= kMaxSentences) break;
    std::int32_t end = (run.last + 1) * kEnvelopeFrameMs;
    if (lengthMs > 0) end = std::min(end, lengthMs);
    if (end > run.first * kEnvelopeFrameMs) sentences.push_back({run.first * kEnvelopeFrameMs, end, std::nullopt});
  }
  return sentences;
}

}  // namespace tessaly
