// SPDX-License-Identifier: GPL-3.0-or-later
// The main-window state and controls that both playback back-ends drive.
//
// Owner: the main window (Form1) owns the variables and the controls; the back-ends hold
// references for the window's lifetime and run only on the user-interface thread.
#pragma once

#include <array>
#include <cstdint>

#include "playback/CurrentRecording.h"
#include "ui/Controls.h"
#include "ui/Timer.h"

namespace tessaly {

// Where the listening stands. Its values are fixed (0, 1, 2); nothing stores them.
enum class RepeatState : std::int16_t {
  NothingPlayed = 0,
  Listening = 1,  // normal listening (or paused from it)
  Repeating = 2,  // in the repeat loop (or paused in it)
};

// Command1 to Command10, the player's command buttons by number. Command11 to Command20
// are their access-key twins, kAccessKeyTwin further on, enabled alike.
enum PlayerButton : int {
  kStartButton = 1,  // 开始播放, Alt+S
  kExitButton,       // 退出, Alt+Q
  kRepeatButton,     // 复读, Alt+X
  kToEndButton,      // 到最后
  kOpenFileButton,   // 选择声音文件, Alt+F
  kPauseButton,      // 暂停, Alt+Z while playing
  kContinueButton,   // 继续, Alt+Z while paused
  kForwardButton,    // 快进, Alt+D
  kRewindButton,     // 倒退, Alt+A
  kStopButton,       // 停止, Alt+E
};
inline constexpr int kAccessKeyTwin = 10;
inline constexpr int kPlayerButtonCount = 20;

// The status picture left of the status caption; exactly one is shown.
enum class StatusPicture { Waiting = 1, Playing = 2, Repeating = 3 };

// The listening segment and the back-ends' own state, in milliseconds.
struct PlayerVariables {
  double segmentStart = 0;     // start of the current segment; where a repeat loop begins
  double segmentEnd = 0;       // end of the current segment; where a repeat loop ends
  double resumePosition = 0;   // where the MCI pause closed the device
  std::int16_t reopening = 0;  // -1 while the MCI device is being reopened for the loop
  RepeatState repeatState = RepeatState::NothingPlayed;
  std::int16_t startStage = 0;  // streaming: 1 after a start, 2 once past 100 ms
};

struct PlayerControls {
  ui::Label& label1;            // status caption (green)
  CurrentRecording& recording;  // the current audio file, shown by Label2
  ui::Label& label6;            // elapsed time
  ui::Label& label7;            // total length
  ui::Slider& slider1;
  ui::TextBox& text1;                                   // the dictation box
  std::array<ui::Picture*, 3> pictures;                 // Picture1 waiting, Picture2 playing, Picture3 repeating
  std::array<ui::Button*, kPlayerButtonCount> buttons;  // Command1 to Command20
  ui::Timer& timer1;                                    // MCI repeat loop, 600 ms
  ui::Timer& timer2;                                    // streaming progress and end of entry, 100 ms
  ui::Timer& timer3;                                    // streaming repeat loop, 20 ms

  ui::Button& button(int number) const { return *buttons.at(static_cast<std::size_t>(number - 1)); }
  ui::Picture& picture(int number) const { return *pictures.at(static_cast<std::size_t>(number - 1)); }
  ui::Picture& picture(StatusPicture which) const { return picture(static_cast<int>(which)); }
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
// player commands to one of them by its EngineKind.
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
