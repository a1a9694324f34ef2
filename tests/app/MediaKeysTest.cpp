// SPDX-License-Identifier: GPL-3.0-or-later
// The desktop's player controls on the main window's logic: what they show and what each
// command does, on both back-ends, with and without sentences, and what a deferred read of
// the dictation means for typing (the box waits for its text).
#include "app/MediaKeys.h"

#include <gtest/gtest.h>

#include "Form1Rig.h"

namespace tessaly::test {
namespace {

class MediaKeysTest : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    rig.start();
    lesson = rig.audio(std::string("lesson.") + GetParam());
  }
  Form1Rig rig;
  MediaKeys keys{*rig.form};
  std::string lesson;
};

TEST_P(MediaKeysTest, EachCommandTakesItsKeysWayAndTheStateFollows) {
  EXPECT_EQ(keys.state().status, MediaStatus::Stopped);
  EXPECT_FALSE(keys.state().canControl);
  keys.playPause();  // nothing open: nothing happens
  EXPECT_EQ(keys.state().status, MediaStatus::Stopped);

  rig.open(lesson);
  EXPECT_EQ(keys.state(), (MediaState{MediaStatus::Playing, lesson, "lesson", 60000, true}));
  rig.clock.advance(2000);
  keys.playPause();
  EXPECT_EQ(keys.state().status, MediaStatus::Paused);
  // Paused, the MCI back-end's device is closed: still where it paused, and as long.
  EXPECT_EQ(keys.state().lengthMs, 60000);
  EXPECT_NEAR(keys.positionMs(), 2000, 700);
  keys.pause();  // already paused: stays
  EXPECT_EQ(keys.state().status, MediaStatus::Paused);
  keys.play();
  EXPECT_EQ(keys.state().status, MediaStatus::Playing);

  // Without sentences Next and Previous are the 30 s jumps.
  const double before = keys.positionMs();
  keys.next();
  EXPECT_NEAR(keys.positionMs(), before + 30000, 700);
  keys.previous();
  EXPECT_NEAR(keys.positionMs(), before, 700);
  // With them, the sentence keys: the lesson's .lrc, read when it starts again.
  std::ofstream(rig.appPath / "voice" / "lesson.lrc") << "[ti:第一课]\n[00:00.00]一\n[00:10.00]二\n[00:20.00]三\n";
  keys.stop();
  keys.play();
  keys.setPosition(12000);
  keys.next();
  EXPECT_NEAR(keys.positionMs(), 20000, 700);
  EXPECT_EQ(keys.state().title, "第一课");  // the lesson's [ti:]
  keys.seekBy(-5000);
  EXPECT_NEAR(keys.positionMs(), 15000, 700);
  keys.setPosition(90000);  // past the end: nothing
  EXPECT_NEAR(keys.positionMs(), 15000, 700);

  keys.stop();
  EXPECT_EQ(keys.state().status, MediaStatus::Stopped);
  keys.play();  // a stopped recording starts again, from its beginning
  EXPECT_EQ(keys.state().status, MediaStatus::Playing);
  EXPECT_LT(keys.positionMs(), 1000);
}

INSTANTIATE_TEST_SUITE_P(BothBackEnds, MediaKeysTest, ::testing::Values("wav", "mp3"));

TEST(Form1DeferredRead, TheBoxTakesNoTypingUntilItsTextArrivesAndAStaleAnswerIsDropped) {
  Form1Rig rig;
  HeldReader reader;
  rig.form->useFileReader(reader);
  rig.start();
  const std::string first = rig.audio("first.mp3"), second = rig.audio("second.mp3");
  std::ofstream(rig.appPath / "voice" / "first.txt") << "第一";
  std::ofstream(rig.appPath / "voice" / "second.txt") << "第二";
  rig.open(first);
  rig.text1.type("打字");  // before the text is in: refused
  EXPECT_TRUE(rig.text1.readOnly());
  rig.open(second);
  ASSERT_EQ(reader.held.size(), 4u);  // each: the dictation, then the .lrc and .srt
  reader.answer(0);                   // the first recording's text, late: dropped
  EXPECT_TRUE(rig.text1.readOnly());
  EXPECT_NE(rig.text1.text(), "第一\r\n");
  reader.answer(2);
  EXPECT_FALSE(rig.text1.readOnly());
  EXPECT_EQ(rig.text1.text(), "第二\r\n");
  EXPECT_EQ(rig.form->dictation().loadedPath(), (rig.appPath / "voice" / "second.txt").string());
}

}  // namespace
}  // namespace tessaly::test
