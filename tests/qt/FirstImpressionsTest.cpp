// SPDX-License-Identifier: GPL-3.0-or-later
// What a newcomer meets first: a held access key acts once, every control has a name for a
// screen reader, and Qt's own dialogs speak Chinese with the program's own file type text.
#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFile>
#include <QFileDialog>
#include <QKeyEvent>
#include <QListView>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTextCursor>
#include <QTimer>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "MainWindowFixture.h"
#include "app/MainWindowLayout.h"
#include "playback/RecordingFormats.h"
#include "qt/ChineseTranslations.h"
#include "qt/LoopOptionsWindow.h"
#include "qt/MainWindow.h"

namespace tessaly::test {
namespace {

namespace fs = std::filesystem;

class FirstImpressionsTest : public MainWindowFixture {
 protected:
  FirstImpressionsTest() { makeWindow(); }
  void key(QEvent::Type type, Qt::Key code, unsigned long timestamp, bool autoRepeat = false) {
    QKeyEvent event(type, code, Qt::AltModifier, QString(), autoRepeat);
    event.setTimestamp(timestamp);
    QApplication::sendEvent(QApplication::focusWidget(), &event);
  }
  RepeatState repeatState() { return window->form().variables().repeatState; }
};

TEST_F(FirstImpressionsTest, AHeldAccessKeyActsOnceWhateverItsRepeatsSay) {
  const std::string lesson = (appPath / "voice" / "lesson.wav").string();
  std::ofstream(lesson) << "x";
  mci.addFile(lesson, 60000);
  dialog.answer(lesson);
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_F, Qt::AltModifier);
  clock.advance(2000);
  ASSERT_EQ(repeatState(), RepeatState::Listening);

  key(QEvent::KeyPress, Qt::Key_X, 100);
  EXPECT_EQ(repeatState(), RepeatState::Repeating);
  // Repeats as an accessibility bus delivers them: no auto-repeat flag, no release between.
  for (unsigned long t = 130; t < 2000; t += 33) key(QEvent::KeyPress, Qt::Key_X, t);
  EXPECT_EQ(repeatState(), RepeatState::Repeating);
  // Repeats as the X server sends them: a release and a press with one timestamp.
  for (unsigned long t = 2000; t < 3000; t += 33) {
    key(QEvent::KeyRelease, Qt::Key_X, t);
    key(QEvent::KeyPress, Qt::Key_X, t);
  }
  // And with Qt's flag set.
  key(QEvent::KeyPress, Qt::Key_X, 3100, true);
  EXPECT_EQ(repeatState(), RepeatState::Repeating);
  key(QEvent::KeyRelease, Qt::Key_X, 3200);
  key(QEvent::KeyPress, Qt::Key_X, 3500);  // pressed again: acts
  EXPECT_EQ(repeatState(), RepeatState::Listening);
  key(QEvent::KeyRelease, Qt::Key_X, 3600);
}

TEST_F(FirstImpressionsTest, ScreenReadersHearEveryControlsName) {
  for (int n = 1; n <= layout::kLabelCount; ++n) {
    const std::string_view command = layout::kClickAreaCaptions[static_cast<std::size_t>(n)];
    if (command.empty()) continue;
    EXPECT_EQ(window->labelWidget(n)->accessibleName().toStdString(), command) << "Label" << n;
  }
  EXPECT_FALSE(window->text1()->accessibleName().isEmpty());
  EXPECT_FALSE(window->slider1()->accessibleName().isEmpty());
  for (int n : {1, 2, 6, 7}) EXPECT_FALSE(window->labelWidget(n)->accessibleName().isEmpty()) << "Label" << n;
  for (int n = 1; n <= 3; ++n) {
    auto* picture = window->findChild<QWidget*>(QStringLiteral("Picture%1").arg(n));
    ASSERT_NE(picture, nullptr);
    EXPECT_FALSE(picture->accessibleDescription().isEmpty()) << "Picture" << n;
  }
}

TEST_F(FirstImpressionsTest, AltOEditsTheLoopOptionsInTheirWindow) {
  bool shown = false;
  QTimer::singleShot(100, [&] {
    auto* options = window->loopOptionsWindow();
    shown = options && options->isVisible();
    if (!shown) return;
    options->grab().save(QStringLiteral("tessaly-loop-options.png"));
    EXPECT_FALSE(options->passes()->accessibleName().isEmpty());
    options->passes()->setValue(3);
    options->pause()->setValue(2.5);
    options->stepBack()->setValue(1);
    options->accept();
  });
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_O, Qt::AltModifier);
  EXPECT_TRUE(shown);
  EXPECT_EQ(window->form().loopPacer().options(), (LoopOptions{3, 2500, 1000}));
}

TEST_F(FirstImpressionsTest, AltOChoosesTheStretchEngineByKeyboard) {
  bool shown = false;
  QTimer::singleShot(100, [&] {
    auto* options = window->loopOptionsWindow();
    shown = options && options->isVisible();
    if (!shown) return;
    QComboBox* stretch = options->stretch();
    EXPECT_EQ(stretch->accessibleName(), QStringLiteral("变速方式"));
    EXPECT_EQ(stretch->currentIndex(), kDefaultStretchEngine == StretchEngine::Speech ? 0 : 1);
    EXPECT_EQ(stretch->count(), 2);
    // Its label's access key reaches it, and the arrow keys choose.
    QTest::keyClick(options, Qt::Key_V, Qt::AltModifier);
    EXPECT_EQ(QApplication::focusWidget(), stretch);
    stretch->setCurrentIndex(0);
    QTest::keyClick(stretch, Qt::Key_Down);
    EXPECT_EQ(stretch->currentText(), QStringLiteral("音乐（Rubber Band）"));
    options->accept();
  });
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_O, Qt::AltModifier);
  EXPECT_TRUE(shown);
  EXPECT_EQ(window->form().loopPacer().options().stretch, StretchEngine::RubberBand);
}

TEST_F(FirstImpressionsTest, AltOChoosesTheRepeatSchemeAndSaysWhatItDoes) {
  QString description;
  QTimer::singleShot(100, [&] {
    auto* options = window->loopOptionsWindow();
    if (!options || !options->isVisible()) return;
    EXPECT_EQ(options->scheme()->currentText(), QStringLiteral("单句循环")) << "the plain loop by default";
    EXPECT_EQ(options->scheme()->count(), 4);
    options->scheme()->setCurrentIndex(options->scheme()->findText(QStringLiteral("由慢到快")));
    description = options->scheme()->accessibleDescription();
    options->grab().save(QStringLiteral("tessaly-loop-options-scheme.png"));
    options->accept();
  });
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_O, Qt::AltModifier);
  EXPECT_EQ(window->form().player().chosenScheme(), "由慢到快");
  EXPECT_EQ(description.toStdString(), "每句放 3 遍：0.7×（停 1 秒），0.85×（停 1 秒），1.0×（停 1 秒）；然后下一句。");
}

TEST_F(FirstImpressionsTest, ACtrlClickOnATimestampJumpsThere) {
  const std::string lesson = (appPath / "voice" / "lesson.mp3").string();
  std::ofstream(lesson) << "x";
  stream.addFile(lesson, 60000);
  dialog.answer(lesson);
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_F, Qt::AltModifier);
  clock.advance(20000);
  window->text1()->setPlainText(QStringLiteral("听到这里 [00:05.0] 没听清"));
  QTextCursor cursor(window->text1()->document());
  cursor.setPosition(8);  // inside the timestamp
  const QPoint inside = window->text1()->cursorRect(cursor).center();
  QTest::mouseClick(window->text1()->viewport(), Qt::LeftButton, Qt::NoModifier, inside);
  EXPECT_NE(window->form().variables().segmentStart, 5000) << "a plain click only moves the cursor";
  QTest::mouseClick(window->text1()->viewport(), Qt::LeftButton, Qt::ControlModifier, inside);
  EXPECT_EQ(window->form().variables().segmentStart, 5000);
}

TEST(ChineseDialogs, QtsOwnDialogsSpeakChineseAndShowTheProgramsFileType) {
  ASSERT_TRUE(qt::installChineseTranslations(*qApp)) << "Debian's qt6-translations-l10n is missing";
  QWidget parent;
  qt::QtFileDialog files(&parent);
  QString typeShown, openText, cancelText;
  QSize size;
  QTimer::singleShot(200, [&] {
    auto* box = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    if (!box) return;
    if (auto* types = box->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"))) typeShown = types->currentText();
    if (auto* buttons = box->findChild<QDialogButtonBox*>()) {
      openText = buttons->button(QDialogButtonBox::Open)->text();
      cancelText = buttons->button(QDialogButtonBox::Cancel)->text();
    }
    size = box->size();
    box->reject();
  });
  EXPECT_EQ(files.showOpen(fs::temp_directory_path().string(),
                           "语音文件(*.mp3;*.rm;*.ram;*.ra;*.wav)|*.mp3;*.rm;*.ram;*.ra;*.wav", ""),
            "");
  EXPECT_EQ(typeShown, QStringLiteral("语音文件(*.mp3;*.rm;*.ram;*.ra;*.wav)"));
  EXPECT_EQ(openText, QStringLiteral("打开(&O)"));
  EXPECT_EQ(cancelText, QStringLiteral("取消"));
  EXPECT_GE(size.width(), 800);

  // The open dialog of recordings: every format that plays first, then the type line above,
  // then all files; the first matches a video and a capitalised name, not a text.
  QStringList typesShown;
  QStringList listed;
  QTemporaryDir folder;
  for (const char* name : {"a.mkv", "B.M4A", "c.opus", "d.txt", "e.wav"})
    QFile(folder.filePath(QString::fromUtf8(name))).open(QIODevice::WriteOnly);
  QTimer::singleShot(200, [&] {
    auto* box = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    if (!box) return;
    if (auto* types = box->findChild<QComboBox*>(QStringLiteral("fileTypeCombo")))
      for (int i = 0; i < types->count(); ++i) typesShown << types->itemText(i);
    QTest::qWait(300);  // the folder's listing arrives from the file system's own thread
    if (auto* view = box->findChild<QListView*>(QStringLiteral("listView")))
      for (int row = 0; row < view->model()->rowCount(view->rootIndex()); ++row)
        listed << view->model()->index(row, 0, view->rootIndex()).data().toString();
    box->reject();
  });
  EXPECT_EQ(files.showOpen(folder.path().toStdString(), std::string(kRecordingFilter), ""), "");
  EXPECT_EQ(typesShown, (QStringList{QStringLiteral("所有能播放的录音和视频"),
                                     QStringLiteral("语音文件(*.mp3;*.rm;*.ram;*.ra;*.wav)"), QStringLiteral("所有文件")}));
  listed.sort();
  EXPECT_EQ(listed, (QStringList{QStringLiteral("B.M4A"), QStringLiteral("a.mkv"), QStringLiteral("c.opus"),
                                 QStringLiteral("e.wav")}));

  qt::QtMessageBox messages(&parent);
  QStringList answers;
  QTimer::singleShot(200, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box) return;
    for (QAbstractButton* button : box->buttons()) answers << button->text();
    box->button(QMessageBox::Cancel)->click();
  });
  EXPECT_EQ(messages.askYesNoCancel("仍要退出吗？"), ui::MessageBox::Answer::Cancel);
  answers.sort();
  EXPECT_TRUE(answers.contains(QStringLiteral("是(&Y)")) || answers.contains(QStringLiteral("是")))
      << answers.join(u' ').toStdString();
  EXPECT_FALSE(answers.contains(QStringLiteral("&Yes")));
}

}  // namespace
}  // namespace tessaly::test
