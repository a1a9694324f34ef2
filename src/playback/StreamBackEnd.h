// SPDX-License-Identifier: GPL-3.0-or-later
// The streaming back-end: sets the source once per start and moves within the playing file
// by setting its position. Two timers do the rest: streamTrackTick (Timer2, 100 ms) shows
// progress and notices the end of an entry, streamLoopTick (Timer3, 20 ms) keeps the repeat
// loop by jumping back to segmentStart whenever playback has reached segmentEnd.
//
// Runs on the user-interface thread only. The main window owns the variables and controls.
#pragma once

#include "playback/PlayerControls.h"
#include "playback/StreamControl.h"

namespace tessaly {

class StreamBackEnd final : public PlayerBackEnd {
 public:
  StreamBackEnd(PlayerVariables& variables, const PlayerControls& controls, StreamControl& device, PlayListStep& playList);

  void streamStart();
  void streamStop();
  void streamToggleRepeat();
  void streamPause();
  void streamContinue();
  void streamToEnd();
  void streamForward();
  void streamRewind();
  void streamTrackTick();
  void streamLoopTick();

  // PlayerBackEnd
  void start() override { streamStart(); }
  void stop() override { streamStop(); }
  void toggleRepeat() override { streamToggleRepeat(); }
  void toEnd() override { streamToEnd(); }
  void pause() override { streamPause(); }
  void continuePlayback() override { streamContinue(); }
  void forward() override { streamForward(); }
  void rewind() override { streamRewind(); }
  void jumpTo(double ms) override;
  void repeatRange(double start, double end) override;

 private:
  // Starts a new segment at `target` and moves playback there.
  void newSegmentAt(double target);

  PlayerVariables& v_;
  const PlayerControls& c_;
  StreamControl& device_;
  PlayListStep& playList_;
};

}  // namespace tessaly
