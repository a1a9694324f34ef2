// SPDX-License-Identifier: GPL-3.0-or-later
// One start of the real program for the session tests: the main window on the offscreen
// platform, the engine's devices on SDL's disk driver, the file dialog scripted and the
// message box recorded. Everything here runs on the test's thread (the user-interface
// thread); the engine's workers and SDL's audio thread run as in the program.
#pragma once

#include <QApplication>
#include <QInputMethodEvent>
#include <QLabel>
#include <QTest>

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "align/engine/UnitScanner.h"
#include "audio/AudioEngine.h"
#include "audio/AudioTestSupport.h"
#include "playback/MciControl.h"
#include "playback/PlayerLayouts.h"
#include "playback/StreamControl.h"
#include "qt/MainWindow.h"
#include "qt/QtControls.h"
#include "shadow/engine/Shadowing.h"
#include "support/FakeControls.h"

namespace tessaly::test {

inline constexpr int kWaitMs = 30000;  // only a guard against a hang: every wait ends on a state

// One start of the program on `appPath`, as src/Program.cpp builds it, with the disk driver
// writing the sound to `diskFile`. The devices go before the engine.
class ProgramStart {
 public:
  // With `takesFolder`, 跟读 too (takes kept there, the characters' times found, the tones
  // read from `readings`).
  ProgramStart(const std::filesystem::path& appPath, const std::filesystem::path& diskFile,
               const std::string& takesFolder = {}, const std::string& readings = {}) {
    useDiskOutput(diskFile.string());
    mci_ = audio::makeMciControl(engine_, std::make_unique<qt::QtTimer>());
    stream_ = audio::makeStreamControl(engine_);
    qt::MainWindowServices services{*mci_, *stream_, appPath.string(), &dialog, &messages};
    if (!takesFolder.empty()) {
      units_ = std::make_unique<align::UnitScanner>("");
      shadowing_ = std::make_unique<Shadowing>(engine_.output(), takesFolder, 50 << 20, readings);
      services.unitScan = units_.get();
      services.shadowing = shadowing_.get();
      services.readingsTable = readings;
    }
    window_ = std::make_unique<qt::MainWindow>(services);
    window_->show();
    QApplication::setActiveWindow(window_.get());
    EXPECT_TRUE(QTest::qWaitForWindowActive(window_.get()));
  }
  ~ProgramStart() {
    window_.reset();
    shadowing_.reset();
    units_.reset();
    stream_.reset();
    mci_.reset();
  }

  qt::MainWindow& window() { return *window_; }
  Form1& form() { return window_->form(); }
  const PlayerVariables& variables() { return form().variables(); }
  // The position of the device that plays the current file.
  std::int32_t position() { return Form1::usesMciBackEnd(form().engineKind()) ? mci_->position() : stream_->position(); }
  std::int32_t streamLength() { return stream_->length(); }

  void alt(Qt::Key key) {
    QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : window_.get();
    QTest::keyClick(target, key, Qt::AltModifier);
  }
  void click(int label) { QTest::mouseClick(window_->labelWidget(label), Qt::LeftButton); }
  std::string caption(int label) { return qt::fromQt(qobject_cast<QLabel*>(window_->labelWidget(label))->text()); }
  // Chinese is typed through an input method: the text arrives committed.
  void typeChinese(const QString& text) {
    QInputMethodEvent event;
    event.setCommitString(text);
    QApplication::sendEvent(window_->text1(), &event);
  }

  FakeFileDialog dialog;
  FakeMessageBox messages;

 private:
  audio::AudioEngine engine_;
  std::unique_ptr<MciControl> mci_;
  std::unique_ptr<StreamControl> stream_;
  std::unique_ptr<align::UnitScanner> units_;
  std::unique_ptr<Shadowing> shadowing_;
  std::unique_ptr<qt::MainWindow> window_;
};

inline bool waitFor(const std::function<bool()>& condition) { return QTest::qWaitFor(condition, kWaitMs); }

inline double framesToMs(std::int64_t frames, int rate) { return static_cast<double>(frames) * 1000.0 / rate; }

// The heart of every session: listen to about 2 s, Alt+X, let two whole passes from the
// start go by (the MCI device starts the first at once, the streaming one plays on to P
// first), then Alt+X in the middle of the next pass, far from where the loop began.
// P is the loop's end (segmentEnd), Q the position at the second press. Use it inside
// ASSERT_NO_FATAL_FAILURE.
struct LoopPresses {
  double p = 0;
  double q = 0;
};

inline void loopTwiceAndGoOn(ProgramStart& program, LoopPresses& presses) {
  ASSERT_TRUE(waitFor([&] { return program.position() >= 2000; }));
  program.alt(Qt::Key_X);
  ASSERT_EQ(program.variables().repeatState, RepeatState::Repeating);
  presses.p = program.variables().segmentEnd;
  ASSERT_GE(presses.p, 2000);
  EXPECT_EQ(program.caption(1), captions::kRepeating);

  int wholePasses = 0;
  std::int32_t last = program.position();
  bool passFromStart = last < 100;
  ASSERT_TRUE(waitFor([&] {
    const std::int32_t now = program.position();
    if (now < last - 500) {  // jumped back
      if (passFromStart) ++wholePasses;
      passFromStart = now < 100;
    }
    last = now;
    return wholePasses >= 2 && now >= 0.3 * presses.p && now <= 0.6 * presses.p;
  }));
  presses.q = program.position();
  program.alt(Qt::Key_X);
  ASSERT_EQ(program.variables().repeatState, RepeatState::Listening);
  EXPECT_EQ(program.variables().segmentStart, presses.p);
  EXPECT_EQ(program.caption(1), captions::kPlaying);
}

}  // namespace tessaly::test
