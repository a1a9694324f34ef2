// SPDX-License-Identifier: GPL-3.0-or-later
// The player as the practice window sees it: what it draws each frame (the recording, the
// playing position, the segment, the loop, the sentences) and the two things it asks of it
// (a jump, a sentence's loop). The player sentence by sentence (practice/SentencePlayer.h)
// implements it.
//
// User-interface thread only.
#pragma once

#include <string>

#include "practice/LoopOptions.h"
#include "sentences/SentenceMap.h"
#include "sentences/Subtitles.h"

namespace tessaly {

struct PlayerPicture {
  std::string recording;  // "" before a file is opened
  double lengthMs = 0;
  double positionMs = 0;
  bool playing = false;    // a file plays, normally or in its loop (the jumps work then)
  bool repeating = false;  // in the loop: [segmentStartMs, segmentEndMs]
  double segmentStartMs = 0;
  double segmentEndMs = 0;
};

class PracticePlayer {
 public:
  virtual ~PracticePlayer() = default;
  virtual PlayerPicture picture() const = 0;
  virtual const SentenceMap& sentenceMap() const = 0;
  // The text of the dictation box.
  virtual std::string dictationText() const = 0;
  // A jump to `ms`, a new segment starting there (as the sentence keys jump); only while playing.
  virtual void jumpTo(double ms) = 0;
  // The loop over exactly `sentence` (as Alt+R makes it); only while playing.
  virtual void repeatSentence(const Sentence& sentence) = 0;
  // One unit of sentence `sentence` (a character, a word) heard again: [startMs, endMs]
  // padded a little, slower, for the loop options' passes, then listening goes on from where
  // it was; only while playing.
  virtual void loopUnit(double startMs, double endMs, int sentence) { (void)startMs, (void)endMs, (void)sentence; }
  // Playback paused as Alt+Z pauses it, when it plays (for a 跟读 take); nothing otherwise.
  virtual void pausePlaying() {}
  // The loop options (their passes and the pause between them).
  virtual LoopOptions loopOptions() const { return {}; }
  // The subtitle streams inside the recording (none before they are read, or without any).
  virtual std::vector<SubtitleStream> subtitleStreams() const { return {}; }
  // The sentences from the recording's subtitle stream `stream` from now on, kept for it.
  virtual void chooseSubtitleStream(int stream) { (void)stream; }
};

// What the practice and review windows ask of the main window beyond its player. The main
// window's logic (app/Form1.h) implements it.
class MainWindowCommands {
 public:
  virtual ~MainWindowCommands() = default;
  // An Alt key, as the main window takes it; whether a command took it.
  virtual bool accessKey(char letter) = 0;
  // A word list chosen in the dialog, made into a lesson and opened.
  virtual void openWordListCommand() = 0;
};

// The practice window as the main window's logic sees it.
class PracticeWindowView {
 public:
  virtual ~PracticeWindowView() = default;
  virtual void open() = 0;  // shows it, or brings it to the front
  // Opens it and checks the dictation there.
  virtual void openAndCheck() = 0;
};

}  // namespace tessaly
