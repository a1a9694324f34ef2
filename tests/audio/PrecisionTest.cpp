// SPDX-License-Identifier: GPL-3.0-or-later
// Frame precision, checked on the samples the engine actually output: the SDL disk driver
// writes them to a file, and each stretch of that file is found in FFmpeg's own decoding of
// the recording. Recordings are sweeps whose every stretch of frames differs from all others.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <thread>

#include "AudioTestSupport.h"
#include "audio/AudioEngine.h"
#include "audio/Frames.h"
#include "audio/Output.h"
#include "support/ManualClock.h"

namespace tessaly::test {
namespace {

using audio::msToFrames;

struct Format {
  const char* name;
  const char* encode;  // ffmpeg output options
  const char* file;
  int rate;
  int channels;
  double maxError;  // a decoder with memory (RealAudio) settles to near, not bit-exact, after a seek
};

const Format kFormats[] = {
    {"wav", "-c:a pcm_s16le", "tone.wav", 44100, 2, 0.0},
    {"wav_mono_22k", "-c:a pcm_s24le", "tone22.wav", 22050, 1, 0.0},
    {"mp3", "-c:a libmp3lame -b:a 128k", "tone.mp3", 44100, 2, 0.0},
    {"mp3_vbr", "-c:a libmp3lame -q:a 4 -write_xing 0", "vbr.mp3", 48000, 2, 0.0},
    {"rm", "-c:a real_144 -f rm", "tone.rm", 8000, 1, 1e-3},
};

class Precision : public ::testing::TestWithParam<Format> {
 protected:
  static void SetUpTestSuite() { dir_ = new TempDir(); }
  static void TearDownTestSuite() {
    delete dir_;
    dir_ = nullptr;
  }
  void SetUp() override {
    if (!haveFfmpeg()) GTEST_SKIP() << "the ffmpeg command-line tool is missing";
    const Format& f = GetParam();
    path_ = makeWithFfmpeg(sweepInput(3.0, f.rate, f.channels) + " " + f.encode, dir_->file(f.file));
    ASSERT_FALSE(path_.empty());
    reference_ = referenceDecode(path_, f.channels);
    std::string test = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    std::replace(test.begin(), test.end(), '/', '-');
    output_ = dir_->file("out-" + test + ".raw");
    useDiskOutput(output_);
  }
  // Where in the recording the frame of the output at `at` came from.
  std::int64_t sourceFrameAt(const std::vector<float>& out, std::int64_t at, int window = 256) {
    const Fit fit = locate(reference_, out, at, window, GetParam().channels);
    EXPECT_LE(fit.error, GetParam().maxError)
        << "the output does not come from the recording: " << fit.error << " at " << fit.frame;
    return fit.frame;
  }
  static void waitFor(const std::function<bool()>& done, int maxMs) {
    for (int t = 0; t < maxMs && !done(); t += 5) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }

  static inline TempDir* dir_ = nullptr;
  std::string path_, output_;
  std::vector<float> reference_;
};

TEST_P(Precision, RangedPlayStartsAndStopsOnItsFramesAndReportsItsEnd) {
  const Format& f = GetParam();
  const int from = 1234, to = 1701;
  {
    audio::AudioEngine engine;
    ManualClock clock;
    auto mci = audio::makeMciControl(engine, clock.makeTimer());
    mci->setFileName(path_);
    mci->sendCommand("Open");
    ASSERT_TRUE(mci->isOpen());
    mci->setFrom(from);
    mci->setTo(to);
    mci->sendCommand("play");
    waitFor([&] { return mci->position() == to; }, 2000);
    EXPECT_EQ(mci->position(), to);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(mci->position(), to);
  }
  const std::vector<float> out = readFloats(output_);
  const Sounding sounding = findSounding(out, f.channels);
  ASSERT_GE(sounding.first, 0) << "nothing was output";
  const std::int64_t played = sounding.last - sounding.first + 1;
  const std::int64_t first = sourceFrameAt(out, sounding.first);
  const std::int64_t endFrame = sourceFrameAt(out, sounding.last - 255) + 256;
  EXPECT_NEAR(first, msToFrames(from, f.rate), 1);
  EXPECT_NEAR(endFrame, msToFrames(to, f.rate), 1);
  EXPECT_EQ(played, endFrame - first) << "the range was output without gaps or repeats";
}

TEST_P(Precision, ReportedPositionFollowsTheFrameBeingOutput) {
  const Format& f = GetParam();
  std::int32_t before = 0, paused = 0;
  {
    audio::AudioEngine engine;
    auto stream = audio::makeStreamControl(engine);
    stream->setVolume(100);
    stream->setSource(path_);
    stream->play();
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    stream->setPosition(2000);  // a seek too: the output must go on exactly from there
    std::this_thread::sleep_for(std::chrono::milliseconds(250));
    before = stream->position();
    stream->pause();
    paused = stream->position();
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(stream->position(), paused);
  }
  const std::vector<float> out = readFloats(output_);
  const Sounding sounding = findSounding(out, f.channels);
  ASSERT_GE(sounding.last, 256);
  const std::int64_t lastOutput = sourceFrameAt(out, sounding.last - 255) + 256;  // frame after the last
  const double frameMs = 1000.0 / f.rate;
  const double bufferMs = audio::Output::bufferFrames(f.rate) * frameMs;
  EXPECT_LE(bufferMs, 12.0);
  EXPECT_NEAR(paused, lastOutput * frameMs, 1.0) << "paused where the output stopped";
  EXPECT_NEAR(before, lastOutput * frameMs, bufferMs + 1.0) << "within one output buffer";
  // The seek: somewhere the output jumps to exactly 2000 ms.
  const std::int64_t target = msToFrames(2000, f.rate);
  bool found = false;
  for (std::int64_t i = sounding.first; i + 256 < sounding.last && !found; i += 64) {
    const Fit fit = locate(reference_, out, i, 256, f.channels);
    if (fit.error > f.maxError || fit.frame < target || fit.frame >= target + 64) continue;
    const Fit jump = locate(reference_, out, i - (fit.frame - target), 256, f.channels);
    found = jump.error <= f.maxError && std::llabs(jump.frame - target) <= 1;
  }
  EXPECT_TRUE(found) << "the output never started at the sought frame";
}

INSTANTIATE_TEST_SUITE_P(Formats, Precision, ::testing::ValuesIn(kFormats),
                         [](const auto& row) { return std::string(row.param.name); });

}  // namespace
}  // namespace tessaly::test
