// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/Capture.h"

#include <SDL.h>

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

#include <chrono>
#include <cmath>

namespace tessaly::audio {

namespace {

constexpr int kPollMs = 10;

}  // namespace

Capture::~Capture() {
  stop();
  if (thread_.joinable()) thread_.join();
}

void Capture::start(TakeEndRule ends) {
  stop();
  if (thread_.joinable()) thread_.join();
  {
    std::lock_guard lock(mutex_);
    take_ = {};
    finished_ = false;
  }
  level_.store(-100);
  stopAsked_.store(false);
  opened_.store(false);
  running_.store(true);
  thread_ = std::thread([this, ends = std::move(ends)]() mutable { run(std::move(ends)); });
}

void Capture::stop() { stopAsked_.store(true); }

bool Capture::finished() const {
  std::lock_guard lock(mutex_);
  return finished_;
}

CapturedTake Capture::take() {
  std::lock_guard lock(mutex_);
  finished_ = false;
  return std::move(take_);
}

CapturedTake Capture::awaitTake() {
  std::unique_lock lock(mutex_);
  finishedChanged_.wait(lock, [this] { return finished_; });
  finished_ = false;
  return std::move(take_);
}

// Opens the default capture device at the device's own rate; 0 and why not when it cannot.
std::uint32_t Capture::open(int& rate, int& channels, CaptureFailure& why) {
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
    why = CaptureFailure::NoSoundSystem;
    return 0;
  }
  SDL_AudioSpec want{}, have{};
  want.freq = kTakeRate;  // the device may answer with its own: swresample converts
  want.format = AUDIO_F32SYS;
  want.channels = 1;
  want.samples = 256;  // about 12 ms: the meter's first level comes soon after the key
  const SDL_AudioDeviceID device = SDL_OpenAudioDevice(nullptr, 1, &want, &have,
                                                       SDL_AUDIO_ALLOW_FREQUENCY_CHANGE | SDL_AUDIO_ALLOW_CHANNELS_CHANGE);
  if (device == 0) {
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    why = CaptureFailure::NoMicrophone;
    return 0;
  }
  rate = have.freq;
  channels = have.channels;
  return device;
}

void Capture::run(TakeEndRule ends) {
  int deviceRate = 0, deviceChannels = 0;
  CaptureFailure why = CaptureFailure::None;
  const SDL_AudioDeviceID device = open(deviceRate, deviceChannels, why);
  if (device == 0) {
    finish({{}, why});
    return;
  }
  SDL_PauseAudioDevice(device, 0);
  opened_.store(true);
  SwrContext* convert = nullptr;
  AVChannelLayout in{}, out{};
  av_channel_layout_default(&in, deviceChannels);
  av_channel_layout_default(&out, 1);
  swr_alloc_set_opts2(&convert, &out, AV_SAMPLE_FMT_FLT, kTakeRate, &in, AV_SAMPLE_FMT_FLT, deviceRate, 0, nullptr);
  const bool converting = convert && swr_init(convert) >= 0;
  std::vector<float> got, converted, samples;
  CaptureFailure failure = converting ? CaptureFailure::None : CaptureFailure::CannotConvert;
  const std::size_t window = kTakeRate / 20;  // 50 ms for the level
  const std::size_t block = kTakeRate / 100;  // 10 ms
  // Blocks fixed from the take's start, whatever sizes the device and the converter hand the
  // frames over in: the rule is told the same levels for the same sound.
  std::size_t measured = 0;
  bool stoppedItself = false;
  while (converting && !stopAsked_.load()) {
    std::this_thread::sleep_for(std::chrono::milliseconds(kPollMs));
    if (SDL_GetAudioDeviceStatus(device) == SDL_AUDIO_STOPPED) {
      failure = CaptureFailure::DeviceStopped;
      break;
    }
    const Uint32 bytes = SDL_GetQueuedAudioSize(device);
    if (bytes == 0) continue;
    got.resize(bytes / sizeof(float));
    const Uint32 read = SDL_DequeueAudio(device, got.data(), bytes);
    const int frames = static_cast<int>(read / sizeof(float) / static_cast<Uint32>(deviceChannels));
    converted.resize(static_cast<std::size_t>(swr_get_out_samples(convert, frames)) + 16);
    const std::uint8_t* src[] = {reinterpret_cast<const std::uint8_t*>(got.data())};
    std::uint8_t* dst[] = {reinterpret_cast<std::uint8_t*>(converted.data())};
    const int made = swr_convert(convert, dst, static_cast<int>(converted.size()), src, frames);
    if (made <= 0) continue;
    samples.insert(samples.end(), converted.begin(), converted.begin() + made);
    // The meter and the stop, a block at a time: the take ends on the block where it should.
    bool done = false;
    while (!done && samples.size() - measured >= block) {
      measured += block;
      const std::size_t from = measured > window ? measured - window : 0;
      double power = 0;
      for (std::size_t i = from; i < measured; ++i) power += samples[i] * samples[i];
      const double db = 10 * std::log10(power / static_cast<double>(measured - from) + 1e-10);
      level_.store(db);
      done = ends && ends(db);
    }
    if (done) {
      samples.resize(measured);
      stoppedItself = true;
      break;
    }
  }
  if (converting && !stoppedItself) {  // what the converter still holds, when the learner stopped
    converted.resize(4096);
    std::uint8_t* dst[] = {reinterpret_cast<std::uint8_t*>(converted.data())};
    const int rest = swr_convert(convert, dst, static_cast<int>(converted.size()), nullptr, 0);
    if (rest > 0) samples.insert(samples.end(), converted.begin(), converted.begin() + rest);
  }
  SDL_CloseAudioDevice(device);
  SDL_QuitSubSystem(SDL_INIT_AUDIO);
  swr_free(&convert);
  av_channel_layout_uninit(&in);
  av_channel_layout_uninit(&out);
  finish({std::move(samples), failure});
}

void Capture::finish(CapturedTake take) {
  {
    std::lock_guard lock(mutex_);
    take_ = std::move(take);
    finished_ = true;
  }
  opened_.store(false);
  running_.store(false);
  finishedChanged_.notify_all();
}

}  // namespace tessaly::audio
