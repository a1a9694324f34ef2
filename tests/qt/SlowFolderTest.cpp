// SPDX-License-Identifier: GPL-3.0-or-later
// A recording and its 5 MB dictation file on a slow folder (a FUSE folder whose every read
// waits, support/fuse-folder.py), so reading the dictation takes seconds. The window goes on
// answering meanwhile (the read is the background reader's), the box takes no typing until
// the text is in it, and then holds all of it.
#include <QApplication>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <thread>

#include "qt/BackgroundFileReader.h"
#include "qt/MainWindow.h"
#include "support/FakeControls.h"
#include "support/FuseFolder.h"
#include "support/SimulatedDevices.h"
#include "support/TempFolder.h"

namespace tessaly::test {
namespace {

namespace fs = std::filesystem;

TEST(SlowFolder, TheWindowAnswersWhileADictationIsReadAndTheBoxWaitsForIt) {
  TempFolder folder;
  fs::create_directories(folder / "share");
  std::string text;  // 5 MB, a line of Chinese at a time
  while (text.size() < (5u << 20)) text += "今天天气很好，我们一起去图书馆吧。\r\n";
  std::ofstream(folder / "share" / "lesson.txt", std::ios::binary) << text;
  std::ofstream(folder / "share" / "lesson.mp3") << "x";
  FuseFolder slow(folder / "share", folder / "slow", 50);
  ASSERT_TRUE(slow.mounted()) << "FUSE (Debian's fuse3 and python3-fusepy) could not mount the slow folder";
  const std::string lesson = (folder / "slow" / "lesson.mp3").string();

  ManualClock clock;
  SimulatedMci mci{clock};
  SimulatedStream stream{clock};
  mci.addFile(lesson, 60000);
  stream.addFile(lesson, 60000);
  FakeFileDialog dialog;
  FakeMessageBox messages;
  qt::BackgroundFileReader reader;
  qt::MainWindowServices services{mci, stream, folder.path().string(), &dialog, &messages};
  services.fileReader = &reader;
  qt::MainWindow window(services);
  window.show();
  QApplication::setActiveWindow(&window);
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));

  dialog.answer(lesson);
  QElapsedTimer call;
  call.start();
  QTest::keyClick(window.text1(), Qt::Key_F, Qt::AltModifier);
  const qint64 openMs = call.elapsed();
  // While the folder is slow: the window turns its loop, and typing is refused.
  int turns = 0;
  qint64 longestGapMs = 0;
  QElapsedTimer gap;
  gap.start();
  QTimer ticking;
  QObject::connect(&ticking, &QTimer::timeout, [&] {
    ++turns;
    longestGapMs = std::max(longestGapMs, gap.restart());
  });
  ticking.start(5);
  QTest::keyClicks(window.text1(), QStringLiteral("abc"));
  EXPECT_TRUE(window.text1()->isReadOnly());
  QElapsedTimer reading;
  reading.start();
  for (int i = 0; i < 6000 && window.text1()->isReadOnly(); ++i) QTest::qWait(5);
  const qint64 readMs = reading.elapsed();
  EXPECT_GT(turns, 10) << "the window did not answer while the dictation was read";
  EXPECT_FALSE(window.text1()->isReadOnly());
  EXPECT_EQ(window.text1Adapter().text(), text) << "the whole text, nothing typed into it before";
  QTest::keyClicks(window.text1(), QStringLiteral("x"));
  EXPECT_TRUE(window.text1()->toPlainText().contains(QLatin1Char('x')));
  // What it cost the window (figures for the README, not checks).
  std::printf(
      "open %lld ms; the dictation arrived after %lld ms; longest wait between the window's turns meanwhile: "
      "%lld ms\n",
      static_cast<long long>(openMs), static_cast<long long>(readMs), static_cast<long long>(longestGapMs));
}

}  // namespace
}  // namespace tessaly::test
