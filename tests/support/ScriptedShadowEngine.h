// SPDX-License-Identifier: GPL-3.0-or-later
// 跟读's engine for the logic's tests: a take's comparison is what the test puts in `ready`; the
// microphone opens at once, slowly, or not at all; what it refuses and when it has nothing to
// hear follow the engine's rules (tests/audio/ShadowEngineContractTest.cpp runs it beside the
// engine's). Test thread only.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "shadow/ShadowEngine.h"

namespace tessaly::test {

class ScriptedShadowEngine final : public ShadowEngine {
 public:
  // The microphone opens at once (seen at the form's next tick), or after `openingPolls` looks
  // at the state (a slow one: the take is Starting meanwhile, as the engine's is while its
  // device opens), or is not there: the take then fails as its comparison.
  std::string startTake(const TakeRequest& r) override {
    if (state() != TakeState::Idle) return "上一遍跟读还没有结束。";
    requests.push_back(r);
    opening_ = openingPolls;
    state_ = TakeState::Starting;
    if (opening_ == 0) opened();
    return {};
  }
  void stopTake() override {
    ++stops;
    state_ = TakeState::Comparing;
  }
  TakeState state() const override {
    if (state_ == TakeState::Starting && opening_ > 0 && --opening_ == 0) opened();
    return state_;
  }
  double level() const override { return db; }
  std::optional<TakeComparison> takeComparison() override {
    if (!ready) return std::nullopt;
    state_ = TakeState::Idle;
    // A take that could not be compared changes nothing: the last one is still the one heard.
    if (ready->compared) hasTake_ = true;
    return std::exchange(ready, std::nullopt);
  }
  // As the engine's: nothing to hear before a compared take.
  bool hear(bool original, int passes, int pauseMs) override {
    if (!hasTake_) return false;
    heard.push_back({original, passes, pauseMs});
    now = {Hearing::Part::Original, 1, passes};
    return true;
  }
  void stopHearing() override {
    ++hearingStops;
    now = {};
  }
  Hearing hearing() const override { return now; }

  bool microphone = true;
  int openingPolls = 0;
  std::vector<TakeRequest> requests;
  int stops = 0, hearingStops = 0;
  double db = -100;
  mutable std::optional<TakeComparison> ready;
  struct Heard {
    bool original;
    int passes, pauseMs;
  };
  std::vector<Heard> heard;
  Hearing now;

 private:
  void opened() const {
    state_ = microphone ? TakeState::Recording : TakeState::Comparing;
    if (!microphone) {
      ready.emplace();
      ready->failure = "没有找到麦克风（录音设备），不能跟读录音。";
    }
  }

  mutable TakeState state_ = TakeState::Idle;
  mutable int opening_ = 0;
  bool hasTake_ = false;
};

}  // namespace tessaly::test
