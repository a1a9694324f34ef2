// SPDX-License-Identifier: GPL-3.0-or-later
// The search for a recording's waveform, as the logic sees it: it decodes in the background
// (never on the user-interface thread) and hands over what it has so far, so the waveform
// grows from the left while it runs. Implemented by the audio engine (waveform/engine/PeakScanner.h)
// and by the tests' fakes.
//
// Every method is called on the user-interface thread and returns at once.
#pragma once

#include <cstdint>
#include <string>

#include "waveform/Peaks.h"

namespace tessaly {

class PeakScan {
 public:
  virtual ~PeakScan() = default;
  // Forgets any scan under way and starts one of `location`; its serial number.
  virtual std::uint32_t start(const std::string& location) = 0;
  // Appends to `table` the buckets the scan `serial` has found beyond those it holds (and
  // sets its bucket length); nothing for any scan but the newest. True once it has finished.
  virtual bool take(std::uint32_t serial, PeakTable& table) const = 0;
};

}  // namespace tessaly
