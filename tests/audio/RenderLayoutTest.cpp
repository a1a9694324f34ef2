// SPDX-License-Identifier: GPL-3.0-or-later
// The output's buffer is sized by the output's own channels, and a player renders into it
// exactly that many floats whatever its blocks hold: a player whose play has just been
// attached (the output already reopened mono, its blocks still stereo from before, or a
// player that has never played) fills the buffer with silence and writes nothing past it.
// Then the two device faces on one engine, taking the output from each other between mono
// and stereo files of different rates, as the practice window's two players do.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "AudioTestSupport.h"
#include "audio/AudioEngine.h"
#include "audio/Output.h"
#include "audio/Player.h"
#include "support/ManualClock.h"

namespace tessaly::test {
namespace {

using namespace std::chrono_literals;

constexpr float kGuard = 12345.0f;  // written nowhere by a render
constexpr int kGuardFloats = 4096;

struct Layout {
  const char* name;
  int playedChannels;  // 0: the player has never played
  int bufferChannels;
  bool heard;  // the blocks match the buffer: the play's own sound comes out
};

const Layout kLayouts[] = {
    {"NeverPlayedIntoMono", 0, 1, false},   {"StereoBlocksIntoMono", 2, 1, false}, {"MonoBlocksIntoStereo", 1, 2, false},
    {"StereoBlocksIntoStereo", 2, 2, true}, {"MonoBlocksIntoMono", 1, 1, true},
};

class RenderLayout : public ::testing::TestWithParam<Layout> {
 protected:
  static void SetUpTestSuite() {
    dir_ = new TempDir();
    if (!haveFfmpeg()) return;
    mono_ = new std::string(makeWithFfmpeg(sweepInput(2.0, 22050, 1) + " -c:a pcm_s16le", dir_->file("mono.wav")));
    stereo_ = new std::string(makeWithFfmpeg(sweepInput(2.0, 44100, 2) + " -c:a pcm_s16le", dir_->file("stereo.wav")));
  }
  static void TearDownTestSuite() {
    delete mono_;
    delete stereo_;
    mono_ = stereo_ = nullptr;
    delete dir_;
    dir_ = nullptr;
  }
  void SetUp() override {
    if (!haveFfmpeg()) GTEST_SKIP() << "the ffmpeg command-line tool is missing";
    useDiskOutput(dir_->file("out.raw"));
  }
  static void waitSounding(audio::Player& player) {
    for (int t = 0; t < 5000 && !player.status().sounding; t += 5) std::this_thread::sleep_for(5ms);
    ASSERT_TRUE(player.status().sounding);
  }

  static inline TempDir* dir_ = nullptr;
  static inline std::string *mono_ = nullptr, *stereo_ = nullptr;
};

TEST_P(RenderLayout, RenderWritesExactlyTheOutputsFloats) {
  const Layout& layout = GetParam();
  audio::Output output;
  audio::Player player(output), other(output);
  if (layout.playedChannels > 0) {
    player.load(layout.playedChannels == 1 ? *mono_ : *stereo_);
    ASSERT_TRUE(player.waitLoaded(3000));
    player.play(0, -1);
    waitSounding(player);
    // The other player takes the output, so this test is the only caller of render() and
    // the play goes on with its ring full.
    other.load(*stereo_);
    ASSERT_TRUE(other.waitLoaded(3000));
    other.play(0, -1);
    waitSounding(other);
  }
  const int frames = audio::Output::bufferFrames(22050);
  const std::size_t floats = static_cast<std::size_t>(frames) * layout.bufferChannels;
  std::vector<float> buffer(floats + kGuardFloats, kGuard);
  player.render(buffer.data(), frames, layout.bufferChannels);
  EXPECT_TRUE(std::all_of(buffer.begin() + static_cast<std::ptrdiff_t>(floats), buffer.end(), [](float v) {
    return v == kGuard;
  })) << "the render wrote past the output's buffer";
  const bool sound = std::any_of(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(floats),
                                 [](float v) { return v != 0.0f; });
  EXPECT_EQ(sound, layout.heard);
  EXPECT_TRUE(std::none_of(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(floats), [](float v) {
    return v == kGuard;
  })) << "part of the buffer was left as it was";
}

INSTANTIATE_TEST_SUITE_P(Layouts, RenderLayout, ::testing::ValuesIn(kLayouts),
                         [](const ::testing::TestParamInfo<Layout>& row) { return std::string(row.param.name); });

// A stress run, not a proof: before the render was told the output's channels, a render
// that came between a worker's attach and its next statement wrote a stereo block's worth
// into a mono buffer, which AddressSanitizer catches here now and then on a busy machine.
TEST_F(RenderLayout, TwoFacesTakingTheOutputBetweenLayoutsNeverOverrunIt) {
  const std::string files[] = {*mono_, *stereo_,
                               makeWithFfmpeg(sweepInput(0.5, 8000, 1) + " -c:a pcm_s16le", dir_->file("mono8k.wav")),
                               makeWithFfmpeg(sweepInput(0.5, 48000, 2) + " -c:a pcm_s16le", dir_->file("stereo48k.wav"))};
  audio::AudioEngine engine;
  ManualClock clock;
  auto mci = audio::makeMciControl(engine, clock.makeTimer());
  auto stream = audio::makeStreamControl(engine);
  for (int round = 0; round < 60; ++round) {
    SCOPED_TRACE(round);
    mci->sendCommand("close");
    mci->setFileName(files[round % 4]);
    mci->sendCommand("Open");
    ASSERT_TRUE(mci->isOpen());
    stream->setSource(files[(round + 1) % 4]);
    mci->sendCommand("play");
    stream->play();
    std::this_thread::sleep_for(std::chrono::milliseconds(round % 7));
  }
  stream->stop();
}

}  // namespace
}  // namespace tessaly::test
