// SPDX-License-Identifier: GPL-3.0-or-later
// UnitScan on the engine's aligner (align/engine/UnitAligner.h) and its cache, on a background
// worker of its own: the practice window starts it for the recording's sentences and takes
// the units as they come.
//
// Threads: start() and take() on the user-interface thread; the aligning on the worker's.
#pragma once

#include <string>

#include "align/UnitScan.h"
#include "worker/BackgroundWorker.h"

namespace tessaly::align {

class UnitScanner final : public UnitScan {
 public:
  // `cacheFolder`: where the units are kept ("" keeps none).
  explicit UnitScanner(std::string cacheFolder) : cacheFolder_(std::move(cacheFolder)) {}
  std::uint32_t start(const std::string& recording, const std::vector<Sentence>& sentences) override;
  bool take(std::uint32_t serial, std::vector<align::UnitSpan>& units) const override;

 private:
  const std::string cacheFolder_;
  BackgroundWorker<std::vector<align::UnitSpan>> worker_;  // last: its jobs read the member above
};

}  // namespace tessaly::align
