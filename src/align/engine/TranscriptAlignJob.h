// SPDX-License-Identifier: GPL-3.0-or-later
// TranscriptAlign on the engine's transcript aligner (align/engine/TranscriptAligner.h), run on
// a background worker of its own: the window starts an alignment and reads its progress on
// later frames; the map is kept where keepAlignedMap keeps it.
//
// Threads: startFile(), startText(), state() and cancel() on the user-interface thread; the
// aligning and the writing on the worker's thread.
#pragma once

#include <string>

#include "align/TranscriptAlign.h"
#include "worker/BackgroundWorker.h"

namespace tessaly::align {

class TranscriptAlignJob final : public TranscriptAlign {
 public:
  // `cacheFolder`: where a map that cannot be kept beside its recording goes.
  explicit TranscriptAlignJob(std::string cacheFolder) : cacheFolder_(std::move(cacheFolder)) {}
  std::uint32_t startFile(const std::string& recording, const std::string& transcriptPath) override;
  std::uint32_t startText(const std::string& recording, const std::string& text) override;
  bool state(std::uint32_t serial, TranscriptAlignState& state) const override;
  void cancel() override { worker_.cancel(); }

 private:
  std::uint32_t start(const std::string& recording, const std::string& transcript, bool isFile);

  std::string cacheFolder_;
  BackgroundWorker<TranscriptAlignState> worker_;
};

}  // namespace tessaly::align
