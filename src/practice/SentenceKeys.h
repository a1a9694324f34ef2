// SPDX-License-Identifier: GPL-3.0-or-later
// Sentence by sentence: Alt+P to the previous sentence, Alt+N to the next, Alt+R loops the
// sentence being heard. The sentences come from the recording's .lrc, .srt, .vtt or .ass (see
// sentences/SentenceMap.h), else from the subtitles inside it (sentences/SubtitleScan.h),
// else from its pauses; with no map the keys do nothing and say nothing.
//
// The jumps are the back-end's own (as forward and rewind make them), the loop is the
// repeat command's loop over exactly the sentence; Alt+X then leaves it and listening goes
// on from the sentence's end, the next one's start. The decisions are pure functions below.
//
// Owned by the main window's logic; every method runs on the user-interface thread, the
// reads' and scans' own work on their threads (see sentences/SubtitleScan.h and
// sentences/PauseScan.h).
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "playback/PlayerControls.h"
#include "sentences/PauseScan.h"
#include "sentences/SentenceMap.h"
#include "sentences/SubtitleScan.h"
#include "text/FileReader.h"
#include "ui/Timer.h"

namespace tessaly {

// "Previous" within this long of a sentence's start goes to the sentence before it.
inline constexpr double kPreviousGraceMs = 1500;

// Where Alt+P and Alt+N go from `positionMs`, if anywhere.
std::optional<double> previousSentenceStart(const std::vector<Sentence>& sentences, double positionMs);
std::optional<double> nextSentenceStart(const std::vector<Sentence>& sentences, double positionMs);
// The sentence Alt+R loops from `positionMs`, if any.
std::optional<Sentence> sentenceToRepeat(const std::vector<Sentence>& sentences, double positionMs);

class SentenceKeys {
 public:
  ~SentenceKeys();
  // Finds the sentences of recordings without a map of their own through `scan`, taking what
  // it has found every `poll` tick while it runs.
  void useScan(PauseScan& scan, ui::Timer& poll);
  // Reads the subtitles inside recordings without a companion file through `subtitles`
  // before any scan of their pauses, asking every `poll` tick whether it is done (the same
  // timer as the scan's, when both are used).
  void useSubtitles(SubtitleScan& subtitles, ui::Timer& poll);
  // The subtitle stream the learner chose for a recording (-1: none, the usual choice).
  void usePreference(std::function<int(const std::string& recording)> preferred) { preferred_ = std::move(preferred); }
  // The map of the recording now mapped read again from its subtitles (with the preference
  // as it is now), when it came from them; its map stays until the new one is read.
  void rereadSubtitles(std::int32_t lengthMs);
  // Reads the .lrc and .srt through `reader` (by default on the calling thread, at once).
  void useReader(FileReader& reader) { reader_ = &reader; }
  // The recording `path` (of `lengthMs`, 0 if unknown) starts: its map from its companion
  // files (once they have been read: until then it has none), else from its subtitles (once
  // read), else a scan of its pauses; the same recording starting again keeps its read or scan.
  // `alignedMap`, when given, is an .lrc the learner had made from a transcript and kept
  // elsewhere (the files beside the recording are never written over): it comes first, while
  // it reads as a map.
  void mapRecording(const std::string& path, std::int32_t lengthMs, const std::string& alignedMap = {});
  // The map of the recording now playing (none: the keys do nothing).
  void setMap(SentenceMap map) { map_ = std::move(map); }
  const SentenceMap& map() const { return map_; }
  // The subtitle streams inside the recording mapped, once read (none before, or without any).
  const std::vector<SubtitleStream>& subtitleStreams() const { return streams_; }

  // Each acts on `backEnd` from the position the device reports now.
  void previous(PlayerBackEnd& backEnd, double positionMs) const;
  void next(PlayerBackEnd& backEnd, double positionMs) const;
  void repeat(PlayerBackEnd& backEnd, double positionMs) const;

 private:
  // The companion files of `path` have been read: its map, or the read of its subtitles, or
  // its scan.
  void mapRead(const std::string& path, std::int32_t lengthMs, SentenceMap map);
  // Cancels the subtitle read and the scan under way.
  void stopBackground();
  // The scan of the mapped recording's pauses, when there is a scanner; `map` says why
  // nothing better was found.
  void startScan(SentenceMap map);
  void polled();

  SentenceMap map_;
  InlineFileReader inlineReader_;
  FileReader* reader_ = &inlineReader_;
  std::uint32_t readSerial_ = 0;  // the newest read; an older one's answer is dropped
  PauseScan* scan_ = nullptr;
  ui::Timer* poll_ = nullptr;
  std::uint32_t scanSerial_ = 0;
  SubtitleScan* subtitles_ = nullptr;
  std::uint32_t subtitleSerial_ = 0;
  bool readingSubtitles_ = false;  // the mapped recording's subtitles are being read
  std::vector<SubtitleStream> streams_;
  std::function<int(const std::string&)> preferred_;
  std::string mappedPath_;  // the recording the map is of
};

}  // namespace tessaly
