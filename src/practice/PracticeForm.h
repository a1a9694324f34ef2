// SPDX-License-Identifier: GPL-3.0-or-later
// PracticeForm: the practice window's logic. Each frame it takes the player's picture, the
// sentence map and the waveform found so far; it keeps which stretch the waveform shows,
// which sentence is being heard, which reference texts are revealed, the reference the
// learner chose for this recording, and the last check. A click on the waveform is a jump,
// a double click on a sentence its loop.
//
// The reference is the map's texts (the .lrc or .srt beside the recording), or a text file
// the learner chose for this recording, kept in settings.ini under a key made from the
// recording's path. The chosen file is read by the check, in the background.
//
// User-interface thread only; the waveform and the check are made on their own threads
// (waveform/PeakScan.h, practice/CheckRunner.h).
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "align/UnitScan.h"
#include "practice/CheckRunner.h"
#include "practice/PracticePlayer.h"
#include "record/RecordLog.h"
#include "settings/UserSettings.h"
#include "waveform/PeakScan.h"
#include "waveform/WaveView.h"

namespace tessaly {

class PracticeForm {
 public:
  // `peaks` and `settings` may be null (no waveform; nothing remembered).
  PracticeForm(PracticePlayer& player, PeakScan* peaks, UserSettings* settings, std::string readingsPath);

  struct Changes {
    bool recording = false;  // another recording (or the first)
    bool sentences = false;  // the map changed: the list is made again
    bool peaks = false;      // more of the waveform
    bool view = false;       // the waveform paged on with the playing position
    bool current = false;    // another sentence is being heard
    bool check = false;      // a check has finished (see check())
    bool units = false;      // more units are known (see units(), slipSounds())
  };
  // Once a frame while the window is shown.
  Changes tick();

  const PlayerPicture& picture() const { return picture_; }
  const PeakTable& peaks() const { return peaks_; }
  bool peaksFinished() const { return peaksFinished_; }
  WaveView& view() { return view_; }
  const WaveView& view() const { return view_; }

  // The sentence list: the map's sentences, or while the learner corrects the map by hand
  // (before it is saved) the corrected one, shown by the list and the waveform alone; nullopt
  // goes back to the player's map. Taken at the next tick.
  const std::vector<Sentence>& sentences() const { return sentences_; }
  void showEdits(std::optional<std::vector<Sentence>> edited) { edited_ = std::move(edited); }
  bool showingEdits() const { return edited_.has_value(); }
  int currentSentence() const { return current_; }
  std::string rowStart(int row) const;  // "01:23.4"
  // The row's number, with its accuracy in the last check when that covered it ("3　87.5%").
  std::string rowNumber(int row) const;
  // The sentence's text when revealed, "（已隐藏）" while hidden, "" when it has none.
  std::string rowText(int row) const;
  bool rowHasText(int row) const;
  bool revealed(int row) const;
  void reveal(int row);
  void revealAll();
  void hideAll();
  bool anyText() const;

  // A click at `x` of the waveform's width: a jump there.
  void clickAt(double x);
  // The sentence whose start line on the waveform lies within `withinPx` of `x` (the nearest
  // one), where a drag moves it; -1 for none.
  int startNear(double x, double withinPx) const;
  // A double click on row `row`: its loop.
  void repeatRow(int row);
  // A click on a sentence of the check's list: its loop.
  void repeatReferenceSentence(int sentence);

  // The reference for this recording: a chosen file's path, or "" for the map's texts.
  std::string chosenReference() const;
  void chooseReference(const std::string& path);  // "" forgets the choice
  // The subtitle streams of the recording the learner may take its sentences from: offered
  // when they are its map and it has more than one with words ("中文（chi，ass）"), the one
  // in use marked. A choice is kept for the recording and its map read again.
  struct SubtitleChoice {
    int stream = -1;
    std::string label;
    bool chosen = false;
    friend bool operator==(const SubtitleChoice&, const SubtitleChoice&) = default;
  };
  std::vector<SubtitleChoice> subtitleChoices() const;
  void chooseSubtitles(int stream) { player_.chooseSubtitleStream(stream); }
  // What the window says of the reference ("参考文本：lesson.lrc 的文字（12 句）").
  std::string referenceLabel() const;

  // Where the units of the sentences are found (null: nowhere, no slip is heard alone).
  void useUnitScan(UnitScan* scan) { unitScan_ = scan; }
  const std::vector<align::UnitSpan>& units() const { return units_; }

  // The last check's slips that can be heard alone: each with what the report says of it, its
  // sentence in the map and its stretch of the recording (a missing unit's with its
  // neighbours), once the units of its sentence are known.
  struct SlipSound {
    int slip = 0;       // among the check's slips (its edits that are not matches), from 0
    std::string label;  // "第 2 句　写错：好→号"
    int sentence = -1;
    double startMs = 0, endMs = 0;
  };
  std::vector<SlipSound> slipSounds() const;
  // Slip `index` of slipSounds() heard alone.
  void loopSlip(int index);
  // The check's slip `slip` (as SlipSound::slip counts) heard alone; false when it cannot be.
  bool loopCheckSlip(int slip);

  // Zoomed in to kUnitsShownMs or less, the units of the sentence being heard, each with its
  // text once that sentence is revealed ("" while hidden): the waveform draws them.
  static constexpr double kUnitsShownMs = 15000;
  struct ShownUnit {
    double startMs = 0, endMs = 0;
    std::string text;
  };
  std::vector<ShownUnit> shownUnits() const;
  // A click at `x` on the units' strip: that unit heard alone; false when no unit is there.
  bool clickUnitAt(double x);

  // Where each finished check is kept (null: nowhere), and the wall clock it is dated by
  // (seconds since 1970).
  void keepChecksIn(PracticeLog* log, std::function<std::int64_t()> now);

  // Starts a check of the dictation; false (nothing started) when there is no reference.
  bool startCheck();
  bool checking() const { return checkSerial_ != 0; }
  const std::optional<PracticeCheck>& check() const { return check_; }

  // The settings key of the chosen reference of `recording`.
  static std::string referenceKey(const std::string& recording);

 private:
  void startUnitScan();

  PracticePlayer& player_;
  std::optional<std::vector<Sentence>> edited_;
  PeakScan* peakScan_;
  UserSettings* settings_;
  CheckRunner checks_;

  PlayerPicture picture_;
  std::vector<Sentence> sentences_;
  std::vector<bool> revealed_;
  int current_ = -1;
  PeakTable peaks_;
  bool peaksFinished_ = false;
  std::uint32_t peakSerial_ = 0;
  WaveView view_;
  std::uint32_t checkSerial_ = 0;
  std::string checkedText_, checkedRecording_;  // what the check under way checks
  std::optional<PracticeCheck> check_;
  PracticeLog* log_ = nullptr;
  UnitScan* unitScan_ = nullptr;
  std::uint32_t unitSerial_ = 0;
  bool unitsFinished_ = true;
  std::vector<align::UnitSpan> units_;
  std::function<std::int64_t()> now_;
};

}  // namespace tessaly
