// SPDX-License-Identifier: GPL-3.0-or-later
// Timestamps in the dictation (Alt+T, and a jump to one), and Alt+Y in the main window's
// logic: the check is the practice window's.
#include "practice/Timestamps.h"

#include <gtest/gtest.h>

#include "../app/Form1Rig.h"

namespace tessaly::test {
namespace {

TEST(Timestamps, WrittenAndReadBack) {
  EXPECT_EQ(timestampText(83456), "[01:23.4]");
  EXPECT_EQ(timestampText(0), "[00:00.0]");
  const std::string line = "他说[01:23.4]，然后[00:05]和[00:07.25]";
  const struct {
    std::size_t at;
    std::optional<double> ms;
  } cases[] = {
      {line.find("[01"), 83400},        {line.find("23.4"), 83400},          {line.find("]，"), 83400},
      {line.find("[00:05]") + 3, 5000}, {line.find("[00:07.25]") + 8, 7250}, {0, std::nullopt},
      {line.find("，"), std::nullopt},  {line.size(), std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(timestampAt(line, c.at), c.ms) << c.at;
  for (const char* bad : {"[1:23.4]", "[01:73.4]", "[01:23.456]", "[ab:cd]", "[01:23", "[0123456789012]"})
    EXPECT_EQ(timestampAt(bad, 2), std::nullopt) << bad;
}

TEST(TimestampsInForm1, AltTWritesThePositionAndAJumpGoesThere) {
  Form1Rig rig;
  rig.start();
  rig.form->accessKey('t');  // nothing plays yet: nothing written
  EXPECT_EQ(rig.text1.text(), Form1::usageText());
  rig.open(rig.audio("lesson.mp3", 60000));
  rig.text1.type("第一句");
  rig.clock.advance(12300);
  rig.form->accessKey('t');
  EXPECT_EQ(rig.text1.text(), "第一句[00:12.3]");
  rig.form->jumpToTimestamp(5000);
  EXPECT_EQ(rig.form->variables().segmentStart, 5000);
  rig.form->accessKey('z');  // paused: a click does not jump
  rig.form->jumpToTimestamp(30000);
  EXPECT_EQ(rig.form->variables().segmentStart, 5000);
}

TEST(CheckInForm1, AltYChecksInThePracticeWindowAndChangesNothing) {
  struct PracticeWindowCalls final : PracticeWindowView {
    void open() override { ++opened; }
    void openAndCheck() override { ++checked; }
    int opened = 0, checked = 0;
  } practice;
  Form1Rig rig;
  rig.start();
  const std::string audio = rig.audio("lesson.mp3", 60000);
  rig.open(audio);
  rig.text1.setText("她去商店卖东西");
  rig.form->accessKey('y');  // no practice window: nothing to show the check in
  rig.form->usePracticeWindow(practice);
  rig.form->accessKey('y');
  rig.form->accessKey('w');
  EXPECT_EQ(practice.checked, 1);
  EXPECT_EQ(practice.opened, 1);
  EXPECT_TRUE(rig.messages.shown().empty());
  EXPECT_EQ(rig.text1.text(), "她去商店卖东西") << "the check never changes the box";
  EXPECT_EQ(readBytes(DictationStore::dictationPath(audio)), "") << "nor its file";
}

}  // namespace
}  // namespace tessaly::test
