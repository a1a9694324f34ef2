// SPDX-License-Identifier: GPL-3.0-or-later
// Short-time features of speech for aligning two renderings of one sentence: 13 MFCCs and
// their deltas
// (25 ms Hamming windows on a 10 ms hop, 26 mel bands from 100 Hz to 7.6 kHz, so a 16 kHz
// synthesis and a 44.1 kHz recording give comparable numbers), each sequence's mean removed
// (a voice's or a room's colour is not what is compared), and each frame's energy in dB for
// the valleys between syllables. Pure; any thread.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace tessaly::align {

inline constexpr int kHopMs = 10;
inline constexpr int kCoefficients = 13;

// The coefficients, then how each changes from the hop before to the hop after.
using Frame = std::array<float, 2 * kCoefficients>;

struct Features {
  std::vector<Frame> mfcc;      // one a hop
  std::vector<float> energyDb;  // one a hop
};

Features featuresOf(const float* mono, std::size_t count, int sampleRate);

// The value `share` of the way up `values` (0.5: the median), the nearest one below; 0 for none.
float percentile(std::vector<float> values, double share);

// The same features of a long recording read a piece at a time, so only its features are
// held, never its samples: frame k starts at sample k * sampleRate / 100 exactly (no drift
// at rates that are no multiple of 100 Hz). One thread at a time.
class FeatureStream {
 public:
  explicit FeatureStream(int sampleRate);
  ~FeatureStream();
  FeatureStream(const FeatureStream&) = delete;
  FeatureStream& operator=(const FeatureStream&) = delete;
  void add(const float* mono, std::size_t count);
  // The frames so far, the last ones padded with silence, each sequence's mean removed and
  // the deltas taken, as featuresOf gives them.
  Features finish();

  struct Maker;  // one window's arithmetic, in Features.cpp

 private:
  Maker* maker_;
  int rate_;
  std::vector<float> pending_;    // samples from the next frame's start on
  std::int64_t pendingFrom_ = 0;  // the first pending sample's place in the recording
  std::int64_t frames_ = 0;
  Features out_;
};

}  // namespace tessaly::align
