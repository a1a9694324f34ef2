// SPDX-License-Identifier: GPL-3.0-or-later
// The MCI multimedia device (instance MMControl1) as the MCI back-end uses it.
// Implemented by the simulated device of the tests and by the real audio engine (src/audio).
//
// Every method is called on the user-interface thread and returns within a few
// milliseconds, but "Open", which may wait up to 3 s for the file's first frames (a slow
// disk, a network stream); "play" returns at once and playback goes on in the background.
// Positions and lengths are whole milliseconds from the start of the file.
//
// What callers rely on:
//  - "close" on a device that is not open does nothing.
//  - From and To apply to the next "play"; after a fresh "Open" without a To, "play" runs
//    to the end of the file.
//  - A play with a To stops exactly there and position() then reads exactly that To; a play
//    to the end leaves position() equal to length().
//  - A command that fails (missing file, bad position) raises nothing; the device stays
//    closed or stopped.
//  - The status handler is called periodically (every 250 ms or less) on the user-interface
//    thread, and only while a file is open.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "playback/Failure.h"
#include "playback/StretchEngine.h"

namespace tessaly {

class MciControl {
 public:
  virtual ~MciControl() = default;
  virtual void setDeviceType(const std::string& type) = 0;  // "WaveAudio"
  virtual void setFileName(const std::string& path) = 0;
  virtual void setNotify(bool on) = 0;
  virtual void setWait(bool on) = 0;
  virtual void setShareable(bool on) = 0;
  // "close", "Open" or "play" (exact case); anything else is ignored.
  virtual void sendCommand(const std::string& command) = 0;
  virtual void setFrom(std::int32_t ms) = 0;
  virtual void setTo(std::int32_t ms) = 0;
  virtual std::int32_t length() const = 0;    // 0 while closed
  virtual std::int32_t position() const = 0;  // 0 while closed
  virtual void setEnabled(bool enabled) = 0;
  virtual bool isOpen() const = 0;
  virtual void setStatusHandler(std::function<void()> handler) = 0;
  // Why the file of the last "Open" cannot be played, as a kind the window words for the user
  // (playback/FailureText.h); no failure when it opened. Only the program's own word to the
  // user reads it, never the playing.
  virtual Failure failure() const = 0;
  // The open file is a video: its sound plays, its picture is not shown.
  virtual bool hasPicture() const = 0;
  // Plays at `speed` (0.5 to 2.0; 1.0 as recorded) with the pitch kept, from now on, also
  // the play under way. Every position stays a position in the file: a ranged play still
  // stops exactly on its To, which sounds twice as late at 0.5.
  virtual void setSpeed(double speed) = 0;
  // The engine that makes the speeds other than 1.0 (playback/StretchEngine.h), from now on,
  // also for the play under way.
  virtual void setStretch(StretchEngine engine) = 0;
};

}  // namespace tessaly
