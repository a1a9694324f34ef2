// SPDX-License-Identifier: GPL-3.0-or-later
// tessaly-probe --pitch FILE: the pitch line of a recording, one JSON line every 10 ms
// ({"ms", "hz" (0 where unvoiced), "confidence"}), then {"file", "frames", "voiced", "pitch_ms"}.
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "Json.h"
#include "Stretching.h"
#include "audio/Decoder.h"
#include "pitch/Pitch.h"

namespace tessaly::bench {

int pitchLine(const std::string& file) {
  Failure error;
  const auto decoder = audio::Decoder::open(file, nullptr, &error);
  if (!decoder) {
    std::printf("{\"file\":%s,\"frames\":0,\"error\":%s}\n", jsonString(file).c_str(), jsonString(error.text()).c_str());
    return 2;
  }
  const int channels = decoder->info().channels;
  std::vector<float> block(4096 * static_cast<std::size_t>(channels)), mono;
  for (int got; (got = decoder->read(block.data(), 4096)) > 0;)
    for (int i = 0; i < got; ++i) {
      float sum = 0;
      for (int c = 0; c < channels; ++c) sum += block[static_cast<std::size_t>(i * channels + c)];
      mono.push_back(sum / static_cast<float>(channels));
    }
  const auto started = std::chrono::steady_clock::now();
  const auto frames = pitch::trackPitch(mono.data(), mono.size(), decoder->info().sampleRate);
  const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started).count();
  std::size_t voiced = 0;
  for (std::size_t k = 0; k < frames.size(); ++k) {
    voiced += frames[k].hz > 0;
    std::printf("{\"ms\":%zu,\"hz\":%.1f,\"confidence\":%.2f}\n", k * pitch::kHopMs, frames[k].hz, frames[k].confidence);
  }
  std::printf("{\"file\":%s,\"frames\":%zu,\"voiced\":%zu,\"pitch_ms\":%.1f}\n", jsonString(file).c_str(), frames.size(),
              voiced, ms);
  return 0;
}

}  // namespace tessaly::bench
