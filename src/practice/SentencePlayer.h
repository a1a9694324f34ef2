// SPDX-License-Identifier: GPL-3.0-or-later
// SentencePlayer: the player sentence by sentence, as the practice and review windows and
// the sentence keys use it. It owns the recording's sentence map (its companion files, its
// subtitles, its pauses, an aligned map kept elsewhere, the subtitle stream chosen), the
// repeat scheme chosen, and starts the loop pacer's runs: a scheme's run from a sentence, a
// unit heard alone. What it needs of the main window is the small Listening face below.
//
// User-interface thread only, like the main window's logic that owns it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "drill/DrillPlan.h"
#include "practice/LoopOptions.h"
#include "practice/LoopPacer.h"
#include "practice/PracticePlayer.h"
#include "practice/ReviewSession.h"
#include "practice/SchemeChoice.h"
#include "practice/SentenceKeys.h"
#include "settings/UserSettings.h"

namespace tessaly {

// The main window's player as SentencePlayer sees it.
class Listening {
 public:
  virtual ~Listening() = default;
  // A file plays, normally or in its loop: the jumps work then and only then.
  virtual bool playing() const = 0;
  // The position and the length the device in use reports.
  virtual double position() const = 0;
  virtual double length() const = 0;
  // The back-end in use, and whether it is the streaming one.
  virtual PlayerBackEnd& backEnd() = 0;
  virtual bool streaming() const = 0;
  // The recording chosen ("" before one is) and the player's segment and repeat state.
  virtual const std::string& recording() const = 0;
  virtual const PlayerVariables& variables() const = 0;
  // The playing speed in tenths (10: 1.0×).
  virtual int speedTenths() const = 0;
  // The text of the dictation box.
  virtual std::string dictationText() const = 0;
  // Playback paused as Alt+Z pauses it.
  virtual void pause() = 0;
  // Opens `recording` as a recording named on the command line is opened.
  virtual void open(const std::string& recording) = 0;
};

// A unit of sentence `sentence` heard alone: [startMs, endMs] padded by kUnitPadMs each side
// (within the recording), at the slower of the learner's speed and kSlowestUnitPercent, for
// the loop options' passes (kUnlimitedUnitPasses when they are unlimited) with their pause
// between them.
inline constexpr double kUnitPadMs = 70;
inline constexpr int kSlowestUnitPercent = 70;
inline constexpr int kUnlimitedUnitPasses = 3;
std::vector<DrillStep> unitPlan(double startMs, double endMs, int sentence, double lengthMs, int speedTenths,
                                const LoopOptions& options);

class SentencePlayer final : public PracticePlayer, public ReviewPlayer {
 public:
  SentencePlayer(Listening& listening, LoopPacer& pacer) : listening_(listening), pacer_(pacer) {}

  // Where the scheme chosen, the aligned maps and the subtitle streams chosen are kept (null:
  // nowhere).
  void useSettings(UserSettings* settings);
  // Reads the recordings' .lrc and .srt through `reader`.
  void useReader(FileReader& reader) { sentences_.useReader(reader); }
  // Finds the sentences of recordings without an .lrc or .srt through `scan`, taking what it
  // has found every `poll` tick (the window's own timer) while it runs.
  void usePauseScan(PauseScan& scan, ui::Timer& poll) { sentences_.useScan(scan, poll); }
  // Reads the subtitles inside recordings without a companion file through `subtitles`
  // before their pauses are scanned (`poll`: the scan's timer, when both are used).
  void useSubtitleScan(SubtitleScan& subtitles, ui::Timer& poll) { sentences_.useSubtitles(subtitles, poll); }

  // The sentence map of the recording chosen, read again (its aligned map first, if it has one).
  void mapSentences();
  // A transcript of `recording` has been aligned into a map at `keptPath`: beside it (its
  // .lrc), or elsewhere when a map of the learner's is there; the one elsewhere is
  // remembered (settings.ini) and comes before the files beside it from now on. The map of
  // the recording playing is read again at once.
  void useAlignedMap(const std::string& recording, const std::string& keptPath, bool besideRecording);
  // The settings key of the aligned map of `recording` kept elsewhere.
  static std::string alignedMapKey(const std::string& recording);
  // The subtitle stream chosen for `recording`, -1 for none.
  int chosenSubtitleStream(const std::string& recording) const;
  static std::string subtitleStreamKey(const std::string& recording);

  // The sentence keys, only while a file plays: Alt+P and Alt+N move a scheme's run, else go
  // to the previous and the next sentence; Alt+R runs the chosen repeat scheme from the
  // sentence being heard, or loops that sentence for the plain loop.
  void previousSentence();
  void nextSentence();
  void repeatHere();
  // The practice window's "从第一句开始": the chosen scheme from the first sentence.
  void startSchemeFromFirstSentence();
  // The repeat scheme Alt+R runs ("" the plain loop), and choosing it (kept in the settings).
  const std::string& chosenScheme() const { return schemes_.name(); }
  void chooseScheme(std::string name) { schemes_.choose(std::move(name)); }
  SchemeChoice& schemes() { return schemes_; }
  // Where a scheme's run is ("第 2 句　第 1 遍（共 3 遍）　1.0×"); "" outside one.
  std::string runCaption() const;
  // The chosen scheme over all the recording's sentences, for a drill exported as a file;
  // empty for the plain loop or a recording without sentences.
  std::vector<DrillStep> exportPlan() const;

  // PracticePlayer
  const SentenceMap& sentenceMap() const override { return sentences_.map(); }
  PlayerPicture picture() const override;
  std::string dictationText() const override { return listening_.dictationText(); }
  void jumpTo(double ms) override;
  void repeatSentence(const Sentence& sentence) override;
  // Listening goes on from where it was after the unit's passes (unitPlan).
  void loopUnit(double startMs, double endMs, int sentence) override;
  void pausePlaying() override;
  LoopOptions loopOptions() const override { return pacer_.options(); }
  std::vector<SubtitleStream> subtitleStreams() const override { return sentences_.subtitleStreams(); }
  // Kept per recording in the settings (subtitleStreamKey); the map read again from it.
  void chooseSubtitleStream(int stream) override;

  // ReviewPlayer: a sentence of any recording, looped (the recording opened first, as Alt+F
  // opens it, when it is another).
  bool playSentence(const std::string& recording, std::int32_t startMs, std::int32_t endMs) override;

 private:
  // The chosen scheme's run from sentence `firstSentence`; false (nothing done) for the plain
  // loop or where there is no such sentence.
  bool startScheme(int firstSentence);

  Listening& listening_;
  LoopPacer& pacer_;
  UserSettings* settings_ = nullptr;
  SentenceKeys sentences_;
  SchemeChoice schemes_;  // the repeat scheme Alt+R runs
};

}  // namespace tessaly
