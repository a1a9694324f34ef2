// SPDX-License-Identifier: GPL-3.0-or-later
// The promises of MciControl.h and StreamControl.h, one suite run against both the simulated
// devices of the logic's tests and the real engine. The simulated ones run on the manual
// clock; the real one runs in real time on short generated recordings, with its output going
// to the SDL disk driver. Assertions hold for both; where real time makes a reading move a
// little, the check says what must be true of it rather than an exact figure.
#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <thread>

#include "AudioTestSupport.h"
#include "audio/AudioEngine.h"
#include "support/ManualClock.h"
#include "support/SimulatedDevices.h"

namespace tessaly::test {
namespace {

// Recording lengths the suite uses; the real backend makes one recording of each.
constexpr int kShortMs = 1000;
constexpr int kLongMs = 3000;

class SimulatedBackend {
 public:
  static constexpr bool kReal = false;
  SimulatedBackend() : mci_(clock_), stream_(clock_) {}
  static bool available() { return true; }
  std::string file(int lengthMs) {
    const std::string name = "file" + std::to_string(lengthMs) + ".wav";
    mci_.addFile(name, lengthMs);
    stream_.addFile(name, lengthMs);
    return name;
  }
  // A file whose length the streaming control learns only after a while.
  std::string lateLengthFile(int* lengthMs) {
    *lengthMs = kShortMs;
    stream_.addFile("late.rm", kShortMs, 300);
    return "late.rm";
  }
  MciControl& mci() { return mci_; }
  StreamControl& stream() { return stream_; }
  void advance(int ms) { clock_.advance(ms); }

 private:
  ManualClock clock_;
  SimulatedMci mci_;
  SimulatedStream stream_;
};

// Recordings shared by every real-engine test of the run.
struct Recordings {
  TempDir dir;
  std::map<int, std::string> wav;
  std::string rm;
  int rmLengthMs = 0;
};

Recordings& recordings() {
  static Recordings r;
  return r;
}

class RealBackend {
 public:
  static constexpr bool kReal = true;
  RealBackend() {
    useDiskOutput(recordings().dir.file("out-" + std::to_string(++count_) + ".raw"));
    engine_ = std::make_unique<audio::AudioEngine>();
    mci_ = audio::makeMciControl(*engine_, clock_.makeTimer());
    stream_ = audio::makeStreamControl(*engine_);
  }
  ~RealBackend() {
    mci_.reset();
    stream_.reset();
    engine_.reset();
  }
  static bool available() { return haveFfmpeg(); }
  std::string file(int lengthMs) {
    auto& path = recordings().wav[lengthMs];
    if (path.empty())
      path = makeWithFfmpeg(sweepInput(lengthMs / 1000.0, 44100, 2) + " -c:a pcm_s16le",
                            recordings().dir.file("tone" + std::to_string(lengthMs) + ".wav"));
    return path;
  }
  // RealAudio 14.4 as ffmpeg writes it: the header carries no duration.
  std::string lateLengthFile(int* lengthMs) {
    Recordings& r = recordings();
    if (r.rm.empty()) {
      r.rm = makeWithFfmpeg(sweepInput(kShortMs / 1000.0, 8000, 1) + " -c:a real_144 -f rm", r.dir.file("late.rm"));
      r.rmLengthMs = static_cast<int>(referenceDecode(r.rm, 1).size() * 1000 / 8000);
    }
    *lengthMs = r.rmLengthMs;
    return r.rm;
  }
  MciControl& mci() { return *mci_; }
  StreamControl& stream() { return *stream_; }
  // Real time passes; the manual clock that drives the status timer keeps step.
  void advance(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    clock_.advance(ms);
  }

 private:
  static inline int count_ = 0;
  ManualClock clock_;
  std::unique_ptr<audio::AudioEngine> engine_;
  std::unique_ptr<MciControl> mci_;
  std::unique_ptr<StreamControl> stream_;
};

template <typename Backend>
class DeviceContract : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!Backend::available()) GTEST_SKIP() << "the ffmpeg command-line tool is missing";
    backend_ = std::make_unique<Backend>();
  }
  // Advances in steps until `done` or `maxMs` has passed.
  template <typename Pred>
  bool advanceUntil(Pred done, int maxMs, int stepMs = 20) {
    for (int t = 0; t < maxMs; t += stepMs) {
      if (done()) return true;
      backend_->advance(stepMs);
    }
    return done();
  }
  void openMci(const std::string& path) {
    MciControl& mci = backend_->mci();
    mci.sendCommand("close");
    mci.setDeviceType("WaveAudio");
    mci.setFileName(path);
    mci.setNotify(true);
    mci.setWait(false);
    mci.setShareable(false);
    mci.sendCommand("Open");
  }
  std::unique_ptr<Backend> backend_;
};

using Backends = ::testing::Types<SimulatedBackend, RealBackend>;
class BackendNames {
 public:
  template <typename T>
  static std::string GetName(int) {
    return T::kReal ? "Engine" : "Simulated";
  }
};
TYPED_TEST_SUITE(DeviceContract, Backends, BackendNames);

// ---- MCI ----

TYPED_TEST(DeviceContract, MciCloseWhenNotOpenDoesNothing) {
  MciControl& mci = this->backend_->mci();
  mci.sendCommand("close");
  mci.sendCommand("close");
  EXPECT_FALSE(mci.isOpen());
  EXPECT_EQ(mci.position(), 0);
  EXPECT_EQ(mci.length(), 0);
}

TYPED_TEST(DeviceContract, MciPlayWithoutEndRunsToTheEndAndStopsAtTheLength) {
  const std::string path = this->backend_->file(kShortMs);
  this->openMci(path);
  MciControl& mci = this->backend_->mci();
  ASSERT_TRUE(mci.isOpen());
  EXPECT_EQ(mci.length(), kShortMs);
  mci.setFrom(600);
  mci.sendCommand("play");  // returns at once: the position is read while it plays
  EXPECT_GE(mci.position(), 600);
  EXPECT_LT(mci.position(), kShortMs);
  EXPECT_TRUE(this->advanceUntil([&] { return mci.position() == kShortMs; }, 2000));
  this->backend_->advance(200);
  EXPECT_EQ(mci.position(), mci.length());
}

TYPED_TEST(DeviceContract, MciRangedPlayStopsExactlyOnItsEnd) {
  const std::string path = this->backend_->file(kLongMs);
  this->openMci(path);
  MciControl& mci = this->backend_->mci();
  ASSERT_TRUE(mci.isOpen());
  for (const auto& [from, to] : {std::pair{1000, 1333}, std::pair{2001, 2002}, std::pair{2500, kLongMs}}) {
    mci.setFrom(from);
    mci.setTo(to);
    mci.sendCommand("play");
    EXPECT_TRUE(this->advanceUntil([&] { return mci.position() == to; }, 1500)) << from << "-" << to;
    this->backend_->advance(100);
    EXPECT_EQ(mci.position(), to) << "a ranged play stays on its end";
  }
}

TYPED_TEST(DeviceContract, MciStartAndEndApplyToTheNextPlayOnly) {
  const std::string path = this->backend_->file(kShortMs);
  this->openMci(path);
  MciControl& mci = this->backend_->mci();
  mci.setFrom(100);
  mci.setTo(300);
  mci.sendCommand("play");
  ASSERT_TRUE(this->advanceUntil([&] { return mci.position() == 300; }, 1500));
  mci.sendCommand("play");  // no start or end given: from where it stands to the end
  EXPECT_GE(mci.position(), 300);
  EXPECT_TRUE(this->advanceUntil([&] { return mci.position() == kShortMs; }, 2000));
  // A fresh Open forgets start and end positions given before it.
  mci.setFrom(500);
  mci.setTo(600);
  mci.sendCommand("close");
  this->openMci(path);
  mci.sendCommand("play");
  EXPECT_LT(mci.position(), 500);
  EXPECT_TRUE(this->advanceUntil([&] { return mci.position() == kShortMs; }, 2000));
}

TYPED_TEST(DeviceContract, MciFailedCommandsRaiseNothingAndLeaveTheDeviceStopped) {
  MciControl& mci = this->backend_->mci();
  this->openMci("/nonexistent/tessaly/missing.wav");
  EXPECT_FALSE(mci.isOpen());
  mci.sendCommand("play");
  EXPECT_EQ(mci.position(), 0);

  this->openMci(this->backend_->file(kShortMs));
  ASSERT_TRUE(mci.isOpen());
  struct Bad {
    int from, to;
  };
  for (const Bad bad : {Bad{-100, -1}, Bad{kShortMs + 1, -1}, Bad{200, kShortMs + 500}, Bad{600, 300}}) {
    mci.setFrom(bad.from);
    if (bad.to >= 0) mci.setTo(bad.to);
    mci.sendCommand("play");
    this->backend_->advance(100);
    EXPECT_EQ(mci.position(), 0) << bad.from << "-" << bad.to;
    EXPECT_TRUE(mci.isOpen());
  }
  mci.sendCommand("Bogus");  // not a command: ignored
  EXPECT_TRUE(mci.isOpen());
}

TYPED_TEST(DeviceContract, MciNotifiesPeriodicallyOnlyWhileOpen) {
  MciControl& mci = this->backend_->mci();
  int ticks = 0;
  mci.setStatusHandler([&] { ++ticks; });
  this->backend_->advance(500);
  EXPECT_EQ(ticks, 0);
  this->openMci(this->backend_->file(kShortMs));
  this->backend_->advance(1000);
  EXPECT_GE(ticks, 1000 / 250);
  mci.sendCommand("close");
  const int atClose = ticks;
  this->backend_->advance(500);
  EXPECT_EQ(ticks, atClose);
}

// ---- Streaming ----

TYPED_TEST(DeviceContract, StreamPlayStartsAtZeroAndPauseKeepsThePosition) {
  StreamControl& stream = this->backend_->stream();
  stream.setVolume(100);
  stream.setSource(this->backend_->file(kLongMs));
  stream.play();
  EXPECT_EQ(stream.position(), 0);
  this->backend_->advance(500);
  stream.pause();
  const std::int32_t held = stream.position();
  EXPECT_GT(held, 0);
  this->backend_->advance(300);
  EXPECT_EQ(stream.position(), held);
  stream.play();
  EXPECT_GE(stream.position(), held);
  this->backend_->advance(300);
  EXPECT_GT(stream.position(), held);
  EXPECT_LT(stream.position(), kLongMs);
}

TYPED_TEST(DeviceContract, StreamStopFallsSilentAndPlayStartsAgainAtZero) {
  StreamControl& stream = this->backend_->stream();
  stream.setSource(this->backend_->file(kLongMs));
  stream.play();
  this->backend_->advance(400);
  stream.stop();
  EXPECT_EQ(stream.position(), 0);
  this->backend_->advance(200);
  EXPECT_EQ(stream.position(), 0);
  stream.play();
  EXPECT_LT(stream.position(), 200);
  this->backend_->advance(200);
  EXPECT_GT(stream.position(), 0);
}

TYPED_TEST(DeviceContract, StreamPositionReadsZeroOnlyAtTheEnd) {
  StreamControl& stream = this->backend_->stream();
  stream.setSource(this->backend_->file(kShortMs));
  stream.play();
  bool passed100 = false;
  std::int32_t last = 0;
  for (int t = 0; t < kShortMs + 800; t += 20) {
    const std::int32_t p = stream.position();
    if (passed100 && p == 0) {
      EXPECT_GE(last, kShortMs - 100) << "read 0 at " << t << " ms, before the end";
      break;
    }
    passed100 = passed100 || p > 100;
    last = p;
    this->backend_->advance(20);
  }
  EXPECT_TRUE(passed100);
  EXPECT_EQ(stream.position(), 0);
  this->backend_->advance(200);
  EXPECT_EQ(stream.position(), 0) << "and keeps reading 0";
}

TYPED_TEST(DeviceContract, StreamLengthReadsZeroUntilKnownThenTheTrueLength) {
  StreamControl& stream = this->backend_->stream();
  int trueLength = 0;
  stream.setSource(this->backend_->lateLengthFile(&trueLength));
  ASSERT_GT(trueLength, 0);
  stream.play();
  EXPECT_TRUE(this->advanceUntil(
      [&] {
        const std::int32_t len = stream.length();
        EXPECT_TRUE(len == 0 || len == trueLength) << len;
        return len == trueLength;
      },
      1000));
}

TYPED_TEST(DeviceContract, StreamSetPositionWhilePlayingGoesOnFromThere) {
  StreamControl& stream = this->backend_->stream();
  stream.setSource(this->backend_->file(kLongMs));
  stream.play();
  this->backend_->advance(200);
  stream.setPosition(2000);
  EXPECT_GE(stream.position(), 2000);
  this->backend_->advance(300);
  EXPECT_GT(stream.position(), 2000);
  EXPECT_LT(stream.position(), kLongMs);
  // Backwards too.
  stream.setPosition(500);
  this->backend_->advance(200);
  EXPECT_GT(stream.position(), 500);
  EXPECT_LT(stream.position(), 2000);
}

TYPED_TEST(DeviceContract, StreamPositionsOutsideTheFileAreHandledSanely) {
  StreamControl& stream = this->backend_->stream();
  stream.setSource(this->backend_->file(kShortMs));
  stream.play();
  this->backend_->advance(300);
  stream.setPosition(-50);  // plays from the start
  EXPECT_GE(stream.position(), 0);
  EXPECT_LT(stream.position(), 250);
  this->backend_->advance(200);
  EXPECT_GT(stream.position(), 0);
  stream.setPosition(kShortMs + 60000);  // ends the file
  this->backend_->advance(100);
  EXPECT_EQ(stream.position(), 0);
  stream.setPosition(300);  // after the end: nothing plays until play
  EXPECT_EQ(stream.position(), 0);
  stream.play();
  this->backend_->advance(200);
  EXPECT_GT(stream.position(), 0);
  // While paused, too far is held at the end and below 0 at the start.
  stream.pause();
  stream.setPosition(kShortMs + 5000);
  EXPECT_EQ(stream.position(), kShortMs);
  stream.setPosition(-10);
  EXPECT_EQ(stream.position(), 0);
  stream.play();  // from the start
  this->backend_->advance(200);
  EXPECT_GT(stream.position(), 0);
  EXPECT_LT(stream.position(), kShortMs);
}

TYPED_TEST(DeviceContract, StreamUnplayableSourceStaysSilentAtZero) {
  StreamControl& stream = this->backend_->stream();
  stream.setSource("/nonexistent/tessaly/broken.rm");
  stream.play();
  this->backend_->advance(300);
  EXPECT_EQ(stream.position(), 0);
  EXPECT_EQ(stream.length(), 0);
  stream.setPosition(500);
  stream.pause();
  stream.stop();
  EXPECT_EQ(stream.position(), 0);
}

}  // namespace
}  // namespace tessaly::test
