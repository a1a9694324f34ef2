// SPDX-License-Identifier: GPL-3.0-or-later
// The time-stretch stage between the decoder and the output ring: file frames in, output
// frames out, the pitch kept, at a speed from 0.5 to 2.0 (2.0 takes half the time). Three
// engines keep this contract: the speech engine (SpeechStretch.h, the default), Rubber Band's
// R3 (RubberBandStretch.h) and the program's own pitch-period stretch (PeriodStretch.h, which
// only the benchmark plays); makeStretch() makes the one chosen. The speed can change while
// any of them runs.
//
// Length: after the last feed a stretch gives exactly the frames the input stands for at its
// speeds (each feed's frames over the speed it was fed at, rounded once at the end): an
// engine's own tail is cut, a shortfall made up with silence.
//
// Alignment: a stretch begins at a file frame F. It first hears up to historyFrames() file
// frames before F (zeros where the file has none), and drops its own start delay, so the
// first output frame stands for F exactly; output frame k then stands for file frame
// F + k × speed while the speed stays (the speech engine within half its 40 ms sequence, the
// pitch-period one within a step's drift: they move whole pieces of the waveform).
//
// Worker thread only: one Player's worker (or one drill render) owns its Stretch.
#pragma once

#include <memory>

#include "playback/StretchEngine.h"

namespace tessaly::audio {

class Stretch {
 public:
  virtual ~Stretch() = default;
  Stretch() = default;
  Stretch(const Stretch&) = delete;
  Stretch& operator=(const Stretch&) = delete;

  // Forgets everything and begins a new stretch at `speed`.
  virtual void restart(double speed) = 0;
  // File frames before the start that the stretch wants to hear first.
  virtual int historyFrames() const = 0;
  // The history: `frames` interleaved file frames that end where the stretch begins (fewer
  // than historyFrames() when the file starts sooner; the rest is silence).
  virtual void prime(const float* in, int frames) = 0;
  // The speed of what is fed from now on.
  virtual void setSpeed(double speed) = 0;
  virtual double speed() const = 0;

  // How many file frames it needs before it can give more output.
  virtual int wanted() const = 0;
  // Feeds `frames` interleaved file frames; `last` when nothing follows them.
  virtual void feed(const float* in, int frames, bool last) = 0;
  // Up to `maxFrames` interleaved output frames into `out`; how many.
  virtual int take(float* out, int maxFrames) = 0;
  // Output frames ready to take.
  virtual int available() const = 0;
  // Everything fed has been taken, after the last feed.
  virtual bool finished() const = 0;
};

// A stretch of `engine` for a source of `sampleRate` and `channels` (1 or 2), at 1.0 until
// restarted.
std::unique_ptr<Stretch> makeStretch(StretchEngine engine, int sampleRate, int channels);

}  // namespace tessaly::audio
