// SPDX-License-Identifier: GPL-3.0-or-later
// The real main window on the offscreen platform, with simulated devices and a scripted
// file dialog and message box: keys, click areas, focus, and what the window shows.
#include "qt/MainWindow.h"

#include <QAccessible>
#include <QApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <QTextBrowser>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>

#include "MainWindowFixture.h"
#include "app/MainWindowLayout.h"
#include "playback/PlayerLayouts.h"
#include "qt/ListManagerWindow.h"

namespace tessaly::test {
namespace {

namespace fs = std::filesystem;

class MainWindowTest : public MainWindowFixture {
 protected:
  MainWindowTest() { makeWindow(); }

  void alt(Qt::Key key) {
    QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : window.get(), key, Qt::AltModifier);
  }
  std::string caption(int label) const { return qobject_cast<QLabel*>(window->labelWidget(label))->text().toStdString(); }
  QString focusName() const { return QApplication::focusWidget() ? QApplication::focusWidget()->objectName() : QString(); }
};

TEST_F(MainWindowTest, StartsWithTheUsageTextAndTheFocusOnTheOpenButton) {
  EXPECT_EQ(window->size(), QSize(803, 555));
  EXPECT_EQ(focusName(), QStringLiteral("Command5"));
  EXPECT_EQ(window->text1Adapter().text(), Form1::usageText());
  EXPECT_EQ(caption(2), "语音文件名");
  EXPECT_EQ(caption(1), captions::kWaiting);
  EXPECT_FALSE(window->findChild<QWidget*>(QStringLiteral("Picture1"))->isHidden());
  EXPECT_TRUE(window->findChild<QWidget*>(QStringLiteral("Picture2"))->isHidden());
  for (int n = 1; n <= layout::kButtonCount; ++n)
    EXPECT_GE(window->commandButton(n)->y(), window->height()) << n;  // off screen, but live
  window->grab().save(QStringLiteral("tessaly-main-window.png"));
}

TEST_F(MainWindowTest, AccessKeysActWhileTheirButtonIsEnabled) {
  alt(Qt::Key_S);  // start is disabled before a file is open
  EXPECT_TRUE(mci.log().empty());
  alt(Qt::Key_F);
  ASSERT_EQ(dialog.calls().size(), 1u);  // cancelled
  const std::string lesson = audio("lesson.wav");
  dialog.answer(lesson);
  alt(Qt::Key_F);
  EXPECT_EQ(caption(2), lesson);
  EXPECT_TRUE(mci.playing());
  EXPECT_EQ(focusName(), QStringLiteral("Text1"));

  clock.advance(2000);
  alt(Qt::Key_X);
  EXPECT_EQ(window->form().variables().repeatState, RepeatState::Repeating);
  EXPECT_EQ(window->form().variables().segmentEnd, 2001.0);  // the position when the key went down
  alt(Qt::Key_D);                                            // forward is disabled in the loop
  EXPECT_EQ(window->form().variables().segmentStart, 1.0);
  alt(Qt::Key_X);
  EXPECT_EQ(window->form().variables().repeatState, RepeatState::Listening);
  alt(Qt::Key_Z);
  EXPECT_EQ(caption(1), captions::kPaused);
  alt(Qt::Key_Z);
  EXPECT_EQ(caption(1), captions::kPlaying);
  clock.advance(40000);
  alt(Qt::Key_A);
  EXPECT_EQ(window->form().variables().segmentStart, 12001.0);
  alt(Qt::Key_D);
  EXPECT_EQ(window->form().variables().segmentStart, 42001.0);
  alt(Qt::Key_C);
  EXPECT_EQ(window->form().variables().segmentStart, 59500.0);
  alt(Qt::Key_E);
  EXPECT_EQ(caption(1), captions::kWaitingAfterMciStop);
  EXPECT_EQ(focusName(), QStringLiteral("Command1"));
  alt(Qt::Key_S);
  EXPECT_EQ(caption(1), captions::kPlaying);
  alt(Qt::Key_Q);
  EXPECT_FALSE(window->isVisible());
}

TEST_F(MainWindowTest, EveryClickAreaReachesItsCommand) {
  const std::string lesson = audio("lesson.mp3");
  QTest::mouseClick(window->labelWidget(13), Qt::LeftButton);  // repeat: not before the first open
  EXPECT_EQ(window->form().variables().repeatState, RepeatState::NothingPlayed);
  dialog.answer(lesson);
  QTest::mouseClick(window->labelWidget(12), Qt::LeftButton);
  EXPECT_EQ(caption(2), lesson);
  clock.advance(5000);
  QTest::mouseClick(window->labelWidget(13), Qt::LeftButton);
  EXPECT_EQ(window->form().variables().repeatState, RepeatState::Repeating);
  QTest::mouseClick(window->labelWidget(13), Qt::LeftButton);
  QTest::mouseClick(window->labelWidget(17), Qt::LeftButton);
  EXPECT_EQ(caption(1), captions::kPaused);
  QTest::mouseClick(window->labelWidget(18), Qt::LeftButton);
  EXPECT_EQ(caption(1), captions::kPlaying);
  clock.advance(30000);
  QTest::mouseClick(window->labelWidget(16), Qt::LeftButton);  // rewind
  EXPECT_EQ(stream.position(), 5000);
  QTest::mouseClick(window->labelWidget(15), Qt::LeftButton);  // forward
  EXPECT_EQ(stream.position(), 35000);
  QTest::mouseClick(window->labelWidget(14), Qt::LeftButton);  // stop
  EXPECT_EQ(caption(1), captions::kWaiting);
  QTest::mouseClick(window->labelWidget(19), Qt::LeftButton);  // start
  EXPECT_EQ(caption(1), captions::kPlaying);

  const int size = window->text1()->font().pointSize();
  QTest::mouseClick(window->labelWidget(5), Qt::LeftButton);
  EXPECT_EQ(window->text1()->font().pointSize(), size - 1);
  QTest::mouseClick(window->labelWidget(4), Qt::LeftButton);
  EXPECT_EQ(window->text1()->font().pointSize(), size - 1);  // 63 is above the limit of 61
  const bool bold = window->text1()->font().bold();
  QTest::mouseClick(window->labelWidget(8), Qt::LeftButton);
  EXPECT_NE(window->text1()->font().bold(), bold);
  const QColor text = window->text1()->palette().color(QPalette::Text);
  QTest::mouseClick(window->labelWidget(9), Qt::LeftButton);
  EXPECT_NE(window->text1()->palette().color(QPalette::Text), text);
  const QColor back = window->text1()->palette().color(QPalette::Base);
  QTest::mouseClick(window->labelWidget(10), Qt::LeftButton);
  EXPECT_NE(window->text1()->palette().color(QPalette::Base), back);
  QTest::mouseClick(window->labelWidget(11), Qt::LeftButton);
  EXPECT_EQ(messages.shown().back(), "已经保存！");

  QTest::mouseClick(window->labelWidget(21), Qt::LeftButton);  // open a list: cancelled
  EXPECT_EQ(dialog.calls().back().filter, "语音列表文件(*.lst)|*.lst");
  QTest::mouseClick(window->labelWidget(20), Qt::LeftButton);  // exit
  EXPECT_FALSE(window->isVisible());
}

TEST_F(MainWindowTest, ACaptionIsHeardWithItsMeaningAndWhatItShows) {
  // In process, as the accessibility bridge asks (tests/desktop/a11y.py asks over the real bus).
  const auto heard = [&](int label) {
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(window->labelWidget(label));
    return std::make_pair(a->text(QAccessible::Name).toStdString(), a->role());
  };
  const std::string lesson = audio("lesson.wav");
  dialog.answer(lesson);
  alt(Qt::Key_F);
  clock.advance(1500);
  EXPECT_EQ(heard(1), std::make_pair("播放状态：" + caption(1), QAccessible::StatusBar));
  EXPECT_EQ(heard(2), std::make_pair("语音文件：" + lesson, QAccessible::StaticText));
  EXPECT_EQ(heard(6).first, "已播放时间：" + caption(6));
  EXPECT_EQ(heard(7).first, "总时间：" + caption(7));
  alt(Qt::Key_X);
  EXPECT_EQ(heard(1).first, "播放状态：" + std::string(captions::kRepeating));
  // The fixed names stay for whoever reads them alone.
  EXPECT_EQ(window->labelWidget(1)->accessibleName(), QStringLiteral("播放状态"));
}

TEST_F(MainWindowTest, SpaceAndEnterOnAFocusedButtonRunIt) {
  ASSERT_EQ(focusName(), QStringLiteral("Command5"));
  QTest::keyClick(window->commandButton(5), Qt::Key_Space);
  EXPECT_EQ(dialog.calls().size(), 1u);
  window->commandButton(5)->setFocus();
  QTest::keyClick(window->commandButton(5), Qt::Key_Return);
  EXPECT_EQ(dialog.calls().size(), 2u);
}

TEST_F(MainWindowTest, TheSliderOnlyDisplays) {
  dialog.answer(audio("a.mp3"));
  alt(Qt::Key_F);
  window->slider1()->setValue(100);
  QTest::mouseClick(window->slider1(), Qt::LeftButton, {}, QPoint(600, 5));
  EXPECT_EQ(window->slider1()->value(), 100);
}

TEST_F(MainWindowTest, TheCloseBoxSavesTheDictation) {
  const std::string lesson = audio("lesson.mp3");
  dialog.answer(lesson);
  alt(Qt::Key_F);
  QTest::keyClicks(window->text1(), QStringLiteral("ni hao"));
  window->close();
  std::ifstream in(appPath / "voice" / "lesson.txt");
  std::string saved((std::istreambuf_iterator<char>(in)), {});
  EXPECT_EQ(saved, "ni hao");
}

TEST_F(MainWindowTest, TheListManagerDisablesTheWindowAndKeepsTheDictation) {
  dialog.answer(audio("lesson.mp3"));
  alt(Qt::Key_F);
  window->text1Adapter().setText("听写的内容");
  alt(Qt::Key_M);
  qt::ListManagerWindow* manager = window->listManager();
  ASSERT_NE(manager, nullptr);
  EXPECT_TRUE(manager->isVisible());
  EXPECT_EQ(manager->windowTitle(), QStringLiteral("管理列表管理"));
  EXPECT_FALSE(window->isEnabled());
  EXPECT_FALSE(manager->button(3)->isEnabled());  // Save needs New or Open first

  QTest::mouseClick(manager->button(2), Qt::LeftButton);  // New
  dialog.answer(audio("one.mp3"));
  QTest::mouseClick(manager->button(4), Qt::LeftButton);  // Add
  dialog.answer(audio("two.mp3"));
  QTest::mouseClick(manager->button(4), Qt::LeftButton);
  EXPECT_EQ(manager->list1()->count(), 2);
  const std::string listFile = (appPath / "two.lst").string();
  dialog.answer(listFile);
  QTest::mouseClick(manager->button(6), Qt::LeftButton);  // Save As
  EXPECT_TRUE(fs::exists(listFile));
  QTest::mouseClick(manager->button(7), Qt::LeftButton);  // Exit: saved, so no prompt
  EXPECT_FALSE(manager->isVisible());
  EXPECT_TRUE(window->isEnabled());
  EXPECT_EQ(window->text1Adapter().text(), "听写的内容");

  dialog.answer(listFile);
  QTest::mouseClick(window->labelWidget(21), Qt::LeftButton);
  EXPECT_EQ(caption(2), (appPath / "voice" / "one.mp3").string());
  EXPECT_TRUE(stream.playing());
}

TEST_F(MainWindowTest, TheWebPanelShowsTheProgramsPageWithoutScrollBars) {
  // No page in the program folder: nothing shown, nothing said.
  EXPECT_TRUE(messages.shown().empty());
  auto* browser = window->findChild<QTextBrowser*>();
  ASSERT_NE(browser, nullptr);
  EXPECT_TRUE(browser->toPlainText().isEmpty());
}

TEST(WebView, ShowsALocalPageAndDropsItsScrollBarsOnTheTick) {
  TempFolder folder;
  const fs::path page = folder.path() / "0091.htm";
  std::string html = "<html><body>";
  for (int i = 0; i < 100; ++i) html += "<p>按键说明</p>";
  std::ofstream(page) << html << "</body></html>";
  QTextBrowser browser;
  browser.resize(121, 169);
  qt::WebView view(&browser);
  EXPECT_FALSE(view.setBodyProperty("Scroll", "no"));  // nothing loaded yet
  view.navigate(page.string());
  EXPECT_TRUE(view.hasDocument());
  EXPECT_TRUE(browser.toPlainText().contains(QStringLiteral("按键说明")));
  EXPECT_TRUE(view.setBodyProperty("Scroll", "no"));
  EXPECT_EQ(browser.verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
  EXPECT_EQ(browser.horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);

  view.navigate((folder.path() / "missing.htm").string());  // silently nothing
  EXPECT_FALSE(view.hasDocument());
  EXPECT_FALSE(view.setBodyProperty("Scroll", "no"));
}

TEST_F(MainWindowTest, AFolderThatCannotWriteIsToldOnceInAMessageAndKeepsTheText) {
  std::ofstream(appPath / "in-the-way") << "a file where the folder should be";
  const fs::path where = appPath / "in-the-way" / "recovery";
  DiskFolder copies(where, std::chrono::hours(1));
  window->tellWriteFailuresOf(copies);
  const std::size_t before = messages.shown().size();
  copies.write("a.txt", "听写");
  copies.waitIdle();
  copies.write("a.txt", "听写内容");
  copies.waitIdle();
  QTest::qWait(50);  // the news crosses from the writer thread
  ASSERT_EQ(messages.shown().size(), before + 1) << "told once";
  EXPECT_EQ(messages.shown().back(),
            "无法写入文件：\n" + (where / "a.txt").string() + "\n要写入的内容先留在内存中，程序会在后台每隔几秒再试一次。");
  EXPECT_EQ(copies.read("a.txt"), "听写内容");
  window.reset();  // the folder outlives the window: nothing is told to a window that has gone
  copies.write("b.txt", "b");
  copies.waitIdle();
}

}  // namespace
}  // namespace tessaly::test
