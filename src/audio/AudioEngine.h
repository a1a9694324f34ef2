// SPDX-License-Identifier: GPL-3.0-or-later
// The audio engine as the program sees it: FFmpeg decodes, SDL2 plays (or, with no sound
// device, a silent output keeps the timing), behind the two device interfaces the logic
// drives. Build one engine, then the devices on it; destroy the devices before the engine.
//
//   tessaly::audio::AudioEngine engine;
//   auto mci = tessaly::audio::makeMciControl(engine, std::move(statusTimer));
//   auto stream = tessaly::audio::makeStreamControl(engine);
//
// Every device call is made on the user-interface thread and returns within a few
// milliseconds; decoding, probing and scanning run on each device's own worker thread.
#pragma once

#include <memory>
#include <string>

#include "playback/MciControl.h"
#include "playback/StreamControl.h"
#include "ui/Timer.h"

namespace tessaly::audio {

class Output;

class AudioEngine {
 public:
  // UI thread, non-blocking: opens no device until something plays.
  AudioEngine();
  // UI thread: the devices made on this engine must be gone.
  ~AudioEngine();
  AudioEngine(const AudioEngine&) = delete;
  AudioEngine& operator=(const AudioEngine&) = delete;

  // Any thread, non-blocking: "none" before the first play, "silent" without a sound device,
  // otherwise SDL's driver name ("pulseaudio", "alsa", "disk", ...).
  std::string outputDriver() const;

  // For the devices built on the engine.
  Output& output() { return *output_; }

 private:
  std::unique_ptr<Output> output_;
};

// UI thread, non-blocking: the MCI device (MMControl1). Its status notification runs from
// `statusTimer`, which must tick on the user-interface thread (a QTimer in the program); the
// device sets its interval (100 ms) and enables it only while a file is open.
// "Open" waits for the file to be opened (a .wav takes a few milliseconds, at most 3 s); a
// "play" from or to past a length still being found starts on a later status tick, once the
// exact length is known (3 s at most), and never waits.
std::unique_ptr<MciControl> makeMciControl(AudioEngine& engine, std::unique_ptr<ui::Timer> statusTimer);

// UI thread, non-blocking: the streaming control (RealAudio1).
std::unique_ptr<StreamControl> makeStreamControl(AudioEngine& engine);

}  // namespace tessaly::audio
