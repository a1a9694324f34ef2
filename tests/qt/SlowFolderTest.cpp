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

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <thread>
#include <vector>

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

// Lets go of whatever still waits on the FIFOs when it goes (their other end opened and
// closed), so a reader that waited on one fails the test rather than hanging it.
class FifoRelease {
 public:
  explicit FifoRelease(std::vector<fs::path> fifos) : fifos_(std::move(fifos)) {}
  ~FifoRelease() {
    for (const fs::path& fifo : fifos_)
      if (const int fd = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK); fd >= 0) ::close(fd);
  }

 private:
  std::vector<fs::path> fifos_;
};

bool waitUntil(const std::function<bool()>& done) {
  for (int i = 0; i < 2000 && !done(); ++i) QTest::qWait(5);
  return done();
}

// A FIFO as a recording's dictation or as its .lrc: the reader never waits on it, so that
// recording's box takes typing, the next recording's dictation comes in, and Alt+Q leaves. A
// dictation that is no file is told in words and never written over.
TEST(SlowFolder, AFifoBesideARecordingHoldsUpNoReadNoTypingAndNotTheExit) {
  const struct {
    const char* name;
    bool dictationFifo;  // else the .lrc is the FIFO
  } cases[] = {{"dictation", true}, {"lrc", false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TempFolder folder;
    const std::string first = (folder / "first.mp3").string(), second = (folder / "second.mp3").string();
    std::ofstream(first) << "x";
    std::ofstream(second) << "x";
    std::ofstream(folder / "second.txt", std::ios::binary) << "第二课\r\n";
    const fs::path fifo = folder / (c.dictationFifo ? "first.txt" : "first.lrc");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    if (!c.dictationFifo) std::ofstream(folder / "first.txt", std::ios::binary) << "第一课\r\n";

    ManualClock clock;
    SimulatedMci mci{clock};
    SimulatedStream stream{clock};
    for (const std::string& file : {first, second}) {
      mci.addFile(file, 60000);
      stream.addFile(file, 60000);
    }
    FakeFileDialog dialog;
    FakeMessageBox messages;
    qt::BackgroundFileReader reader;
    const FifoRelease release({fifo});
    qt::MainWindowServices services{mci, stream, folder.path().string(), &dialog, &messages};
    services.fileReader = &reader;
    qt::MainWindow window(services);
    window.show();
    QApplication::setActiveWindow(&window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));

    dialog.answer(first);
    QTest::keyClick(window.text1(), Qt::Key_F, Qt::AltModifier);
    EXPECT_TRUE(waitUntil([&] { return !window.text1()->isReadOnly(); })) << "the box took no typing";
    if (c.dictationFifo) {
      ASSERT_FALSE(messages.shown().empty());
      EXPECT_NE(messages.shown().back().find("不是普通文件"), std::string::npos) << messages.shown().back();
      QTest::keyClicks(window.text1(), QStringLiteral("abc"));
      QTest::mouseClick(window.labelWidget(11), Qt::LeftButton);  // save
      EXPECT_NE(messages.shown().back().find("没有保存"), std::string::npos) << messages.shown().back();
      messages.answer(ui::MessageBox::Answer::Yes);  // open the next one all the same
    } else {
      EXPECT_TRUE(waitUntil([&] { return window.text1Adapter().text() == "第一课\r\n"; }));
    }
    dialog.answer(second);
    QTest::keyClick(window.text1(), Qt::Key_F, Qt::AltModifier);
    EXPECT_TRUE(waitUntil([&] { return window.text1Adapter().text() == "第二课\r\n"; }))
        << "the next recording's dictation never came in";
    EXPECT_FALSE(window.text1()->isReadOnly());
    QTest::keyClick(window.text1(), Qt::Key_Q, Qt::AltModifier);
    EXPECT_FALSE(window.isVisible()) << "Alt+Q did not leave";
    EXPECT_TRUE(fs::is_fifo(fifo)) << "the FIFO was written over";
    EXPECT_EQ(readBytes(folder / "second.txt"), "第二课\r\n");
  }
}

// A read that stalls (a share that stops answering: every read of the FUSE folder waits ten
// times the reader's patience) is given up: its asker hears so, the next request is answered,
// and the reader goes without waiting for the stuck read.
TEST(SlowFolder, AStalledReadIsGivenUpAndHoldsUpNothingElse) {
  TempFolder folder;
  fs::create_directories(folder / "share");
  std::ofstream(folder / "share" / "lesson.txt", std::ios::binary) << "第一课\r\n";
  std::ofstream(folder / "near.txt", std::ios::binary) << "第二课\r\n";
  FuseFolder stuck(folder / "share", folder / "stuck", 3000);
  ASSERT_TRUE(stuck.mounted()) << "FUSE (Debian's fuse3 and python3-fusepy) could not mount the folder";
  std::vector<FileBytes> stalled, near;
  {
    qt::BackgroundFileReader reader(std::chrono::milliseconds(300));
    reader.read({(folder / "stuck" / "lesson.txt").string(), (folder / "near.txt").string()},
                [&](std::vector<FileBytes> files) { stalled = std::move(files); });
    reader.read({(folder / "near.txt").string()}, [&](std::vector<FileBytes> files) { near = std::move(files); });
    ASSERT_TRUE(waitUntil([&] { return !stalled.empty() && !near.empty(); }));
  }
  ASSERT_EQ(stalled.size(), 2u);
  EXPECT_TRUE(stalled[0].exists);
  EXPECT_FALSE(stalled[0].read);
  EXPECT_EQ(stalled[0].problem, FileProblem::Stalled);
  EXPECT_FALSE(stalled[1].read) << "the rest of a stalled request is not read";
  ASSERT_EQ(near.size(), 1u);
  EXPECT_TRUE(near[0].read);
  EXPECT_EQ(near[0].text.utf8, "第二课\r\n");
}

// Requests are not queued behind one another: while one read hangs (long before the reader
// gives up on it), a request given after it is answered.
TEST(SlowFolder, ARequestGivenAfterAHangingReadIsAnsweredFirst) {
  TempFolder folder;
  fs::create_directories(folder / "share");
  std::ofstream(folder / "share" / "lesson.txt", std::ios::binary) << "第一课\r\n";
  std::ofstream(folder / "near.txt", std::ios::binary) << "第二课\r\n";
  FuseFolder stuck(folder / "share", folder / "stuck", 3000);
  ASSERT_TRUE(stuck.mounted()) << "FUSE (Debian's fuse3 and python3-fusepy) could not mount the folder";
  std::vector<FileBytes> hanging, near;
  {
    qt::BackgroundFileReader reader(std::chrono::minutes(1));
    reader.read({(folder / "stuck" / "lesson.txt").string()},
                [&](std::vector<FileBytes> files) { hanging = std::move(files); });
    reader.read({(folder / "near.txt").string()}, [&](std::vector<FileBytes> files) { near = std::move(files); });
    ASSERT_TRUE(waitUntil([&] { return !near.empty() || !hanging.empty(); }));
    EXPECT_TRUE(hanging.empty()) << "the hanging read was answered before the one after it";
    ASSERT_EQ(near.size(), 1u);
    EXPECT_EQ(near[0].text.utf8, "第二课\r\n");
  }
}

}  // namespace
}  // namespace tessaly::test
