// PauseScan on the engine's decoder: a thread of its own decodes the recording as fast as it
// can into an envelope of 10 ms loudness values (a 60-minute recording is 360,000 floats,
// never the decoded sound) and finds the sentences in it (sentences/PauseFinder.h), handing
// over those it is sure of every minute of sound and all of them at the end.
//
// Threads: start() and found() on the user-interface thread; the scan on its own thread.
// mutex_ guards the published result; a newer start() cancels the scan under way and its
// results, stale by their serial number, are never handed out.
#pragma once

#include <atomic>
#include <functional>
#include <string>
#include <vector>
#include <mutex>
#include <thread>

#include "sentences/PauseScan.h"

namespace tessaly::audio {

class SentenceScanner final : public PauseScan {
 public:
  SentenceScanner() = default;
  ~SentenceScanner() override;  // cancels and joins
  SentenceScanner(const SentenceScanner&) = delete;
  SentenceScanner& operator=(const SentenceScanner&) = delete;

  std::uint32_t start(const std::string& location) override;
  void cancel() override;
  std::vector<Sentence> found(std::uint32_t serial, bool& finished) const override;

  // Any thread, blocking: the whole map of `location` (the probe and the tests).
  static std::vector<Sentence> scan(const std::string& location, const std::atomic<bool>* cancel = nullptr,
                                    const std::function<void(const std::vector<Sentence>&)>& progress = {});

 private:
  void stop();

  std::thread thread_;
  std::atomic<bool> cancel_{false};
  std::uint32_t serial_ = 0;  // UI thread

  mutable std::mutex mutex_;
  std::uint32_t resultSerial_ = 0;
  std::vector<Sentence> result_;
  bool finished_ = false;
};

}  // namespace tessaly::audio
