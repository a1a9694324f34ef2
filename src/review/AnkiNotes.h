// SPDX-License-Identifier: GPL-3.0-or-later
// The missed sentences as flash cards for Anki: a text file its "Import File" takes as it is
// (a header saying the separator and the columns, then one tab-separated line a sentence:
// its sound as [sound:NAME.mp3], the sentence, what was written, the slips), and the name of
// each sentence's own small MP3 beside it. AnkiExport is how the windows have it made in the
// background (the engine's implementation: review/engine/AnkiExporter.h). Pure, but for AnkiExport's
// implementations.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "drill/DrillExport.h"

namespace tessaly {

struct MissedSentence;

struct AnkiNote {
  std::string recording;
  std::string recordingHash;  // the recording's identity, for stable sound names
  std::int32_t startMs = 0, endMs = 0;
  std::string reference;
  std::string written;  // the last attempt that missed
  std::string slips;    // "声调：好 hǎo → 号 hào；漏写：it"
};

// The card of a sentence the record gave as missed: its slips in a line.
AnkiNote ankiNoteOf(const MissedSentence& missed);

// "tessaly-0123456789abcdef-4560-7750.mp3": the same sentence, the same name.
std::string ankiSoundName(const AnkiNote& note);
// The whole file, with `notes` in order.
std::string ankiFile(const std::vector<AnkiNote>& notes);

class AnkiExport {
 public:
  virtual ~AnkiExport() = default;
  // Writes `notes` to `textPath` and each sentence's MP3 beside it; an export under way is
  // cancelled. Read how it stands with state() (the DrillExportState of a drill's export).
  virtual std::uint32_t start(std::vector<AnkiNote> notes, const std::string& textPath) = 0;
  virtual bool state(std::uint32_t serial, DrillExportState& state) const = 0;
  virtual void cancel() = 0;
};

}  // namespace tessaly
