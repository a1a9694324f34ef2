// SPDX-License-Identifier: GPL-3.0-or-later
// The search for where each unit of a recording's sentences is spoken, as the logic sees it:
// it runs in the background (never on the user-interface thread) and hands over the units
// found so far, sentence by sentence. Implemented by the audio engine (align/engine/UnitScanner.h)
// and by the tests' fakes.
//
// Every method is called on the user-interface thread and returns at once.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "align/Align.h"
#include "sentences/SentenceMap.h"

namespace tessaly {

class UnitScan {
 public:
  virtual ~UnitScan() = default;
  // Forgets any scan under way and starts one of `sentences` of `recording`; its serial.
  virtual std::uint32_t start(const std::string& recording, const std::vector<Sentence>& sentences) = 0;
  // Appends to `units` those scan `serial` has found beyond the ones it holds (nothing for
  // any scan but the newest); true once it has finished.
  virtual bool take(std::uint32_t serial, std::vector<align::UnitSpan>& units) const = 0;
};

}  // namespace tessaly
