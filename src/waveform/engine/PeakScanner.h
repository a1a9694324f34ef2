// SPDX-License-Identifier: GPL-3.0-or-later
// PeakScan on the engine's decoder: a thread of its own decodes the recording as fast as it
// can into its waveform's peaks (waveform/Peaks.h), handing over what it has every few
// seconds of sound, so the practice window draws the start of an hour-long recording at once
// and the rest as it comes.
//
// Threads: start() and take() on the user-interface thread; the scan on its own thread (see
// worker/BackgroundWorker.h: a newer start() cancels the scan under way, and its buckets, stale by
// their serial number, are never handed out).
#pragma once

#include <atomic>
#include <functional>
#include <string>

#include "waveform/PeakScan.h"
#include "worker/BackgroundWorker.h"

namespace tessaly {

class PeakScanner final : public PeakScan {
 public:
  PeakScanner() = default;  // the destructor cancels and joins

  std::uint32_t start(const std::string& location) override;
  bool take(std::uint32_t serial, PeakTable& table) const override;

  // Any thread, blocking: the whole table of `location` (the benchmark and the tests);
  // `progress` hears the buckets found so far, every few seconds of sound.
  static PeakTable scan(const std::string& location, const std::atomic<bool>* cancel = nullptr,
                        const std::function<void(const PeakTable&)>& progress = {});

 private:
  BackgroundWorker<PeakTable> scan_;
};

}  // namespace tessaly
