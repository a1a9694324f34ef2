// SPDX-License-Identifier: GPL-3.0-or-later
// Both back-ends on fake controls, simulated devices and the manual clock, wired the way
// the main window wires them: Timer1 to the MCI loop, the MCI notification to its status
// handler, Timer2 and Timer3 to the streaming handlers, and a play list that starts each
// next entry through stop-then-start.
#pragma once

#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "playback/MciBackEnd.h"
#include "playback/PlayerLayouts.h"
#include "playback/StreamBackEnd.h"
#include "support/FakeControls.h"
#include "support/SimulatedDevices.h"

namespace tessaly::test {

class PlayerRig : public PlayListStep {
 public:
  explicit PlayerRig(const std::string& file) {
    recording.set(file);
    for (int i = 1; i <= 20; ++i) buttons.push_back(std::make_unique<FakeButton>(focus, "Command" + std::to_string(i), ""));
    std::array<ui::Button*, 20> buttonPointers{};
    for (int i = 0; i < 20; ++i) buttonPointers[static_cast<std::size_t>(i)] = buttons[static_cast<std::size_t>(i)].get();
    controls = std::make_unique<PlayerControls>(PlayerControls{label1,
                                                               recording,
                                                               label6,
                                                               label7,
                                                               slider,
                                                               text1,
                                                               {&pictures[0], &pictures[1], &pictures[2]},
                                                               buttonPointers,
                                                               *timer1,
                                                               *timer2,
                                                               *timer3});
    variables.segmentStart = variables.segmentEnd = 1.0;
    mci = std::make_unique<MciBackEnd>(variables, *controls, mciDevice, *this);
    stream = std::make_unique<StreamBackEnd>(variables, *controls, streamDevice, *this);
    timer1->setTickHandler([this] { mci->repeatLoopTick(); });
    timer2->setTickHandler([this] { stream->streamTrackTick(); });
    timer3->setTickHandler([this] { stream->streamLoopTick(); });
    mciDevice.setStatusHandler([this] { mci->mciStatusUpdate(); });
  }

  PlayerBackEnd& backEnd() { return useMci ? static_cast<PlayerBackEnd&>(*mci) : *stream; }
  void startCommand() {
    backEnd().stop();
    backEnd().start();
  }

  // PlayListStep: the entries after the current one.
  bool hasNextEntry() const override { return !nextEntries.empty(); }
  void advancePlayList() override {
    ++advanceCalls;
    if (nextEntries.empty()) return;
    recording.set(nextEntries.front());
    nextEntries.pop_front();
    startCommand();
  }

  // "TTF..." for Command1..Command20 then Picture1..3, as the layout table writes them.
  std::string layout() const {
    std::string cells;
    for (const auto& button : buttons) cells += button->enabled() ? 'T' : 'F';
    for (const auto& picture : pictures) cells += picture.visible() ? 'T' : 'F';
    return cells;
  }

  ManualClock clock;
  Focus focus;
  FakeLabel label1, label2, label6, label7;
  CurrentRecording recording{label2};
  FakeSlider slider;
  FakeTextBox text1{focus, "Text1"};
  FakePicture pictures[3];
  std::vector<std::unique_ptr<FakeButton>> buttons;
  std::unique_ptr<ManualTimer> timer1 = clock.makeTimer(600);
  std::unique_ptr<ManualTimer> timer2 = clock.makeTimer(100);
  std::unique_ptr<ManualTimer> timer3 = clock.makeTimer(20, true);
  PlayerVariables variables;
  std::unique_ptr<PlayerControls> controls;
  SimulatedMci mciDevice{clock};
  SimulatedStream streamDevice{clock};
  std::unique_ptr<MciBackEnd> mci;
  std::unique_ptr<StreamBackEnd> stream;
  bool useMci = true;
  std::deque<std::string> nextEntries;
  int advanceCalls = 0;
};

}  // namespace tessaly::test
