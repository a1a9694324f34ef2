// SPDX-License-Identifier: GPL-3.0-or-later
// The simulated devices' own behaviour beyond the shared device contract (tests/audio):
// their logs and played ranges, which the logic's tests rely on.
#include "support/SimulatedDevices.h"

#include <gtest/gtest.h>

namespace tessaly::test {
namespace {

TEST(SimulatedMci, LogsCallsAndPlaysExactRanges) {
  ManualClock clock;
  SimulatedMci mci(clock);
  mci.addFile("a.wav", 60000);
  int notifications = 0;
  mci.setStatusHandler([&] { ++notifications; });

  mci.sendCommand("close");  // not open: nothing
  mci.setFileName("a.wav");
  mci.sendCommand("Open");
  mci.setFrom(10000);
  mci.setTo(18000);
  mci.sendCommand("play");
  clock.advance(5000);
  EXPECT_EQ(mci.position(), 15000);
  clock.advance(5000);
  EXPECT_EQ(mci.position(), 18000);  // stopped exactly at the end of the range
  EXPECT_FALSE(mci.playing());
  mci.sendCommand("close");
  clock.advance(1000);

  EXPECT_EQ(mci.played(), (std::vector<PlayedRange>{{10000, 18000}}));
  EXPECT_EQ(mci.log(),
            (std::vector<std::string>{"close", "fileName a.wav", "Open", "from 10000", "to 18000", "play", "close"}));
  EXPECT_EQ(notifications, 10000 / SimulatedMci::kNotifyPeriodMs);  // only while open
  EXPECT_EQ(mci.position(), 0);
  EXPECT_EQ(mci.length(), 0);
}

TEST(SimulatedMci, RefusesBadPositionsAndMissingFiles) {
  ManualClock clock;
  SimulatedMci mci(clock);
  mci.addFile("a.wav", 1000);
  mci.setFileName("missing.wav");
  mci.sendCommand("Open");
  EXPECT_FALSE(mci.isOpen());
  mci.setFileName("a.wav");
  mci.sendCommand("Open");
  mci.setFrom(-100);
  mci.sendCommand("play");
  EXPECT_FALSE(mci.playing());
  mci.setFrom(500);
  mci.setTo(2000);
  mci.sendCommand("play");
  EXPECT_FALSE(mci.playing());
  mci.setFrom(500);
  mci.sendCommand("play");
  clock.advance(2000);
  EXPECT_EQ(mci.position(), 1000);  // a play to the end stops at the length
}

TEST(SimulatedStream, EndsWithPositionZeroAndKeepsPausedPositions) {
  ManualClock clock;
  SimulatedStream stream(clock);
  stream.addFile("a.mp3", 10000, 300);
  stream.setSource("a.mp3");
  stream.play();
  EXPECT_EQ(stream.length(), 0);  // not known yet
  clock.advance(4000);
  EXPECT_EQ(stream.length(), 10000);
  stream.pause();
  clock.advance(1000);
  EXPECT_EQ(stream.position(), 4000);
  stream.play();
  clock.advance(1000);
  stream.setPosition(9000);
  clock.advance(999);
  EXPECT_EQ(stream.position(), 9999);
  clock.advance(1);
  EXPECT_EQ(stream.position(), 0);
  EXPECT_EQ(stream.played(), (std::vector<PlayedRange>{{0, 4000}, {4000, 5000}, {9000, 10000}}));
}

TEST(SimulatedStream, OutOfRangePositionsAndUnplayableSources) {
  ManualClock clock;
  SimulatedStream stream(clock);
  stream.addFile("a.mp3", 10000);
  stream.setSource("a.mp3");
  stream.play();
  clock.advance(500);
  stream.setPosition(-20);
  EXPECT_EQ(stream.position(), 0);
  clock.advance(100);
  stream.setPosition(50000);
  EXPECT_EQ(stream.position(), 0);
  EXPECT_FALSE(stream.playing());

  stream.setSource("broken.rm");
  stream.play();
  clock.advance(1000);
  EXPECT_EQ(stream.position(), 0);
  EXPECT_EQ(stream.length(), 0);
}

}  // namespace
}  // namespace tessaly::test
