// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's logic on fakes, simulated devices and the manual clock, with a real
// program folder in a temporary directory.
#pragma once

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "app/Form1.h"
#include "app/MainWindowLayout.h"
#include "support/FakeControls.h"
#include "support/SimulatedDevices.h"
#include "support/TempFolder.h"

namespace tessaly::test {

// A reader that answers only when told, as the program's does on a later turn of its loop.
class HeldReader final : public FileReader {
 public:
  void read(std::vector<std::string> paths, Done done) override { held.emplace_back(std::move(paths), std::move(done)); }
  void answer(std::size_t k) {
    std::vector<FileBytes> files;
    for (const auto& path : held[k].first) files.push_back(readWhole(path));
    const Done done = held[k].second;  // the answer may ask for more reads
    done(std::move(files));
  }
  std::vector<std::pair<std::vector<std::string>, Done>> held;
};

class Form1Rig {
 public:
  Form1Rig() {
    std::filesystem::create_directory(appPath / "voice");
    for (int i = 1; i <= layout::kAllButtonCount; ++i)
      buttons.push_back(
          std::make_unique<FakeButton>(focus, "Command" + std::to_string(i), std::string(layout::buttonCaption(i))));
    for (int i = 1; i <= layout::kAllLabelCount; ++i) labels.push_back(std::make_unique<FakeLabel>());
    Form1Controls controls{window, text1,    slider,  {},      {&pictures[0], &pictures[1], &pictures[2]},
                           {},     *timer1,  *timer2, *timer3, *timer6,
                           dialog, messages, page};
    for (int i = 0; i < layout::kAllLabelCount; ++i)
      controls.labels[static_cast<std::size_t>(i)] = labels[static_cast<std::size_t>(i)].get();
    for (int i = 0; i < layout::kAllButtonCount; ++i)
      controls.buttons[static_cast<std::size_t>(i)] = buttons[static_cast<std::size_t>(i)].get();
    form = std::make_unique<Form1>(controls, Form1Devices{mci, stream}, appPath.string(), [this] { ++listManagerOpened; });
  }
  ~Form1Rig() { form.reset(); }

  // Load and the first showing, as the program starts.
  void start() {
    form->load();
    form->activate();
  }
  // An audio file in voice/, known to the simulated devices.
  std::string audio(const std::string& name, std::int32_t lengthMs = 60000) {
    const std::string path = (appPath / "voice" / name).string();
    std::ofstream(path) << "audio";
    mci.addFile(path, lengthMs);
    stream.addFile(path, lengthMs);
    return path;
  }
  void open(const std::string& path) {
    dialog.answer(path);
    form->openFileCommand();
  }

  FakeButton& button(int n) { return *buttons[static_cast<std::size_t>(n - 1)]; }
  FakeLabel& label(int n) { return *labels[static_cast<std::size_t>(n - 1)]; }
  int visiblePicture() const {
    for (int i = 0; i < 3; ++i)
      if (pictures[i].visible()) return i + 1;
    return 0;
  }

  TempFolder folder;
  std::filesystem::path appPath = folder.path();
  ManualClock clock;
  Focus focus;
  FakeWindow window;
  FakeTextBox text1{focus, "Text1"};
  FakeSlider slider;
  std::vector<std::unique_ptr<FakeLabel>> labels;
  FakePicture pictures[3];
  std::vector<std::unique_ptr<FakeButton>> buttons;
  std::unique_ptr<ManualTimer> timer1 = clock.makeTimer();
  std::unique_ptr<ManualTimer> timer2 = clock.makeTimer();
  std::unique_ptr<ManualTimer> timer3 = clock.makeTimer();
  std::unique_ptr<ManualTimer> timer6 = clock.makeTimer();
  FakeFileDialog dialog;
  FakeMessageBox messages;
  FakeWebPage page;
  SimulatedMci mci{clock};
  SimulatedStream stream{clock};
  int listManagerOpened = 0;
  std::unique_ptr<Form1> form;
};

}  // namespace tessaly::test
