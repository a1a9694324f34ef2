// SPDX-License-Identifier: GPL-3.0-or-later
// Timestamps in the dictation (Alt+T, and a jump to one) and the check of the dictation
// against the recording's .lrc texts (Alt+Y), in the main window's logic.
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
      {line.find("[01"), 83400}, {line.find("23.4"), 83400}, {line.find("]，"), 83400},
      {line.find("[00:05]") + 3, 5000}, {line.find("[00:07.25]") + 8, 7250},
      {0, std::nullopt}, {line.find("，"), std::nullopt}, {line.size(), std::nullopt},
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

TEST(CheckInForm1, AltYTellsTheScoreAndTheSlipsAndChangesNothing) {
  Form1Rig rig;
  rig.form->useReadingsTable(TESSALY_PINYIN_TABLE);
  rig.start();
  const std::string audio = rig.audio("lesson.mp3", 60000);
  rig.open(audio);
  rig.form->accessKey('y');
  ASSERT_EQ(rig.messages.shown().size(), 1u);
  EXPECT_NE(rig.messages.shown()[0].find(".lrc"), std::string::npos) << "no reference: it says what is needed";

  writeBytes(rig.appPath / "voice" / "lesson.lrc", "[00:01.00]他去商店买东西。\n[00:04.00]今天天气很好。\n");
  rig.open(audio);
  rig.text1.setText("她去商店卖东西\r\n今天天气很好");
  rig.clock.advance(1000);
  rig.form->accessKey('y');
  ASSERT_EQ(rig.messages.shown().size(), 2u);
  const std::string& report = rig.messages.shown()[1];
  EXPECT_NE(report.find("参考共 13 个字词，错 2 处"), std::string::npos) << report;
  EXPECT_NE(report.find("同音字 1，声调没听出 1"), std::string::npos) << report;
  EXPECT_NE(report.find("84.6%"), std::string::npos) << report;
  EXPECT_NE(report.find("写错（同音）：她 tā → 他 tā"), std::string::npos) << report;
  EXPECT_NE(report.find("声调没听出：卖 mài → 买 mǎi"), std::string::npos) << report;
  EXPECT_EQ(rig.text1.text(), "她去商店卖东西\r\n今天天气很好") << "the check never changes the box";
  EXPECT_EQ(readBytes(DictationStore::dictationPath(audio)), "") << "nor its file";
}

}  // namespace
}  // namespace tessaly::test
