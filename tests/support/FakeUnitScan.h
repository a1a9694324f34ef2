// SPDX-License-Identifier: GPL-3.0-or-later
// A unit scan for the tests: every unit of a sentence with text (as the check counts them)
// 200 ms long from the sentence's start, all found at once; what it hands over follows the
// contract's rules (tests/align/UnitScanContractTest.cpp). Test thread only.
#pragma once

#include "align/UnitScan.h"
#include "check/Check.h"

namespace tessaly::test {

class FakeUnitScan final : public UnitScan {
 public:
  std::uint32_t start(const std::string&, const std::vector<Sentence>& sentences) override {
    all.clear();
    for (std::size_t s = 0; s < sentences.size(); ++s) {
      const std::vector<Unit> texts = sentences[s].text ? unitsOf(*sentences[s].text) : std::vector<Unit>{};
      for (std::size_t u = 0; u < texts.size(); ++u)
        all.push_back({static_cast<int>(s), static_cast<int>(u), sentences[s].startMs + 200.0 * u,
                       sentences[s].startMs + 200.0 * (u + 1), 1, texts[u].text});
    }
    return ++serial;
  }
  // As the engine's scanner: only the units beyond those the caller holds, and nothing (never
  // finished) for a scan that is not the newest.
  bool take(std::uint32_t asked, std::vector<align::UnitSpan>& units) const override {
    if (asked != serial) return false;
    if (all.size() > units.size())
      units.insert(units.end(), all.begin() + static_cast<std::ptrdiff_t>(units.size()), all.end());
    return true;
  }

  std::vector<align::UnitSpan> all;
  std::uint32_t serial = 0;
};

}  // namespace tessaly::test
