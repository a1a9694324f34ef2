// SPDX-License-Identifier: GPL-3.0-or-later
// LoopPacer applies the loop options (practice/LoopOptions.h) around the back-ends' own loop
// ticks, never inside their steps, and runs a repeat scheme (drill/RepeatScheme.h) there:
// each step of its plan a loop of its own, at the step's speed, with the step's pause after
// it, the status line saying which pass or pause it is.
// Owned by the main window's logic; every method runs on the user-interface thread.
#pragma once

#include <functional>
#include <vector>

#include "drill/DrillPlan.h"
#include "playback/MciControl.h"
#include "playback/PlayerControls.h"
#include "playback/StreamControl.h"
#include "practice/LoopOptions.h"

namespace tessaly {

class LoopPacer {
 public:
  // `leaveLoop` leaves the repeat loop as Alt+X does.
  LoopPacer(PlayerVariables& variables, MciControl& mci, StreamControl& stream, std::function<void()> leaveLoop);

  void setOptions(const LoopOptions& options) { options_ = options; }
  const LoopOptions& options() const { return options_; }

  // In place of the back-ends' loop ticks: `tick` is the back-end's own, `intervalMs` its
  // timer's period (the MCI device's 600 ms wait counts towards the pause).
  void mciTick(const std::function<void()>& tick, int intervalMs);
  void streamTick(const std::function<void()>& tick, int intervalMs);
  // Before the continue command runs: the step back.
  void beforeContinue(bool mciBackEnd);
  // Any player command (a new loop, a jump, a pause, leaving): passes are counted afresh, and
  // a pause between passes ends (the streaming device plays again).
  void reset();
  int passesDone() const { return passes_; }

  // Where a run says where it is (the status line), and the speed outside runs (the
  // learner's, restored when a run ends).
  void useRunDisplay(ui::Label& status, std::function<double()> keptSpeed) {
    status_ = &status;
    keptSpeed_ = std::move(keptSpeed);
  }
  // A scheme's run over `plan` (not empty) through `backEnd`: its first step at once. On the
  // streaming back-end (`streaming`) a pass that would reach the end of the file ends a
  // little before it, where the loop's tick still sees it end.
  // With `returnToMs` (not negative), listening goes on from there once the last step ends.
  void startRun(std::vector<DrillStep> plan, PlayerBackEnd& backEnd, bool streaming, double returnToMs = -1);
  bool running() const { return step_ >= 0; }
  // The step playing or pausing; null outside a run.
  const DrillStep* currentStep() const;
  // Alt+N, Alt+P in a run: the next or the previous sentence's first pass.
  void moveRun(bool earlier);
  // Alt+Z in a run: while the player is paused the pause between passes waits too; on
  // continuing it goes on where it was.
  void holdRun(bool paused);
  // The run ends (Alt+X, another player command, its last step): the learner's speed back.
  void endRun();

 private:
  // A pass has just ended (or is waiting to be followed): true when the next may start now.
  bool passEnded(int intervalMs, bool countTickAsWaited);

  PlayerVariables& v_;
  MciControl& mci_;
  StreamControl& stream_;
  std::function<void()> leaveLoop_;
  LoopOptions options_;
  int passes_ = 0;
  // A run's step has ended and its pause is over: the next step starts (true when it is the
  // same stretch again, which the back-end's own tick replays).
  bool nextStep();
  void showStep();
  // The loop over the current step, from its start.
  void loopStep();
  int pauseMs() const;

  int waitedMs_ = -1;        // time since the pass ended, while waiting; -1 while a pass plays
  bool heldDevice_ = false;  // the streaming device is paused for the pause between passes

  std::vector<DrillStep> plan_;
  int step_ = -1;  // in plan_; -1 outside a run
  double returnToMs_ = -1;
  bool runPaused_ = false;
  bool streaming_ = false;
  PlayerBackEnd* backEnd_ = nullptr;
  ui::Label* status_ = nullptr;
  std::function<double()> keptSpeed_;
};

}  // namespace tessaly
