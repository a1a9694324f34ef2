// SPDX-License-Identifier: GPL-3.0-or-later
// What the user is told when a recording cannot play, and the length a failing read leaves:
// a .ram names every entry with its own reason, and a scan that loses its file midway never
// passes a short count off as the exact length.
#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <set>

#include "AudioTestSupport.h"
#include "audio/Decoder.h"
#include "audio/LengthScan.h"
#include "playback/FailureText.h"
#include "support/FuseFolder.h"

namespace tessaly::test {
namespace {

TEST(Failures, ARamOfBrokenEntriesNamesEachWithItsOwnReason) {
  TempDir dir;
  std::ofstream(dir.file("empty.rm"));
  std::ofstream junk(dir.file("junk.rm"), std::ios::binary);
  std::mt19937 noise(7);
  for (int i = 0; i < 4096; ++i) junk.put(static_cast<char>(noise()));
  junk.close();
  std::ofstream(dir.file("lesson.ram")) << "empty.rm\nmissing.rm\njunk.rm\n";

  Failure failure;
  EXPECT_FALSE(audio::Decoder::open(dir.file("lesson.ram"), nullptr, &failure));
  ASSERT_EQ(failure.kind, FailureKind::RamNothingPlays);
  const std::pair<const char*, FailureKind> expected[] = {
      {"empty.rm", FailureKind::Empty}, {"missing.rm", FailureKind::Missing}, {"junk.rm", FailureKind::NotAudio}};
  ASSERT_EQ(failure.entries.size(), std::size(expected)) << failure.text();
  const std::string told = failureInChinese(failure);
  for (std::size_t i = 0; i < std::size(expected); ++i) {
    const auto& [name, kind] = expected[i];
    EXPECT_TRUE(failure.entries[i].location.ends_with(name)) << failure.entries[i].location;
    EXPECT_EQ(failure.entries[i].kind, kind) << name;
    EXPECT_NE(told.find(failure.entries[i].location + "：" + failureInChinese(kind)), std::string::npos) << told;
  }
  EXPECT_TRUE(told.starts_with(failureInChinese(FailureKind::RamNothingPlays))) << told;
}

TEST(Failures, EveryKindIsToldInItsOwnWords) {
  std::set<std::string> told;
  for (int k = 1; k <= static_cast<int>(FailureKind::OpenTimedOut); ++k)  // the last kind
    EXPECT_TRUE(told.insert(failureInChinese(static_cast<FailureKind>(k))).second) << k;
  EXPECT_EQ(failureInChinese(FailureKind::None), "");
}

TEST(Failures, AScanThatLosesItsFileMidwayLeavesTheLengthEstimated) {
  if (!haveFfmpeg()) GTEST_SKIP() << "the ffmpeg command-line tool is missing";
  TempDir dir;
  std::filesystem::create_directories(dir.file("share"));
  const std::string mp3 = makeWithFfmpeg(sweepInput(20, 22050, 1) + " -c:a libmp3lame -q:a 5", dir.file("share/long.mp3"));
  ASSERT_FALSE(mp3.empty());
  const auto size = static_cast<long long>(std::filesystem::file_size(mp3));
  {
    // The whole file: an exact length.
    audio::SeekIndex index;
    const audio::CancelFlag cancel{false};
    audio::scanSource("file:" + mp3, index, cancel);
    ASSERT_TRUE(index.complete());
    EXPECT_GT(index.totalFrames(), 19 * 22050);
  }
  // The same file on a folder whose reads fail past its middle, as a stick pulled out does.
  FuseFolder failing(dir.file("share"), dir.file("failing"), 0, size / 2);
  ASSERT_TRUE(failing.mounted()) << "FUSE (Debian's fuse3 and python3-fusepy) could not mount the folder";
  audio::SeekIndex index;
  const audio::CancelFlag cancel{false};
  audio::scanSource("file:" + dir.file("failing/long.mp3"), index, cancel);
  EXPECT_FALSE(index.complete()) << "a short count passed off as exact: " << index.totalFrames();
  EXPECT_TRUE(index.failed());
  EXPECT_GT(index.size(), 0u) << "the points read before the failure still serve the seeks";
}

}  // namespace
}  // namespace tessaly::test
