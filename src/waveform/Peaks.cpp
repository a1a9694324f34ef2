// SPDX-License-Identifier: GPL-3.0-or-later
#include "waveform/Peaks.h"

#include <algorithm>
#include <cmath>

namespace tessaly {

int peakBucketFrames(int sampleRate) {
  return std::max(1, static_cast<int>(std::lround(sampleRate * kPeakBucketMs / 1000.0)));
}

PeakPair peakOf(const float* frames, int count, int channels) {
  if (count <= 0 || channels <= 0) return {};
  float low = frames[0], high = frames[0];
  const std::size_t n = static_cast<std::size_t>(count) * static_cast<std::size_t>(channels);
  for (std::size_t i = 1; i < n; ++i) {
    low = std::min(low, frames[i]);
    high = std::max(high, frames[i]);
  }
  return {std::clamp(low, -1.0f, 1.0f), std::clamp(high, -1.0f, 1.0f)};
}

std::vector<PeakPair> peakColumns(const PeakTable& table, double fromMs, double toMs, int width) {
  std::vector<PeakPair> columns(static_cast<std::size_t>(std::max(0, width)));
  if (width <= 0 || toMs <= fromMs || table.buckets.empty() || table.bucketMs <= 0) return columns;
  const double msPerColumn = (toMs - fromMs) / width;
  const auto count = static_cast<std::int64_t>(table.buckets.size());
  for (int x = 0; x < width; ++x) {
    const double start = fromMs + x * msPerColumn;
    auto first = static_cast<std::int64_t>(std::floor(start / table.bucketMs));
    auto last = static_cast<std::int64_t>(std::ceil((start + msPerColumn) / table.bucketMs));  // one past
    first = std::max<std::int64_t>(first, 0);
    last = std::min(std::max(last, first + 1), count);
    if (first >= last) continue;
    PeakPair p = table.buckets[static_cast<std::size_t>(first)];
    for (std::int64_t b = first + 1; b < last; ++b) {
      p.low = std::min(p.low, table.buckets[static_cast<std::size_t>(b)].low);
      p.high = std::max(p.high, table.buckets[static_cast<std::size_t>(b)].high);
    }
    columns[static_cast<std::size_t>(x)] = p;
  }
  return columns;
}

}  // namespace tessaly
