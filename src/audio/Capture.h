// SPDX-License-Identifier: GPL-3.0-or-later
// Recording a 跟读 take from the microphone: SDL2 capture in queue mode at the device's own
// rate, converted by swresample to mono float at kTakeRate, with a live level for the meter. A
// take stops when asked, or by itself where the rule it was started with says, told the level
// of each 10 ms from the take's start. No device, or one that stops working mid-take, is a
// failure of its kind; nothing hangs.
//
// Threads: start(), stop(), recording() and level() on the user-interface thread; finished(),
// take() and awaitTake() on any (the comparison's worker waits for the take); the device is
// opened and read on a thread of its own, which also runs the rule, so the key that starts a
// take never waits for the sound server. mutex_ guards the take and its state; finished_
// tells the waiter.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace tessaly::audio {

inline constexpr int kTakeRate = 22050;

// When a take ends by itself: told the level of each block of kTakeRate / 100 frames from the
// take's start (dBFS over the 50 ms up to the block's end), true on the block it ends with.
using TakeEndRule = std::function<bool(double levelDb)>;

// Why a take stopped early, or never began; the room that records words it for the learner.
enum class CaptureFailure {
  None,
  NoSoundSystem,  // the sound system could not be started
  NoMicrophone,   // no capture device opens
  CannotConvert,  // the device's rate or channels cannot be converted to the take's
  DeviceStopped,  // the device stopped mid-take: only a part was recorded
};

struct CapturedTake {
  std::vector<float> samples;  // mono, kTakeRate
  CaptureFailure failure = CaptureFailure::None;
};

class Capture {
 public:
  Capture() = default;
  Capture(const Capture&) = delete;
  Capture& operator=(const Capture&) = delete;
  ~Capture();

  // Starts a take that ends where `ends` says: the device is opened on the capture's thread. No
  // microphone is a take that finishes at once with that failure.
  void start(TakeEndRule ends);
  void stop();
  // From start() until the take has finished: the device being opened, then recording.
  bool capturing() const { return running_.load(); }
  // The device is open and its sound is being taken.
  bool recording() const { return opened_.load(); }
  // The level of the last 50 ms, dBFS (-100 for nothing yet).
  double level() const { return level_.load(); }
  // The take, once it has stopped (by itself or by stop()); handed over once.
  bool finished() const;
  CapturedTake take();
  // Waits for the take to finish, then hands it over. It finishes soon after stop().
  CapturedTake awaitTake();

 private:
  static std::uint32_t open(int& rate, int& channels, CaptureFailure& why);
  void run(TakeEndRule ends);
  void finish(CapturedTake take);

  std::thread thread_;
  std::atomic<bool> running_{false}, opened_{false}, stopAsked_{false};
  std::atomic<double> level_{-100};
  mutable std::mutex mutex_;
  std::condition_variable finishedChanged_;
  CapturedTake take_;
  bool finished_ = false;
};

}  // namespace tessaly::audio
