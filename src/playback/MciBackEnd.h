// SPDX-License-Identifier: GPL-3.0-or-later
// The MCI back-end: plays a file through the MCI device by reopening it for every jump.
// The repeat loop is a ranged play that repeatLoopTick (Timer1, 600 ms) restarts each time
// the device has stopped at the segment's end.
//
// Runs on the user-interface thread only. The main window owns the variables and controls.
#pragma once

#include "playback/MciControl.h"
#include "playback/PlayerControls.h"

namespace tessaly {

class MciBackEnd final : public PlayerBackEnd {
 public:
  MciBackEnd(PlayerVariables& variables, const PlayerControls& controls, MciControl& device, PlayListStep& playList);

  void mciStart();
  void mciStop();
  void mciToggleRepeat();
  void mciPause();
  void mciContinue();
  void mciForward();
  void mciRewind();
  void mciToEnd();
  // The device's periodic status notification: elapsed time, slider, end of an entry.
  void mciStatusUpdate();
  // Timer1's tick: restarts the loop once the device has stopped at segmentEnd.
  void repeatLoopTick();

  // PlayerBackEnd
  void start() override { mciStart(); }
  void stop() override { mciStop(); }
  void toggleRepeat() override { mciToggleRepeat(); }
  void toEnd() override { mciToEnd(); }
  void pause() override { mciPause(); }
  void continuePlayback() override { mciContinue(); }
  void forward() override { mciForward(); }
  void rewind() override { mciRewind(); }
  void jumpTo(double ms) override;
  void repeatRange(double start, double end) override;

 private:
  void reopenDevice();
  // Reopens and plays from segmentEnd to the end of the file, which starts a new segment.
  void playFromSegmentEnd();
  // Reopens and plays [from, segmentEnd]; clears `reopening` just before the play.
  void playLoopRangeFrom(double from);
  // The tail of forward, rewind and to-the-end: leave any loop, play from segmentEnd.
  void jumpToSegmentEnd();

  PlayerVariables& v_;
  const PlayerControls& c_;
  MciControl& device_;
  PlayListStep& playList_;
};

}  // namespace tessaly
