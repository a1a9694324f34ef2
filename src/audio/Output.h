// SPDX-License-Identifier: GPL-3.0-or-later
// The engine's one sound output: an SDL2 audio device, or, where no device can be opened (a
// headless machine, no sound server), a silent output with the same timing, paced by the
// steady clock. It renders whichever player was attached last.
//
// Threads: attach() runs on a player's worker and may block while a device opens; detach()
// and runExclusive() may be called from any thread and block for at most one render. render() runs on
// SDL's audio thread (or the silent output's thread) with the output lock held, so code in
// runExclusive() knows no render is running.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

namespace tessaly::audio {

class Renderer {
 public:
  virtual ~Renderer() = default;
  // Audio thread: fills `frames` frames of `channels` interleaved floats, exactly
  // frames * channels of them: the output's buffer, whatever layout the renderer last asked
  // for (a renderer that was attached anew may still be called once or twice in the old one's
  // layout). Must not block.
  virtual void render(float* out, int frames, int channels) = 0;
};

class Output {
 public:
  Output() = default;
  ~Output();
  Output(const Output&) = delete;
  Output& operator=(const Output&) = delete;

  // Worker thread, may block: run at `rate` Hz with `channels` and render `renderer`.
  void attach(Renderer* renderer, int rate, int channels);
  // Any thread: after it, `renderer` is not called again (unless attached anew).
  void detach(Renderer* renderer);
  // Any thread, blocks for at most one render: runs `fn` while no render runs.
  template <typename Fn>
  void runExclusive(Fn&& fn) {
    std::lock_guard config(configMutex_);
    lock();
    fn();
    unlock();
  }
  // Any thread: "none" before the first attach, "silent" for the paced silent output.
  std::string driverName() const;

  // Frames per render at `rate`: 10 ms where that is a whole number of frames, otherwise the
  // largest power of two within 12 ms.
  static int bufferFrames(int rate);

 private:
  static void sdlCallback(void* self, std::uint8_t* stream, int len);
  void renderInto(float* out, int frames);
  void closeDevice();  // config mutex held
  void lock();         // config mutex held: excludes render
  void unlock();
  void runSilent();  // the silent output's thread

  mutable std::mutex configMutex_;  // guards everything below but current_
  std::atomic<Renderer*> current_{nullptr};
  bool sdlTried_ = false, sdlReady_ = false;
  std::uint32_t device_ = 0;  // SDL device id, 0 if none
  int rate_ = 0, channels_ = 0, frames_ = 0;
  std::string driver_ = "none";
  // The silent output.
  std::mutex silentMutex_;  // held around each silent render
  std::condition_variable silentWake_;
  bool silentStop_ = false;
  std::thread silentThread_;
};

}  // namespace tessaly::audio
