// SPDX-License-Identifier: GPL-3.0-or-later
// The reading of the subtitle streams inside a recording (a video's SubRip, ASS/SSA,
// mov_text or WebVTT) as the logic sees it: it runs in the background, never on the
// user-interface thread, and hands over its map once, when it is done. Implemented by
// sentences/engine/SubtitleScanner.h and by the tests' fakes.
//
// Every method is called on the user-interface thread and returns at once.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "sentences/SentenceMap.h"
#include "sentences/Subtitles.h"

namespace tessaly {

struct SubtitleFinding {
  // SentenceSource::Embedded with the chosen stream's sentences; else SentenceSource::None,
  // with a note of why when the file has subtitles that cannot be used.
  SentenceMap map;
  std::vector<SubtitleStream> streams;  // every subtitle stream of the file, in its order
};

class SubtitleScan {
 public:
  virtual ~SubtitleScan() = default;
  // Forgets any read under way and starts one of `location` (of `lengthMs`, 0 if unknown),
  // taking stream `preferredStream` when it has words (-1: the usual choice, see
  // chooseSubtitleStream); its serial number.
  virtual std::uint32_t start(const std::string& location, std::int32_t lengthMs, int preferredStream) = 0;
  // Stops any read under way; take() gives nothing for it any more.
  virtual void cancel() = 0;
  // What read `serial` found, once it has finished, handed over once; nothing while it runs
  // and for any read but the newest.
  virtual std::optional<SubtitleFinding> take(std::uint32_t serial) = 0;
};

}  // namespace tessaly
