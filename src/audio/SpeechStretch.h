// SPDX-License-Identifier: GPL-3.0-or-later
// The stretch contract (Stretch.h) on libsoundtouch's waveform-similarity overlap-add, set
// for speech: the sound is cut into short sequences, each laid down again where its waveform
// best matches the one before it, so a voice keeps its pitch periods whole and its consonants
// sharp. It owns its SoundTouch pipeline (interleaved float samples, the library's own
// sample type) and the counts that make its output exact in length and alignment.
//
// Worker thread only: one Player's worker (or one drill render) owns its stretch.
#pragma once

#include <memory>

#include "audio/Stretch.h"

namespace soundtouch {
class SoundTouch;
}

namespace tessaly::audio {

// The cutting of the sound, in milliseconds: each sequence's length, how far either side of
// its nominal place the best match is sought, and the crossfade between two.
struct SpeechTuning {
  int sequenceMs = 40;
  int seekWindowMs = 15;
  int overlapMs = 8;
};

class SpeechStretch final : public Stretch {
 public:
  SpeechStretch(int sampleRate, int channels, SpeechTuning tuning = SpeechTuning{});
  ~SpeechStretch() override;

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
  int channels_;
  int history_;       // file frames heard before the start
  double sequence_;   // frames of one sequence
  double early_ = 0;  // output frames by which slowed sound comes early, dropped the less
  double speed_ = 1.0;
  std::unique_ptr<soundtouch::SoundTouch> touch_;
  int toDrop_ = 0;  // output frames that stand for the history, still to drop
  bool last_ = false;
  double due_ = 0;       // output frames the input fed so far stands for, at its speeds
  long long given_ = 0;  // output frames taken
};

}  // namespace tessaly::audio
