// SPDX-License-Identifier: GPL-3.0-or-later
// Aligning a published transcript to the recording in the background, as the practice window
// sees it: started with the recording and a transcript (a text file, or text the learner
// pasted), asked now and then how far it is, until it is finished: the map kept (NAME.lrc
// beside the recording when it has no map there yet, else in the cache folder), or why not.
// The engine's implementation aligns on its background worker
// (align/engine/TranscriptAlignJob.h); the window never waits on it.
//
// Threads: every method on the user-interface thread.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tessaly {

struct TranscriptAlignState {
  double share = 0;  // done, 0 to 1
  bool finished = false;
  std::string error;  // once finished: "" when a map was kept, else why not (in Chinese)
  // Once kept: where, whether beside the recording (else in the cache), how many sentences
  // the transcript has and how many were found; the texts of those left out.
  std::string keptPath;
  bool besideRecording = false;
  int sentences = 0;
  int found = 0;
  std::vector<std::string> leftOut;
};

class TranscriptAlign {
 public:
  virtual ~TranscriptAlign() = default;
  // Starts aligning the text file `transcriptPath` to `recording`; one under way is cancelled.
  virtual std::uint32_t startFile(const std::string& recording, const std::string& transcriptPath) = 0;
  // The same for a pasted text (UTF-8).
  virtual std::uint32_t startText(const std::string& recording, const std::string& text) = 0;
  // How alignment `serial` stands; false once it is no longer the newest.
  virtual bool state(std::uint32_t serial, TranscriptAlignState& state) const = 0;
  // Stops the alignment under way; it keeps nothing.
  virtual void cancel() = 0;
};

// What the learner is told of a finished alignment of `recordingName` (in Chinese): where the
// map was kept and how many sentences it has, the sentences left out (at most
// kLeftOutShown, then how many more), or why nothing was kept.
inline constexpr int kLeftOutShown = 8;
std::string alignmentReport(const TranscriptAlignState& state, const std::string& recordingName);

}  // namespace tessaly
