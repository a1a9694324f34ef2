// SPDX-License-Identifier: GPL-3.0-or-later
// ShadowEngine on the audio engine. A take is recorded from the microphone (audio/Capture.h),
// ending where shadow/TakeEnd.h says, while a background worker of its own decodes the
// sentence; once the capture hands the take over, the worker has it judged against the
// sentence (shadow/TakeJudge.h) with the reference's tones (check/Readings.h), keeps the take
// with its score in its tags (shadow/engine/TakeStore.h) and hands the comparison over by
// serial number. Hearing plays the sentence and the take, both at the take's rate, through the
// engine's one output (audio/Output.h), which the player takes back when it plays again.
//
// Threads: every ShadowEngine call on the user-interface thread; the capture and the
// comparison on their own; the sound on the output's. An attach or a detach may wait for a
// device to open, so both run on the hearer's thread (newest wins: a second F6 while a device
// opens replaces the first and returns at once); the user-interface thread never waits on it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "audio/Capture.h"
#include "shadow/ShadowEngine.h"
#include "worker/BackgroundWorker.h"

namespace tessaly {

struct LoadedCheckTables;
namespace audio {
class Output;
}  // namespace audio

class Shadowing final : public ShadowEngine {
 public:
  // Takes are kept in `takesFolder` under `capBytes`; the tones come from the readings' table
  // at `readingsPath` ("" for none).
  Shadowing(audio::Output& output, std::string takesFolder, std::uintmax_t capBytes, std::string readingsPath);
  ~Shadowing() override;

  std::string startTake(const TakeRequest& request) override;
  void stopTake() override;
  TakeState state() const override;
  double level() const override { return capture_.level(); }
  std::optional<TakeComparison> takeComparison() override;
  bool hear(bool original, int passes, int pauseMs) override;
  void stopHearing() override;
  Hearing hearing() const override;

  // What the microphone was asked for (the tests' and the benchmark's view).
  const audio::Capture& capture() const { return capture_; }

  struct Compared {
    TakeComparison comparison;
    std::vector<float> original, take;  // mono at kTakeRate, for hearing
  };

 private:
  class Sound;

  audio::Output& output_;
  const std::string takesFolder_, readingsPath_;
  const std::uintmax_t capBytes_;
  audio::Capture capture_;
  std::uint32_t serial_ = 0;            // the comparison under way, 0 when none
  std::vector<float> original_, take_;  // the last take's, for hearing
  // Hands the output to `next` (null: to nothing), on the hearer's thread.
  void moveOutputTo(std::shared_ptr<Sound> next);

  std::shared_ptr<Sound> sound_;     // the hearing asked for last (user-interface thread)
  std::shared_ptr<Sound> attached_;  // the sound the output was handed (the hearer's thread)
  std::unique_ptr<BackgroundWorker<bool>> hearer_;
  std::shared_ptr<const LoadedCheckTables> tables_;  // the worker's; the program's one copy
  bool tablesTried_ = false;                         // the worker's
  BackgroundWorker<Compared> worker_;                // last: its jobs use the members above
};

}  // namespace tessaly
