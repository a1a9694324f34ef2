// SPDX-License-Identifier: GPL-3.0-or-later
// The stretch contract (Stretch.h) on Rubber Band's R3 engine in its real-time mode: smooth
// on music and steady tones, a little soft on the consonants of speech. It owns its
// stretcher and the planar buffers the library wants.
//
// Worker thread only: one Player's worker (or one drill render) owns its stretch.
#pragma once

#include <memory>
#include <vector>

#include "audio/Stretch.h"

namespace RubberBand {
class RubberBandStretcher;
}

namespace tessaly::audio {

class RubberBandStretch final : public Stretch {
 public:
  RubberBandStretch(int sampleRate, int channels);
  ~RubberBandStretch() override;

  void restart(double speed) override;
  int historyFrames() const override;
  void prime(const float* in, int frames) override;
  void setSpeed(double speed) override;
  double speed() const override { return speed_; }
  int wanted() const override;
  void feed(const float* in, int frames, bool last) override;
  int take(float* out, int maxFrames) override;
  int available() const override;
  bool finished() const override;

 private:
  void process(const float* in, int frames, bool last);

  int channels_;
  double speed_ = 1.0;
  std::unique_ptr<RubberBand::RubberBandStretcher> stretcher_;
  std::vector<std::vector<float>> planes_;  // one per channel, for the library's planar buffers
  int toDrop_ = 0;                          // output frames of the start delay still to drop
  bool last_ = false;
  double due_ = 0;       // output frames the input fed so far stands for, at its speeds
  long long given_ = 0;  // output frames taken
};

}  // namespace tessaly::audio
