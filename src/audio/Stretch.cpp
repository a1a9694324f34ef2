// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/Stretch.h"

#include "audio/PeriodStretch.h"
#include "audio/RubberBandStretch.h"
#include "audio/SpeechStretch.h"

namespace tessaly::audio {

std::unique_ptr<Stretch> makeStretch(StretchEngine engine, int sampleRate, int channels) {
  if (engine == StretchEngine::RubberBand) return std::make_unique<RubberBandStretch>(sampleRate, channels);
  if (engine == StretchEngine::Period) return std::make_unique<PeriodStretch>(sampleRate, channels);
  return std::make_unique<SpeechStretch>(sampleRate, channels);
}

}  // namespace tessaly::audio
