// Sentence by sentence: Alt+P to the previous sentence, Alt+N to the next, Alt+R loops the
// sentence being heard. The sentences come from the recording's .lrc or .srt (see
// sentences/SentenceMap.h); with no map the keys do nothing and say nothing.
//
// The jumps are the back-end's own (as forward and rewind make them), the loop is the
// repeat command's loop over exactly the sentence; Alt+X then leaves it and listening goes
// on from the sentence's end, the next one's start. The decisions are pure functions below.
//
// Owned by the main window's logic; every method runs on the user-interface thread.
#pragma once

#include <optional>
#include <string>

#include "playback/PlayerControls.h"
#include "sentences/SentenceMap.h"

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
  // The map of the recording now playing (none: the keys do nothing).
  void setMap(SentenceMap map) { map_ = std::move(map); }
  const SentenceMap& map() const { return map_; }

  // Each acts on `backEnd` from the position the device reports now.
  void previous(PlayerBackEnd& backEnd, double positionMs) const;
  void next(PlayerBackEnd& backEnd, double positionMs) const;
  void repeat(PlayerBackEnd& backEnd, double positionMs) const;

 private:
  SentenceMap map_;
};

}  // namespace tessaly
