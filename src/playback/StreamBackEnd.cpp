// SPDX-License-Identifier: GPL-3.0-or-later
#include "playback/StreamBackEnd.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "playback/PlayerLayouts.h"
#include "text/Module1.h"

namespace tessaly {

namespace {
constexpr std::int64_t kJumpMs = 30000;
constexpr std::int64_t kToEndMs = 500;
constexpr std::int32_t kStartedMs = 100;  // past this, a position of 0 means the end
}  // namespace

StreamBackEnd::StreamBackEnd(PlayerVariables& variables, const PlayerControls& controls, StreamControl& device,
                             PlayListStep& playList)
    : v_(variables), c_(controls), device_(device), playList_(playList) {}

void StreamBackEnd::streamStart() {
  v_.segmentStart = v_.segmentEnd = 1;
  v_.repeatState = RepeatState::Listening;
  v_.startStage = 1;
  c_.label1.setCaption(std::string(captions::kPlaying));
  applyLayout(Layout::Start, c_);
  device_.setSource(c_.recording.path());
  device_.play();
  c_.timer3.setEnabled(false);
  c_.timer2.setEnabled(true);
  c_.label7.setCaption(formatPosition(device_.length()));
  c_.slider1.setMaximum(1000);
  c_.text1.setFocus();
  c_.label7.setCaption(formatPosition(device_.length()));
}

void StreamBackEnd::streamStop() {
  device_.stop();
  c_.timer3.setEnabled(false);
  c_.timer2.setEnabled(false);
  c_.slider1.setValue(0);
  showPicture(StatusPicture::Waiting, c_);
  c_.label1.setCaption(std::string(captions::kWaiting));
  applyLayout(Layout::Stop, c_);
  c_.button(kStartButton).setFocus();
  c_.label6.setCaption(std::string(captions::kIdleTime));
  c_.label7.setCaption(std::string(captions::kIdleTime));
}

void StreamBackEnd::streamToggleRepeat() {
  if (v_.repeatState == RepeatState::Listening) {
    c_.timer3.setEnabled(true);
    v_.segmentEnd = device_.position();
    v_.repeatState = RepeatState::Repeating;
    c_.label1.setCaption(std::string(captions::kRepeating));
    applyLayout(Layout::EnterRepeatLoop, c_);
  } else {
    c_.timer3.setEnabled(false);
    v_.segmentStart = v_.segmentEnd;
    device_.setPosition(toDevicePosition(v_.segmentEnd));
    v_.repeatState = RepeatState::Listening;
    c_.label1.setCaption(std::string(captions::kPlaying));
    applyLayout(Layout::LeaveRepeatLoop, c_);
  }
}

void StreamBackEnd::streamPause() {
  device_.pause();
  c_.label1.setCaption(std::string(captions::kPaused));
  applyLayout(Layout::Pause, c_);
  c_.text1.setFocus();
}

void StreamBackEnd::streamContinue() {
  if (v_.repeatState == RepeatState::Repeating) {
    c_.label1.setCaption(std::string(captions::kRepeating));
    applyLayout(Layout::ContinueInRepeatLoop, c_);
  } else {
    c_.label1.setCaption(std::string(captions::kPlaying));
    applyLayout(Layout::ContinueInNormalListening, c_);
  }
  device_.play();
  c_.text1.setFocus();
}

void StreamBackEnd::jumpTo(double ms) {
  if (v_.repeatState == RepeatState::Repeating) {
    c_.label1.setCaption(std::string(captions::kPlaying));
    applyLayout(Layout::LeaveRepeatLoop, c_);
  }
  newSegmentAt(ms);
  c_.text1.setFocus();
}

void StreamBackEnd::repeatRange(double start, double end) {
  if (v_.repeatState != RepeatState::Repeating) {
    c_.timer3.setEnabled(true);
    v_.repeatState = RepeatState::Repeating;
    c_.label1.setCaption(std::string(captions::kRepeating));
    applyLayout(Layout::EnterRepeatLoop, c_);
  }
  v_.segmentStart = start;
  v_.segmentEnd = end;
  device_.setPosition(toDevicePosition(start));
  c_.text1.setFocus();
}

void StreamBackEnd::newSegmentAt(double target) {
  v_.segmentEnd = v_.segmentStart = target;
  v_.repeatState = RepeatState::Listening;
  // A target below 0 plays from the start, one past the end ends the entry: the device
  // handles both.
  device_.setPosition(toDevicePosition(target));
}

void StreamBackEnd::streamToEnd() {
  newSegmentAt(static_cast<double>(std::int64_t{device_.length()} - kToEndMs));
  c_.text1.setFocus();
}

void StreamBackEnd::streamForward() {
  newSegmentAt(static_cast<double>(std::int64_t{device_.position()} + kJumpMs));
  c_.text1.setFocus();
}

void StreamBackEnd::streamRewind() {
  if (device_.position() > kJumpMs) newSegmentAt(static_cast<double>(std::int64_t{device_.position()} - kJumpMs));
  c_.text1.setFocus();
}

void StreamBackEnd::streamTrackTick() {
  c_.label6.setCaption(formatPosition(device_.position()));
  if (device_.position() > kStartedMs) {
    // A length still unknown (0) or a position past it would leave the range: keep 0..1000.
    const double ratio = static_cast<double>(device_.position()) / static_cast<double>(device_.length());
    const double value = std::isnan(ratio) ? 0.0 : std::clamp(ratio * 1000.0, 0.0, 1000.0);
    c_.slider1.setValue(static_cast<int>(std::floor(value)));
    if (v_.startStage == 1) v_.startStage = 2;
  } else {
    c_.label7.setCaption(formatPosition(device_.length()));
  }
  if (device_.position() == 0 && v_.startStage == 2) playList_.advancePlayList();
}

void StreamBackEnd::streamLoopTick() {
  if (device_.position() >= v_.segmentEnd && v_.repeatState == RepeatState::Repeating)
    device_.setPosition(toDevicePosition(v_.segmentStart));
}

}  // namespace tessaly
