// SPDX-License-Identifier: GPL-3.0-or-later
// Slower and faster with the pitch kept, checked on what the engine actually output (SDL's
// disk driver): each stretch lasts exactly its file time over the speed, a tone keeps its
// pitch, the ranged stops and positions stay in file frames on both faces, a speed change
// goes on from where the sound was, and 1.0 is the unstretched sound bit for bit; with either
// stretch engine.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <functional>
#include <memory>
#include <thread>

#include "AudioTestSupport.h"
#include "audio/AudioEngine.h"
#include "audio/Frames.h"

namespace tessaly::test {
namespace {

using namespace std::chrono_literals;

constexpr int kRate = 22050;

// The output's frames without the device's silence before and after the play.
std::vector<float> sounding(const std::string& file) {
  std::vector<float> all = readFloats(file);
  const Sounding s = findSounding(all, 1);
  if (s.first < 0) return {};
  return {all.begin() + s.first, all.begin() + s.last + 1};
}

// The frequency of a steady tone, from its rising zero crossings (interpolated).
double frequencyOf(const std::vector<float>& x, int rate) {
  std::vector<double> crossings;
  for (std::size_t i = 1; i < x.size(); ++i)
    if (x[i - 1] < 0 && x[i] >= 0) crossings.push_back(static_cast<double>(i - 1) + x[i - 1] / (x[i - 1] - x[i]));
  if (crossings.size() < 2) return 0;
  return (crossings.size() - 1) / ((crossings.back() - crossings.front()) / rate);
}

bool waitUntil(const std::function<bool()>& done, int maxMs) {
  for (int t = 0; t < maxMs; t += 5) {
    if (done()) return true;
    std::this_thread::sleep_for(5ms);
  }
  return done();
}

class Stretch : public ::testing::TestWithParam<StretchEngine> {
 protected:
  static void SetUpTestSuite() {
    dir_ = new TempDir();
    if (!haveFfmpeg()) return;
    // A 440 Hz tone over a constant offset never touches zero: the sounding part is exact.
    tone_ = makeWithFfmpeg("-f lavfi -i \"aevalsrc=0.3+0.2*sin(2*PI*440*t):s=22050:d=4\" -c:a pcm_s16le",
                           dir_->file("tone.wav"));
    sweep_ = makeWithFfmpeg(sweepInput(4.0, kRate, 1) + " -c:a pcm_s16le", dir_->file("sweep.wav"));
  }
  static void TearDownTestSuite() {
    delete dir_;
    dir_ = nullptr;
  }
  void SetUp() override {
    if (!haveFfmpeg()) GTEST_SKIP() << "the ffmpeg command-line tool is missing";
    start("");
  }
  // A fresh engine whose device writes to a file of its own.
  void start(const std::string& tag) {
    std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    std::replace(name.begin(), name.end(), '/', '-');  // "Test/speech": one file name
    output_ = dir_->file("out-" + name + tag + ".raw");
    useDiskOutput(output_);
    engine_ = std::make_unique<audio::AudioEngine>();
    mci_ = audio::makeMciControl(*engine_, nullptr);
    stream_ = audio::makeStreamControl(*engine_);
    mci_->setStretch(GetParam());
    stream_->setStretch(GetParam());
  }
  // Closes the device, so that the disk driver's file holds everything.
  std::vector<float> finish() {
    mci_.reset();
    stream_.reset();
    engine_.reset();
    return sounding(output_);
  }
  // A ranged play through the MCI face at `speed`, to its end.
  void rangedPlay(const std::string& file, double speed, int from, int to) {
    mci_->setFileName(file);
    mci_->sendCommand("Open");
    ASSERT_TRUE(mci_->isOpen());
    mci_->setSpeed(speed);
    mci_->setFrom(from);
    mci_->setTo(to);
    mci_->sendCommand("play");
    ASSERT_TRUE(waitUntil([&] { return mci_->position() == to; }, static_cast<int>((to - from) / speed) + 3000));
    std::this_thread::sleep_for(150ms);  // the last frames leave the device
  }

  static inline TempDir* dir_ = nullptr;
  static inline std::string tone_, sweep_;
  std::string output_;
  std::unique_ptr<audio::AudioEngine> engine_;
  std::unique_ptr<MciControl> mci_;
  std::unique_ptr<StreamControl> stream_;
};

TEST_P(Stretch, EachSpeedLastsItsFileTimeOverTheSpeedAndKeepsThePitch) {
  for (const double speed : {0.5, 0.7, 1.5, 2.0}) {
    SCOPED_TRACE(speed);
    if (!engine_) start(std::to_string(speed));
    ASSERT_NO_FATAL_FAILURE(rangedPlay(tone_, speed, 500, 1500));
    EXPECT_EQ(mci_->position(), 1500) << "a ranged play reports its exact end";
    const std::vector<float> out = finish();
    const double expected = audio::msToFrames(1000, kRate) / speed;
    EXPECT_NEAR(static_cast<double>(out.size()), expected, 2.0) << "frames output";
    const std::vector<float> middle(out.begin() + static_cast<std::ptrdiff_t>(out.size() / 4),
                                    out.end() - static_cast<std::ptrdiff_t>(out.size() / 4));
    std::vector<float> centred(middle);
    for (float& v : centred) v -= 0.3f;  // the offset off: the tone's own zero crossings
    EXPECT_NEAR(frequencyOf(centred, kRate), 440.0, 440.0 * 0.01) << "the pitch stays";
  }
}

TEST_P(Stretch, StreamingPositionsStayFileTimeAfterASeek) {
  stream_->setSpeed(0.5);
  stream_->setSource(sweep_);
  stream_->play();
  ASSERT_TRUE(waitUntil([&] { return stream_->position() > 200; }, 3000));
  stream_->setPosition(2000);
  const auto at = std::chrono::steady_clock::now();
  ASSERT_TRUE(waitUntil([&] { return stream_->position() >= 2300; }, 3000));
  const double wallMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - at).count();
  EXPECT_GT(wallMs, 450) << "300 ms of the file took twice that at 0.5";
  EXPECT_LT(wallMs, 900);
  const std::int32_t before = stream_->position();
  stream_->setSpeed(2.0);  // no jump: it goes on from where it was
  std::this_thread::sleep_for(100ms);
  const std::int32_t after = stream_->position();
  EXPECT_GE(after, before);
  EXPECT_LE(after, before + 400);
  ASSERT_TRUE(waitUntil([&] { return stream_->position() == 0; }, 4000)) << "plays to its end";
}

TEST_P(Stretch, BackAtNormalSpeedTheSoundIsTheFilesOwnBitForBit) {
  mci_->setSpeed(0.5);
  mci_->setSpeed(1.0);
  ASSERT_NO_FATAL_FAILURE(rangedPlay(sweep_, 1.0, 1000, 1500));
  const std::vector<float> out = finish();
  const std::vector<float> reference = referenceDecode(sweep_, 1);
  ASSERT_EQ(out.size(), static_cast<std::size_t>(audio::msToFrames(500, kRate)));
  const auto start = static_cast<std::ptrdiff_t>(audio::msToFrames(1000, kRate));
  EXPECT_TRUE(std::equal(out.begin(), out.end(), reference.begin() + start));
}

INSTANTIATE_TEST_SUITE_P(BothEngines, Stretch, ::testing::Values(StretchEngine::Speech, StretchEngine::RubberBand),
                         [](const ::testing::TestParamInfo<StretchEngine>& engine) {
                           return std::string(stretchEngineName(engine.param));
                         });

}  // namespace
}  // namespace tessaly::test
