#include "audio/SentenceScanner.h"

#include <functional>

#include "audio/Decoder.h"
#include "audio/Frames.h"
#include "sentences/PauseFinder.h"

namespace tessaly::audio {

SentenceScanner::~SentenceScanner() { stop(); }

void SentenceScanner::stop() {
  cancel_.store(true);
  if (thread_.joinable()) thread_.join();
  cancel_.store(false);
}

std::uint32_t SentenceScanner::start(const std::string& location) {
  stop();
  const std::uint32_t serial = ++serial_;
  {
    std::lock_guard lock(mutex_);
    resultSerial_ = serial;
    result_.clear();
    finished_ = false;
  }
  thread_ = std::thread([this, location, serial] {
    const auto publish = [this, serial](const std::vector<Sentence>& sentences, bool finished) {
      std::lock_guard lock(mutex_);
      if (serial != resultSerial_) return;  // a newer scan has begun: this one's news is stale
      result_ = sentences;
      finished_ = finished;
    };
    const std::vector<Sentence> all = scan(location, &cancel_, [&](const auto& sure) { publish(sure, false); });
    if (!cancel_.load()) publish(all, true);
  });
  return serial;
}

void SentenceScanner::cancel() {
  stop();
  std::lock_guard lock(mutex_);
  ++resultSerial_;  // matches no scan's serial: nothing more is handed out
}

std::vector<Sentence> SentenceScanner::found(std::uint32_t serial, bool& finished) const {
  std::lock_guard lock(mutex_);
  if (serial != resultSerial_) {
    finished = true;
    return {};
  }
  finished = finished_;
  return result_;
}

std::vector<Sentence> SentenceScanner::scan(const std::string& location, const std::atomic<bool>* cancel,
                                            const std::function<void(const std::vector<Sentence>&)>& progress) {
  std::string error;
  auto decoder = Decoder::open(location, cancel, &error);
  if (!decoder) return {};
  const SourceInfo info = decoder->info();
  const int frameFrames = std::max(1, info.sampleRate * kEnvelopeFrameMs / 1000);
  std::vector<float> block(static_cast<std::size_t>(frameFrames) * info.channels);
  std::vector<float> envelope;
  constexpr std::size_t kProgressFrames = 60 * 1000 / kEnvelopeFrameMs;  // a minute of sound
  for (;;) {
    if (cancel && cancel->load()) return {};
    const int got = decoder->read(block.data(), frameFrames);
    if (got <= 0) break;
    envelope.push_back(envelopeDb(block.data(), got, info.channels));
    if (progress && envelope.size() % kProgressFrames == 0) {
      // The sentences that end before the last pause-length of sound are final.
      std::vector<Sentence> sure = findSentences(envelope, 0);
      const std::int32_t safe = static_cast<std::int32_t>(envelope.size()) * kEnvelopeFrameMs - kSentencePauseMs;
      while (!sure.empty() && sure.back().endMs >= safe) sure.pop_back();
      progress(sure);
    }
  }
  const std::int32_t length = static_cast<std::int32_t>(envelope.size()) * kEnvelopeFrameMs;
  return findSentences(envelope, length);
}

}  // namespace tessaly::audio
