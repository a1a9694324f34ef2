// SPDX-License-Identifier: GPL-3.0-or-later
// The best place of one sentence's frames in a stretch of the recording: on its copy among
// unrelated frames, at the copy's pace, ending where it is told to, never squeezed beyond
// what a sentence may take.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "align/SentenceWarp.h"

namespace tessaly::align {
namespace {

std::vector<Frame> randomFrames(int count, unsigned seed) {
  std::mt19937 random(seed);
  std::normal_distribution<float> value(0, 1);
  std::vector<Frame> out(static_cast<std::size_t>(count));
  for (Frame& f : out)
    for (float& v : f) v = value(random);
  return out;
}

// `parts` one after another: unrelated frames (a count) or the sentence at a pace (each of
// its frames `repeat` times).
struct Part {
  int unrelated = 0, repeat = 0;
};

std::vector<Frame> recordingOf(const std::vector<Frame>& sentence, const std::vector<Part>& parts) {
  std::vector<Frame> out;
  unsigned seed = 100;
  for (const Part& p : parts) {
    if (p.unrelated > 0) {
      const std::vector<Frame> noise = randomFrames(p.unrelated, seed++);
      out.insert(out.end(), noise.begin(), noise.end());
    }
    for (const Frame& f : sentence)
      for (int r = 0; r < p.repeat; ++r) out.push_back(f);
  }
  return out;
}

TEST(BestPlace, FindsTheSentenceWhereItIsSpokenWithinTheEndsAllowed) {
  const std::vector<Frame> sentence = randomFrames(20, 7);
  struct Case {
    const char* what;
    std::vector<Part> parts;
    int endFrom, start, end;  // -1: not placed
  };
  const Case cases[] = {
      {"on its copy among unrelated frames", {{30, 0}, {0, 1}, {30, 0}}, 0, 30, 49},
      {"at half its pace", {{30, 0}, {0, 2}, {30, 0}}, 0, 30, 69},
      {"the later of two copies where the end must be late", {{10, 0}, {0, 1}, {20, 0}, {0, 1}, {10, 0}}, 55, 50, 69},
      {"nowhere in a stretch too short for it", {{0, 0}, {6, 0}}, 0, -1, -1},
  };
  for (const Case& c : cases) {
    const std::vector<Frame> recording = recordingOf(sentence, c.parts);
    const Placed p = bestPlace(sentence, 0, 20, recording, 0, static_cast<int>(recording.size()), c.endFrom, 1, 0.1f);
    if (c.start < 0) {
      EXPECT_EQ(p.start, -1) << c.what;
      continue;
    }
    // At a slower pace the first and last frames may each be heard once less: within a frame.
    EXPECT_NEAR(p.start, c.start, 1) << c.what;
    EXPECT_NEAR(p.end, c.end, 1) << c.what;
  }
}

}  // namespace
}  // namespace tessaly::align
