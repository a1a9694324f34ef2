// SPDX-License-Identifier: GPL-3.0-or-later
// A recording that vanishes while it plays (a stick pulled out, a folder cleaned up) leaves
// both device faces silent, steady and able to say why; no seek a key can cause crashes.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>

#include "AudioTestSupport.h"
#include "audio/AudioEngine.h"
#include "playback/FailureText.h"
#include "support/ManualClock.h"

namespace tessaly::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// The seeks the program's keys cause on the streaming face: the loop's jump back (Alt+X and
// its passes), 30 s back and forward (here 2 s: the files are short), to the end, a restart.
struct StreamSeek {
  const char* what;
  std::int32_t (*target)(std::int32_t position, std::int32_t length);
};
constexpr StreamSeek kStreamSeeks[] = {
    {"loop back to the start", [](std::int32_t, std::int32_t) { return 1; }},
    {"rewind", [](std::int32_t at, std::int32_t) { return at - 2000; }},
    {"forward", [](std::int32_t at, std::int32_t) { return at + 2000; }},
    {"to the end", [](std::int32_t, std::int32_t length) { return length - 500; }},
};

class VanishedSource : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!haveFfmpeg()) GTEST_SKIP() << "the ffmpeg command-line tool is missing";
    useDiskOutput(dir_.file("out.raw"));
  }
  std::string make(const std::string& name, const std::string& codec) {
    return makeWithFfmpeg(sweepInput(6.0, 44100, 2) + " " + codec, dir_.file(name));
  }
  static void waitUntil(const std::function<bool()>& condition) {
    for (int t = 0; t < 5000 && !condition(); t += 10) std::this_thread::sleep_for(10ms);
  }
  TempDir dir_;
};

TEST_F(VanishedSource, StreamingFaceFallsSilentAndSaysWhyOnEverySeek) {
  const std::string made = make("made.mp3", "-c:a libmp3lame");
  ASSERT_FALSE(made.empty());
  for (const StreamSeek& seek : kStreamSeeks) {
    SCOPED_TRACE(seek.what);
    const std::string path = dir_.file("lesson.mp3");
    fs::copy_file(made, path, fs::copy_options::overwrite_existing);
    audio::AudioEngine engine;
    auto stream = audio::makeStreamControl(engine);
    stream->setSource(path);
    stream->play();
    waitUntil([&] { return stream->position() >= 1500; });
    ASSERT_GE(stream->position(), 1500);
    EXPECT_EQ(failureInChinese(stream->failure()), "");
    const std::int32_t length = stream->length();
    fs::remove(path);

    stream->setPosition(seek.target(stream->position(), length));
    std::this_thread::sleep_for(300ms);
    stream->setPosition(1);  // a second jump back, as the loop makes on every pass
    std::this_thread::sleep_for(300ms);
    const std::int32_t settled = stream->position();
    std::this_thread::sleep_for(200ms);
    EXPECT_EQ(stream->position(), settled) << "silent: the position no longer moves";
    EXPECT_TRUE(stream->failure().failed());
    stream->stop();
    stream->setSource(path);  // a restart of the vanished file
    stream->play();
    EXPECT_EQ(failureInChinese(stream->failure()), "文件不存在（可能已被删除、改名或移走）。");
    EXPECT_EQ(stream->position(), 0);
  }
}

TEST_F(VanishedSource, MciFaceStaysClosedWhenItsFileIsGoneAtTheNextJump) {
  const std::string path = make("lesson.wav", "-c:a pcm_s16le");
  ASSERT_FALSE(path.empty());
  ManualClock clock;
  audio::AudioEngine engine;
  auto mci = audio::makeMciControl(engine, clock.makeTimer());
  mci->setFileName(path);
  mci->sendCommand("Open");
  ASSERT_TRUE(mci->isOpen());
  mci->sendCommand("play");
  waitUntil([&] { return mci->position() >= 1500; });
  fs::remove(path);
  // Every jump of the MCI back-end closes, opens again and plays from the new place.
  mci->sendCommand("close");
  mci->sendCommand("Open");
  EXPECT_FALSE(mci->isOpen());
  EXPECT_EQ(failureInChinese(mci->failure()), "文件不存在（可能已被删除、改名或移走）。");
  mci->setFrom(1000);
  mci->sendCommand("play");
  EXPECT_EQ(mci->position(), 0);
  EXPECT_EQ(mci->length(), 0);
}

TEST_F(VanishedSource, FilesThatNeverPlayedSayWhyInChinese) {
  const std::string empty = dir_.file("empty.mp3");
  { std::ofstream(empty, std::ios::binary); }
  const std::string foreign = dir_.file("notes.mp3");
  { std::ofstream(foreign, std::ios::binary) << "这不是声音，只是一些文字。\r\n"; }
  const struct {
    std::string path;
    const char* why;
  } cases[] = {
      {dir_.file("missing.mp3"), "文件不存在"},
      {empty, "文件是空的"},
      {foreign, "不是能识别的语音文件"},
  };
  audio::AudioEngine engine;
  ManualClock clock;
  auto stream = audio::makeStreamControl(engine);
  auto mci = audio::makeMciControl(engine, clock.makeTimer());
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    stream->setSource(c.path);
    stream->play();
    EXPECT_NE(failureInChinese(stream->failure()).find(c.why), std::string::npos) << failureInChinese(stream->failure());
    mci->sendCommand("close");
    mci->setFileName(c.path);
    mci->sendCommand("Open");
    EXPECT_NE(failureInChinese(mci->failure()).find(c.why), std::string::npos) << failureInChinese(mci->failure());
  }
}

}  // namespace
}  // namespace tessaly::test

namespace tessaly::test {
namespace {

// The streaming back-end reads the length right after it starts a file: a local file's
// length must be known by then, on every open.
TEST(StreamLength, IsKnownWhenTheStartReadsIt) {
  if (!haveFfmpeg()) GTEST_SKIP() << "the ffmpeg command-line tool is missing";
  TempDir dir;
  useDiskOutput(dir.file("out.raw"));
  const std::string mp3 = makeWithFfmpeg(sweepInput(17.0, 44100, 2) + " -c:a libmp3lame -b:a 64k", dir.file("17s.mp3"));
  ASSERT_FALSE(mp3.empty());
  audio::AudioEngine engine;
  auto stream = audio::makeStreamControl(engine);
  int known = 0;
  for (int i = 0; i < 25; ++i) {
    stream->stop();
    stream->setSource(mp3);
    stream->play();
    const std::int32_t length = stream->length();
    known += length > 16900 && length < 17100;
  }
  EXPECT_EQ(known, 25);
}

}  // namespace
}  // namespace tessaly::test
