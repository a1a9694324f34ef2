// SPDX-License-Identifier: GPL-3.0-or-later
// The main-window state and controls that both playback back-ends drive.
//
// Owner: the main window (Form1) owns the variables and the controls; the back-ends hold
// references for the window's lifetime and run only on the user-interface thread.
#pragma once

#include <array>
#include <cstdint>

#include "ui/Controls.h"
#include "ui/Timer.h"

namespace tessaly {

// The listening segment and the back-ends' own state, in milliseconds.
struct PlayerVariables {
  double segmentStart = 0;    // start of the current segment; where a repeat loop begins
  double segmentEnd = 0;      // end of the current segment; where a repeat loop ends
  double resumePosition = 0;  // where the MCI pause closed the device
  std::int16_t reopening = 0;    // -1 while the MCI device is being reopened for the loop
  std::int16_t repeatState = 0;  // 0 nothing played yet, 1 normal listening, 2 repeating
  std::int16_t startStage = 0;   // streaming: 1 after a start, 2 once past 100 ms
};

struct PlayerControls {
  ui::Label& label1;  // status caption (green)
  ui::Label& label2;  // the current audio file's full path
  ui::Label& label6;  // elapsed time
  ui::Label& label7;  // total length
  ui::Slider& slider1;
  ui::TextBox& text1;                   // the dictation box
  std::array<ui::Picture*, 3> pictures;  // Picture1 waiting, Picture2 playing, Picture3 repeating
  std::array<ui::Button*, 20> buttons;   // Command1 to Command20
  ui::Timer& timer1;                    // MCI repeat loop, 600 ms
  ui::Timer& timer2;                    // streaming progress and end of entry, 100 ms
  ui::Timer& timer3;                    // streaming repeat loop, 20 ms

  ui::Button& button(int number) const { return *buttons.at(static_cast<std::size_t>(number - 1)); }
  ui::Picture& picture(int number) const { return *pictures.at(static_cast<std::size_t>(number - 1)); }
};

// The play-list step the back-ends run when an entry has played to its end.
class PlayListStep {
 public:
  virtual ~PlayListStep() = default;
  virtual bool hasNextEntry() const = 0;
  // Starts the next entry if there is one; does nothing otherwise.
  virtual void advancePlayList() = 0;
};

// The eight player operations, offered by both back-ends; the main window dispatches its
// player commands to one of them by engineKind.
class PlayerBackEnd {
 public:
  virtual ~PlayerBackEnd() = default;
  virtual void start() = 0;
  virtual void stop() = 0;
  virtual void toggleRepeat() = 0;
  virtual void toEnd() = 0;
  virtual void pause() = 0;
  virtual void continuePlayback() = 0;
  virtual void forward() = 0;
  virtual void rewind() = 0;
  // Beyond the window's own commands (the sentence keys). jumpTo: a jump to `ms` as forward
  // and rewind make one (a new segment starts there), which also leaves a repeat loop, with
  // the captions and layout of leaving it. repeatRange: a repeat loop over exactly
  // [start, end], entered as the repeat command enters one, from `start` at once.
  virtual void jumpTo(double ms) = 0;
  virtual void repeatRange(double start, double end) = 0;
};

}  // namespace tessaly
