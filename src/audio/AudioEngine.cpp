// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/AudioEngine.h"

#include "audio/Output.h"

namespace tessaly::audio {

AudioEngine::AudioEngine() : output_(std::make_unique<Output>()) {}
AudioEngine::~AudioEngine() = default;

std::string AudioEngine::outputDriver() const { return output_->driverName(); }

}  // namespace tessaly::audio
