// SPDX-License-Identifier: GPL-3.0-or-later
#include "pitch/Pitch.h"

#include <aubio/aubio.h>

#include <algorithm>
#include <cmath>
#include <limits>

namespace tessaly::pitch {

namespace {

constexpr double kLeastConfidence = 0.6;
constexpr double kSilenceDb = -45;
constexpr double kLowestHz = 60, kHighestHz = 600;

double median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::nth_element(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(v.size() / 2), v.end());
  return v[v.size() / 2];
}

}  // namespace

std::vector<PitchFrame> trackPitch(const float* mono, std::size_t count, int sampleRate) {
  std::vector<PitchFrame> frames;
  const auto hop = static_cast<uint_t>(sampleRate * kHopMs / 1000);
  if (hop == 0 || count == 0) return frames;
  uint_t window = 1;
  while (window < static_cast<uint_t>(sampleRate * 40 / 1000)) window <<= 1;  // two periods of 60 Hz at least
  aubio_pitch_t* tracker = new_aubio_pitch("yinfft", window, hop, static_cast<uint_t>(sampleRate));
  if (!tracker) return frames;
  aubio_pitch_set_unit(tracker, "Hz");
  aubio_pitch_set_silence(tracker, static_cast<smpl_t>(kSilenceDb));
  fvec_t* in = new_fvec(hop);
  fvec_t* out = new_fvec(1);
  for (std::size_t at = 0; at < count; at += hop) {
    for (uint_t i = 0; i < hop; ++i) in->data[i] = at + i < count ? mono[at + i] : 0.0f;
    aubio_pitch_do(tracker, in, out);
    frames.push_back({out->data[0], 0.0});
  }
  del_fvec(out);
  del_fvec(in);
  del_aubio_pitch(tracker);
  // aubio reports a hop's pitch once its window has filled: the line moves back by the
  // window's lag so frame k stands for the sound at k hops.
  const std::size_t lag = (window - hop) / hop / 2;
  if (lag > 0 && frames.size() > lag) {
    frames.erase(frames.begin(), frames.begin() + static_cast<std::ptrdiff_t>(lag));
    frames.insert(frames.end(), lag, PitchFrame{});
  }
  // The confidence: how alike the sound is to itself one period later (aubio's own figure
  // for yinfft stays at 0 in this version), over 40 ms from the frame.
  const std::size_t span = static_cast<std::size_t>(sampleRate) * 40 / 1000;
  for (std::size_t k = 0; k < frames.size(); ++k) {
    PitchFrame& f = frames[k];
    if (f.hz < kLowestHz || f.hz > kHighestHz) {
      f.hz = 0;
      continue;
    }
    const std::size_t from = k * hop, period = static_cast<std::size_t>(std::lround(sampleRate / f.hz));
    double xy = 0, xx = 0, yy = 0;
    for (std::size_t i = from; i < from + span && i + period < count; ++i) {
      xy += mono[i] * mono[i + period];
      xx += mono[i] * mono[i];
      yy += mono[i + period] * mono[i + period];
    }
    f.confidence = xx > 0 && yy > 0 ? xy / std::sqrt(xx * yy) : 0.0;
    if (f.confidence < kLeastConfidence) f.hz = 0;
  }
  smoothPitch(frames);
  return frames;
}

void smoothPitch(std::vector<PitchFrame>& frames) {
  // The voiced neighbours of frame k, two hops either side, k's own included.
  const auto neighbours = [](const std::vector<PitchFrame>& line, std::size_t k) {
    std::vector<double> near;
    for (std::size_t j = k >= 2 ? k - 2 : 0; j <= k + 2 && j < line.size(); ++j)
      if (line[j].hz > 0) near.push_back(line[j].hz);
    return near;
  };
  // First an octave off its neighbours is a tracker's slip, not the voice: brought back.
  std::vector<PitchFrame> mended = frames;
  for (std::size_t k = 0; k < frames.size(); ++k) {
    if (frames[k].hz <= 0) continue;
    const double m = median(neighbours(frames, k));
    while (mended[k].hz > m * 1.7) mended[k].hz /= 2;
    while (mended[k].hz < m / 1.7) mended[k].hz *= 2;
  }
  // Then each voiced frame is the median of its voiced neighbours.
  for (std::size_t k = 0; k < frames.size(); ++k)
    if (mended[k].hz > 0) frames[k].hz = median(neighbours(mended, k));
}

std::vector<double> semitonesFromMedian(const std::vector<PitchFrame>& frames) {
  std::vector<double> voiced;
  for (const PitchFrame& f : frames)
    if (f.hz > 0) voiced.push_back(f.hz);
  const double centre = median(voiced);
  std::vector<double> out;
  for (const PitchFrame& f : frames)
    out.push_back(f.hz > 0 && centre > 0 ? 12 * std::log2(f.hz / centre) : std::numeric_limits<double>::quiet_NaN());
  return out;
}

}  // namespace tessaly::pitch
