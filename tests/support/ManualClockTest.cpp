// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/ManualClock.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tessaly::test {
namespace {

TEST(ManualClock, FiresEnabledTimersInTimeOrderAtTheirOwnTimes) {
  ManualClock clock;
  auto fast = clock.makeTimer(20, true);
  auto slow = clock.makeTimer(50, true);
  auto off = clock.makeTimer(10, false);
  std::vector<std::string> events;
  fast->setTickHandler([&] { events.push_back("fast@" + std::to_string(clock.now())); });
  slow->setTickHandler([&] { events.push_back("slow@" + std::to_string(clock.now())); });
  off->setTickHandler([&] { events.push_back("off"); });

  clock.advance(100);
  EXPECT_EQ(events,
            (std::vector<std::string>{"fast@20", "fast@40", "slow@50", "fast@60", "fast@80", "fast@100", "slow@100"}));
  EXPECT_EQ(clock.now(), 100);
}

TEST(ManualClock, HandlersMayEnableAndDisableTimers) {
  ManualClock clock;
  auto first = clock.makeTimer(100, true);
  auto second = clock.makeTimer(30, false);
  int secondTicks = 0;
  first->setTickHandler([&] {
    first->setEnabled(false);
    second->setEnabled(true);  // a new period starts now
  });
  second->setTickHandler([&] { ++secondTicks; });
  clock.advance(100);
  EXPECT_EQ(secondTicks, 0);
  clock.advance(59);
  EXPECT_EQ(secondTicks, 1);  // at 130
  clock.advance(1);
  EXPECT_EQ(secondTicks, 2);  // at 160
  EXPECT_EQ(first->ticks(), 1);
}

TEST(ManualClock, ReenablingRestartsThePeriodButEnablingTwiceDoesNot) {
  ManualClock clock;
  auto timer = clock.makeTimer(100, true);
  clock.advance(60);
  timer->setEnabled(true);  // already on: still due at 100
  clock.advance(40);
  EXPECT_EQ(timer->ticks(), 1);
  clock.advance(50);
  timer->setEnabled(false);
  timer->setEnabled(true);  // due at 250 now
  clock.advance(99);
  EXPECT_EQ(timer->ticks(), 1);
  clock.advance(1);
  EXPECT_EQ(timer->ticks(), 2);
}

}  // namespace
}  // namespace tessaly::test
