// SPDX-License-Identifier: GPL-3.0-or-later
// A drill rendered to a file for any player: each step of a plan (drill/DrillPlan.h) read
// from the recording and played through the engine's stretch stage at its speed, the silence
// after it exact to the frame, the whole mixed to mono and written as MP3 (FFmpeg's LAME
// encoder, 96 kb/s) or WAV (16-bit), by the name's extension; beside it an .lrc of its own
// whose lines say sentence and pass. The two appear whole or not at all (each written under
// a temporary name, OUT.part and OUT.lrc.part, then renamed), never over the recording or its
// own .lrc, and never over a file of the learner's (drill/DrillFiles.h) unless the caller has
// asked. A temporary that a killed export left behind is removed by the next export of the
// same file; one that a live export is writing is locked, and left alone. A recording that
// ends before its header said is exported as far as it goes, with a warning that says so.
//
// Threads: the calling thread does all the work (a command's, or a background worker's);
// `cancel` may be set from any thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "drill/DrillPlan.h"
#include "playback/StretchEngine.h"

namespace tessaly {

struct RenderedDrill {
  std::string error;      // in Chinese, for the user; "" when written
  std::string warning;    // when written: what of the recording could not be read, in Chinese
  bool inTheWay = false;  // not written: a file beside it is the learner's or another recording's
  int sampleRate = 0;
  std::int64_t frames = 0;           // of the file written
  std::vector<std::int64_t> starts;  // the output frame each step starts at
};

// `progress` is told the share done, 0 to 1, now and then. `mayReplace`: the files in the
// way (drill/DrillFiles.h) the learner agreed to have replaced; any other refuses the export.
// `engine` makes the steps not at 100 %.
RenderedDrill renderDrill(const std::string& recording, const std::vector<DrillStep>& plan, const std::string& outPath,
                          const std::function<void(double)>& progress = {}, const std::atomic<bool>* cancel = nullptr,
                          const std::vector<std::string>& mayReplace = {}, StretchEngine engine = kDefaultStretchEngine);

// One stretch of the recording as it is, into its own small file (no .lrc): a sentence's
// sound for a flash card.
RenderedDrill renderClip(const std::string& recording, double startMs, double endMs, const std::string& outPath,
                         const std::atomic<bool>* cancel = nullptr);

// The .lrc written beside `outPath`: its path up to the extension, then ".lrc".
std::string drillLrcPath(const std::string& outPath);

// Removes what an export of `outPath` that was killed left behind (OUT.part, OUT.lrc.part),
// unless an export still running holds them.
void removeLeftParts(const std::string& outPath);

}  // namespace tessaly
