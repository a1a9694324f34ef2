// SPDX-License-Identifier: GPL-3.0-or-later
// The pitch line of speech, for 跟读: F0 every 10 ms by aubio's yinfft tracker, kept only
// where the sound is periodic at that F0 (its normalised autocorrelation one period on) and
// not silence, median-smoothed over five hops,
// octave jumps mended (a hop an octave off its neighbours is brought back), and given in
// semitones from the speaker's own median so two voices can be laid on one scale. Pure
// computation on samples; any thread (each call its own tracker).
#pragma once

#include <cstddef>
#include <vector>

namespace tessaly::pitch {

inline constexpr int kHopMs = 10;

struct PitchFrame {
  double hz = 0;          // 0: unvoiced, or not confident
  double confidence = 0;  // the sound's likeness to itself one period later, -1 to 1
};

// One frame a hop; frame k stands for the sound from k × 10 ms.
std::vector<PitchFrame> trackPitch(const float* mono, std::size_t count, int sampleRate);

// Smoothed and mended in place (unvoiced frames stay unvoiced).
void smoothPitch(std::vector<PitchFrame>& frames);

// Semitones from the median of the voiced frames; unvoiced frames are NaN.
std::vector<double> semitonesFromMedian(const std::vector<PitchFrame>& frames);

}  // namespace tessaly::pitch
