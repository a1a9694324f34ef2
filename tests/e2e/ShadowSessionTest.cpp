// SPDX-License-Identifier: GPL-3.0-or-later
// 跟读 on the real program: a capture file stands in for the microphone, saying the sample
// lesson's second sentence with 气 said level. F5 in the practice window records it (the
// lesson pauses), the comparison is drawn with both pitch lines and the tones, the score names
// the fourth character's tone as flat, and F6 plays the original, then the take.
#include <QImage>
#include <QLabel>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include "app/ProgramFolder.h"
#include "audio/AudioTestSupport.h"
#include "e2e/ProgramStart.h"
#include "qt/PracticeWindow.h"
#include "qt/TakePanel.h"
#include "qt/TakeView.h"
#include "support/TempFolder.h"

namespace tessaly::test {
namespace {

namespace fs = std::filesystem;

// Pixels of `image` within a few steps of `colour`.
int pixelsOf(const QImage& image, QColor colour) {
  int n = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) {
      const QColor c = image.pixelColor(x, y);
      n += std::abs(c.red() - colour.red()) + std::abs(c.green() - colour.green()) + std::abs(c.blue() - colour.blue()) <
           24;
    }
  return n;
}

TEST(ShadowSession, ATakeOfTheSecondSentenceIsComparedNamedAndHeardAfterTheOriginal) {
  TempFolder folder;
  const fs::path appPath = folder.path() / "听写程序";
  fs::create_directories(appPath);
  prepareProgramFolder(appPath, {fs::path(TESSALY_SOURCE_DATA)});
  const std::string lesson = (appPath / "voice" / "样例课文.wav").string();
  writeFloats((folder / "mic.f32").string(), spokenTake("jin1 tian1 tian1 qi1 hen3 hao3"));
  Environment environment;
  environment.set("SDL_DISKAUDIOFILEIN", (folder / "mic.f32").string());
  const fs::path takes = folder / "takes";
  ProgramStart program(appPath, folder / "out.f32", takes.string(), TESSALY_PINYIN_TABLE);
  program.dialog.answer(lesson);
  program.alt(Qt::Key_F);
  ASSERT_EQ(program.form().player().sentenceMap().sentences.size(), 6u);
  program.alt(Qt::Key_W);
  qt::PracticeWindow* practice = program.window().practiceWindow();
  ASSERT_NE(practice, nullptr);
  // Once the characters' times of the second sentence are known, it is looped.
  ASSERT_TRUE(waitFor([&] {
    const auto& units = practice->logic().units();
    return std::count_if(units.begin(), units.end(), [](const auto& u) { return u.sentence == 1; }) == 6;
  }));
  program.form().player().repeatSentence(program.form().player().sentenceMap().sentences[1]);
  ASSERT_TRUE(waitFor([&] { return practice->logic().currentSentence() == 1; }));

  QApplication::setActiveWindow(practice);
  ASSERT_TRUE(QTest::qWaitForWindowActive(practice));
  QTest::keyClick(practice, Qt::Key_F5);
  ShadowForm& shadow = practice->takePanel()->logic();
  EXPECT_NE(shadow.state(), TakeState::Idle);
  ASSERT_TRUE(waitFor([&] { return shadow.state() == TakeState::Recording; })) << "once the microphone is open";
  const auto* caption = practice->findChild<QLabel*>(QStringLiteral("TakeCaption"));
  ASSERT_NE(caption, nullptr);
  EXPECT_EQ(qt::fromQt(caption->text()), "正在录音：第 2 句。说完停一秒会自动结束，也可以再按一次跟读录音。");
  EXPECT_FALSE(program.form().player().picture().playing) << "the lesson pauses while the take records";
  ASSERT_TRUE(waitFor([&] { return shadow.comparison().has_value(); }));
  ASSERT_TRUE(shadow.comparison()->compared) << shadow.comparison()->failure;
  EXPECT_TRUE(program.messages.shown().empty());

  const std::string said = qt::fromQt(caption->text());
  EXPECT_EQ(said.rfind("第 2 句的跟读：", 0), 0u) << said;
  EXPECT_NE(said.find("第 4 个字的声调偏平"), std::string::npos) << said;
  EXPECT_EQ(qt::fromQt(caption->accessibleName()), said);

  // Drawn: both pitch lines in their colours, the tones above their characters.
  auto* view = practice->findChild<qt::TakeView*>(QStringLiteral("TakeView"));
  ASSERT_NE(view, nullptr);
  ASSERT_TRUE(view->shown() && view->shown()->compared);
  ASSERT_EQ(view->shown()->tones.size(), 6u);
  EXPECT_EQ(view->shown()->tones[3].tone, 4);
  const QString heard = view->accessibleName();
  EXPECT_TRUE(heard.contains(QStringLiteral("气四声（读平了）"))) << qt::fromQt(heard);
  const QImage picture = view->grab().toImage();
  const QImage pitchBand = picture.copy(0, picture.height() / 2, picture.width(), picture.height() / 2);
  EXPECT_GT(pixelsOf(pitchBand, QColor(52, 104, 168)), 100) << "the original's pitch line";
  EXPECT_GT(pixelsOf(pitchBand, QColor(214, 110, 20)), 100) << "the take's pitch line";
  EXPECT_EQ(std::distance(fs::directory_iterator(takes), fs::directory_iterator()), 1) << "one take kept";

  // F6: the original, then the take.
  QTest::keyClick(practice, Qt::Key_F6);
  ASSERT_TRUE(waitFor([&] { return qt::fromQt(caption->text()).find("正在听原声") == 0; }));
  ASSERT_TRUE(waitFor([&] { return qt::fromQt(caption->text()).find("正在听我的跟读") == 0; }));
  ASSERT_TRUE(waitFor([&] { return qt::fromQt(caption->text()).find("正在听") == std::string::npos; }));
  EXPECT_FALSE(program.form().player().picture().playing);
  program.alt(Qt::Key_Q);
}

}  // namespace
}  // namespace tessaly::test
