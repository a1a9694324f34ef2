// SPDX-License-Identifier: GPL-3.0-or-later
// ShadowForm: 跟读 in the practice window, as logic. One key records a take of the sentence
// being heard (playback paused once the microphone records) and ends it; the take is then
// compared with the sentence, and the comparison kept (with the take, and in the learner's
// record when there is one). Two more keys hear the last take after the original, or alone, for the loop options'
// passes; going on with the player ends the hearing.
//
// User-interface thread only; the engine records, compares and plays on threads of its own.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "practice/PracticePlayer.h"
#include "record/RecordLog.h"
#include "shadow/ShadowEngine.h"

namespace tessaly {

class ShadowForm {
 public:
  ShadowForm(PracticePlayer& player, ShadowEngine& engine) : player_(player), engine_(engine) {}

  // Where each compared take is kept (null: nowhere), dated by `now` (seconds since 1970).
  void keepTakesIn(TakeLog* log, std::function<std::int64_t()> now);

  // The take key: a take of `sentences[sentence]` starts (its units, where known, name its
  // characters), or the take under way ends. "" or what to tell the learner; a take that
  // cannot start changes nothing.
  std::string toggleTake(const std::vector<Sentence>& sentences, int sentence, const std::vector<align::UnitSpan>& units);
  // The last take, after its sentence when `original`; "" or what to tell the learner.
  std::string hear(bool original);

  struct Changes {
    bool state = false;       // the microphone opened, recording ended, comparing ended
    bool comparison = false;  // a new comparison (see comparison())
    bool hearing = false;     // what is heard changed
  };
  // Once a frame.
  Changes tick();

  TakeState state() const { return state_; }
  // The meter, 0 to 100 (-60 dBFS to 0), while recording.
  int meter() const;
  // The last take that could be compared (a take that could not changes nothing).
  const std::optional<TakeComparison>& comparison() const { return comparison_; }
  // Why the last take could not be compared, or (once, until a take is kept again) why a
  // compared take could not be kept; "" for nothing to tell.
  std::string takeProblem();
  // The sentence of the take under way, else of the comparison shown (from 0); -1 before any.
  int takenSentence() const { return taken_; }
  // A line of what 跟读 is doing, for the window ("正在录音：第 2 句……").
  std::string caption() const;

  static int meterPercent(double db);

 private:
  void keep(const TakeComparison& c);

  PracticePlayer& player_;
  ShadowEngine& engine_;
  TakeLog* log_ = nullptr;
  std::function<std::int64_t()> now_;
  TakeState state_ = TakeState::Idle;
  Hearing hearing_;
  TakeRequest request_;
  int taken_ = -1, comparedSentence_ = -1;
  std::optional<TakeComparison> comparison_;
  std::string problem_;
  bool unkeptTold_ = false;  // a take that could not be kept was told, and none kept since
};

}  // namespace tessaly
