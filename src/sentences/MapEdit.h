// SPDX-License-Identifier: GPL-3.0-or-later
// A recording's sentence map corrected by hand: a sentence's start moved, a sentence split in
// two at a time or joined with the next, its text changed, each step undone and done again.
//
// The map always stays one the player can use: sentences in order, each starting at or after
// 0 and ending after it starts, no later than the next one's start nor the recording's end. No
// step leaves a sentence shorter than kShortestSentenceMs (a sentence the map came with that is
// already shorter is never made shorter still). A step that cannot be done changes nothing and
// says why in the learner's words; no index or time, however wrong, throws or crashes.
//
// Owned by the practice window's logic; one thread at a time (the user-interface thread).
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "align/Align.h"
#include "sentences/SentenceMap.h"

namespace tessaly {

inline constexpr std::int32_t kShortestSentenceMs = 200;
// Steps the history keeps to undo, and sentences it holds in all (a long map keeps fewer steps).
inline constexpr std::size_t kEditHistorySteps = 100;
inline constexpr std::size_t kEditHistorySentences = 400000;

struct MapEditResult {
  bool ok = false;
  std::string words;    // why not, in Chinese, when !ok
  std::int32_t ms = 0;  // moveStart: the start the sentence now has; split: where it was split
};

// The text of `sentence` split at `atMs`, between two of its units (as the check counts them,
// check/Check.h): before the first unit `spans` has starting at or after `atMs`, when it holds
// units of this sentence (number `sentenceIndex` of the map); else at the unit boundary nearest
// the time's share of the sentence, a unit at least on either side when it has two. Whatever
// lies between two units (punctuation, spaces) stays with the one before. Each part trimmed,
// none for an empty one; a sentence without text gives two without.
struct SplitText {
  std::optional<std::string> before, after;
  friend bool operator==(const SplitText&, const SplitText&) = default;
};
SplitText splitTextAt(const Sentence& sentence, std::int32_t atMs, const std::vector<align::UnitSpan>& spans = {},
                      int sentenceIndex = -1);

// The texts of two sentences made one: nothing between them when either side of the join is
// not Latin (Han text, full-width punctuation), one space between Latin words.
std::optional<std::string> joinedText(const std::optional<std::string>& first, const std::optional<std::string>& second);

class MapEdit {
 public:
  // `lengthMs`: the recording's length (0 when unknown: the last sentence may then end
  // anywhere). The map is taken as the readers give it; a bad one is put in order (sorted, one
  // sentence per start, none past the end).
  MapEdit(std::vector<Sentence> sentences, std::int32_t lengthMs);

  const std::vector<Sentence>& sentences() const { return history_[at_]; }
  std::int32_t lengthMs() const { return lengthMs_; }

  // Sentence `i`'s start moved to `ms` (the end of the one before with it where the two touch),
  // kept between the neighbours so each keeps kShortestSentenceMs; `ms` says where it went.
  MapEditResult moveStart(int i, double ms);
  // Sentence `i` made two at `atMs`, refused within kShortestSentenceMs of its start or end.
  // `spans`: where the recording speaks the units of the map's sentences, when known.
  MapEditResult split(int i, double atMs, const std::vector<align::UnitSpan>& spans = {});
  // Sentence `i` and the one after it made one.
  MapEditResult join(int i);
  // Sentence `i`'s text: trimmed, its line breaks spaces; an empty text is no text.
  MapEditResult editText(int i, std::string_view text);

  MapEditResult undo();
  MapEditResult redo();
  bool canUndo() const { return at_ > 0; }
  bool canRedo() const { return at_ + 1 < history_.size(); }
  // The map is not the one last saved (markSaved), or, before any save, the one it came with.
  bool dirty() const { return sentences() != saved_; }
  void markSaved() { saved_ = sentences(); }

 private:
  // `next` becomes the map, the steps undone before it forgotten.
  void push(std::vector<Sentence> next);
  bool valid(int i) const { return i >= 0 && static_cast<std::size_t>(i) < sentences().size(); }

  std::int32_t lengthMs_ = 0;
  std::int32_t endMs_ = 0;  // where the last sentence may end at the latest
  std::deque<std::vector<Sentence>> history_;
  std::size_t at_ = 0;    // the state shown, in history_
  std::size_t held_ = 0;  // sentences in all of history_
  std::vector<Sentence> saved_;
};

}  // namespace tessaly
