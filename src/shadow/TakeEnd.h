// SPDX-License-Identifier: GPL-3.0-or-later
// Where a 跟读 take ends by itself, read from the level of each 10 ms of it: once the voice has
// been heard (100 ms in a row over the silence line), after a second of silence; else at its
// longest. Counted in frames on blocks fixed from the take's start, so a second of silence is
// a second: a block of 220 frames at 22050 Hz is not 9 ms. Pure.
//
// Threads: one TakeEnd a take, fed by the capture's thread (audio/Capture.h); any thread.
#pragma once

#include <cstddef>
#include <optional>
#include <vector>

namespace tessaly {

struct TakeEndOptions {
  int longestMs = 20000;     // the take stops here (twice the sentence's length, say)
  int silenceStopMs = 1000;  // this much silence after the voice ends the take
  double silenceDb = -40;    // under this (dBFS, over 50 ms) is silence
};

class TakeEnd {
 public:
  // A block is a hundredth of `rate` frames.
  TakeEnd(const TakeEndOptions& options, int rate);

  // The level of the take's next block (dBFS over the 50 ms up to its end); true when the
  // take ends with this block.
  bool operator()(double levelDb);
  // The frames of the blocks heard so far: where the take ends, once it has.
  std::size_t frames() const { return measured_; }
  std::size_t blockFrames() const { return block_; }

 private:
  std::size_t block_, voiceFrames_, quietToStop_, longest_;
  double silenceDb_;
  std::size_t measured_ = 0, voice_ = 0, quiet_ = 0;
  bool heard_ = false;
};

// The frame a take whose blocks have `levels` ends at; nullopt when it runs on past them.
std::optional<std::size_t> takeEndOf(const std::vector<double>& levels, const TakeEndOptions& options, int rate);

}  // namespace tessaly
