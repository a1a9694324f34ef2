// SPDX-License-Identifier: GPL-3.0-or-later
// DrillExport on the engine's renderer (drill/engine/DrillRenderer.h), run on a background worker
// of its own: the window starts an export and reads its progress on later frames.
//
// Threads: start(), state() and cancel() on the user-interface thread; the rendering on the
// worker's thread.
#pragma once

#include <functional>

#include "drill/DrillExport.h"
#include "playback/StretchEngine.h"
#include "worker/BackgroundWorker.h"

namespace tessaly {

class DrillExporter final : public DrillExport {
 public:
  std::uint32_t start(const std::string& recording, std::vector<DrillStep> plan, const std::string& outPath,
                      std::vector<std::string> mayReplace) override;
  bool state(std::uint32_t serial, DrillExportState& state) const override;
  void cancel() override { worker_.cancel(); }
  // UI thread: where each export started from now on reads the learner's stretch engine.
  void useStretch(std::function<StretchEngine()> chosen) { stretch_ = std::move(chosen); }

 private:
  std::function<StretchEngine()> stretch_;
  BackgroundWorker<DrillExportState> worker_;
};

}  // namespace tessaly
