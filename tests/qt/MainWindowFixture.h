// SPDX-License-Identifier: GPL-3.0-or-later
// The real main window for the Qt tests: offscreen, shown and active, in a fresh program
// folder (with its voice folder), on simulated devices and a manual clock, with a scripted
// file dialog and message box. Test thread only.
#pragma once

#include <QApplication>
#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>

#include "qt/MainWindow.h"
#include "support/FakeControls.h"
#include "support/SimulatedDevices.h"
#include "support/TempFolder.h"

namespace tessaly::test {

class MainWindowFixture : public ::testing::Test {
 protected:
  MainWindowFixture() { std::filesystem::create_directory(appPath / "voice"); }
  ~MainWindowFixture() override { window.reset(); }

  // Makes and shows the window; `prepare` may add services first.
  void makeWindow(const std::function<void(qt::MainWindowServices&)>& prepare = {}) {
    qt::MainWindowServices services{mci, stream, appPath.string(), &dialog, &messages};
    if (prepare) prepare(services);
    window = std::make_unique<qt::MainWindow>(services);
    window->show();
    QApplication::setActiveWindow(window.get());
    EXPECT_TRUE(QTest::qWaitForWindowActive(window.get()));
  }

  // A recording in the voice folder that both simulated devices play for `lengthMs`.
  std::string audio(const std::string& fileName, int lengthMs = 60000) {
    const std::string path = (appPath / "voice" / fileName).string();
    std::ofstream(path) << "x";
    mci.addFile(path, lengthMs);
    stream.addFile(path, lengthMs);
    return path;
  }

  TempFolder folder;
  std::filesystem::path appPath = folder.path();
  ManualClock clock;
  SimulatedMci mci{clock};
  SimulatedStream stream{clock};
  FakeFileDialog dialog;
  FakeMessageBox messages;
  std::unique_ptr<qt::MainWindow> window;
};

}  // namespace tessaly::test
