// SPDX-License-Identifier: GPL-3.0-or-later
// Where a 跟读 take ends by itself, from the levels of its 10 ms blocks: the voice must be heard
// for 100 ms in a row first, then a second of silence ends it, counted in frames (a block of
// 220 frames at 22050 Hz is 9.98 ms, so a count of whole ms a block would run on 12 blocks
// late and want 12 blocks of voice); or it ends at its longest.
#include "shadow/TakeEnd.h"

#include <gtest/gtest.h>

#include <optional>
#include <utility>
#include <vector>

namespace tessaly::test {
namespace {

constexpr double kVoice = -20, kQuiet = -60;

// Runs of (level, blocks) one after another.
std::vector<double> levels(const std::vector<std::pair<double, int>>& runs) {
  std::vector<double> out;
  for (const auto& [db, blocks] : runs) out.insert(out.end(), static_cast<std::size_t>(blocks), db);
  return out;
}

TEST(TakeEnd, EndsASecondAfterTheVoiceOrAtItsLongest) {
  const TakeEndOptions usual;
  const struct {
    const char* what;
    TakeEndOptions options;
    int rate;
    std::vector<std::pair<double, int>> runs;
    std::optional<int> endBlock;  // the block the take ends with, counted from 1
  } cases[] = {
      // 22050 frames of silence are 101 blocks of 220 (100 are 22000); 100 ms of voice is 11.
      {"voice, then a second of silence", usual, 22050, {{kVoice, 11}, {kQuiet, 101}}, 112},
      {"a block short of the second", usual, 22050, {{kVoice, 11}, {kQuiet, 100}}, std::nullopt},
      {"a block short of the voice", usual, 22050, {{kVoice, 10}, {kQuiet, 300}}, std::nullopt},
      {"voice broken before 100 ms is no voice",
       usual,
       22050,
       {{kVoice, 6}, {kQuiet, 1}, {kVoice, 6}, {kQuiet, 300}},
       std::nullopt},
      {"silence before the voice does not count", usual, 22050, {{kQuiet, 150}, {kVoice, 11}, {kQuiet, 101}}, 262},
      {"a sound in the silence starts it again",
       usual,
       22050,
       {{kVoice, 11}, {kQuiet, 50}, {kVoice, 1}, {kQuiet, 101}},
       163},
      {"the silence line itself is voice", usual, 22050, {{-40, 11}, {-40.01, 101}}, 112},
      {"half a second of silence asked for", {20000, 500, -40}, 22050, {{kVoice, 11}, {kQuiet, 51}}, 62},
      {"another silence line", {20000, 1000, -30}, 22050, {{-35, 11}, {kQuiet, 300}}, std::nullopt},
      // 17640 frames are 80.2 blocks: the take ends with the 81st.
      {"the longest, all voice", {800, 1000, -40}, 22050, {{kVoice, 200}}, 81},
      {"the longest, all silence", {800, 1000, -40}, 22050, {{kQuiet, 200}}, 81},
      {"the longest before the second is out", {800, 1000, -40}, 22050, {{kVoice, 11}, {kQuiet, 101}}, 81},
      // At 48000 Hz a block is 480 frames, whole ms: 10 blocks of voice, 100 of silence.
      {"another rate", usual, 48000, {{kVoice, 10}, {kQuiet, 100}}, 110},
      {"another rate, a block short", usual, 48000, {{kVoice, 10}, {kQuiet, 99}}, std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::optional<std::size_t> end = takeEndOf(levels(c.runs), c.options, c.rate);
    ASSERT_EQ(end.has_value(), c.endBlock.has_value());
    if (end) {
      EXPECT_EQ(*end, static_cast<std::size_t>(*c.endBlock) * static_cast<std::size_t>(c.rate / 100));
    }
  }
}

// The capture's view: a block at a time, the take's frames so far, the end told once it comes.
TEST(TakeEnd, FedABlockAtATimeItSaysWhenAndWhere) {
  TakeEnd end({}, 22050);
  EXPECT_EQ(end.blockFrames(), 220u);
  int block = 0;
  for (; block < 11; ++block) EXPECT_FALSE(end(kVoice)) << block;
  for (; block < 111; ++block) EXPECT_FALSE(end(kQuiet)) << block;
  EXPECT_TRUE(end(kQuiet));
  EXPECT_EQ(end.frames(), 112u * 220u);
}

}  // namespace
}  // namespace tessaly::test
