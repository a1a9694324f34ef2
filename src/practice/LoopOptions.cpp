// SPDX-License-Identifier: GPL-3.0-or-later
#include "practice/LoopOptions.h"

#include <algorithm>
#include <string>

namespace tessaly {

LoopOptions LoopOptions::load(const UserSettings& settings) {
  LoopOptions o;
  o.passes = std::clamp(settings.getInt("loop_passes", 0), 0, kMostPasses);
  o.pauseMs = std::clamp(settings.getInt("loop_pause_ms", 0), 0, kLongestPauseMs);
  o.stepBackMs = std::clamp(settings.getInt("step_back_ms", 0), 0, kLongestStepBackMs);
  return o;
}

void LoopOptions::save(UserSettings& settings) const {
  settings.set("loop_passes", std::to_string(passes));
  settings.set("loop_pause_ms", std::to_string(pauseMs));
  settings.set("step_back_ms", std::to_string(stepBackMs));
}

LoopPacer::LoopPacer(PlayerVariables& variables, MciControl& mci, StreamControl& stream, std::function<void()> leaveLoop)
    : v_(variables), mci_(mci), stream_(stream), leaveLoop_(std::move(leaveLoop)) {}

void LoopPacer::reset() {
  passes_ = 0;
  waitedMs_ = -1;
  if (heldDevice_) stream_.play();  // a command cuts the pause short: the sound goes on
  heldDevice_ = false;
}

bool LoopPacer::passEnded(int intervalMs, bool countTickAsWaited) {
  if (waitedMs_ < 0) {  // the pass has just ended
    ++passes_;
    waitedMs_ = countTickAsWaited ? intervalMs : 0;
    if (options_.passes > 0 && passes_ >= options_.passes) {
      reset();
      leaveLoop_();  // as Alt+X leaves it: listening goes on from the loop's end
      return false;
    }
  } else {
    waitedMs_ += intervalMs;
  }
  if (waitedMs_ < options_.pauseMs) return false;
  waitedMs_ = -1;
  return true;
}

void LoopPacer::mciTick(const std::function<void()>& tick, int intervalMs) {
  // The same test as the loop's own: the ranged play of the pass has stopped on its end.
  const bool ended = v_.repeatState == RepeatState::Repeating && mci_.isOpen() && v_.reopening == 0 &&
                     mci_.position() == v_.segmentEnd;
  if (ended && !passEnded(intervalMs, true)) return;
  tick();
}

void LoopPacer::streamTick(const std::function<void()>& tick, int intervalMs) {
  if (v_.repeatState != RepeatState::Repeating) {
    tick();
    return;
  }
  const bool waiting = waitedMs_ >= 0;
  if (!waiting && stream_.position() < v_.segmentEnd) {
    tick();
    return;
  }
  // At the loop's end: hold the sound still through the pause, then the next pass.
  if (!passEnded(intervalMs, false)) {
    if (!waiting && v_.repeatState == RepeatState::Repeating && options_.pauseMs > 0) {
      stream_.pause();
      heldDevice_ = true;
    }
    return;
  }
  tick();
  if (heldDevice_) stream_.play();
  heldDevice_ = false;
}

void LoopPacer::beforeContinue(bool mciBackEnd) {
  if (options_.stepBackMs <= 0) return;
  const double floor = v_.repeatState == RepeatState::Repeating ? v_.segmentStart : 0.0;
  if (mciBackEnd) {
    v_.resumePosition = std::max(floor, v_.resumePosition - options_.stepBackMs);
  } else {
    stream_.setPosition(
        static_cast<std::int32_t>(std::max(floor, stream_.position() - static_cast<double>(options_.stepBackMs))));
  }
}

}  // namespace tessaly
