// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/Output.h"

#include <SDL.h>

#include <chrono>
#include <cstring>
#include <vector>

namespace tessaly::audio {

int Output::bufferFrames(int rate) {
  if (rate % 100 == 0) return rate / 100;
  int frames = 1;
  while (frames * 2 <= rate * 12 / 1000) frames *= 2;
  return frames;
}

Output::~Output() {
  std::lock_guard config(configMutex_);
  closeDevice();
  if (sdlReady_) SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

void Output::sdlCallback(void* self, std::uint8_t* stream, int len) {
  auto* output = static_cast<Output*>(self);
  const int frameBytes = static_cast<int>(sizeof(float)) * output->channels_;
  output->renderInto(reinterpret_cast<float*>(stream), len / frameBytes);
}

void Output::renderInto(float* out, int frames) {
  if (Renderer* renderer = current_.load(std::memory_order_acquire)) renderer->render(out, frames, channels_);
  else std::memset(out, 0, static_cast<std::size_t>(frames) * channels_ * sizeof(float));
}

void Output::closeDevice() {
  if (device_ != 0) {
    SDL_CloseAudioDevice(device_);
    device_ = 0;
  }
  if (silentThread_.joinable()) {
    {
      std::lock_guard lock(silentMutex_);
      silentStop_ = true;
    }
    silentWake_.notify_all();
    silentThread_.join();
    silentStop_ = false;
  }
  driver_ = "none";
}

void Output::attach(Renderer* renderer, int rate, int channels) {
  std::lock_guard config(configMutex_);
  const bool running = device_ != 0 || silentThread_.joinable();
  if (!running || rate != rate_ || channels != channels_) {
    current_.store(nullptr, std::memory_order_release);
    closeDevice();
    rate_ = rate;
    channels_ = channels;
    frames_ = bufferFrames(rate);
    if (!sdlTried_) {
      sdlTried_ = true;
      // The program decides what a termination signal does (it saves the dictation first).
      SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
      sdlReady_ = SDL_InitSubSystem(SDL_INIT_AUDIO) == 0;
    }
    if (sdlReady_) {
      SDL_AudioSpec want{}, have{};
      want.freq = rate;
      want.format = AUDIO_F32SYS;
      want.channels = static_cast<Uint8>(channels);
      want.samples = static_cast<Uint16>(frames_);
      want.callback = &Output::sdlCallback;
      want.userdata = this;
      device_ = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
      if (device_ != 0) {
        driver_ = SDL_GetCurrentAudioDriver() ? SDL_GetCurrentAudioDriver() : "sdl";
        SDL_PauseAudioDevice(device_, 0);
      }
    }
    if (device_ == 0) {  // no sound: keep the timing without a device
      driver_ = "silent";
      silentThread_ = std::thread([this] { runSilent(); });
    }
  }
  if (current_.load() != renderer) {
    lock();
    current_.store(renderer, std::memory_order_release);
    unlock();
  }
}

void Output::detach(Renderer* renderer) {
  std::lock_guard config(configMutex_);
  if (current_.load() != renderer) return;
  lock();
  current_.store(nullptr, std::memory_order_release);
  unlock();
}

void Output::lock() {
  if (device_ != 0) SDL_LockAudioDevice(device_);
  else silentMutex_.lock();
}

void Output::unlock() {
  if (device_ != 0) SDL_UnlockAudioDevice(device_);
  else silentMutex_.unlock();
}

std::string Output::driverName() const {
  std::lock_guard config(configMutex_);
  return driver_;
}

void Output::runSilent() {
  using Clock = std::chrono::steady_clock;
  std::vector<float> buffer(static_cast<std::size_t>(frames_) * channels_);
  const auto start = Clock::now();
  std::int64_t rendered = 0;
  std::unique_lock lock(silentMutex_);
  while (!silentStop_) {
    renderInto(buffer.data(), frames_);
    rendered += frames_;
    const auto due = start + std::chrono::nanoseconds(rendered * 1'000'000'000 / rate_);
    silentWake_.wait_until(lock, due, [this] { return silentStop_; });
  }
}

}  // namespace tessaly::audio
