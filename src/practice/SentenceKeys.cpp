// SPDX-License-Identifier: GPL-3.0-or-later
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

SentenceKeys::~SentenceKeys() {
  if (scan_) scan_->cancel();
  if (poll_) {
    poll_->setEnabled(false);
    poll_->setTickHandler(nullptr);
  }
}

void SentenceKeys::useScan(PauseScan& scan, ui::Timer& poll) {
  scan_ = &scan;
  poll_ = &poll;
  poll.setEnabled(false);
  poll.setInterval(250);
  poll.setTickHandler([this] {
    bool finished = false;
    std::vector<Sentence> found = scan_->found(scanSerial_, finished);
    map_ = {SentenceSource::Silence, std::move(found)};
    if (finished) poll_->setEnabled(false);
  });
}

void SentenceKeys::mapRecording(const std::string& path, std::int32_t lengthMs) {
  const std::uint32_t serial = ++readSerial_;
  std::vector<std::string> companions = companionPaths(path);
  if (companions.empty()) {
    mapRead(path, {});
    return;
  }
  if (path != mappedPath_) {  // another recording: no keys until its map is known
    map_ = {};
    if (scan_) {
      scan_->cancel();
      poll_->setEnabled(false);
    }
  }
  reader_->read(std::move(companions), [this, serial, path, lengthMs](std::vector<FileBytes> files) {
    if (serial != readSerial_) return;  // another recording started meanwhile
    mapRead(path, sentenceMapFrom(files, lengthMs));
  });
}

void SentenceKeys::mapRead(const std::string& path, SentenceMap map) {
  if (map.source == SentenceSource::None && path == mappedPath_ && map_.source == SentenceSource::Silence)
    return;  // the same recording started again: its scan goes on, or is done
  mappedPath_ = path;
  if (scan_) {
    scan_->cancel();
    poll_->setEnabled(false);
    if (map.source == SentenceSource::None) {
      scanSerial_ = scan_->start(path);
      map.source = SentenceSource::Silence;
      poll_->setEnabled(true);
    }
  }
  map_ = std::move(map);
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
