// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/ManualClock.h"

#include <algorithm>

namespace tessaly::test {

void ManualClock::advance(std::int64_t ms) {
  const std::int64_t target = now_ + ms;
  for (;;) {
    ManualTimer* next = nullptr;
    for (ManualTimer* timer : timers_)
      if (timer->enabled_ && timer->due_ <= target && (!next || timer->due_ < next->due_)) next = timer;
    if (!next) break;
    now_ = next->due_;
    next->due_ += std::max(1, next->interval_);
    next->fire();
  }
  now_ = target;
}

std::unique_ptr<ManualTimer> ManualClock::makeTimer(int intervalMs, bool enabled) {
  return std::make_unique<ManualTimer>(*this, intervalMs, enabled);
}

void ManualClock::add(ManualTimer* timer) { timers_.push_back(timer); }

void ManualClock::remove(ManualTimer* timer) { std::erase(timers_, timer); }

ManualTimer::ManualTimer(ManualClock& clock, int intervalMs, bool enabled) : clock_(clock), interval_(intervalMs) {
  clock_.add(this);
  setEnabled(enabled);
}

ManualTimer::~ManualTimer() { clock_.remove(this); }

void ManualTimer::setEnabled(bool enabled) {
  if (enabled && !enabled_) due_ = clock_.now() + std::max(1, interval_);
  enabled_ = enabled;
}

void ManualTimer::setInterval(int ms) {
  interval_ = ms;
  if (enabled_) due_ = clock_.now() + std::max(1, interval_);
}

void ManualTimer::fire() {
  ++ticks_;
  if (handler_) handler_();
}

}  // namespace tessaly::test
