// SPDX-License-Identifier: GPL-3.0-or-later
// What the sound output played, told back as stretches of the source files: the disk
// driver's output is cut into 10 ms chunks, each chunk that sounds is found in the sources
// (FFmpeg's own decoding of them), and chunks that follow on in one source make one run.
// Silence (the gaps of a loop, a pause, the silent parts of a recording) belongs to no run;
// a run goes on over silence when the source picks up again no later than the silence
// allows, so a pause and continue, or a moment of underrun, stay inside one run while every
// jump back or forward starts a new one.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tessaly::test {

struct Stretch {
  int source = 0;             // index into the sources
  std::int64_t outStart = 0;  // output frames [outStart, outEnd)
  std::int64_t outEnd = 0;
  std::int64_t sourceStart = 0;  // source frames [sourceStart, sourceEnd)
  std::int64_t sourceEnd = 0;
  std::int64_t longestSilence = 0;  // output frames of silence inside the run, beyond the source's own
};

struct Trace {
  std::vector<Stretch> runs;
  // Output frames where a sounding chunk was found in no source: mostly chunks across a
  // boundary, and a few where a lossy decoding after a seek differs too much.
  std::vector<std::int64_t> unmatched;
  std::int64_t longestUnmatched = 0;  // frames: the longest row of such chunks
};

// `output` and every source: interleaved floats with `channels` channels at `rate` Hz.
Trace traceOutput(const std::vector<float>& output, const std::vector<std::vector<float>>& sources, int channels, int rate);

// The runs as lines of text, in seconds, for failure messages.
std::string describe(const Trace& trace, int rate);

}  // namespace tessaly::test
