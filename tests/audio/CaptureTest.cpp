// SPDX-License-Identifier: GPL-3.0-or-later
// Recording a take through SDL's disk driver, a known file standing in for the microphone:
// the take's samples are the file's, it stops by itself after a second of silence once the
// voice was heard, or at its longest; no capture device is said in words. Takes kept as FLAC,
// the last three of a sentence, under a cap.
#include "audio/Capture.h"
#include "shadow/TakeEnd.h"
#include "shadow/engine/TakeStore.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "AudioTestSupport.h"
#include "support/TempFolder.h"
#include "support/Tmpfs.h"

namespace tessaly::test {
namespace {

// The microphone's sound: 0.3 s of silence, 1 s of a 300 Hz tone, then silence to `seconds`.
std::vector<float> microphone(double seconds) {
  std::vector<float> s(static_cast<std::size_t>(seconds * audio::kTakeRate), 0.0f);
  for (std::size_t i = audio::kTakeRate * 3 / 10; i < audio::kTakeRate * 13 / 10 && i < s.size(); ++i)
    s[i] = 0.4f * static_cast<float>(std::sin(2 * M_PI * 300 * static_cast<double>(i) / audio::kTakeRate));
  return s;
}

audio::CapturedTake record(audio::Capture& capture, const TakeEndOptions& options) {
  capture.start(TakeEnd(options, audio::kTakeRate));
  for (int i = 0; i < 1000 && !capture.finished(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_TRUE(capture.finished());
  return capture.take();
}

TEST(Capture, ATakeIsTheMicrophonesSoundAndStopsAfterASecondOfSilence) {
  TempDir dir;
  const std::vector<float> sound = microphone(6);
  writeFloats(dir.file("mic.raw"), sound);
  Environment environment;
  environment.useDiskMicrophone(dir.file("mic.raw"), dir.file("out.raw"));
  audio::Capture capture;
  const audio::CapturedTake take = record(capture, {});
  EXPECT_EQ(take.failure, audio::CaptureFailure::None);
  const double ms = take.samples.size() * 1000.0 / audio::kTakeRate;
  // The voice ends at 1.3 s, the level's 50 ms window lets go of it at 1.35 s, then a second of
  // silence counted in frames: not in however many pieces the device handed them over.
  EXPECT_NEAR(ms, 2350, 15);
  for (std::size_t i = 0; i < std::min(take.samples.size(), sound.size()); ++i)
    ASSERT_FLOAT_EQ(take.samples[i], sound[i]) << "sample " << i;

  // At its longest: the silence never comes.
  const audio::CapturedTake shortTake = record(capture, {800, 1000, -40});
  EXPECT_NEAR(shortTake.samples.size() * 1000.0 / audio::kTakeRate, 800, 10);
}

// The comparison's worker waits for the take: it is handed over once the learner stops it.
TEST(Capture, TheTakeIsHandedToTheOneWaitingOnceItIsStopped) {
  TempDir dir;
  const std::vector<float> sound = microphone(30);
  writeFloats(dir.file("mic.raw"), sound);
  Environment environment;
  environment.useDiskMicrophone(dir.file("mic.raw"), dir.file("out.raw"));
  audio::Capture capture;
  capture.start(TakeEnd({60000, 60000, -40}, audio::kTakeRate));  // it never ends by itself
  std::future<audio::CapturedTake> waited = std::async(std::launch::async, [&] { return capture.awaitTake(); });
  while (!capture.recording() && capture.capturing()) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  capture.stop();
  const audio::CapturedTake take = waited.get();
  EXPECT_EQ(take.failure, audio::CaptureFailure::None);
  EXPECT_LT(take.samples.size(), sound.size());
  for (std::size_t i = 0; i < take.samples.size(); ++i) ASSERT_FLOAT_EQ(take.samples[i], sound[i]) << "sample " << i;
  EXPECT_FALSE(capture.finished()) << "handed over once";
}

TEST(Capture, NoMicrophoneIsToldByItsKind) {
  Environment environment;
  environment.set("SDL_AUDIODRIVER", "disk");  // whose microphone is a file that is not there
  environment.set("SDL_DISKAUDIOFILEIN", "/nonexistent/tessaly-microphone.raw");
  audio::Capture capture;
  const audio::CapturedTake take = record(capture, {});
  EXPECT_EQ(take.failure, audio::CaptureFailure::NoMicrophone);
  EXPECT_TRUE(take.samples.empty());
  EXPECT_FALSE(capture.capturing());
  EXPECT_FALSE(capture.recording());
}

TEST(TakeStore, KeepsTheLastThreeOfASentenceAsFlacUnderItsCap) {
  TempDir dir;
  const std::vector<float> second = microphone(1.5);
  TakeStore store(dir.file("takes"), 1 << 20);
  std::vector<std::string> kept;
  for (int i = 0; i < 4; ++i) kept.push_back(store.keep("00000000000000aa", 4560, second, audio::kTakeRate).path);
  ASSERT_FALSE(kept.back().empty());
  const auto takes = store.takesOf("00000000000000aa", 4560);
  ASSERT_EQ(takes.size(), 3u) << "the last three";
  EXPECT_EQ(takes.front(), kept.back()) << "the newest first";
  EXPECT_FALSE(std::filesystem::exists(kept.front()));
  const std::vector<float> back = referenceDecode(takes.front(), 1);
  ASSERT_EQ(back.size(), second.size()) << "FLAC: every sample back";
  for (std::size_t i = 0; i < back.size(); i += 97) EXPECT_NEAR(back[i], second[i], 1.0 / 16384) << i;
  // Another sentence; then a cap two takes can overflow: the oldest go first.
  store.keep("00000000000000aa", 7750, second, audio::kTakeRate);
  const std::uintmax_t one = std::filesystem::file_size(takes.front());
  TakeStore small(dir.file("takes"), one * 2 + one / 2);
  small.keep("00000000000000bb", 0, second, audio::kTakeRate);
  EXPECT_LE(small.bytes(), one * 2 + one / 2);
  EXPECT_EQ(small.takesOf("00000000000000bb", 0).size(), 1u) << "the newest stays";
  EXPECT_EQ(small.takesOf("00000000000000aa", 4560).size(), 0u) << "the oldest went first";
}

// Fills what is left of the disk under `folder` with one file.
void fill(const std::filesystem::path& folder) {
  std::ofstream out(folder / "filler", std::ios::binary);
  const std::string block(4096, 'x');
  while (out.write(block.data(), static_cast<std::streamsize>(block.size())) && out.flush()) {
  }
}

TEST(TakeStore, ATakeThatCannotBeWrittenIsSaidWhyAndTheTakesStayAsTheyWere) {
  const std::vector<float> take = microphone(1.5);
  const struct {
    const char* what;
    bool onTmpfs;
    std::function<bool(Tmpfs&, const std::filesystem::path& takes)> spoil;
    std::string why;
  } cases[] = {
      {"a file where the folder should be", false,
       [](Tmpfs&, const std::filesystem::path& takes) {
         std::filesystem::remove_all(takes);
         std::ofstream(takes) << "the learner's";
         return true;
       },
       "那里有一个同名的文件，不是文件夹"},
      {"a read-only disk", true, [](Tmpfs& disk, const std::filesystem::path&) { return disk.readOnly(); },
       "这个文件夹不能写入（只读，或没有写入权限）"},
      {"a full disk", true,
       [](Tmpfs&, const std::filesystem::path& takes) {
         fill(takes.parent_path());
         return true;
       },
       "磁盘已满"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    Tmpfs disk(dir.path() / "disk", 1024);
    if (c.onTmpfs && !disk.mounted()) GTEST_SKIP() << "mounting a tmpfs needs root";
    const std::filesystem::path takes = dir.path() / "disk" / "takes";
    TakeStore store(takes.string(), 50 << 20);
    const std::string first = c.onTmpfs ? store.keep("00000000000000aa", 0, take, audio::kTakeRate).path : "";
    if (c.onTmpfs) {
      ASSERT_FALSE(first.empty());
    }
    const std::string before = first.empty() ? "" : readBytes(first);
    ASSERT_TRUE(c.spoil(disk, takes));
    const TakeStore::Kept kept = store.keep("00000000000000aa", 0, take, audio::kTakeRate);
    EXPECT_EQ(kept.path, "");
    EXPECT_EQ(kept.failure, "跟读录音没能保存到 " + takes.string() + "：" + c.why + "。");
    if (c.onTmpfs) {
      EXPECT_EQ(store.takesOf("00000000000000aa", 0), std::vector<std::string>{first});
      EXPECT_EQ(readBytes(first), before) << "the take kept before is as it was";
    } else {
      EXPECT_EQ(readBytes(takes.string()), "the learner's");
    }
  }
}

TEST(TakeStore, TheCapIsAWholeNumberOfMbAndAnythingElseKeepsTheDefaultAndIsTold) {
  constexpr std::uintmax_t kMb = 1 << 20;
  const struct {
    std::optional<std::string> setting;
    std::uintmax_t mb;
    bool told;
  } cases[] = {
      {std::nullopt, 200, false},
      {"500", 500, false},
      {"0010", 10, false},
      {"5", 10, false},
      {"0", 10, false},
      {"-5", 10, false},
      {"100000", 100000, false},
      {"99999999999999999999", 100000, false},
      {"-99999999999999999999", 10, false},
      {"abc", 200, true},
      {"", 200, true},
      {"1G", 200, true},
      {"1,000", 200, true},
      {"0.5G", 200, true},
      {"1e3", 200, true},
      {"0.5", 200, true},
      {"+5", 200, true},
      {"500 MB", 200, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.setting.value_or("(none)"));
    const TakeStore::Cap cap = TakeStore::capOf(c.setting);
    EXPECT_EQ(cap.bytes, c.mb * kMb);
    if (c.told) {
      EXPECT_EQ(cap.fault, "settings.ini 里的 takes_cap_mb=“" + *c.setting +
                               "”不是整数，读不出跟读录音的上限：要写成多少 MB，例如 takes_cap_mb=200。现在仍按默认的 "
                               "200 MB 保存。");
    } else {
      EXPECT_EQ(cap.fault, "");
    }
  }
}

}  // namespace
}  // namespace tessaly::test
