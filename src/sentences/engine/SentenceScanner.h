// SPDX-License-Identifier: GPL-3.0-or-later
// PauseScan on the engine's decoder: a thread of its own decodes the recording as fast as it
// can into an envelope of 10 ms loudness values (a 60-minute recording is 360,000 floats,
// never the decoded sound) and finds the sentences in it (sentences/PauseFinder.h), handing
// over those it is sure of every minute of sound and all of them at the end.
//
// Threads: start() and found() on the user-interface thread; the scan on its own thread (see
// worker/BackgroundWorker.h: a newer start() cancels the scan under way and its results, stale by
// their serial number, are never handed out).
#pragma once

#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "sentences/PauseScan.h"
#include "worker/BackgroundWorker.h"

namespace tessaly {

class SentenceScanner final : public PauseScan {
 public:
  SentenceScanner() = default;  // the destructor cancels and joins

  std::uint32_t start(const std::string& location) override;
  void cancel() override;
  std::vector<Sentence> found(std::uint32_t serial, bool& finished) const override;

  // Any thread, blocking: the whole map of `location` (the probe and the tests).
  static std::vector<Sentence> scan(const std::string& location, const std::atomic<bool>* cancel = nullptr,
                                    const std::function<void(const std::vector<Sentence>&)>& progress = {});

 private:
  BackgroundWorker<std::vector<Sentence>> scan_;
};

}  // namespace tessaly
