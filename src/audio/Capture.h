// SPDX-License-Identifier: GPL-3.0-or-later
// Recording a 跟读 take from the microphone: SDL2 capture in queue mode at the device's own
// rate, converted by swresample to mono float at kTakeRate, with a live level for the meter. A
// take stops when asked, by itself after a second of silence once the voice has been heard, or
// at its longest. No device, or one that stops working mid-take, is a failure in words; nothing
// hangs.
//
// Threads: start(), stop(), recording() and level() on the user-interface thread; finished()
// and take() on any (the comparison's worker waits for the take); the device is opened and read
// on a thread of its own, so the key that starts a take never waits for the sound server.
// mutex_ guards the take and its state.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace tessaly::audio {

inline constexpr int kTakeRate = 22050;

struct CaptureOptions {
  int longestMs = 20000;     // the take stops here (twice the sentence's length, say)
  int silenceStopMs = 1000;  // this much silence after the voice ends the take
  double silenceDb = -40;    // under this (dBFS, over 50 ms) is silence
};

struct CapturedTake {
  std::vector<float> samples;  // mono, kTakeRate
  std::string failure;         // "" or why it stopped early (in Chinese)
};

class Capture {
 public:
  Capture() = default;
  Capture(const Capture&) = delete;
  Capture& operator=(const Capture&) = delete;
  ~Capture();

  // Starts a take: the device is opened on the capture's thread. No microphone is a take that
  // finishes at once with the failure in words.
  void start(const CaptureOptions& options);
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

 private:
  static std::uint32_t open(int& rate, int& channels, std::string& why);
  void run(CaptureOptions options);
  void finish(CapturedTake take);

  std::thread thread_;
  std::atomic<bool> running_{false}, opened_{false}, stopAsked_{false};
  std::atomic<double> level_{-100};
  mutable std::mutex mutex_;
  CapturedTake take_;
  bool finished_ = false;
};

}  // namespace tessaly::audio
