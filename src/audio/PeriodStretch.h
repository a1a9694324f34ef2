// SPDX-License-Identifier: GPL-3.0-or-later
// The stretch contract (Stretch.h) on a waveform-similarity overlap-add of the program's own
// whose splices follow the pitch period. Each step first hears how long the sound takes to
// repeat where it stands (PeriodSearch.h); in voiced sound the step is a whole number of
// those periods and its crossfade one or two of them; other sound takes a plain step of
// fixed length, sought only a little way. The step's sound is sought near where the speed
// puts it, by normalised cross-correlation with the sound the last step ran on, so each
// splice joins two periods in phase, and the crossfade keeps the level of like and of
// unrelated sound. Steps are centred on their promised place: output frame k stands for file
// frame F + k × speed within a step's drift (about half a step, and the search).
//
// It owns the file frames still to be heard (interleaved, with their mono mix and a coarse
// copy of it for the searches), the speeds they were fed at, and the output made from them.
// Stereo: both channels are cut at the same places, found on their mix.
//
// Worker thread only: one Player's worker (or one drill render) owns its stretch.
#pragma once

#include <vector>

#include "audio/PeriodSearch.h"
#include "audio/Stretch.h"

namespace tessaly::audio {

class PeriodStretch final : public Stretch {
 public:
  PeriodStretch(int sampleRate, int channels, PeriodTuning tuning = PeriodTuning{});

  void restart(double speed) override;
  int historyFrames() const override { return history_; }
  void prime(const float* in, int frames) override;
  void setSpeed(double speed) override { speed_ = speed; }
  double speed() const override { return speed_; }
  int wanted() const override;
  void feed(const float* in, int frames, bool last) override;
  int take(float* out, int maxFrames) override;
  int available() const override;
  bool finished() const override;

 private:
  // From file frame `in` (counted from the first frame primed) on, fed at `speed`; it stands
  // at output frame `out`.
  struct Span {
    long long in;
    double out;
    double speed;
  };

  void append(const float* in, int frames);
  double placeOf(double out, double* speed) const;  // the file frame output frame `out` stands for
  long long reach() const;                          // the file frames the next step may read up to
  bool step();                                      // makes the next step when its sound is here
  void run();
  void forget();

  const int rate_;
  const int channels_;
  const PeriodTuning tuning_;
  const int coarse_;  // frames a coarse sample stands for
  const int match_;   // frames compared
  const int shortestPeriod_, longestPeriod_;
  const int longestHop_, widestSeek_;
  const int history_;

  double speed_ = 1.0;
  std::vector<Span> spans_;
  long long base_ = 0;        // the file frame the buffers begin at (a multiple of coarse_)
  std::vector<float> in_;     // interleaved file frames from base_
  std::vector<float> mix_;    // their mono mix
  std::vector<float> rough_;  // the mix averaged over coarse_ frames, from base_ / coarse_
  long long fed_ = 0;         // file frames in the buffers, counting the silence after the last
  long long next_ = 0;        // the file frame the last step's sound goes on at
  long long made_ = 0;        // output frames made
  std::vector<float> out_;    // output made and not yet taken, from outAt_
  std::size_t outAt_ = 0;
  bool last_ = false;
  double due_ = 0;       // output frames the input fed so far stands for, at its speeds
  long long given_ = 0;  // output frames taken
};

}  // namespace tessaly::audio
