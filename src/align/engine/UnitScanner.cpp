// SPDX-License-Identifier: GPL-3.0-or-later
#include "align/engine/UnitScanner.h"

#include "align/engine/UnitAligner.h"

namespace tessaly::align {

std::uint32_t UnitScanner::start(const std::string& recording, const std::vector<Sentence>& sentences) {
  return worker_.start([this, recording, sentences](const std::atomic<bool>& cancel, const auto& publish) {
    cachedUnits(recording, sentences, cacheFolder_, &cancel, [&](const std::vector<UnitSpan>& found, double) {
      publish([&](std::vector<UnitSpan>& all) { all.insert(all.end(), found.begin(), found.end()); }, false);
    });
    publish([](std::vector<UnitSpan>&) {}, true);
  });
}

bool UnitScanner::take(std::uint32_t serial, std::vector<align::UnitSpan>& units) const {
  bool finished = false;
  worker_.read(serial, [&](const std::vector<UnitSpan>& all, bool done) {
    // Only the units beyond those `units` holds are copied.
    if (all.size() > units.size())
      units.insert(units.end(), all.begin() + static_cast<std::ptrdiff_t>(units.size()), all.end());
    finished = done;
  });
  return finished;
}

}  // namespace tessaly::align
