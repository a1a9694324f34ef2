// SPDX-License-Identifier: GPL-3.0-or-later
// AnkiExport on the engine: each sentence's sound cut from its recording by the renderer
// (drill/engine/DrillRenderer.h) into its own MP3 beside the text file, then the text file (written
// under a temporary name, then renamed), on a background worker of its own. A recording that
// cannot be read leaves its sentences out, and the export says which.
//
// Threads: start(), state() and cancel() on the user-interface thread; the work on the
// worker's thread.
#pragma once

#include "review/AnkiNotes.h"
#include "worker/BackgroundWorker.h"

namespace tessaly {

class AnkiExporter final : public AnkiExport {
 public:
  std::uint32_t start(std::vector<AnkiNote> notes, const std::string& textPath) override;
  bool state(std::uint32_t serial, DrillExportState& state) const override;
  void cancel() override { worker_.cancel(); }

 private:
  BackgroundWorker<DrillExportState> worker_;
};

// The same, on the calling thread: "" when written, else why not (in Chinese).
std::string exportForAnki(const std::vector<AnkiNote>& notes, const std::string& textPath,
                          const std::function<void(double)>& progress = {}, const std::atomic<bool>* cancel = nullptr);

}  // namespace tessaly
