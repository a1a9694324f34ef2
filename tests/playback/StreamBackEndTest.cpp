// SPDX-License-Identifier: GPL-3.0-or-later
// The streaming back-end on the simulated control: positions set, ranges played, the two
// polling timers, and the end of an entry.
#include <gtest/gtest.h>

#include "PlayerRig.h"
#include "text/Module1.h"

namespace tessaly::test {
namespace {

using Ranges = std::vector<PlayedRange>;

const std::string kStarted = "TTTTTTFTTTTTTTTTFTTTFTF";
const std::string kRepeating = "TTTFFTFFFTTTTFFTFFFTFFT";
const std::string kStopped = "TTFFTFFFFTTTFFTFFFFTTFF";

class StreamBackEndTest : public ::testing::Test {
 protected:
  StreamBackEndTest() : rig("/voice/lesson.mp3") {
    rig.useMci = false;
    rig.streamDevice.addFile("/voice/lesson.mp3", 120000);
  }
  void startAndListen(std::int64_t ms) {
    rig.startCommand();
    rig.clock.advance(ms);
  }
  Ranges played() const { return rig.streamDevice.played(); }

  PlayerRig rig;
};

TEST_F(StreamBackEndTest, StartSetsTheSourceAndArmsTheTrackingTimer) {
  rig.startCommand();
  EXPECT_EQ(rig.streamDevice.log(), (std::vector<std::string>{"stop", "setSource /voice/lesson.mp3", "play"}));
  EXPECT_EQ(rig.variables.startStage, 1);
  EXPECT_EQ(rig.variables.segmentStart, 1.0);
  EXPECT_TRUE(rig.timer2->enabled());
  EXPECT_FALSE(rig.timer3->enabled());
  EXPECT_EQ(rig.layout(), kStarted);
  EXPECT_EQ(rig.label7.caption(), "02:00.0");
  EXPECT_EQ(rig.focus.owner, "Text1");
  rig.clock.advance(200);
  EXPECT_EQ(rig.variables.startStage, 2);
}

TEST_F(StreamBackEndTest, StopFallsSilentAndShowsTheStartUpCaption) {
  startAndListen(3000);
  rig.stream->streamStop();
  EXPECT_FALSE(rig.streamDevice.playing());
  EXPECT_FALSE(rig.timer2->enabled());
  EXPECT_FALSE(rig.timer3->enabled());
  EXPECT_EQ(rig.label1.caption(), captions::kWaiting);
  EXPECT_EQ(rig.layout(), kStopped);
  EXPECT_EQ(rig.label6.caption(), "00:00.0");
  EXPECT_EQ(rig.focus.owner, "Command1");
  EXPECT_EQ(rig.variables.startStage, 2);  // kept until the next start
}

TEST_F(StreamBackEndTest, RepeatLoopsFromOneMillisecondAndLeavesFromWhereTheLoopBegan) {
  startAndListen(12000);
  rig.stream->streamToggleRepeat();
  EXPECT_EQ(rig.variables.segmentEnd, 12000.0);
  EXPECT_EQ(rig.layout(), kRepeating);
  EXPECT_EQ(rig.label1.caption(), captions::kRepeating);
  rig.clock.advance(40000);
  const Ranges loop = played();
  ASSERT_GE(loop.size(), 4u);
  EXPECT_EQ(loop[0].from, 0);
  for (std::size_t i = 1; i + 1 < loop.size(); ++i) {
    EXPECT_EQ(loop[i].from, 1);
    EXPECT_GE(loop[i].to, 12000);
    EXPECT_LE(loop[i].to, 12000 + 20);  // at most one loop tick past the end
  }
  rig.stream->streamToggleRepeat();
  EXPECT_EQ(rig.variables.segmentStart, 12000.0);
  EXPECT_EQ(rig.layout(), kStarted);
  rig.clock.advance(3000);
  EXPECT_EQ(played().back(), (PlayedRange{12000, 15000}));
  rig.stream->streamToggleRepeat();  // the next loop starts at 12 s
  rig.clock.advance(5000);
  EXPECT_EQ(played().back().from, 12000);
}

TEST_F(StreamBackEndTest, RepeatWhileThePositionReadsZeroKeepsPlaybackAtTheStart) {
  rig.startCommand();
  rig.stream->streamToggleRepeat();
  EXPECT_EQ(rig.variables.segmentEnd, 0.0);
  rig.clock.advance(1000);
  EXPECT_LE(rig.streamDevice.position(), 21);
  rig.stream->streamToggleRepeat();
  rig.clock.advance(1000);
  EXPECT_EQ(rig.streamDevice.position(), 1000);
}

TEST_F(StreamBackEndTest, PauseAndContinueKeepTheSegment) {
  // Normal listening with the segment starting at 5 s.
  startAndListen(5000);
  rig.stream->streamToggleRepeat();
  rig.stream->streamToggleRepeat();
  ASSERT_EQ(rig.variables.segmentStart, 5000.0);
  rig.clock.advance(15000);
  rig.stream->streamPause();
  EXPECT_EQ(rig.label1.caption(), captions::kPaused);
  const std::string labelWhilePaused = rig.label6.caption();
  rig.clock.advance(3000);
  EXPECT_EQ(rig.label6.caption(), labelWhilePaused);  // stands still, and no end is seen
  EXPECT_EQ(rig.advanceCalls, 0);
  rig.stream->streamContinue();
  rig.clock.advance(10000);
  rig.stream->streamToggleRepeat();
  EXPECT_EQ(rig.variables.segmentStart, 5000.0);
  EXPECT_EQ(rig.variables.segmentEnd, 30000.0);
  rig.clock.advance(100);
  EXPECT_LT(rig.streamDevice.position(), 5100);  // back at the segment's start
}

TEST_F(StreamBackEndTest, PauseInsideTheLoopCarriesOnWithTheSameLoop) {
  startAndListen(5000);
  rig.stream->streamToggleRepeat();
  rig.stream->streamToggleRepeat();
  rig.clock.advance(7000);
  rig.stream->streamToggleRepeat();  // loop 5..12 s
  rig.clock.advance(3000);
  rig.stream->streamPause();
  rig.clock.advance(2000);
  EXPECT_EQ(played().size(), played().size());
  rig.stream->streamContinue();
  EXPECT_EQ(rig.layout(), kRepeating);
  rig.clock.advance(20000);
  const Ranges ranges = played();
  EXPECT_EQ(ranges.back().from, 5000);
  EXPECT_TRUE(rig.timer3->enabled());
}

TEST_F(StreamBackEndTest, JumpsMoveThePositionAndStartANewSegment) {
  struct Case {
    std::int64_t listenMs;
    void (StreamBackEnd::*jump)();
    std::int32_t expectedPosition;
  };
  const Case cases[] = {
      {25000, &StreamBackEnd::streamRewind, 25000},  // within the first 30 s: nothing
      {45000, &StreamBackEnd::streamRewind, 15000}, {30000, &StreamBackEnd::streamRewind, 30000},
      {30001, &StreamBackEnd::streamRewind, 1},     {10000, &StreamBackEnd::streamForward, 40000},
      {1000, &StreamBackEnd::streamToEnd, 119500},
  };
  for (const Case& c : cases) {
    PlayerRig local("/voice/lesson.mp3");
    local.useMci = false;
    local.streamDevice.addFile("/voice/lesson.mp3", 120000);
    local.startCommand();
    local.clock.advance(c.listenMs);
    (local.stream.get()->*c.jump)();
    EXPECT_EQ(local.streamDevice.position(), c.expectedPosition) << c.listenMs;
    EXPECT_EQ(local.focus.owner, "Text1");
    if (c.expectedPosition != c.listenMs) {
      EXPECT_EQ(local.variables.segmentStart, c.expectedPosition);
    }
  }
}

TEST_F(StreamBackEndTest, ForwardWithinTheLoopStopsTheLoopButKeepsItsCaption) {
  startAndListen(10000);
  rig.stream->streamToggleRepeat();
  rig.clock.advance(3000);
  const std::int32_t before = rig.streamDevice.position();
  rig.stream->streamForward();  // through its click area: the button is disabled
  EXPECT_EQ(rig.variables.segmentStart, before + 30000.0);
  rig.clock.advance(20000);
  EXPECT_EQ(played().back().from, rig.variables.segmentStart);
  EXPECT_EQ(rig.streamDevice.position(), before + 30000 + 20000);
  EXPECT_EQ(rig.label1.caption(), captions::kRepeating);
  EXPECT_EQ(rig.pictures[2].visible(), true);
  EXPECT_TRUE(rig.timer3->enabled());  // ticking, but its test fails in normal listening
  rig.stream->streamToggleRepeat();    // enters a new loop from the jump target
  EXPECT_EQ(rig.variables.repeatState, RepeatState::Repeating);
  EXPECT_EQ(rig.variables.segmentStart, before + 30000.0);
  EXPECT_EQ(rig.variables.segmentEnd, before + 30000.0 + 20000.0);
}

TEST_F(StreamBackEndTest, ToEndAndForwardPastTheEndEndTheEntry) {
  rig.streamDevice.addFile("/voice/2.mp3", 60000);
  rig.nextEntries = {"/voice/2.mp3"};
  startAndListen(100000);
  rig.stream->streamForward();  // 130 s on a 120 s file
  rig.clock.advance(100);
  EXPECT_EQ(rig.label2.caption(), "/voice/2.mp3");
  rig.clock.advance(1000);
  rig.stream->streamToEnd();
  rig.clock.advance(600);
  EXPECT_EQ(rig.label6.caption(), "00:00.0");
  EXPECT_EQ(rig.streamDevice.position(), 0);
  EXPECT_EQ(played().back(), (PlayedRange{59500, 60000}));
}

TEST_F(StreamBackEndTest, TrackingShowsProgressAndRefreshesALateLength) {
  rig.streamDevice.addFile("/voice/late.rm", 120000, 300);
  rig.recording.set("/voice/late.rm");
  rig.startCommand();
  EXPECT_EQ(rig.label7.caption(), "00:00.0");
  rig.clock.advance(100);             // position 100: length refreshed, slider not moved
  EXPECT_EQ(rig.slider.writes(), 1);  // only the stop's 0
  rig.clock.advance(29900);
  EXPECT_EQ(rig.slider.value(), 250);
  EXPECT_EQ(rig.label6.caption(), formatPosition(30000));
  EXPECT_EQ(rig.label7.caption(), "00:00.0");  // refreshed only while at 100 ms or less
}

TEST_F(StreamBackEndTest, ASliderWithAnUnknownLengthStaysInRange) {
  rig.streamDevice.addFile("/voice/unknown.rm", 20000, 1000000);
  rig.recording.set("/voice/unknown.rm");
  rig.startCommand();
  rig.clock.advance(5000);
  EXPECT_GE(rig.slider.value(), 0);
  EXPECT_LE(rig.slider.value(), 1000);
}

TEST_F(StreamBackEndTest, ASourceThatCannotPlayNeverReportsAnEnd) {
  rig.recording.set("/voice/broken.rm");
  rig.nextEntries = {"/voice/lesson.mp3"};
  rig.startCommand();
  rig.clock.advance(10000);
  EXPECT_EQ(rig.variables.startStage, 1);
  EXPECT_EQ(rig.label2.caption(), "/voice/broken.rm");
  EXPECT_EQ(rig.label1.caption(), captions::kPlaying);
  EXPECT_EQ(rig.label6.caption(), "00:00.0");
}

TEST_F(StreamBackEndTest, AThreeEntryListAdvancesWithinOneTrackingTick) {
  rig.streamDevice.addFile("/voice/1.mp3", 2000);
  rig.streamDevice.addFile("/voice/2.mp3", 3000);
  rig.streamDevice.addFile("/voice/3.mp3", 4000);
  rig.recording.set("/voice/1.mp3");
  rig.nextEntries = {"/voice/2.mp3", "/voice/3.mp3"};
  rig.startCommand();
  rig.clock.advance(2000 + 100);
  EXPECT_EQ(rig.label2.caption(), "/voice/2.mp3");
  rig.clock.advance(3000 + 100);
  EXPECT_EQ(rig.label2.caption(), "/voice/3.mp3");
  rig.clock.advance(10000);
  EXPECT_EQ(played(), (Ranges{{0, 2000}, {0, 3000}, {0, 4000}}));
  // After the last entry the window stays in the playing layout with the position at 0.
  EXPECT_EQ(rig.layout(), kStarted);
  EXPECT_EQ(rig.label6.caption(), "00:00.0");
  EXPECT_EQ(rig.label7.caption(), "00:04.0");
  EXPECT_TRUE(rig.timer2->enabled());
}

}  // namespace
}  // namespace tessaly::test
