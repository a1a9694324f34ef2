// SPDX-License-Identifier: GPL-3.0-or-later
#include "shadow/TakeEnd.h"

namespace tessaly {

namespace {

constexpr int kVoiceMs = 100;  // this much sound over the silence line is the voice

std::size_t framesOf(int rate, int ms) {
  return ms <= 0 ? 0 : static_cast<std::size_t>(rate) * static_cast<std::size_t>(ms) / 1000;
}

}  // namespace

TakeEnd::TakeEnd(const TakeEndOptions& options, int rate)
    : block_(static_cast<std::size_t>(rate > 100 ? rate / 100 : 1)),
      voiceFrames_(framesOf(rate, kVoiceMs)),
      quietToStop_(framesOf(rate, options.silenceStopMs)),
      longest_(framesOf(rate, options.longestMs)),
      silenceDb_(options.silenceDb) {}

bool TakeEnd::operator()(double levelDb) {
  measured_ += block_;
  if (levelDb >= silenceDb_) {
    voice_ += block_;
    quiet_ = 0;
    heard_ = heard_ || voice_ >= voiceFrames_;
  } else {
    quiet_ += block_;
    voice_ = 0;
  }
  return (heard_ && quiet_ >= quietToStop_) || measured_ >= longest_;
}

std::optional<std::size_t> takeEndOf(const std::vector<double>& levels, const TakeEndOptions& options, int rate) {
  TakeEnd end(options, rate);
  for (const double db : levels)
    if (end(db)) return end.frames();
  return std::nullopt;
}

}  // namespace tessaly
