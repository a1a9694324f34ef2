// SPDX-License-Identifier: GPL-3.0-or-later
// SubtitleScan on FFmpeg: a thread of its own reads the recording's subtitle streams
// (EmbeddedSubtitles.h) and hands over their map when it is done.
//
// Threads: start(), cancel() and take() on the user-interface thread; the read on its own
// thread (worker/BackgroundWorker.h: a newer start() cancels the read under way, and its
// result, stale by its serial number, is never handed out).
#pragma once

#include "sentences/SubtitleScan.h"
#include "worker/BackgroundWorker.h"

namespace tessaly::subtitles {

class SubtitleScanner final : public SubtitleScan {
 public:
  SubtitleScanner() = default;  // the destructor cancels and joins

  std::uint32_t start(const std::string& location, std::int32_t lengthMs, int preferredStream) override;
  void cancel() override { read_.cancel(); }
  std::optional<SubtitleFinding> take(std::uint32_t serial) override { return read_.take(serial); }

 private:
  BackgroundWorker<SubtitleFinding> read_;
};

}  // namespace tessaly::subtitles
