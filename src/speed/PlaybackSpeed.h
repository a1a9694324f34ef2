// SPDX-License-Identifier: GPL-3.0-or-later
// The playing speed the learner chose: 0.5× to 2.0× in steps of 0.1, the pitch kept by the
// audio engine. Alt+J slower, Alt+K faster, Alt+H back to 1.0×. Both devices get it (the
// back-end not in use plays at it as soon as it is used), every position stays a position in
// the file, so nothing of the segment model changes. While it is not 1.0× the window shows
// it ("0.7×") beside the time labels; it is kept across files and runs in the per-user
// settings. At 1.0× (the default) the devices are never told anything.
//
// Owned by the main window's logic; every method runs on the user-interface thread.
#pragma once

#include <string>

#include "playback/MciControl.h"
#include "playback/StreamControl.h"
#include "settings/UserSettings.h"
#include "ui/Controls.h"

namespace tessaly {

class PlaybackSpeed {
 public:
  static constexpr int kSlowest = 5;  // tenths
  static constexpr int kFastest = 20;
  static constexpr int kNormal = 10;
  static constexpr const char* kSettingsKey = "speed_tenths";

  // `display`: the caption that shows the speed; `settings` may be null (nothing kept).
  PlaybackSpeed(MciControl& mci, StreamControl& stream, ui::Label& display, UserSettings* settings);

  // Where the speed is kept from now on (null: nowhere).
  void useSettings(UserSettings* settings) { settings_ = settings; }
  // The speed kept from the last run, applied (when it is not 1.0×) and shown.
  void load();
  void slower();
  void faster();
  void normal();

  int tenths() const { return tenths_; }
  // "0.7×"; "" at 1.0×.
  static std::string caption(int tenths);

 private:
  void change(int tenths);

  MciControl& mci_;
  StreamControl& stream_;
  ui::Label& display_;
  UserSettings* settings_;
  int tenths_ = kNormal;
};

}  // namespace tessaly
