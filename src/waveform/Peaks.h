// SPDX-License-Identifier: GPL-3.0-or-later
// The waveform of a recording as the practice window draws it: the lowest and highest sample
// of every few milliseconds (a bucket), over all channels. An hour at 5 ms is 720,000 pairs
// (5.8 MB). The drawing asks for one pair per pixel column of any stretch of the recording.
//
// Pure; any thread. The table is filled by a PeakScan in the background (PeakScan.h).
#pragma once

#include <cstdint>
#include <vector>

namespace tessaly {

struct PeakPair {
  float low = 0;  // -1 .. 1
  float high = 0;
  friend bool operator==(const PeakPair&, const PeakPair&) = default;
};

inline constexpr int kPeakBucketMs = 5;

// The frames of one bucket at `sampleRate` (about kPeakBucketMs; at least 1).
int peakBucketFrames(int sampleRate);

struct PeakTable {
  double bucketMs = kPeakBucketMs;  // exact: bucket frames / sample rate
  std::vector<PeakPair> buckets;
  double coveredMs() const { return bucketMs * static_cast<double>(buckets.size()); }
};

// The pair of `count` interleaved frames of `channels` channels.
PeakPair peakOf(const float* frames, int count, int channels);

// One pair per column for `width` columns showing [fromMs, toMs): each column the extremes of
// the buckets it covers (a column narrower than a bucket shows the bucket it lies in). Columns
// beyond what the table covers are {0, 0}.
std::vector<PeakPair> peakColumns(const PeakTable& table, double fromMs, double toMs, int width);

}  // namespace tessaly
