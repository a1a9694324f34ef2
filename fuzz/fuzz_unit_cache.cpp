// SPDX-License-Identifier: GPL-3.0-or-later
// The unit cache's reader on any bytes after its key: it must never crash, and what it reads
// must be what an aligner makes (sentences in order, each's units numbered from 0, times from
// 0 that do not run backwards, confidences 0 to 1, all of a sentence's units or none) and
// read back as the same units once written again.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "align/UnitCache.h"

namespace {

const std::string kKey = "tessaly-units 3 1234 00000000000000aa 00000000000000bb";
const std::vector<int> kUnitsPerSentence = {3, 0, 2, 1};

void check(const std::vector<tessaly::align::UnitSpan>& units, bool whole) {
  for (std::size_t i = 0; i < units.size(); ++i) {
    const auto& u = units[i];
    if (u.sentence < 0 || u.unit < 0 || u.text.empty()) std::abort();
    if (!std::isfinite(u.startMs) || u.startMs < 0 || !(u.endMs >= u.startMs)) std::abort();
    if (!(u.confidence >= 0 && u.confidence <= 1)) std::abort();
    if (i == 0                                ? u.unit != 0
        : u.sentence == units[i - 1].sentence ? u.unit != units[i - 1].unit + 1
                                              : u.sentence < units[i - 1].sentence || u.unit != 0)
      std::abort();
    if (whole && (static_cast<std::size_t>(u.sentence) >= kUnitsPerSentence.size() ||
                  u.unit >= kUnitsPerSentence[static_cast<std::size_t>(u.sentence)]))
      std::abort();
  }
  const auto again = tessaly::align::parseUnitCache(tessaly::align::unitCacheText(kKey, units), kKey);
  if (!again || again->size() != units.size()) std::abort();
  for (std::size_t i = 0; i < units.size(); ++i) {
    const auto& a = units[i];
    const auto& b = (*again)[i];
    if (a.sentence != b.sentence || a.unit != b.unit || a.text != b.text) std::abort();
    if (std::abs(a.startMs - b.startMs) > 1e-6 * std::max(1.0, std::abs(a.startMs))) std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text = kKey + "\n" + std::string(reinterpret_cast<const char*>(data), size);
  if (const auto units = tessaly::align::parseUnitCache(text, kKey)) check(*units, false);
  if (const auto units = tessaly::align::parseUnitCache(text, kKey, kUnitsPerSentence)) check(*units, true);
  return 0;
}
