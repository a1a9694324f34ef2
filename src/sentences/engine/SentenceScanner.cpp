// SPDX-License-Identifier: GPL-3.0-or-later
#include "sentences/engine/SentenceScanner.h"

#include <functional>

#include "audio/Decoder.h"
#include "audio/Frames.h"
#include "sentences/PauseFinder.h"

namespace tessaly {

using audio::Decoder;
using audio::SourceInfo;

std::uint32_t SentenceScanner::start(const std::string& location) {
  return scan_.start([location](const std::atomic<bool>& cancel, const auto& publish) {
    const auto handOver = [&](const std::vector<Sentence>& sentences, bool finished) {
      publish([&](std::vector<Sentence>& result) { result = sentences; }, finished);
    };
    const std::vector<Sentence> all = scan(location, &cancel, [&](const auto& sure) { handOver(sure, false); });
    if (!cancel.load()) handOver(all, true);
  });
}

void SentenceScanner::cancel() { scan_.cancel(); }

std::vector<Sentence> SentenceScanner::found(std::uint32_t serial, bool& finished) const {
  std::vector<Sentence> sentences;
  finished = true;  // a scan that is not the newest has nothing more to give
  scan_.read(serial, [&](const std::vector<Sentence>& result, bool done) {
    sentences = result;
    finished = done;
  });
  return sentences;
}

std::vector<Sentence> SentenceScanner::scan(const std::string& location, const std::atomic<bool>* cancel,
                                            const std::function<void(const std::vector<Sentence>&)>& progress) {
  auto decoder = Decoder::open(location, cancel, nullptr);
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

}  // namespace tessaly
