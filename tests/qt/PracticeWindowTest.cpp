// SPDX-License-Identifier: GPL-3.0-or-later
// The practice window in the real window offscreen: Alt+W opens it beside the main window,
// the sentences come from the lesson's .lrc with their texts hidden, one is revealed, the check
// (its button, and Alt+Y in the main window) marks the dictation up with the score and the
// homophone slip, a click on a sentence's errors loops it, and its size and place are kept.
#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QTest>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTimer>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "MainWindowFixture.h"
#include "drill/DrillExport.h"
#include "qt/LoopOptionsWindow.h"
#include "qt/MainWindow.h"
#include "qt/MapEditRow.h"
#include "qt/PracticeWindow.h"
#include "qt/SchemeEditorWindow.h"
#include "sentences/SentenceMap.h"
#include "support/FakeExports.h"
#include "support/MemoryFolder.h"
#include "waveform/WaveView.h"

namespace tessaly::test {
namespace {

namespace fs = std::filesystem;

class PracticeWindowTest : public MainWindowFixture {
 protected:
  PracticeWindowTest() {
    lesson = audio("lesson.mp3");
    std::ofstream(appPath / "voice" / "lesson.lrc")
        << "[00:00.50]他去学校。\n[00:04.00]我们买东西。\n[00:09.00]\n";  // the last tag ends it
    makeWindow([this](qt::MainWindowServices& services) {
      services.settings = &settings;
      services.readingsTable = TESSALY_PINYIN_TABLE;
      services.drillExport = &drills;
    });
    dialog.answer(lesson);
    QTest::keyClick(window->text1(), Qt::Key_F, Qt::AltModifier);  // opens and plays it
  }

  qt::PracticeWindow& practice() { return *window->practiceWindow(); }
  template <typename W>
  W* child(const char* name) {
    return practice().findChild<W*>(QString::fromLatin1(name));
  }
  // Frames until the check has been shown (it runs on its own thread).
  bool waitForScore() {
    for (int i = 0; i < 500; ++i) {
      practice().frame();
      if (child<QLabel>("ScoreLabel")->text().contains(QStringLiteral("正确率"))) return true;
      QTest::qWait(10);
    }
    return false;
  }

  MemoryFolder config;
  UserSettings settings{config};
  FakeDrillExport drills;
  std::string lesson;
};

TEST_F(PracticeWindowTest, OpensRevealsASentenceAndMarksTheDictationUp) {
  ASSERT_EQ(window->practiceWindow(), nullptr);  // nothing made before it is asked for
  QTest::keyClick(window->text1(), Qt::Key_W, Qt::AltModifier);
  ASSERT_NE(window->practiceWindow(), nullptr);
  EXPECT_TRUE(practice().isVisible());
  EXPECT_TRUE(window->isVisible());  // beside the main window, not instead of it

  auto* list = child<QTreeWidget>("SentenceList");
  // The main window's keys act from here too.
  clock.advance(2000);
  QTest::keyClick(list, Qt::Key_X, Qt::AltModifier);
  EXPECT_EQ(window->form().variables().repeatState, RepeatState::Repeating);
  QTest::keyClick(list, Qt::Key_X, Qt::AltModifier);
  EXPECT_EQ(window->form().variables().repeatState, RepeatState::Listening);
  ASSERT_EQ(list->topLevelItemCount(), 2);

  // A click on the waveform jumps there; + zooms around the playing position, 0 shows it all.
  auto* wave = child<QWidget>("Waveform");
  const double span = practice().logic().view().span();
  QTest::mouseClick(wave, Qt::LeftButton, Qt::NoModifier, QPoint(wave->width() / 2, wave->height() / 2));
  EXPECT_NEAR(window->form().variables().segmentStart, 30000, 60000.0 / wave->width());
  QTest::keyClick(wave, Qt::Key_Plus);
  EXPECT_DOUBLE_EQ(practice().logic().view().span(), span / 2);
  QTest::keyClick(wave, Qt::Key_0);
  EXPECT_TRUE(practice().logic().view().whole());
  EXPECT_EQ(list->topLevelItem(1)->text(1), QStringLiteral("00:04.0"));
  EXPECT_EQ(list->topLevelItem(0)->text(2), QStringLiteral("（已隐藏）"));
  list->setCurrentItem(list->topLevelItem(1));
  child<QPushButton>("RevealOne")->click();
  EXPECT_EQ(list->topLevelItem(1)->text(2), QStringLiteral("我们买东西。"));
  EXPECT_EQ(list->topLevelItem(0)->text(2), QStringLiteral("（已隐藏）"));

  // The learner writes with a homophone slip and a word too many, and checks.
  window->text1()->setPlainText(QStringLiteral("她去学校。\n我们买东西了。"));
  child<QPushButton>("CheckButton")->click();
  ASSERT_TRUE(waitForScore());
  const QString score = child<QLabel>("ScoreLabel")->text();
  EXPECT_TRUE(score.contains(QStringLiteral("错 2 处"))) << score.toStdString();
  EXPECT_TRUE(score.contains(QStringLiteral("同音字 1"))) << score.toStdString();
  auto* marked = child<QTextBrowser>("MarkedDictation");
  EXPECT_EQ(marked->toPlainText(), QStringLiteral("她〔他〕去学校。\n我们买东西｛了｝。"));
  // 她 is marked wrong (a wavy underline), 了 extra (struck through): marks, not only colours.
  QTextCursor at(marked->document());
  at.setPosition(1);
  EXPECT_EQ(at.charFormat().underlineStyle(), QTextCharFormat::WaveUnderline);
  at.setPosition(marked->toPlainText().indexOf(QStringLiteral("了")) + 1);
  EXPECT_TRUE(at.charFormat().fontStrikeOut());
  EXPECT_EQ(window->text1()->toPlainText(), QStringLiteral("她去学校。\n我们买东西了。"));  // unchanged

  auto* errors = child<QListWidget>("SentenceErrors");
  ASSERT_EQ(errors->count(), 2);
  EXPECT_TRUE(errors->item(0)->text().contains(QStringLiteral("写错（同音）：她 tā → 他 tā")));
  errors->setCurrentRow(1);
  Q_EMIT errors->itemActivated(errors->item(1));  // loops the second sentence
  EXPECT_EQ(window->form().variables().repeatState, RepeatState::Repeating);
  EXPECT_EQ(window->form().variables().segmentStart, 4000.0);
  EXPECT_EQ(window->form().variables().segmentEnd, 9000.0);

  if (const char* dir = std::getenv("TESSALY_SCREENSHOTS"))
    practice().grab().save(QString::fromUtf8(dir) + QStringLiteral("/practice.png"));
}

// The starts of the sentences the window shows, each row of the list one of them.
std::vector<std::int32_t> startsShown(qt::PracticeWindow& practice) {
  std::vector<std::int32_t> starts;
  for (const Sentence& sentence : practice.logic().sentences()) starts.push_back(sentence.startMs);
  auto* list = practice.findChild<QTreeWidget*>(QStringLiteral("SentenceList"));
  EXPECT_EQ(list->topLevelItemCount(), static_cast<int>(starts.size()));
  return starts;
}

std::string bytesOf(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream all;
  all << in.rdbuf();
  return all.str();
}

TEST_F(PracticeWindowTest, TheMapIsSplitJoinedMovedAndUndoneFromTheKeyboard) {
  QTest::keyClick(window->text1(), Qt::Key_W, Qt::AltModifier);
  auto* list = child<QTreeWidget>("SentenceList");
  auto* wave = child<QWidget>("Waveform");
  ASSERT_FALSE(child<QPushButton>("MapUndo")->isEnabled());
  ASSERT_FALSE(child<QPushButton>("MapSave")->isEnabled());
  clock.advance(6000);  // in the second sentence
  practice().frame();
  QApplication::setActiveWindow(&practice());  // the keys act where the focus is
  struct Step {
    QWidget* on;
    int row;             // selected first, -1 to leave the selection
    const char* button;  // clicked, or else the key pressed
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    std::vector<std::int32_t> starts;
  };
  const Qt::KeyboardModifiers none = Qt::NoModifier, ctrl = Qt::ControlModifier;
  const Step steps[] = {
      {list, -1, "MapSplit", {}, none, {500, 4000, 6000}},  // split where it plays
      {list, 2, nullptr, Qt::Key_BracketLeft, none, {500, 4000, 5950}},
      {list, 2, nullptr, Qt::Key_BracketLeft, none, {500, 4000, 5900}},
      {wave, 2, nullptr, Qt::Key_BracketRight, none, {500, 4000, 5950}},
      {wave, -1, nullptr, Qt::Key_Z, ctrl, {500, 4000, 5900}},
      {list, -1, nullptr, Qt::Key_Z, ctrl, {500, 4000, 5950}},
      {list, -1, "MapUndo", {}, none, {500, 4000, 6000}},
      {list, -1, nullptr, Qt::Key_Z, ctrl, {500, 4000}},
      {list, -1, nullptr, Qt::Key_Z, ctrl, {500, 4000}},  // nothing more to undo
      {wave, -1, nullptr, Qt::Key_Z, ctrl | Qt::ShiftModifier, {500, 4000, 6000}},
      {list, -1, "MapRedo", {}, none, {500, 4000, 5950}},
      {list, -1, nullptr, Qt::Key_Y, ctrl, {500, 4000, 5900}},
      {list, 0, "MapJoin", {}, none, {500, 5900}},  // the first joined with the next
  };
  for (std::size_t i = 0; i < std::size(steps); ++i) {
    const Step& step = steps[i];
    if (step.row >= 0) list->setCurrentItem(list->topLevelItem(step.row));
    step.on->setFocus();
    if (step.button) child<QPushButton>(step.button)->click();
    else QTest::keyClick(step.on, step.key, step.modifiers);
    EXPECT_EQ(startsShown(practice()), step.starts)
        << "step " << i << (messages.shown().empty() ? "" : messages.shown().back());
  }
  EXPECT_EQ(list->topLevelItem(1)->text(1), QStringLiteral("00:05.9"));
  EXPECT_TRUE(child<QPushButton>("MapUndo")->isEnabled());
  EXPECT_FALSE(child<QPushButton>("MapRedo")->isEnabled());
  EXPECT_TRUE(child<QLabel>("MapEditState")->text().contains(QStringLiteral("还没有保存")));
  // Undo belongs to the list and the waveform: in the dictation box Ctrl+Z is the box's own.
  QTest::keyClick(window->text1(), Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(startsShown(practice()), (std::vector<std::int32_t>{500, 5900}));

  // A join past the last sentence is refused in words, the map unchanged.
  list->setCurrentItem(list->topLevelItem(1));
  child<QPushButton>("MapJoin")->click();
  ASSERT_FALSE(messages.shown().empty());
  EXPECT_EQ(startsShown(practice()), (std::vector<std::int32_t>{500, 5900}));
}

TEST_F(PracticeWindowTest, ASentencesStartLineDraggedOnTheWaveformMovesItAndAClickOnItStillJumps) {
  QTest::keyClick(window->text1(), Qt::Key_W, Qt::AltModifier);
  auto* wave = child<QWidget>("Waveform");
  practice().frame();
  const WaveView& view = practice().logic().view();
  ASSERT_GT(view.length(), 0);
  const auto at = [&](double ms) { return QPoint(static_cast<int>(std::lround(view.xAt(ms))), wave->height() / 2); };
  const double msPerPixel = view.span() / view.width();

  QTest::mousePress(wave, Qt::LeftButton, {}, at(4000));
  QTest::mouseMove(wave, at(5000));
  QTest::mouseRelease(wave, Qt::LeftButton, {}, at(5000));
  std::vector<std::int32_t> starts = startsShown(practice());
  ASSERT_EQ(starts.size(), 2u);
  EXPECT_EQ(starts[0], 500);
  EXPECT_NEAR(starts[1], 5000, msPerPixel + 10);
  EXPECT_TRUE(child<QPushButton>("MapSave")->isEnabled());

  // Away from every line, a press and a drag is no move of a start.
  QTest::mousePress(wave, Qt::LeftButton, {}, at(20000));
  QTest::mouseMove(wave, at(25000));
  QTest::mouseRelease(wave, Qt::LeftButton, {}, at(25000));
  EXPECT_EQ(startsShown(practice()), starts);
  // Pressed on a line and let go where it was: a click, the map unchanged.
  QTest::mouseClick(wave, Qt::LeftButton, {}, at(starts[1]));
  EXPECT_EQ(startsShown(practice()), starts);

  // One drag, one undo.
  wave->setFocus();
  QApplication::setActiveWindow(&practice());
  QTest::keyClick(wave, Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(startsShown(practice()), (std::vector<std::int32_t>{500, 4000}));
}

TEST_F(PracticeWindowTest, TheMapSavedIsTheRecordingsFromThenOnAndTheLearnersOwnIsKept) {
  QTest::keyClick(window->text1(), Qt::Key_W, Qt::AltModifier);
  auto* list = child<QTreeWidget>("SentenceList");
  const fs::path lrc = appPath / "voice" / "lesson.lrc";
  const fs::path bak = appPath / "voice" / "lesson.lrc.bak";
  const std::string learners = bytesOf(lrc);
  clock.advance(6000);
  practice().frame();
  child<QPushButton>("MapSplit")->click();
  list->setCurrentItem(list->topLevelItem(0));
  // The text changed in the box the button asks with.
  QTimer::singleShot(0, [] {
    auto* box = qobject_cast<QInputDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->textValue(), QStringLiteral("他去学校。"));
    box->setTextValue(QStringLiteral("她去学校。"));
    box->accept();
  });
  child<QPushButton>("MapText")->click();
  EXPECT_EQ(practice().logic().sentences().at(0).text, "她去学校。");
  const std::vector<Sentence> edited = practice().logic().sentences();
  ASSERT_EQ(edited.size(), 3u);

  struct Answer {
    ui::MessageBox::Answer answer;
    bool written;
  };
  for (const Answer& a : {Answer{ui::MessageBox::Answer::No, false}, Answer{ui::MessageBox::Answer::Yes, true}}) {
    messages.answer(a.answer);
    const std::size_t told = messages.shown().size();
    child<QPushButton>("MapSave")->click();
    ASSERT_GT(messages.shown().size(), told);
    const std::string question = messages.shown()[told];
    EXPECT_NE(question.find("lesson.lrc"), std::string::npos) << question;
    EXPECT_NE(question.find(".bak"), std::string::npos) << question;
    EXPECT_EQ(fs::exists(bak), a.written);
    EXPECT_EQ(bytesOf(lrc) == learners, !a.written);
    EXPECT_EQ(child<QPushButton>("MapSave")->isEnabled(), !a.written);
  }
  EXPECT_EQ(bytesOf(bak), learners);
  EXPECT_EQ(readLrc(bytesOf(lrc), 60000), edited);
  EXPECT_TRUE(child<QLabel>("MapEditState")->text().contains(QStringLiteral("lesson.lrc.bak")));
  EXPECT_FALSE(settings.get(SentencePlayer::alignedMapKey(lesson)).has_value());

  // The sentence keys use the saved map: Alt+R loops the sentence split off where it plays.
  QTest::keyClick(window->text1(), Qt::Key_R, Qt::AltModifier);
  EXPECT_EQ(window->form().variables().segmentStart, 6000.0);
  EXPECT_EQ(window->form().variables().segmentEnd, 9000.0);

  // Saved again, the program's own file is replaced without a question, no second backup.
  clock.advance(1500);
  practice().frame();
  child<QPushButton>("MapSplit")->click();
  const std::size_t told = messages.shown().size();
  child<QPushButton>("MapSave")->click();
  EXPECT_EQ(messages.shown().size(), told);
  EXPECT_EQ(readLrc(bytesOf(lrc), 60000).size(), 4u);
  EXPECT_FALSE(fs::exists(appPath / "voice" / "lesson (2).lrc.bak"));
}

TEST_F(PracticeWindowTest, UnsavedCorrectionsAreAskedAboutOnClosingAndTheButtonsAreNamed) {
  QTest::keyClick(window->text1(), Qt::Key_W, Qt::AltModifier);
  for (auto* button : practice().mapEditRow()->findChildren<QPushButton*>())
    EXPECT_FALSE(button->accessibleName().isEmpty()) << button->text().toStdString();
  clock.advance(6000);
  practice().frame();
  child<QPushButton>("MapSplit")->click();
  messages.answer(ui::MessageBox::Answer::Cancel);
  practice().close();
  EXPECT_TRUE(practice().isVisible());
  EXPECT_EQ(practice().logic().sentences().size(), 3u);
  messages.answer(ui::MessageBox::Answer::No);
  practice().close();
  EXPECT_FALSE(practice().isVisible());
  EXPECT_FALSE(fs::exists(appPath / "voice" / "lesson.lrc.bak"));
}

TEST_F(PracticeWindowTest, CorrectionsLeftUnsavedWhenAnotherRecordingIsOpenedAreOfferedToBeSaved) {
  const std::string other = audio("other.mp3");
  const fs::path lrc = appPath / "voice" / "lesson.lrc";
  for (const bool save : {false, true}) {
    QTest::keyClick(window->text1(), Qt::Key_W, Qt::AltModifier);
    dialog.answer(lesson);
    QTest::keyClick(window->text1(), Qt::Key_F, Qt::AltModifier);
    clock.advance(6000);
    practice().frame();
    child<QPushButton>("MapSplit")->click();
    ASSERT_EQ(practice().logic().sentences().size(), 3u);
    const std::vector<Sentence> edited = practice().logic().sentences();
    // Whether to save them, then (when yes) whether to replace the learner's own file.
    messages.answer(save ? ui::MessageBox::Answer::Yes : ui::MessageBox::Answer::No);
    messages.answer(ui::MessageBox::Answer::Yes);
    dialog.answer(other);
    QTest::keyClick(window->text1(), Qt::Key_F, Qt::AltModifier);
    practice().frame();
    EXPECT_EQ(readLrc(bytesOf(lrc), 60000) == edited, save);
    EXPECT_FALSE(practice().mapEditRow()->unsaved());
    EXPECT_EQ(practice().logic().sentences().size(), 0u) << "other.mp3 has no map of its own";
    clock.advance(1000);
  }
}

TEST_F(PracticeWindowTest, OnlyTheSentencesWrittenAreCheckedAndTheOthersStayHidden) {
  // The English sample: the first three sentences written without a slip ("nine" as "9").
  fs::copy_file(TESSALY_ENGLISH_LRC, appPath / "voice" / "lesson.lrc", fs::copy_options::overwrite_existing);
  QTest::keyClick(window->text1(), Qt::Key_S, Qt::AltModifier);
  window->text1()->setPlainText(
      QStringLiteral("Welcome to your first dictation lesson.\n"
                     "Listen to each sentence, then write it down.\n"
                     "The library opens at 9 in the morning."));
  QTest::keyClick(window->text1(), Qt::Key_Y, Qt::AltModifier);
  ASSERT_NE(window->practiceWindow(), nullptr);
  ASSERT_TRUE(waitForScore());
  const QString score = child<QLabel>("ScoreLabel")->text();
  EXPECT_TRUE(score.contains(QStringLiteral("检查了第 1–3 句（共 6 句）"))) << score.toStdString();
  EXPECT_TRUE(score.contains(QStringLiteral("错 0 处"))) << score.toStdString();
  EXPECT_TRUE(score.contains(QStringLiteral("正确率 100.0%"))) << score.toStdString();
  EXPECT_TRUE(score.contains(QStringLiteral("写法不同也算对 1 处"))) << score.toStdString();
  EXPECT_EQ(child<QListWidget>("SentenceErrors")->count(), 0);
  // Nothing of sentences 4–6 anywhere in the window.
  QString shown = score + child<QTextBrowser>("MarkedDictation")->toPlainText();
  auto* list = child<QTreeWidget>("SentenceList");
  ASSERT_EQ(list->topLevelItemCount(), 6);
  for (int row = 0; row < 6; ++row)
    for (int column = 0; column < 3; ++column) shown += list->topLevelItem(row)->text(column) + QLatin1Char('\n');
  for (const char* word : {"sister", "school", "park", "lunch", "improve"})
    EXPECT_FALSE(shown.contains(QLatin1String(word), Qt::CaseInsensitive)) << word;
  // Each checked sentence's accuracy beside its number; the others only their number.
  EXPECT_EQ(list->topLevelItem(0)->text(0), QStringLiteral("1　100.0%"));
  EXPECT_EQ(list->topLevelItem(2)->text(0), QStringLiteral("3　100.0%"));
  EXPECT_EQ(list->topLevelItem(3)->text(0), QStringLiteral("4"));
  EXPECT_EQ(list->topLevelItem(5)->text(2), QStringLiteral("（已隐藏）"));
  if (const char* dir = std::getenv("TESSALY_SCREENSHOTS"))
    practice().grab().save(QString::fromUtf8(dir) + QStringLiteral("/practice-covered.png"));
}

TEST_F(PracticeWindowTest, AltYChecksTheSampleLessonFromTheMainWindowAndTheWindowIsKeptWhereItWas) {
  // The sample lesson's own sentences; the learner writes 管 for 馆 (both guǎn) and leaves out 很.
  fs::copy_file(TESSALY_SAMPLE_LRC, appPath / "voice" / "lesson.lrc", fs::copy_options::overwrite_existing);
  QTest::keyClick(window->text1(), Qt::Key_S, Qt::AltModifier);  // starts it again: the map is read anew
  window->text1()->setPlainText(
      QStringLiteral("你好，欢迎来到听写练习。\n今天天气好。\n我每天早上七点起床。\n"
                     "我们一起去图书管吧。\n请你听一句，写一句。\n学习语言要每天练习。"));
  QTest::keyClick(window->text1(), Qt::Key_Y, Qt::AltModifier);
  ASSERT_NE(window->practiceWindow(), nullptr);
  ASSERT_TRUE(waitForScore());
  const QString score = child<QLabel>("ScoreLabel")->text();
  EXPECT_TRUE(score.contains(QStringLiteral("参考共 51 个字词，错 2 处（写错 1，漏写 1，多写 0），正确率 96.1%")))
      << score.toStdString();
  EXPECT_TRUE(score.contains(QStringLiteral("同音字 1"))) << score.toStdString();
  auto* errors = child<QListWidget>("SentenceErrors");
  ASSERT_EQ(errors->count(), 2);
  EXPECT_TRUE(errors->item(0)->text().startsWith(QStringLiteral("第 2 句"))) << errors->item(0)->text().toStdString();
  EXPECT_TRUE(errors->item(1)->text().contains(QStringLiteral("写错（同音）：管 guǎn → 馆 guǎn")));
  EXPECT_TRUE(child<QTextBrowser>("MarkedDictation")->toPlainText().contains(QStringLiteral("今天天气［很］好")));

  // Every control of the window has a name for a screen reader.
  for (QWidget* w : practice().findChildren<QWidget*>()) {
    if (qobject_cast<QAbstractButton*>(w) || qobject_cast<QAbstractItemView*>(w) ||
        w->objectName() == QStringLiteral("Waveform")) {
      EXPECT_FALSE(w->accessibleName().isEmpty()) << w->metaObject()->className() << " " << w->objectName().toStdString();
    }
  }

  practice().setGeometry(120, 80, 700, 500);
  practice().close();
  EXPECT_TRUE(window->isVisible());
  EXPECT_EQ(settings.get("practice_window").value_or(""), "120,80,700,500");
  QTest::keyClick(window->text1(), Qt::Key_W, Qt::AltModifier);  // back where it was
  EXPECT_TRUE(practice().isVisible());
  EXPECT_EQ(practice().geometry(), QRect(120, 80, 700, 500));
  window->close();  // leaving closes it too
  EXPECT_FALSE(practice().isVisible());
}

TEST_F(PracticeWindowTest, ARepeatSchemeRunsFromTheFirstSentenceAndShowsWhereItIs) {
  QTest::keyClick(window->text1(), Qt::Key_W, Qt::AltModifier);
  auto* run = child<QLabel>("RunLabel");
  ASSERT_NE(run, nullptr);
  EXPECT_TRUE(run->text().startsWith(QStringLiteral("没有在按复读方案复读")));
  window->form().player().chooseScheme("逐句听写");
  clock.advance(5000);  // in the second sentence: the button starts at the first all the same
  child<QPushButton>("RunFromFirst")->click();
  practice().frame();
  EXPECT_EQ(run->text(), QStringLiteral("复读方案：第 1 句\u3000第 1 遍（共 3 遍）\u30001.0×"));
  EXPECT_EQ(run->accessibleName(), QStringLiteral("复读进度：") + run->text());
  EXPECT_EQ(window->form().variables().segmentStart, 500);
  practice().grab().save(QStringLiteral("tessaly-practice-scheme.png"));
}

TEST_F(PracticeWindowTest, ADrillIsExportedInTheBackgroundWithItsProgressShown) {
  QTest::keyClick(window->text1(), Qt::Key_W, Qt::AltModifier);
  auto* exportButton = child<QPushButton>("ExportDrill");
  ASSERT_NE(exportButton, nullptr);
  exportButton->click();  // the plain loop: nothing to export
  ASSERT_FALSE(messages.shown().empty());
  EXPECT_NE(messages.shown().back().find("复读方案"), std::string::npos) << messages.shown().back();
  EXPECT_TRUE(drills.started.empty());

  window->form().player().chooseScheme("逐句听写");
  const std::string out = (appPath / "drill.mp3").string();
  dialog.answer(out);
  exportButton->click();
  ASSERT_EQ(drills.started.size(), 1u);
  EXPECT_EQ(drills.started[0].recording, lesson);
  EXPECT_EQ(drills.started[0].path, out);
  EXPECT_EQ(drills.started[0].steps, 6u) << "two sentences, three passes each";
  EXPECT_TRUE(dialog.calls().back().save);
  EXPECT_EQ(dialog.calls().back().fileName, "lesson-逐句听写.mp3");
  auto* progress = child<QProgressDialog>("ExportProgress");
  ASSERT_NE(progress, nullptr);
  EXPECT_TRUE(progress->isVisible());
  for (int i = 0; i < 5 && progress->isVisible(); ++i) practice().frame();
  EXPECT_FALSE(progress->isVisible());
  EXPECT_EQ(messages.shown().back(), "已导出复读录音：\n" + out + "\n和它的 .lrc 文件。");
}

TEST_F(PracticeWindowTest, ADrillNamedLikeAnotherRecordingAsksBeforeTakingItsFiles) {
  QTest::keyClick(window->text1(), Qt::Key_W, Qt::AltModifier);
  window->form().player().chooseScheme("逐句听写");
  auto* exportButton = child<QPushButton>("ExportDrill");
  ASSERT_NE(exportButton, nullptr);
  // lesson.wav beside lesson.mp3: its .lrc is lesson.mp3's hand-made map, its .txt the
  // dictation of lesson.mp3.
  const std::string out = (appPath / "voice" / "lesson.wav").string();
  const std::string map = (appPath / "voice" / "lesson.lrc").string();
  const std::string dictation = (appPath / "voice" / "lesson.txt").string();
  std::ofstream(dictation) << "他去学校。";
  for (const auto answer : {ui::MessageBox::Answer::No, ui::MessageBox::Answer::Cancel}) {
    dialog.answer(out);
    messages.answer(answer);
    exportButton->click();
    ASSERT_FALSE(messages.shown().empty());
    EXPECT_NE(messages.shown().back().find(map), std::string::npos) << "the question names the files";
    EXPECT_NE(messages.shown().back().find(dictation), std::string::npos) << messages.shown().back();
    EXPECT_TRUE(drills.started.empty()) << "nothing exported without a yes";
  }
  dialog.answer(out);
  messages.answer(ui::MessageBox::Answer::Yes);
  exportButton->click();
  ASSERT_EQ(drills.started.size(), 1u);
  EXPECT_EQ(drills.started[0].mayReplace, (std::vector<std::string>{map, dictation})) << "what the learner agreed to";
  // A name of its own: no question.
  const std::size_t asked = messages.shown().size();
  dialog.answer((appPath / "drill.mp3").string());
  exportButton->click();
  EXPECT_EQ(drills.started.size(), 2u);
  EXPECT_EQ(messages.shown().size(), asked);
  EXPECT_TRUE(drills.started[1].mayReplace.empty());
}

TEST_F(PracticeWindowTest, AltOMakesChangesAndRemovesTheLearnersOwnScheme) {
  // Each step runs inside the modal windows it opens; `then` chains them.
  QString faultSeen, listSeen;
  const auto then = [](auto step) { QTimer::singleShot(50, step); };
  then([&] {
    auto* options = window->loopOptionsWindow();
    ASSERT_TRUE(options && options->isVisible());
    EXPECT_FALSE(options->changeScheme()->isEnabled()) << "the built-ins stay as they are";
    options->scheme()->setCurrentIndex(options->scheme()->findText(QStringLiteral("由慢到快")));
    then([&] {
      auto* editor = options->schemeEditor();
      ASSERT_TRUE(editor && editor->isVisible());
      EXPECT_EQ(editor->name()->text(), QStringLiteral("我的方案 1"));
      EXPECT_EQ(editor->passes()->count(), 3) << "a copy of the chosen scheme";
      editor->name()->setText(QStringLiteral("逐句听写"));
      then([&] {  // the name is taken: a message, and the editor stays
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_TRUE(box);
        faultSeen = box->windowTitle() + QStringLiteral("|") + box->text();
        box->accept();
      });
      editor->accept();
      ASSERT_TRUE(editor->isVisible());
      editor->name()->setText(QStringLiteral("慢速两遍"));
      editor->passes()->setCurrentRow(2);
      editor->removePass()->click();
      editor->passes()->setCurrentRow(0);
      editor->speed()->setValue(0.6);
      editor->pauseSeconds()->setValue(0);
      editor->pauseLengths()->setValue(2);
      for (int i = 0; i < editor->passes()->count(); ++i) listSeen += editor->passes()->item(i)->text() + "|";
      editor->grab().save(QStringLiteral("tessaly-scheme-editor.png"));
      editor->accept();
    });
    options->newScheme()->click();
    EXPECT_EQ(options->scheme()->currentText(), QStringLiteral("慢速两遍"));
    EXPECT_TRUE(options->removeScheme()->isEnabled());
    options->accept();
  });
  QTest::keyClick(window->text1(), Qt::Key_O, Qt::AltModifier);
  EXPECT_EQ(faultSeen, QStringLiteral("提示窗口|已经有叫“逐句听写”的复读方案了，请换一个名字。"));
  EXPECT_EQ(listSeen, QStringLiteral("第 1 遍　0.6×　停 句长的 2 倍|第 2 遍　0.85×　停 1 秒|"));
  EXPECT_EQ(window->form().player().chosenScheme(), "慢速两遍");
  EXPECT_EQ(settings.get("scheme_1"), "慢速两遍;next;0;0;60/0+20,85/1000+0");

  then([&] {
    auto* options = window->loopOptionsWindow();
    ASSERT_TRUE(options && options->isVisible());
    EXPECT_EQ(options->scheme()->currentText(), QStringLiteral("慢速两遍"));
    options->removeScheme()->click();
    EXPECT_EQ(options->scheme()->count(), 4);
    options->accept();
  });
  QTest::keyClick(window->text1(), Qt::Key_O, Qt::AltModifier);
  EXPECT_EQ(window->form().player().chosenScheme(), "");
  EXPECT_FALSE(settings.get("scheme_1"));
}

TEST(LoopOptionsWindowSchemes, ANameThatIsNotValidUtf8IsShownAndStillChosen) {
  qt::LoopOptionsWindow options(nullptr);
  std::vector<RepeatScheme> schemes = builtInSchemes();
  const std::string broken = "\xE6\x88\x91\xFF的";  // 我, a stray byte, 的
  schemes.push_back({broken, {{100, 0, 0}}, AfterPasses::NextSentence, 0, 0});
  schemes.push_back({"另一个", {{90, 0, 0}}, AfterPasses::NextSentence, 0, 0});
  options.offerSchemes(schemes, broken);
  EXPECT_EQ(options.scheme()->currentIndex(), 4);
  EXPECT_EQ(options.scheme()->currentText(), QStringLiteral("我\uFFFD的"));
  EXPECT_EQ(options.chosenScheme(), broken) << "its own bytes, so that Alt+R finds it";
  options.scheme()->setCurrentIndex(5);
  EXPECT_EQ(options.chosenScheme(), "另一个");
}

}  // namespace
}  // namespace tessaly::test
