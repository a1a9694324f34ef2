// SPDX-License-Identifier: GPL-3.0-or-later
// The desktop's player controls as the main window's logic sees them: media keys, a
// headset's button, a presenter, the desktop's media applets and lock screen (MPRIS, in
// qt/Mpris). What they show — playing, paused or stopped, the recording, its title and length,
// the position — and what they do: each command takes the way its key takes (Alt+Z, Alt+E,
// Alt+N/Alt+P or, without sentences, Alt+D/Alt+A; the slider's jumps), and only when that
// key would act.
//
// User-interface thread only.
#pragma once

#include <cstdint>
#include <string>

namespace tessaly {

class Form1;

enum class MediaStatus { Stopped, Playing, Paused };

struct MediaState {
  MediaStatus status = MediaStatus::Stopped;
  std::string recording;  // the path; "" before a file is opened
  std::string title;      // the lesson's [ti:], else the file's name without its ending
  double lengthMs = 0;
  bool canControl = false;  // a recording is open
  friend bool operator==(const MediaState&, const MediaState&) = default;
};

const char* statusName(MediaStatus status);  // "Playing", "Paused", "Stopped"

class MediaKeys {
 public:
  explicit MediaKeys(Form1& form) : form_(form) {}

  MediaState state() const;
  double positionMs() const;

  void play();       // continue a pause, or start a stopped recording from its beginning
  void pause();      // as Alt+Z while playing
  void playPause();  // as Alt+Z
  void stop();       // as Alt+E
  void next();       // the next sentence, or 30 s on without sentences
  void previous();   // the previous sentence, or 30 s back
  // A jump as the slider's: `offsetMs` from where it plays, or to `ms`; only while playing,
  // never outside the recording (a jump past its end does nothing; one before 0 goes to 0).
  void seekBy(double offsetMs);
  void setPosition(double ms);

 private:
  Form1& form_;
};

}  // namespace tessaly
