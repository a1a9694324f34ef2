// SPDX-License-Identifier: GPL-3.0-or-later
// Frames inside, milliseconds at the edge: the engine counts sample frames, the device
// interfaces speak whole milliseconds as 32-bit integers. A whole millisecond maps to the
// first frame at or after it, and a frame to the millisecond it falls in, so that
// framesToMs(msToFrames(ms)) == ms for every rate of 1000 Hz and up.
#pragma once

#include <algorithm>
#include <cstdint>
#include <limits>

namespace tessaly::audio {

inline std::int64_t msToFrames(std::int64_t ms, int rate) {
  if (rate <= 0 || ms <= 0) return 0;
  return (ms * rate + 999) / 1000;
}

inline std::int32_t framesToMs(std::int64_t frames, int rate) {
  if (rate <= 0 || frames <= 0) return 0;
  const std::int64_t ms = frames * 1000 / rate;
  return static_cast<std::int32_t>(std::min<std::int64_t>(ms, std::numeric_limits<std::int32_t>::max()));
}

}  // namespace tessaly::audio
