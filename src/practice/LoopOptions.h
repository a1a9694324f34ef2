// SPDX-License-Identifier: GPL-3.0-or-later
// The repeat loop's options, beyond the loop itself (the defaults leave the plain Alt+X loop:
// unlimited passes, no pause, no step back): how many passes before listening goes on, a pause between passes for
// writing, and a step back when playback continues after a pause; and the engine that plays
// the slower and faster speeds. Kept in the per-user settings, edited in the options window
// (Alt+O); applied by LoopPacer (practice/LoopPacer.h), the engine by the main window's logic.
// User-interface thread.
#pragma once

#include <string>
#include <vector>

#include "drill/DrillPlan.h"
#include "playback/StretchEngine.h"
#include "settings/UserSettings.h"

namespace tessaly {

struct LoopOptions {
  int passes = 0;                                 // passes of a loop before it is left as Alt+X leaves it; 0: no limit
  int pauseMs = 0;                                // silence between one pass and the next
  int stepBackMs = 0;                             // continuing after a pause starts this much earlier
  StretchEngine stretch = kDefaultStretchEngine;  // plays the speeds other than 1.0×
  friend bool operator==(const LoopOptions&, const LoopOptions&) = default;

  static LoopOptions load(const UserSettings& settings);  // within their ranges
  // The engine is written once the learner has one other than the default (or had one
  // written before), so a settings file that names none follows the program's default.
  void save(UserSettings& settings) const;
  // The stretch engine the settings name ("stretch=speech" or "stretch=rubberband"); any
  // other value, or none, is the default.
  static StretchEngine stretchIn(const UserSettings& settings);
  static constexpr int kMostPasses = 99;
  static constexpr int kLongestPauseMs = 30000;
  static constexpr int kLongestStepBackMs = 30000;
};

// The options window, as the logic sees it (Qt's in the program, a fake in the tests).
class LoopOptionsDialog {
 public:
  virtual ~LoopOptionsDialog() = default;
  // Shows `options` for editing; true (with `options` changed) when the user accepts.
  virtual bool edit(LoopOptions& options) = 0;
  // The repeat schemes edit() offers to choose among, and the one chosen before; after an
  // accepted edit, chosenScheme() is the one chosen then and schemes() the schemes as the
  // learner left them (theirs added, changed or removed).
  virtual void offerSchemes(const std::vector<RepeatScheme>& schemes, const std::string& chosen) {
    schemes_ = schemes;
    chosen_ = chosen;
  }
  virtual std::string chosenScheme() const { return chosen_; }
  virtual std::vector<RepeatScheme> schemes() const { return schemes_; }

 private:
  std::vector<RepeatScheme> schemes_;
  std::string chosen_;
};

}  // namespace tessaly
