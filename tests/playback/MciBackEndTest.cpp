// SPDX-License-Identifier: GPL-3.0-or-later
// The MCI back-end on the simulated device: the commands the device receives, the ranges
// it plays, and the captions, layouts and timers the window shows.
#include <gtest/gtest.h>

#include "PlayerRig.h"

namespace tessaly::test {
namespace {

using Ranges = std::vector<PlayedRange>;
using Log = std::vector<std::string>;

const std::string kStarted = "TTTTTTFTTTTTTTTTFTTTFTF";
const std::string kRepeating = "TTTFFTFFFTTTTFFTFFFTFFT";
const std::string kPausedInLoop = "FTFFFFTFFTFTFFFFTFFTFFT";
const std::string kStopped = "TTFFTFFFFTTTFFTFFFFTTFF";

class MciBackEndTest : public ::testing::Test {
 protected:
  MciBackEndTest() : rig("/voice/lesson.wav") { rig.mciDevice.addFile("/voice/lesson.wav", 60000); }

  void startAndListen(std::int64_t ms) {
    rig.startCommand();
    rig.clock.advance(ms);
  }
  Ranges played() const { return rig.mciDevice.played(); }

  PlayerRig rig;
};

TEST_F(MciBackEndTest, StartReopensTheDeviceAndPlaysFromOneMillisecond) {
  rig.mci->mciStart();
  EXPECT_EQ(rig.mciDevice.log(), (Log{"close", "deviceType WaveAudio", "fileName /voice/lesson.wav", "notify 1", "wait 0",
                                      "shareable 0", "Open", "from 1", "play"}));
  EXPECT_EQ(rig.variables.segmentStart, 1.0);
  EXPECT_EQ(rig.variables.segmentEnd, 1.0);
  EXPECT_EQ(rig.variables.repeatState, RepeatState::Listening);
  EXPECT_EQ(rig.label1.caption(), captions::kPlaying);
  EXPECT_EQ(rig.label7.caption(), "01:00.0");
  EXPECT_EQ(rig.slider.maximum(), 1000);
  EXPECT_EQ(rig.layout(), kStarted);
  EXPECT_EQ(rig.focus.owner, "Text1");
  EXPECT_FALSE(rig.timer1->enabled());
}

TEST_F(MciBackEndTest, StopClosesAndShowsTheWaitingState) {
  startAndListen(5000);
  rig.mci->mciToggleRepeat();
  rig.mci->mciStop();
  EXPECT_FALSE(rig.mciDevice.isOpen());
  EXPECT_FALSE(rig.timer1->enabled());
  EXPECT_EQ(rig.label1.caption(), captions::kWaitingAfterMciStop);
  EXPECT_EQ(rig.label6.caption(), "00:00.0");
  EXPECT_EQ(rig.label7.caption(), "00:00.0");
  EXPECT_EQ(rig.slider.value(), 0);
  EXPECT_EQ(rig.layout(), kStopped);  // the stop buttons stay enabled
  EXPECT_EQ(rig.focus.owner, "Command1");
  EXPECT_EQ(rig.variables.repeatState, RepeatState::Repeating);  // kept until the next start
  rig.startCommand();
  EXPECT_EQ(rig.variables.repeatState, RepeatState::Listening);
  EXPECT_EQ(rig.variables.segmentStart, 1.0);
}

TEST_F(MciBackEndTest, RepeatLoopsTheStretchHeardAndGoesOnFromWhereTheLoopBegan) {
  startAndListen(12000);
  rig.mci->mciToggleRepeat();
  EXPECT_EQ(rig.variables.segmentEnd, 12001.0);
  EXPECT_EQ(rig.layout(), kRepeating);
  EXPECT_EQ(rig.label1.caption(), captions::kRepeating);
  EXPECT_TRUE(rig.timer1->enabled());
  EXPECT_EQ(rig.variables.reopening, 0);
  rig.clock.advance(30000);  // passes of 12 s, each restarted by the first tick after its end
  const Ranges ranges = played();
  ASSERT_GE(ranges.size(), 3u);
  EXPECT_EQ(ranges[0], (PlayedRange{1, 12001}));
  for (std::size_t i = 1; i + 1 < ranges.size(); ++i) EXPECT_EQ(ranges[i], (PlayedRange{1, 12001}));

  rig.mci->mciToggleRepeat();
  EXPECT_EQ(rig.variables.segmentStart, 12001.0);
  EXPECT_EQ(rig.layout(), kStarted);
  EXPECT_FALSE(rig.timer1->enabled());
  rig.clock.advance(5000);
  EXPECT_EQ(played().back(), (PlayedRange{12001, 17001}));
  rig.mci->mciToggleRepeat();  // a third press loops over the new segment
  rig.clock.advance(6000);
  EXPECT_EQ(played().back().from, 12001);
  EXPECT_EQ(played()[played().size() - 2], (PlayedRange{12001, 17001}));
}

TEST_F(MciBackEndTest, PassesAreSeparatedByAtMostOneLoopPeriod) {
  startAndListen(2000);
  rig.mci->mciToggleRepeat();
  std::int64_t lastRestart = rig.clock.now();
  for (int pass = 0; pass < 5; ++pass) {
    while (rig.mciDevice.playing()) rig.clock.advance(1);
    // The pass has stopped exactly at the segment's end...
    const std::int64_t ended = rig.clock.now();
    EXPECT_EQ(ended - lastRestart, 2000);
    EXPECT_EQ(rig.mciDevice.position(), 2001);
    // ...and the first tick of Timer1 after that restarts it.
    while (!rig.mciDevice.playing()) rig.clock.advance(1);
    EXPECT_LE(rig.clock.now() - ended, 600);
    lastRestart = rig.clock.now();
  }
}

TEST_F(MciBackEndTest, PauseAndContinueInNormalListeningStartANewSegment) {
  startAndListen(20000);
  rig.mci->mciPause();
  EXPECT_FALSE(rig.mciDevice.isOpen());
  EXPECT_EQ(rig.variables.resumePosition, 20001.0);
  EXPECT_EQ(rig.label1.caption(), captions::kPaused);
  EXPECT_FALSE(rig.timer1->enabled());
  rig.clock.advance(3000);
  rig.mci->mciContinue();
  rig.clock.advance(5000);
  rig.mci->mciToggleRepeat();
  rig.clock.advance(4000);
  EXPECT_EQ(played(), (Ranges{{1, 20001}, {20001, 25001}, {20001, 24001}}));
}

TEST_F(MciBackEndTest, PauseInsideTheLoopPlaysTheRestOfThePassThenTheWholeLoop) {
  // Build a loop over 10 s to 18 s.
  startAndListen(9999);
  rig.mci->mciToggleRepeat();
  rig.mci->mciToggleRepeat();  // segment now starts at 10000
  rig.clock.advance(8000);
  rig.mci->mciToggleRepeat();  // loop 10000..18000
  ASSERT_EQ(rig.variables.segmentStart, 10000.0);
  ASSERT_EQ(rig.variables.segmentEnd, 18000.0);
  rig.clock.advance(4000);  // at 14 s in the first pass
  rig.mci->mciPause();
  EXPECT_EQ(rig.layout(), kPausedInLoop);
  EXPECT_TRUE(rig.timer1->enabled());  // stays on, but the closed device keeps it idle
  rig.clock.advance(5000);
  EXPECT_FALSE(rig.mciDevice.isOpen());
  rig.mci->mciContinue();
  EXPECT_EQ(rig.layout(), kRepeating);
  rig.clock.advance(4000 + 600 + 8000 + 600);
  const Ranges ranges = played();
  ASSERT_GE(ranges.size(), 5u);
  ASSERT_GE(ranges.size(), 6u);
  // Listening to 10 s, the loop left at once, listening 10..18 s, then the loop.
  EXPECT_EQ(ranges[2], (PlayedRange{10000, 18000}));
  EXPECT_EQ(ranges[3], (PlayedRange{10000, 14000}));
  EXPECT_EQ(ranges[4], (PlayedRange{14000, 18000}));
  EXPECT_EQ(ranges[5], (PlayedRange{10000, 18000}));
}

TEST_F(MciBackEndTest, ForwardAndRewindJumpThirtySecondsOnlyWhereThereIsRoom) {
  struct Case {
    std::int64_t listenMs;  // from 1 ms
    bool forward;
    double expectedSegment;  // 0: no jump
  };
  const Case cases[] = {
      {29999, false, 0},     // at 30000: no rewind
      {30000, false, 1},     // at 30001: rewind to 1 ms
      {29999, true, 0},      // 30000 left: no forward
      {29998, true, 59999},  // 30001 left: to 1 ms before the end
      {11999, true, 42000},
  };
  for (const Case& c : cases) {
    PlayerRig local("/voice/lesson.wav");
    local.mciDevice.addFile("/voice/lesson.wav", 60000);
    local.startCommand();
    local.clock.advance(c.listenMs);
    local.mciDevice.clearLog();
    c.forward ? local.mci->mciForward() : local.mci->mciRewind();
    EXPECT_EQ(local.focus.owner, "Text1");
    if (c.expectedSegment == 0) {
      EXPECT_TRUE(local.mciDevice.log().empty()) << c.listenMs;
      EXPECT_EQ(local.variables.segmentStart, 1.0);
    } else {
      EXPECT_EQ(local.variables.segmentStart, c.expectedSegment) << c.listenMs;
      EXPECT_EQ(local.mciDevice.log().back(), "play");
    }
  }
}

TEST_F(MciBackEndTest, AJumpEndsTheLoopAndStartsTheNextSegmentAtItsTarget) {
  startAndListen(11999);  // at 12 s
  rig.mci->mciForward();  // to 42 s
  rig.clock.advance(5000);
  rig.mci->mciToggleRepeat();
  EXPECT_EQ(rig.variables.segmentStart, 42000.0);
  EXPECT_EQ(rig.variables.segmentEnd, 47000.0);
  rig.clock.advance(1000);
  rig.mci->mciRewind();  // from inside the loop, by its click area
  EXPECT_EQ(rig.variables.repeatState, RepeatState::Listening);
  EXPECT_FALSE(rig.timer1->enabled());
  EXPECT_EQ(rig.label1.caption(), captions::kRepeating);  // jumps change no caption
}

TEST_F(MciBackEndTest, ToEndPlaysTheLastHalfSecond) {
  startAndListen(1000);
  rig.mci->mciToEnd();
  rig.clock.advance(1000);
  EXPECT_EQ(played().back(), (PlayedRange{59500, 60000}));
  EXPECT_EQ(rig.label6.caption(), "01:00.0");  // a single file stays at its end
  EXPECT_EQ(rig.slider.value(), 1000);

  PlayerRig shortFile("/voice/beep.wav");
  shortFile.mciDevice.addFile("/voice/beep.wav", 300);
  shortFile.startCommand();
  shortFile.mci->mciToEnd();
  EXPECT_EQ(shortFile.variables.segmentStart, 0.0);  // starts at 0, never below
  shortFile.clock.advance(500);
  EXPECT_EQ(shortFile.mciDevice.played().back(), (PlayedRange{0, 300}));
}

TEST_F(MciBackEndTest, RepeatBeforeAnyStartTakesTheLeavingBranch) {
  rig.mci->mciToggleRepeat();
  EXPECT_EQ(rig.variables.repeatState, RepeatState::Listening);
  EXPECT_EQ(rig.label1.caption(), captions::kPlaying);
  EXPECT_EQ(rig.mciDevice.log(), (Log{"close", "deviceType WaveAudio", "fileName /voice/lesson.wav", "notify 1", "wait 0",
                                      "shareable 0", "Open", "from 1", "play"}));
  EXPECT_TRUE(rig.mciDevice.playing());
}

TEST_F(MciBackEndTest, StatusUpdatesMoveTheDisplayWhileOpenOnly) {
  startAndListen(20000);
  EXPECT_EQ(rig.slider.value(), 333);
  EXPECT_EQ(rig.label6.caption(), "00:20.0");
  rig.mci->mciPause();
  const int writes = rig.slider.writes();
  rig.clock.advance(2000);
  EXPECT_EQ(rig.slider.writes(), writes);  // nothing moves while the device is closed
  EXPECT_EQ(rig.label6.caption(), "00:20.0");
}

TEST_F(MciBackEndTest, AnEmptyLoopReopensOnEveryTickAndPlaysNothing) {
  rig.startCommand();
  rig.mci->mciToggleRepeat();  // right after start: loop 1..1
  rig.mciDevice.clearLog();
  rig.clock.advance(1800);
  int opens = 0;
  for (const auto& entry : rig.mciDevice.log()) opens += entry == "Open";
  EXPECT_EQ(opens, 3);
  for (const auto& range : played()) EXPECT_EQ(range.from, range.to);
}

TEST_F(MciBackEndTest, AFileThatCannotOpenStillShowsThePlayingState) {
  rig.recording.set("/voice/missing.wav");
  rig.startCommand();
  EXPECT_EQ(rig.label1.caption(), captions::kPlaying);
  EXPECT_EQ(rig.layout(), kStarted);
  EXPECT_EQ(rig.label7.caption(), "00:00.0");
  rig.clock.advance(5000);  // no notification, no crash
  EXPECT_EQ(rig.advanceCalls, 0);
}

TEST_F(MciBackEndTest, ThePlayListMovesOnAtTheEndOfEachEntry) {
  rig.mciDevice.addFile("/voice/2.wav", 3000);
  rig.mciDevice.addFile("/voice/3.wav", 2000);
  rig.nextEntries = {"/voice/2.wav", "/voice/3.wav"};
  rig.startCommand();
  rig.mci->mciToEnd();
  rig.clock.advance(500 + SimulatedMci::kNotifyPeriodMs);
  EXPECT_EQ(rig.label2.caption(), "/voice/2.wav");
  EXPECT_EQ(rig.label7.caption(), "00:03.0");
  rig.clock.advance(3000 + SimulatedMci::kNotifyPeriodMs);
  EXPECT_EQ(rig.label2.caption(), "/voice/3.wav");
  rig.clock.advance(5000);
  EXPECT_EQ(rig.label2.caption(), "/voice/3.wav");
  EXPECT_EQ(played().back(), (PlayedRange{1, 2000}));
  EXPECT_EQ(rig.label6.caption(), "00:02.0");
}

TEST_F(MciBackEndTest, ALoopEndingAtTheLengthLetsTheListMoveOn) {
  rig.recording.set("/voice/1.wav");
  rig.mciDevice.addFile("/voice/1.wav", 3000);
  rig.mciDevice.addFile("/voice/2.wav", 3000);
  rig.startCommand();
  rig.clock.advance(3000);     // at the end, no list yet: stays there
  rig.mci->mciToggleRepeat();  // a loop over 1..3000 ms
  rig.nextEntries = {"/voice/2.wav"};
  rig.clock.advance(3000 + SimulatedMci::kNotifyPeriodMs);
  EXPECT_EQ(rig.label2.caption(), "/voice/2.wav");
  EXPECT_EQ(rig.variables.repeatState, RepeatState::Listening);
  EXPECT_FALSE(rig.timer1->enabled());
}

}  // namespace
}  // namespace tessaly::test
