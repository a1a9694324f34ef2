// SPDX-License-Identifier: GPL-3.0-or-later
// The length scan: a source read once from start to end, without decoding where the codec
// allows, for its seek points and its exact length. Runs on a thread of its own (the
// engine's player starts it beside the worker); no state of its own.
#pragma once

#include <string>

#include "audio/SeekIndex.h"

namespace tessaly::audio {

// Reads `url` (a SourceInfo::url) once from start to end without decoding where the codec
// allows, and fills `index` with seek points and finally the exact length. Runs on its own
// thread; returns soon after `cancel` is set (the index is then failed).
void scanSource(const std::string& url, SeekIndex& index, const CancelFlag& cancel);

}  // namespace tessaly::audio
