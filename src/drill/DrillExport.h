// SPDX-License-Identifier: GPL-3.0-or-later
// Exporting a drill in the background, as the windows see it: started with a recording, a
// plan and the file to write, then asked now and then how far it is, until it is finished
// (written, or why not). The engine's implementation renders on its background worker
// (drill/engine/DrillExporter.h); the windows never wait on it.
//
// Threads: every method on the user-interface thread.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "drill/DrillPlan.h"

namespace tessaly {

struct DrillExportState {
  double share = 0;  // done, 0 to 1
  bool finished = false;
  std::string error;         // once finished: "" when the file was written, else why not (in Chinese)
  std::string warning = {};  // once written: what of the recording could not be read (in Chinese)
};

class DrillExport {
 public:
  virtual ~DrillExport() = default;
  // Starts writing `outPath` (.mp3 or .wav, and its .lrc); an export under way is cancelled.
  // `mayReplace`: the files in its way (drill/DrillFiles.h) the learner agreed to replace; any
  // other in the way finishes it unwritten.
  virtual std::uint32_t start(const std::string& recording, std::vector<DrillStep> plan, const std::string& outPath,
                              std::vector<std::string> mayReplace) = 0;
  // How export `serial` stands; false once it is no longer the newest.
  virtual bool state(std::uint32_t serial, DrillExportState& state) const = 0;
  // Stops the export under way; it writes nothing.
  virtual void cancel() = 0;
};

}  // namespace tessaly
