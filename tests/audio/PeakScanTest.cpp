// SPDX-License-Identifier: GPL-3.0-or-later
// The waveform of real recordings: a tone's peaks at its level, silence flat, the table as
// long as the file; the background scan hands over a growing table, and a newer start makes
// the older scan's table stale.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "AudioTestSupport.h"
#include "waveform/engine/PeakScanner.h"

namespace tessaly::test {
namespace {

TEST(PeakScan, ATonesPeaksAreItsLevelAndSilenceIsFlat) {
  if (!haveFfmpeg()) GTEST_SKIP() << "ffmpeg is missing";
  TempDir dir;
  // 2 s of a 440 Hz tone at half scale (the source is at 1/8), then 1 s of silence; stereo 44.1 kHz, and an mp3 of it.
  const std::string wav = makeWithFfmpeg(
      "-f lavfi -i sine=frequency=440:sample_rate=44100:duration=2 -f lavfi -i anullsrc=r=44100:cl=mono -t 3 "
      "-filter_complex \"[0]volume=4[a];[a][1]concat=n=2:v=0:a=1,atrim=end=3,pan=stereo|c0=c0|c1=c0\" -c:a pcm_s16le",
      dir.file("tone.wav"));
  ASSERT_FALSE(wav.empty());
  const std::string mp3 = makeWithFfmpeg("-i " + wav + " -q:a 2", dir.file("tone.mp3"));
  ASSERT_FALSE(mp3.empty());
  for (const std::string& file : {wav, mp3}) {
    const PeakTable t = PeakScanner::scan(file);
    EXPECT_NEAR(t.bucketMs, 221 * 1000.0 / 44100, 1e-9) << file;
    EXPECT_NEAR(t.coveredMs(), 3000, file == wav ? 5.1 : 60) << file;  // an mp3 adds its coder's delay
    ASSERT_GT(t.buckets.size(), 500u);
    const PeakPair tone = t.buckets[200];  // 1 s in
    EXPECT_NEAR(tone.high, 0.5, 0.03) << file;
    EXPECT_NEAR(tone.low, -0.5, 0.03) << file;
    const PeakPair quiet = t.buckets[static_cast<std::size_t>(2700 / t.bucketMs)];
    EXPECT_LT(quiet.high - quiet.low, 0.01) << file;
  }
  EXPECT_TRUE(PeakScanner::scan(dir.file("missing.wav")).buckets.empty());
}

TEST(PeakScan, TheBackgroundScanGrowsAndAnOlderScanIsStale) {
  if (!haveFfmpeg()) GTEST_SKIP() << "ffmpeg is missing";
  TempDir dir;
  const std::string longer = makeWithFfmpeg("-f lavfi -i sine=frequency=300:sample_rate=22050:duration=40 -c:a pcm_s16le",
                                            dir.file("long.wav"));
  ASSERT_FALSE(longer.empty());
  PeakScanner scanner;
  const std::uint32_t first = scanner.start(longer);
  const std::uint32_t second = scanner.start(longer);
  PeakTable stale;
  EXPECT_TRUE(scanner.take(first, stale));  // finished, as far as the older scan goes: nothing
  EXPECT_TRUE(stale.buckets.empty());
  PeakTable table;
  bool finished = false;
  for (int i = 0; i < 1000 && !finished; ++i) {
    finished = scanner.take(second, table);
    if (!finished) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  ASSERT_TRUE(finished);
  EXPECT_NEAR(table.coveredMs(), 40000, 5.1);
  EXPECT_EQ(table.buckets, PeakScanner::scan(longer).buckets);  // taken piece by piece, the same table
}

}  // namespace
}  // namespace tessaly::test
