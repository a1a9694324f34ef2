#include "practice/SentenceKeys.h"

namespace tessaly {

std::optional<double> previousSentenceStart(const std::vector<Sentence>& sentences, double positionMs) {
  const int at = sentenceAt(sentences, positionMs);
  if (at < 0) return sentences.empty() ? std::nullopt : std::optional<double>(sentences.front().startMs);
  const auto& current = sentences[static_cast<std::size_t>(at)];
  if (positionMs - current.startMs < kPreviousGraceMs && at > 0) return sentences[static_cast<std::size_t>(at - 1)].startMs;
  return current.startMs;
}

std::optional<double> nextSentenceStart(const std::vector<Sentence>& sentences, double positionMs) {
  const int at = sentenceAt(sentences, positionMs);
  if (static_cast<std::size_t>(at + 1) >= sentences.size()) return std::nullopt;
  return sentences[static_cast<std::size_t>(at + 1)].startMs;
}

std::optional<Sentence> sentenceToRepeat(const std::vector<Sentence>& sentences, double positionMs) {
  const int at = sentenceAt(sentences, positionMs);
  if (at < 0) return std::nullopt;
  return sentences[static_cast<std::size_t>(at)];
}

void SentenceKeys::previous(PlayerBackEnd& backEnd, double positionMs) const {
  if (const auto target = previousSentenceStart(map_.sentences, positionMs)) backEnd.jumpTo(*target);
}

void SentenceKeys::next(PlayerBackEnd& backEnd, double positionMs) const {
  if (const auto target = nextSentenceStart(map_.sentences, positionMs)) backEnd.jumpTo(*target);
}

void SentenceKeys::repeat(PlayerBackEnd& backEnd, double positionMs) const {
  if (const auto sentence = sentenceToRepeat(map_.sentences, positionMs))
    backEnd.repeatRange(sentence->startMs, sentence->endMs);
}

}  // namespace tessaly
