// SPDX-License-Identifier: GPL-3.0-or-later
// The review window and the charts, offscreen on the real main window with a real record
// (SQLite in a temporary folder) and a manual calendar: a sentence missed in the practice
// window comes back the next day, plays on Enter, is checked in the window's own box, and
// leaves the queue; the charts say the days and the tone confused.
#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTextBrowser>
#include <QTextCursor>

#include <gtest/gtest.h>

#include <fstream>

#include "MainWindowFixture.h"
#include "qt/PracticeWindow.h"
#include "qt/RecordCharts.h"
#include "qt/ReviewWindow.h"
#include "store/RecordKeeper.h"
#include "support/FakeExports.h"
#include "support/FakeUnitScan.h"

namespace tessaly::test {
namespace {

class ReviewWindowTest : public MainWindowFixture {
 protected:
  ReviewWindowTest() {
    lesson = audio("lesson.mp3");
    std::ofstream(appPath / "voice" / "lesson.lrc") << "[00:00.50]他去学校。\n[00:04.00]我们买东西。\n[00:09.00]\n";
    makeWindow([this](qt::MainWindowServices& services) {
      services.readingsTable = TESSALY_PINYIN_TABLE;
      services.record = &keeper;
      services.wallClock = [this] { return seconds; };
      services.ankiExport = &anki;
      services.unitScan = &units;
    });
    dialog.answer(lesson);
    QTest::keyClick(window->text1(), Qt::Key_F, Qt::AltModifier);
  }
  ~ReviewWindowTest() override { window.reset(); }  // before the record it uses

  // Runs `frame` until `done` (the record and the check answer from their own threads).
  template <typename Frame, typename Done>
  static bool until(Frame frame, Done done) {
    for (int i = 0; i < 500; ++i) {
      frame();
      if (done()) return true;
      QTest::qWait(10);
    }
    return false;
  }
  qt::ReviewWindow& review() { return *window->reviewWindow(); }

  FakeAnkiExport anki;  // done at its first look
  FakeUnitScan units;
  TempFolder data;
  RecordKeeper keeper{(data.path() / "practice.sqlite3").string(), 100};
  std::int64_t seconds = 20795LL * 86400 + 12 * 3600;  // noon, 2026-12-08
  std::string lesson;
};

TEST_F(ReviewWindowTest, AMissedSentenceComesBackTheNextDayAndLeavesOnceWrittenRight) {
  QTest::keyClick(window->text1(), Qt::Key_W, Qt::AltModifier);
  auto& practice = *window->practiceWindow();
  window->text1()->setPlainText(QStringLiteral("他去学校。\n我们卖东西。"));  // 买 mǎi heard as 卖 mài
  practice.findChild<QPushButton*>(QStringLiteral("CheckButton"))->click();
  ASSERT_TRUE(until([&] { practice.frame(); }, [&] { return practice.logic().check().has_value(); }));
  keeper.waitIdle();

  seconds += 86400;
  practice.findChild<QPushButton*>(QStringLiteral("OpenReview"))->click();
  ASSERT_NE(window->reviewWindow(), nullptr);
  ASSERT_TRUE(until([&] { review().frame(); }, [&] { return !review().count()->text().isEmpty(); }));
  EXPECT_EQ(review().count()->text(),
            QStringLiteral("今天要复习 1 句（最早到期的在前）。按回车播放，写下后按 Alt+Y 检查。"));
  EXPECT_TRUE(review().list()->accessibleName().contains(QStringLiteral("今天要复习 1 句")));
  ASSERT_EQ(review().list()->count(), 1);
  EXPECT_EQ(review().list()->item(0)->text(), QStringLiteral("第 00:04.0 起　lesson.mp3　今天到期"));
  EXPECT_FALSE(review().list()->item(0)->text().contains(QStringLiteral("买"))) << "the text stays hidden";

  // Alt+U: the missed sentences of this recording (否) to Anki.
  messages.answer(ui::MessageBox::Answer::No);
  dialog.answer((data.path() / "anki.txt").string());
  QTest::keyClick(review().list(), Qt::Key_U, Qt::AltModifier);
  ASSERT_TRUE(until([&] { review().frame(); }, [&] { return !anki.textPath.empty(); }));
  ASSERT_EQ(anki.notes.size(), 1u);
  EXPECT_EQ(anki.notes[0].written, "我们卖东西");
  EXPECT_EQ(anki.notes[0].slips, "声调：买 mǎi → 卖 mài");
  ASSERT_TRUE(until([&] { review().frame(); }, [&] { return !messages.shown().empty(); }));
  EXPECT_NE(messages.shown().back().find("collection.media"), std::string::npos) << "how to take it into Anki";

  QTest::keyClick(review().list(), Qt::Key_Return);
  EXPECT_EQ(window->form().variables().repeatState, RepeatState::Repeating);
  EXPECT_EQ(window->form().player().picture().segmentStartMs, 4000);
  EXPECT_EQ(window->form().player().picture().segmentEndMs, 9000);

  review().answer()->setPlainText(QStringLiteral("我们买东西。"));
  QTest::keyClick(review().answer(), Qt::Key_Y, Qt::AltModifier);
  ASSERT_TRUE(until([&] { review().frame(); }, [&] { return review().logic().result().has_value(); }));
  EXPECT_EQ(review().marked()->toPlainText(), QStringLiteral("我们买东西。"));
  review().grab().save(QStringLiteral("tessaly-review.png"));
  keeper.waitIdle();
  ASSERT_TRUE(until([&] { review().frame(); },
                    [&] { return review().count()->text() == QStringLiteral("今天没有要复习的句子。"); }));
  EXPECT_EQ(review().list()->count(), 0);
  EXPECT_EQ(window->text1()->toPlainText(), QStringLiteral("他去学校。\n我们卖东西。")) << "the dictation is untouched";

  // The charts: two days, and the tone confused on the first.
  review().pages()->setCurrentIndex(1);
  ASSERT_TRUE(until([&] { review().frame(); }, [&] { return review().charts()->stats().sentences > 0; }));
  const QString said = review().charts()->accessibleDescription();
  EXPECT_TRUE(said.contains(QStringLiteral("近 90 天练习了 2 天"))) << said.toStdString();
  EXPECT_TRUE(said.contains(QStringLiteral("三声写成四声 1 次"))) << said.toStdString();
  EXPECT_TRUE(said.contains(QStringLiteral("声调 1 处"))) << said.toStdString();
  review().charts()->grab().save(QStringLiteral("tessaly-charts.png"));
}

TEST_F(ReviewWindowTest, ASlipClickedInThePracticeWindowIsHeardAloneSlowerThenListeningGoesOn) {
  QTest::keyClick(window->text1(), Qt::Key_W, Qt::AltModifier);
  auto& practice = *window->practiceWindow();
  window->text1()->setPlainText(QStringLiteral("他去学校。\n我们卖东西。"));
  practice.findChild<QPushButton*>(QStringLiteral("CheckButton"))->click();
  auto* slips = practice.findChild<QListWidget*>(QStringLiteral("SlipSounds"));
  ASSERT_TRUE(until([&] { practice.frame(); }, [&] { return slips->count() > 0; }));
  EXPECT_EQ(slips->accessibleName(), QStringLiteral("单独复听写错的字词：1 处"));
  EXPECT_TRUE(slips->item(0)->text().startsWith(QStringLiteral("第 2 句"))) << slips->item(0)->text().toStdString();
  clock.advance(8000);
  const double before = window->form().player().picture().positionMs;
  slips->setCurrentRow(0);
  QTest::keyClick(slips, Qt::Key_Return);
  ASSERT_TRUE(window->form().loopPacer().running());
  EXPECT_EQ(window->form().player().picture().segmentStartMs, 4400 - 70) << "买, the sentence's third unit, padded";
  EXPECT_EQ(window->form().player().picture().segmentEndMs, 4600 + 70);
  EXPECT_DOUBLE_EQ(stream.speed(), 0.7);
  // The window's own timers look at the device: the clock moves 20 ms a look.
  for (int i = 0; i < 400 && window->form().loopPacer().running(); ++i) {
    clock.advance(20);
    QTest::qWait(25);
  }
  EXPECT_FALSE(window->form().loopPacer().running()) << "three passes, then done";
  EXPECT_NEAR(window->form().player().picture().positionMs, before, 100) << "listening goes on where it was";
  EXPECT_DOUBLE_EQ(stream.speed(), 1.0);
  // Zoomed in on the sentence, revealed: its units drawn with their text.
  window->form().player().jumpTo(4300);
  for (int i = 0; i < 3; ++i) practice.logic().view().zoomIn(4300);
  practice.logic().revealAll();
  practice.frame();
  EXPECT_EQ(practice.logic().shownUnits().size(), 5u);
  practice.grab().save(QStringLiteral("tessaly-units.png"));

  // Enter on the slip's mark in the marked-up dictation hears it alone as well.
  auto* marked = practice.findChild<QTextBrowser*>(QStringLiteral("MarkedDictation"));
  QTextCursor onMark(marked->document());
  onMark.setPosition(static_cast<int>(marked->toPlainText().indexOf(QStringLiteral("卖"))));
  marked->setTextCursor(onMark);
  QTest::keyClick(marked, Qt::Key_Return);
  ASSERT_TRUE(window->form().loopPacer().running());
  EXPECT_EQ(window->form().player().picture().segmentStartMs, 4400 - 70);
}

}  // namespace
}  // namespace tessaly::test
