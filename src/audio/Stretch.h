// SPDX-License-Identifier: GPL-3.0-or-later
// The time-stretch stage between the decoder and the output ring: file frames in, output
// frames out, the pitch kept, at a speed from 0.5 to 2.0 (2.0 takes half the time). Rubber
// Band's R3 engine in its real-time mode does the work (see the README for why it was
// chosen); the speed can change while it runs.
//
// Alignment: a stretch begins at a file frame F. It first hears up to historyFrames() file
// frames before F (zeros where the file has none), and drops its own start delay, so the
// first output frame stands for F exactly; output frame k then stands for file frame
// F + k × speed while the speed stays.
//
// Worker thread only: one Player's worker owns its Stretch.
#pragma once

#include <memory>
#include <vector>

namespace RubberBand {
class RubberBandStretcher;
}

namespace tessaly::audio {

class Stretch {
 public:
  Stretch(int sampleRate, int channels);
  ~Stretch();
  Stretch(const Stretch&) = delete;
  Stretch& operator=(const Stretch&) = delete;

  // Forgets everything and begins a new stretch at `speed`.
  void restart(double speed);
  // File frames before the start that the stretch wants to hear first.
  int historyFrames() const;
  // The history: `frames` interleaved file frames that end where the stretch begins (fewer
  // than historyFrames() when the file starts sooner; the rest is silence).
  void prime(const float* in, int frames);
  // The speed of what is fed from now on.
  void setSpeed(double speed);
  double speed() const { return speed_; }

  // How many file frames it needs before it can give more output.
  int wanted() const;
  // Feeds `frames` interleaved file frames; `last` when nothing follows them.
  void feed(const float* in, int frames, bool last);
  // Up to `maxFrames` interleaved output frames into `out`; how many.
  int take(float* out, int maxFrames);
  // Output frames ready to take.
  int available() const;
  // Everything fed has been taken, after the last feed.
  bool finished() const;

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
