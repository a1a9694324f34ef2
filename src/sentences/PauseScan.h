// SPDX-License-Identifier: GPL-3.0-or-later
// The search for a recording's sentences in its sound, as the logic sees it: it runs in the
// background (never on the user-interface thread) and what it has found so far can be used
// at once. Implemented by the audio engine (sentences/engine/SentenceScanner.h) and by the tests' fakes.
//
// Every method is called on the user-interface thread and returns at once.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "sentences/SentenceMap.h"

namespace tessaly {

class PauseScan {
 public:
  virtual ~PauseScan() = default;
  // Forgets any scan under way and starts one of `location`; its serial number.
  virtual std::uint32_t start(const std::string& location) = 0;
  // Stops any scan under way; found() gives nothing for it any more.
  virtual void cancel() = 0;
  // The sentences found so far by the scan `serial` (none for any scan but the newest), and
  // whether it has finished.
  virtual std::vector<Sentence> found(std::uint32_t serial, bool& finished) const = 0;
};

}  // namespace tessaly
