// SPDX-License-Identifier: GPL-3.0-or-later
// Virtual time for the logic's tests: timers made here tick only when the test advances
// the clock, in time order, each tick seeing now() equal to its own due time. The
// simulated devices read the same clock, so a whole listening session runs in
// microseconds and the same way every time. Single-threaded.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "ui/Timer.h"

namespace tessaly::test {

class ManualTimer;

class ManualClock {
 public:
  ManualClock() = default;
  ManualClock(const ManualClock&) = delete;
  ManualClock& operator=(const ManualClock&) = delete;

  std::int64_t now() const { return now_; }

  // Moves time forward by `ms`, firing every tick that falls due on the way (a tick due
  // exactly at the end fires too). Ties fire in the order the timers were made.
  void advance(std::int64_t ms);

  std::unique_ptr<ManualTimer> makeTimer(int intervalMs = 1000, bool enabled = false);

 private:
  friend class ManualTimer;
  void add(ManualTimer* timer);
  void remove(ManualTimer* timer);

  std::int64_t now_ = 0;
  std::vector<ManualTimer*> timers_;  // in creation order
};

class ManualTimer final : public ui::Timer {
 public:
  explicit ManualTimer(ManualClock& clock, int intervalMs = 1000, bool enabled = false);
  ~ManualTimer() override;

  void setEnabled(bool enabled) override;
  bool enabled() const override { return enabled_; }
  void setInterval(int ms) override;
  int interval() const override { return interval_; }
  void setTickHandler(std::function<void()> handler) override { handler_ = std::move(handler); }

  // Runs the handler once, as a tick would (for tests that drive a handler directly).
  void fire();
  int ticks() const { return ticks_; }

 private:
  friend class ManualClock;
  ManualClock& clock_;
  int interval_;
  bool enabled_ = false;
  std::int64_t due_ = 0;
  int ticks_ = 0;
  std::function<void()> handler_;
};

}  // namespace tessaly::test
