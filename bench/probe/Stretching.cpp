// SPDX-License-Identifier: GPL-3.0-or-later
// The time-stretch stage as tessaly-probe measures it:
//
//   tessaly-probe --render OUT.wav --speed S [--from MS] [--to MS] [--stretch E] FILE
//     plays FILE from MS to MS (default: all of it) at speed S through the MCI device, with
//     SDL's disk driver writing what the engine outputs, and keeps that as OUT.wav (32-bit
//     float, the file's rate and channels; the device's silence before and after the play is
//     left out). One JSON line: the file frames of the stretch, the frames written, the frames
//     a perfect stretch would give, the frequency of a steady tone in it, and the time taken.
//   tessaly-probe --stretch-cost S FILE [--stretch E]
//     decodes FILE once as fast as it can, then decodes and stretches it at speed S, and gives
//     both in × real time, and the stage alone.
// E is the stretch engine, "speech", "rubberband" or "period" (the program's own pitch-period
// stretch, played only here); without it, the program's default.
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "Stretching.h"
#include "audio/AudioEngine.h"
#include "audio/Decoder.h"
#include "audio/Stretch.h"

namespace tessaly::bench {

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point t) { return std::chrono::duration<double>(Clock::now() - t).count(); }

void put32(std::ofstream& out, std::uint32_t v) { out.write(reinterpret_cast<const char*>(&v), 4); }
void put16(std::ofstream& out, std::uint16_t v) { out.write(reinterpret_cast<const char*>(&v), 2); }

bool writeFloatWav(const std::string& path, const float* samples, std::size_t frames, int rate, int channels) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  const auto bytes = static_cast<std::uint32_t>(frames * channels * sizeof(float));
  out.write("RIFF", 4);
  put32(out, 36 + bytes);
  out.write("WAVEfmt ", 8);
  put32(out, 16);
  put16(out, 3);  // IEEE float
  put16(out, static_cast<std::uint16_t>(channels));
  put32(out, static_cast<std::uint32_t>(rate));
  put32(out, static_cast<std::uint32_t>(rate * channels * 4));
  put16(out, static_cast<std::uint16_t>(channels * 4));
  put16(out, 32);
  out.write("data", 4);
  put32(out, bytes);
  out.write(reinterpret_cast<const char*>(samples), bytes);
  return out.good();
}

}  // namespace

int render(const std::string& out, double speed, int fromMs, int toMs, const std::string& file, StretchEngine stretch) {
  Failure error;
  audio::SourceInfo info;
  {
    auto decoder = audio::Decoder::open(file, nullptr, &error);
    if (!decoder) {
      std::printf("{\"file\":\"%s\",\"error\":\"%s\"}\n", file.c_str(), error.text().c_str());
      return 0;
    }
    info = decoder->info();
  }
  const std::string raw = out + ".raw";
  setenv("SDL_AUDIODRIVER", "disk", 1);
  setenv("SDL_DISKAUDIOFILE", raw.c_str(), 1);
  const auto started = Clock::now();
  int lengthMs = 0;
  {
    audio::AudioEngine engine;
    auto mci = audio::makeMciControl(engine, nullptr);
    mci->setFileName(file);
    mci->sendCommand("Open");
    lengthMs = mci->length();
    if (toMs < 0 || toMs > lengthMs) toMs = lengthMs;
    mci->setStretch(stretch);
    mci->setSpeed(speed);
    mci->setFrom(fromMs);
    mci->setTo(toMs);
    mci->sendCommand("play");
    const double expectS = (toMs - fromMs) / 1000.0 / speed;
    while (mci->position() != toMs && secondsSince(started) < expectS * 2 + 10)
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));  // the device's own buffer drains
  }
  const double seconds = secondsSince(started);

  std::ifstream in(raw, std::ios::binary);
  std::vector<float> samples;
  for (float v; in.read(reinterpret_cast<char*>(&v), sizeof v);) samples.push_back(v);
  ::unlink(raw.c_str());
  const int ch = info.channels;
  std::size_t first = 0, last = samples.size() / ch;
  const auto silent = [&](std::size_t frame) {
    for (int c = 0; c < ch; ++c)
      if (samples[frame * ch + c] != 0.0f) return false;
    return true;
  };
  while (first < last && silent(first)) ++first;
  while (last > first && silent(last - 1)) --last;
  const std::size_t written = last - first;
  writeFloatWav(out, samples.data() + first * ch, written, info.sampleRate, ch);

  // The tone's frequency, for a steady tone: rising zero crossings of the first channel over
  // the middle half, interpolated (meaningless for speech).
  std::vector<double> crossings;
  for (std::size_t i = first + written / 4 + 1; i < first + written * 3 / 4; ++i) {
    const float a = samples[(i - 1) * ch], b = samples[i * ch];
    if (a < 0 && b >= 0) crossings.push_back(static_cast<double>(i - 1) + a / (a - b));
  }
  const double pitchHz = crossings.size() < 2
                             ? 0.0
                             : (crossings.size() - 1) * info.sampleRate / (crossings.back() - crossings.front());

  const auto frameOf = [&](int ms) {
    return static_cast<long long>(std::llround(static_cast<double>(ms) * info.sampleRate / 1000.0));
  };
  const long long fileFrames = frameOf(toMs) - frameOf(fromMs);
  std::printf(
      "{\"file\":\"%s\",\"stretch\":\"%s\",\"speed\":%.2f,\"from_ms\":%d,\"to_ms\":%d,\"rate\":%d,\"channels\":%d,"
      "\"file_frames\":%lld,\"frames_written\":%zu,\"frames_expected\":%.0f,\"tone_hz\":%.2f,\"seconds\":%.3f}\n",
      file.c_str(), std::string(stretchEngineName(stretch)).c_str(), speed, fromMs, toMs, info.sampleRate, ch, fileFrames,
      written, fileFrames / speed, pitchHz, seconds);
  return 0;
}

int stretchCost(double speed, const std::string& file, StretchEngine engine) {
  Failure error;
  if (!audio::Decoder::open(file, nullptr, &error)) {
    std::printf("{\"file\":\"%s\",\"error\":\"%s\"}\n", file.c_str(), error.text().c_str());
    return 0;
  }
  const auto timeIt = [&](bool stretch, long long& frames) {
    auto decoder = audio::Decoder::open(file, nullptr, &error);
    const audio::SourceInfo info = decoder->info();
    const std::unique_ptr<audio::Stretch> made = audio::makeStretch(engine, info.sampleRate, info.channels);
    audio::Stretch& stage = *made;
    stage.restart(speed);
    stage.prime(nullptr, 0);
    std::vector<float> in(4096 * 2), out(16384 * 2);
    frames = 0;
    const auto t = Clock::now();
    for (int n; (n = decoder->read(in.data(), 4096)) > 0;) {
      frames += n;
      if (!stretch) continue;
      stage.feed(in.data(), n, false);
      while (stage.take(out.data(), 16384) > 0) {
      }
    }
    if (stretch) {
      stage.feed(in.data(), 0, true);
      while (stage.take(out.data(), 16384) > 0) {
      }
    }
    return std::make_pair(secondsSince(t), info.sampleRate);
  };
  long long frames = 0;
  const auto [decodeS, rate] = timeIt(false, frames);
  const auto [bothS, rate2] = timeIt(true, frames);
  (void)rate2;
  const double fileS = static_cast<double>(frames) / rate;
  std::printf(
      "{\"file\":\"%s\",\"stretch\":\"%s\",\"speed\":%.2f,\"file_seconds\":%.1f,\"decoding_x_realtime\":%.0f,"
      "\"decoding_and_stretch_x_realtime\":%.1f,\"stretch_x_realtime\":%.1f}\n",
      file.c_str(), std::string(stretchEngineName(engine)).c_str(), speed, fileS, fileS / decodeS, fileS / bothS,
      fileS / std::max(1e-9, bothS - decodeS));
  return 0;
}

}  // namespace tessaly::bench
