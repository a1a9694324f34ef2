// SPDX-License-Identifier: GPL-3.0-or-later
// 跟读 as the logic sees it: a take recorded from the microphone after the speaker, kept, and
// compared with the sentence (both waveforms, both pitch lines on the original's time, the
// reference's tones, a score with its reasons); then heard, after the original or alone.
// Implemented by the audio engine (shadow/engine/Shadowing.h) and by the tests' fakes.
//
// Every method is called on the user-interface thread and returns at once: the recording, the
// comparison and the hearing run on threads of their own, and the logic asks each frame.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "align/Align.h"
#include "pitch/TakeScore.h"
#include "pitch/ToneMarks.h"

namespace tessaly {

struct TakeRequest {
  std::string recording;
  double startMs = 0, endMs = 0;   // the sentence
  std::string text;                // its reference text ("" when it has none)
  std::vector<align::Span> units;  // where its units are spoken, from its start (empty: not known)
  int longestMs = 0;               // the take stops by itself here
};

struct TakeComparison {
  std::string failure;    // why the take could not be compared ("" when it was)
  std::string takePath;   // where it is kept ("" when it could not be)
  std::string unkept;     // why a compared take could not be kept, for the 提示窗口 ("" when kept)
  double originalMs = 0;  // the sentence's length
  double takeMs = 0;
  std::vector<float> originalPeaks, takePeaks;  // the loudest sample of each 10 ms, 0 to 1
  std::vector<pitch::ToneMark> tones;
  pitch::TakeScore score;  // with both pitch lines on the original's time
  bool compared = false;   // false: the device failed, or the take was too short or silent
};

// Starting: the microphone is being opened (a missing one ends the take as a failed comparison).
enum class TakeState { Idle, Starting, Recording, Comparing };

// What is being heard: the original, the take, the pause between passes.
struct Hearing {
  enum class Part { Nothing, Original, Take, Pause } part = Part::Nothing;
  int pass = 0, passes = 0;
};

class ShadowEngine {
 public:
  virtual ~ShadowEngine() = default;
  // Starts a take of the request's sentence; "" or why not, in Chinese. The microphone is opened
  // meanwhile: no microphone is told by the take's comparison, which fails.
  virtual std::string startTake(const TakeRequest& request) = 0;
  // Ends the take now; it is then compared.
  virtual void stopTake() = 0;
  virtual TakeState state() const = 0;
  // The level of the last 50 ms while recording, dBFS (-100 before any sound).
  virtual double level() const = 0;
  // The comparison of the last take, once; nullopt until it is ready.
  virtual std::optional<TakeComparison> takeComparison() = 0;

  // The last take heard `passes` times, after the sentence when `original`, with `pauseMs`
  // between passes; false when there is no take to hear.
  virtual bool hear(bool original, int passes, int pauseMs) = 0;
  virtual void stopHearing() = 0;
  virtual Hearing hearing() const = 0;
};

}  // namespace tessaly
