// SPDX-License-Identifier: GPL-3.0-or-later
#include "playback/MciBackEnd.h"

#include <cmath>
#include <string>

#include "playback/PlayerLayouts.h"
#include "text/Module1.h"

namespace tessaly {

namespace {
constexpr std::int64_t kJumpMs = 30000;
constexpr std::int64_t kToEndMs = 500;
constexpr std::int16_t kTrue = -1;
}  // namespace

MciBackEnd::MciBackEnd(PlayerVariables& variables, const PlayerControls& controls, MciControl& device,
                       PlayListStep& playList)
    : v_(variables), c_(controls), device_(device), playList_(playList) {}

void MciBackEnd::reopenDevice() {
  device_.sendCommand("close");
  device_.setDeviceType("WaveAudio");
  device_.setFileName(c_.recording.path());
  device_.setNotify(true);
  device_.setWait(false);
  device_.setShareable(false);
  device_.sendCommand("Open");
}

void MciBackEnd::mciStart() {
  v_.segmentStart = v_.segmentEnd = 1.0;
  v_.repeatState = RepeatState::Listening;
  c_.label1.setCaption(std::string(captions::kPlaying));
  applyLayout(Layout::Start, c_);
  c_.timer1.setEnabled(false);
  playFromSegmentEnd();
  c_.label7.setCaption(formatPosition(device_.length()));
  c_.slider1.setMaximum(1000);
  c_.text1.setFocus();
}

void MciBackEnd::mciStop() {
  device_.sendCommand("close");
  c_.timer1.setEnabled(false);
  c_.slider1.setValue(0);
  showPicture(StatusPicture::Waiting, c_);
  c_.label1.setCaption(std::string(captions::kWaitingAfterMciStop));
  applyLayout(Layout::Stop, c_);
  c_.button(kStartButton).setFocus();
  c_.label6.setCaption(std::string(captions::kIdleTime));
  c_.label7.setCaption(std::string(captions::kIdleTime));
}

void MciBackEnd::mciToggleRepeat() {
  if (v_.repeatState == RepeatState::Listening) {
    v_.repeatState = RepeatState::Repeating;
    c_.label1.setCaption(std::string(captions::kRepeating));
    applyLayout(Layout::EnterRepeatLoop, c_);
    c_.timer1.setEnabled(true);
    v_.reopening = kTrue;
    v_.segmentEnd = device_.position();
    playLoopRangeFrom(v_.segmentStart);
  } else {
    v_.repeatState = RepeatState::Listening;
    c_.label1.setCaption(std::string(captions::kPlaying));
    applyLayout(Layout::LeaveRepeatLoop, c_);
    c_.timer1.setEnabled(false);
    playFromSegmentEnd();
  }
  c_.text1.setFocus();
}

void MciBackEnd::mciPause() {
  v_.resumePosition = device_.position();
  device_.sendCommand("close");
  c_.label1.setCaption(std::string(captions::kPaused));
  applyLayout(Layout::Pause, c_);
  c_.text1.setFocus();
}

void MciBackEnd::mciContinue() {
  if (v_.repeatState == RepeatState::Repeating) {
    c_.label1.setCaption(std::string(captions::kRepeating));
    applyLayout(Layout::ContinueInRepeatLoop, c_);
    c_.timer1.setEnabled(true);
    v_.reopening = kTrue;
    playLoopRangeFrom(v_.resumePosition);
  } else {
    c_.label1.setCaption(std::string(captions::kPlaying));
    v_.segmentEnd = v_.resumePosition;
    applyLayout(Layout::ContinueInNormalListening, c_);
    c_.timer1.setEnabled(false);
    playFromSegmentEnd();
  }
  c_.text1.setFocus();
}

void MciBackEnd::playFromSegmentEnd() {
  reopenDevice();
  device_.setFrom(toDevicePosition(v_.segmentEnd));
  v_.segmentStart = v_.segmentEnd;
  device_.sendCommand("play");
}

void MciBackEnd::playLoopRangeFrom(double from) {
  reopenDevice();
  device_.setFrom(toDevicePosition(from));
  device_.setTo(toDevicePosition(v_.segmentEnd));
  v_.reopening = 0;
  device_.sendCommand("play");
}

void MciBackEnd::jumpToSegmentEnd() {
  v_.repeatState = RepeatState::Listening;
  c_.timer1.setEnabled(false);
  playFromSegmentEnd();
}

void MciBackEnd::jumpTo(double ms) {
  if (v_.repeatState == RepeatState::Repeating) {
    c_.label1.setCaption(std::string(captions::kPlaying));
    applyLayout(Layout::LeaveRepeatLoop, c_);
  }
  v_.segmentEnd = ms;
  jumpToSegmentEnd();
  c_.text1.setFocus();
}

void MciBackEnd::repeatRange(double start, double end) {
  if (v_.repeatState != RepeatState::Repeating) {
    v_.repeatState = RepeatState::Repeating;
    c_.label1.setCaption(std::string(captions::kRepeating));
    applyLayout(Layout::EnterRepeatLoop, c_);
    c_.timer1.setEnabled(true);
  }
  v_.segmentStart = start;
  v_.reopening = kTrue;
  v_.segmentEnd = end;
  playLoopRangeFrom(start);
  c_.text1.setFocus();
}

void MciBackEnd::mciForward() {
  const std::int64_t position = device_.position();
  const std::int64_t length = device_.length();
  if (length - position > kJumpMs) {
    // The second reading may lie a little past the first; the target is taken from it.
    v_.segmentEnd = static_cast<double>(std::int64_t{device_.position()} + kJumpMs);
    jumpToSegmentEnd();
  }
  c_.text1.setFocus();
}

void MciBackEnd::mciRewind() {
  if (device_.position() > kJumpMs) {
    v_.segmentEnd = static_cast<double>(std::int64_t{device_.position()} - kJumpMs);
    jumpToSegmentEnd();
  }
  c_.text1.setFocus();
}

void MciBackEnd::mciToEnd() {
  // A file shorter than half a second plays from its start.
  v_.segmentEnd = static_cast<double>(std::max<std::int64_t>(0, std::int64_t{device_.length()} - kToEndMs));
  jumpToSegmentEnd();
  c_.text1.setFocus();
}

void MciBackEnd::mciStatusUpdate() {
  // A closed device has no position worth showing: a position equal to a length of 0
  // would look like the end of an entry.
  if (!device_.isOpen()) return;
  const std::int32_t length = device_.length();
  const std::int32_t position = device_.position();
  if (position == length && playList_.hasNextEntry()) {
    playList_.advancePlayList();
    return;
  }
  c_.label6.setCaption(formatPosition(device_.position()));
  const double total = device_.length();
  const double now = device_.position();
  if (total > 0) c_.slider1.setValue(static_cast<int>(std::floor(std::clamp(now / total, 0.0, 1.0) * 1000.0)));
}

void MciBackEnd::repeatLoopTick() {
  if (!device_.isOpen()) return;  // paused or stopped: the loop waits
  const double position = device_.position();
  if (position != v_.segmentEnd || v_.reopening != 0) return;
  // A loop that ends at the end of a play-list entry is left to the status notification,
  // which starts the next entry; restarting the pass here first would depend on which of
  // the two timers happened to fire first.
  if (device_.position() == device_.length() && playList_.hasNextEntry()) return;
  v_.reopening = kTrue;
  v_.segmentEnd = device_.position();
  device_.sendCommand("close");
  device_.setFileName(c_.recording.path());
  device_.sendCommand("Open");
  device_.setFrom(toDevicePosition(v_.segmentStart));
  device_.setTo(toDevicePosition(v_.segmentEnd));
  v_.reopening = 0;
  device_.sendCommand("play");
}

}  // namespace tessaly
