// SPDX-License-Identifier: GPL-3.0-or-later
// The streaming-audio control (instance RealAudio1) as the streaming back-end uses it.
// Implemented by the simulated control of the tests and by the real audio engine.
//
// Every method is called on the user-interface thread and returns within a few
// milliseconds. Positions and lengths are whole milliseconds from the start of the file.
//
// What callers rely on:
//  - After setSource, play() starts at 0; after pause(), play() resumes where it paused.
//  - pause() halts and keeps the position; stop() falls silent.
//  - Once playback has passed 100 ms, position() reads 0 only after the file has played to
//    its end (and then keeps reading 0).
//  - length() may read 0 until a length is known: the header's at first where the file
//    gives one, then the true length once the whole file has been measured.
//  - setPosition() while playing goes on from there with no further play(); a position
//    below 0 plays from the start, one at or past the length ends the file.
//  - A source that cannot be played stays silent with position() 0; nothing is raised.
#pragma once

#include <cstdint>
#include <string>

#include "playback/Failure.h"
#include "playback/StretchEngine.h"

namespace tessaly {

class StreamControl {
 public:
  virtual ~StreamControl() = default;
  virtual void setSource(const std::string& path) = 0;
  virtual void play() = 0;
  virtual void pause() = 0;
  virtual void stop() = 0;
  virtual std::int32_t position() const = 0;
  virtual std::int32_t length() const = 0;
  virtual void setPosition(std::int32_t ms) = 0;
  virtual void setVolume(std::int16_t volume) = 0;  // 100 is full volume
  // Why the current source cannot be played, as a kind the window words for the user
  // (playback/FailureText.h); no failure while it plays or is still being opened (a local file is opened within a few tens
  // of milliseconds). Also set when a source becomes unreadable while it plays. Only the program's own word to the user
  // reads it, never the playing.
  virtual Failure failure() const = 0;
  // The current source is a video: its sound plays, its picture is not shown. False while
  // that is not known yet.
  virtual bool hasPicture() const = 0;
  // Plays at `speed` (0.5 to 2.0; 1.0 as recorded) with the pitch kept, from now on, also
  // the play under way. Positions and the length stay those of the file.
  virtual void setSpeed(double speed) = 0;
  // The engine that makes the speeds other than 1.0 (playback/StretchEngine.h), from now on,
  // also for the play under way.
  virtual void setStretch(StretchEngine engine) = 0;
};

}  // namespace tessaly
