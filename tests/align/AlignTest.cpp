// SPDX-License-Identifier: GPL-3.0-or-later
// The warp on synthetic features whose path is known (a sequence played at other speeds in
// stretches), and units carried across it; the features of a tone and of silence.
#include "align/Align.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace tessaly::test {
namespace {

using align::Frame;

// A's frames, none like another.
std::vector<Frame> distinctFrames(int count) {
  std::mt19937 random(11);
  std::normal_distribution<float> value(0, 1);
  std::vector<Frame> frames(static_cast<std::size_t>(count));
  for (Frame& f : frames)
    for (float& v : f) v = value(random);
  return frames;
}

// B's frame j is A's frame known(j): the first 40 of A at half speed (each twice), the next
// 40 as they are, the last 20 at double speed (every other).
int known(int j) { return j < 80 ? j / 2 : j < 120 ? j - 40 : 80 + 2 * (j - 120); }

TEST(Warp, FollowsAKnownPathThroughStretchesAtOtherSpeeds) {
  const std::vector<Frame> a = distinctFrames(100);
  std::vector<Frame> b;
  for (int j = 0; j < 130; ++j) b.push_back(a[static_cast<std::size_t>(known(j))]);
  const auto path = align::warpPath(a, b);
  ASSERT_FALSE(path.empty());
  EXPECT_EQ(path.front(), (std::pair<int, int>{0, 0}));
  EXPECT_EQ(path.back(), (std::pair<int, int>{99, 129}));
  // Every pair within two frames of the known map (a skipped frame of A pairs with either
  // neighbour), and every frame of B paired with its own frame of A or a neighbour.
  std::vector<int> nearest(130, 99);
  for (const auto& [i, j] : path) {
    EXPECT_LE(std::abs(i - known(j)), 2) << i << ", " << j;
    nearest[static_cast<std::size_t>(j)] = std::min(nearest[static_cast<std::size_t>(j)], std::abs(i - known(j)));
  }
  for (int j = 0; j < 130; ++j) EXPECT_LE(nearest[static_cast<std::size_t>(j)], 1) << j;
  for (std::size_t k = 1; k < path.size(); ++k) {
    const int di = path[k].first - path[k - 1].first, dj = path[k].second - path[k - 1].second;
    EXPECT_TRUE(di >= 0 && dj >= 0 && di <= 1 && dj <= 1 && di + dj > 0) << "one frame on either or both";
  }
}

TEST(Warp, CarriesUnitsAcrossIt) {
  align::Features synthesis{distinctFrames(100), std::vector<float>(100, -20.0f)};
  align::Features recording;
  for (int j = 0; j < 130; ++j) recording.mfcc.push_back(synthesis.mfcc[static_cast<std::size_t>(known(j))]);
  recording.energyDb.assign(130, -20.0f);
  // Units of A: 0–200 ms, 200–600 ms, 600–900 ms, 900–1000 ms.
  const std::vector<align::Span> units = {{0, 200}, {200, 600}, {600, 900}, {900, 1000}};
  const auto times = align::carryUnits(units, synthesis, recording, false);
  ASSERT_EQ(times.size(), 4u);
  // In B: A's frame 20 is B's 40, 60 is 100, 90 is 125.
  const double expected[][2] = {{0, 400}, {400, 1000}, {1000, 1250}, {1250, 1300}};
  for (std::size_t u = 0; u < 4; ++u) {
    EXPECT_NEAR(times[u].startMs, expected[u][0], 20) << u;
    EXPECT_NEAR(times[u].endMs, expected[u][1], 20) << u;
  }
}

// A synthesis of three words of 30 hops each, the second starting softly (as "from" does),
// and a recording of it with a lead-in and a tail of room noise, the same words and a reader's
// pause the synthesis lacks before the second, quieter than the words, louder than the room
// (a room's echo fills it). The second word starts where the pause ends, not where it begins:
// within the 100 ms a unit's start is aimed at (its boundary may still move into the pause's
// first hops, the valley before a word being the word's).
TEST(Warp, AReadersPauseBeforeAWordStaysBeforeIt) {
  const std::vector<Frame> words = distinctFrames(90);
  const auto levelOf = [](int i) { return i >= 30 && i < 35 ? -32.0f : -20.0f; };
  align::Features synthesis;
  for (int i = 0; i < 90; ++i) {
    Frame f = words[static_cast<std::size_t>(i)];
    f[0] = levelOf(i);
    synthesis.mfcc.push_back(f);
    synthesis.energyDb.push_back(levelOf(i));
  }
  const std::vector<align::Span> units = {{0, 300}, {300, 600}, {600, 900}};
  const struct {
    int pause;      // hops
    float levelDb;  // the pause's
  } cases[] = {{15, -40}, {30, -40}, {45, -40}, {30, -45}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.pause << " hops at " << c.levelDb << " dB");
    align::Features recording;
    const auto add = [&](const Frame& f, float db) {
      recording.mfcc.push_back(f);
      recording.energyDb.push_back(db);
    };
    Frame quiet{};
    for (int k = 0; k < 20; ++k) quiet[0] = -60, add(quiet, -60);
    for (int i = 0; i < 30; ++i) add(synthesis.mfcc[static_cast<std::size_t>(i)], levelOf(i));
    for (int k = 0; k < c.pause; ++k) quiet[0] = c.levelDb, add(quiet, c.levelDb);
    for (int i = 30; i < 90; ++i) add(synthesis.mfcc[static_cast<std::size_t>(i)], levelOf(i));
    for (int k = 0; k < 20; ++k) quiet[0] = -60, add(quiet, -60);
    const auto times = align::carryUnits(units, synthesis, recording, false);
    ASSERT_EQ(times.size(), 3u);
    const double second = (20 + 30 + c.pause) * 10.0;
    EXPECT_NEAR(times[0].startMs, 200, 20);
    EXPECT_NEAR(times[1].startMs, second, 100);
    EXPECT_NEAR(times[2].startMs, second + 300, 100);
  }
}

TEST(Features, ATenMillisecondHopWithTheEnergyOfEach) {
  const int rate = 16000;
  std::vector<float> samples(rate, 0.0f);  // 0.5 s of silence, then 0.5 s of a tone
  for (int i = rate / 2; i < rate; ++i)
    samples[static_cast<std::size_t>(i)] = 0.5f * std::sin(2 * 3.14159f * 440 * i / rate);
  const align::Features f = align::featuresOf(samples.data(), samples.size(), rate);
  ASSERT_EQ(f.mfcc.size(), 100u);
  ASSERT_EQ(f.energyDb.size(), 100u);
  EXPECT_LT(f.energyDb[10], -60) << "silence";
  EXPECT_NEAR(f.energyDb[80], 10 * std::log10(0.5 * 0.5 / 2 * 0.4), 3) << "the tone's power under the window";
  EXPECT_TRUE(align::featuresOf(nullptr, 0, rate).mfcc.empty());
}

}  // namespace
}  // namespace tessaly::test
