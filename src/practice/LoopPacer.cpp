// SPDX-License-Identifier: GPL-3.0-or-later
#include "practice/LoopPacer.h"

#include <algorithm>

namespace tessaly {

LoopPacer::LoopPacer(PlayerVariables& variables, MciControl& mci, StreamControl& stream, std::function<void()> leaveLoop)
    : v_(variables), mci_(mci), stream_(stream), leaveLoop_(std::move(leaveLoop)) {}

void LoopPacer::reset() {
  passes_ = 0;
  waitedMs_ = -1;
  if (heldDevice_) stream_.play();  // a command cuts the pause short: the sound goes on
  heldDevice_ = false;
}

int LoopPacer::pauseMs() const {
  return running() ? plan_[static_cast<std::size_t>(step_)].pauseAfterMs : options_.pauseMs;
}

const DrillStep* LoopPacer::currentStep() const { return running() ? &plan_[static_cast<std::size_t>(step_)] : nullptr; }

void LoopPacer::showStep() {
  const DrillStep& step = plan_[static_cast<std::size_t>(step_)];
  const double speed = step.speedPercent / 100.0;
  mci_.setSpeed(speed);
  stream_.setSpeed(speed);
  // Inside the pause after a pass the line says so, not the pass that has ended.
  if (status_) status_->setCaption(waitedMs_ >= 0 && pauseMs() > 0 ? pauseCaption(step) : stepCaption(step));
}

void LoopPacer::loopStep() {
  const DrillStep& step = plan_[static_cast<std::size_t>(step_)];
  double end = step.endMs;
  // The streaming device reads 0 once the file has ended: a loop's end must come before that.
  constexpr double kBeforeFileEndMs = 80;
  const double length = stream_.length();
  if (streaming_ && length > 0 && end > length - kBeforeFileEndMs) end = std::max(step.startMs, length - kBeforeFileEndMs);
  backEnd_->repeatRange(step.startMs, end);
}

void LoopPacer::startRun(std::vector<DrillStep> plan, PlayerBackEnd& backEnd, bool streaming, double returnToMs) {
  if (plan.empty()) return;
  reset();
  returnToMs_ = returnToMs;
  plan_ = std::move(plan);
  backEnd_ = &backEnd;
  streaming_ = streaming;
  step_ = 0;
  runPaused_ = false;
  loopStep();
  showStep();
}

void LoopPacer::endRun() {
  if (!running()) return;
  step_ = -1;
  plan_.clear();
  runPaused_ = false;
  const double kept = keptSpeed_ ? keptSpeed_() : 1.0;
  mci_.setSpeed(kept);
  stream_.setSpeed(kept);
}

void LoopPacer::moveRun(bool earlier) {
  if (!running()) return;
  const int to = stepOfNextSentence(plan_, step_, earlier);
  if (to < 0) return;
  waitedMs_ = -1;
  if (heldDevice_) stream_.play();
  heldDevice_ = false;
  step_ = to;
  loopStep();
  showStep();
}

void LoopPacer::holdRun(bool paused) {
  if (!running()) return;
  runPaused_ = paused;
  if (paused) return;
  // Continuing inside the pause after a pass: the sound stays still until the pause is over.
  if (waitedMs_ >= 0 && heldDevice_) stream_.pause();
  showStep();
}

bool LoopPacer::nextStep() {
  const DrillStep before = plan_[static_cast<std::size_t>(step_)];
  if (++step_ >= static_cast<int>(plan_.size())) {
    const double returnTo = returnToMs_;
    PlayerBackEnd* backEnd = backEnd_;
    endRun();
    reset();                                       // the sound held through the last pause goes on
    leaveLoop_();                                  // as Alt+X leaves a loop: listening goes on from its end
    if (returnTo >= 0) backEnd->jumpTo(returnTo);  // or from where it was before the run
    return false;
  }
  const DrillStep& next = plan_[static_cast<std::size_t>(step_)];
  showStep();
  if (next.startMs == before.startMs && next.endMs == before.endMs) return true;
  loopStep();
  if (heldDevice_) stream_.play();
  heldDevice_ = false;
  return false;
}

bool LoopPacer::passEnded(int intervalMs, bool countTickAsWaited) {
  if (running()) {
    if (waitedMs_ < 0) {  // the pass has just ended: its pause begins
      waitedMs_ = countTickAsWaited ? intervalMs : 0;
      if (status_ && pauseMs() > 0) status_->setCaption(pauseCaption(plan_[static_cast<std::size_t>(step_)]));
    } else if (!runPaused_) {
      waitedMs_ += intervalMs;
    }
    if (runPaused_ || waitedMs_ < pauseMs()) return false;
    waitedMs_ = -1;
    return nextStep();
  }
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
    if (!waiting && v_.repeatState == RepeatState::Repeating && pauseMs() > 0 && !heldDevice_) {
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
