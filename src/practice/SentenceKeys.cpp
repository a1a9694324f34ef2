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
  if (subtitles_) subtitles_->cancel();
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
  poll.setTickHandler([this] { polled(); });
}

void SentenceKeys::useSubtitles(SubtitleScan& subtitles, ui::Timer& poll) {
  subtitles_ = &subtitles;
  poll_ = &poll;
  poll.setEnabled(false);
  poll.setInterval(250);
  poll.setTickHandler([this] { polled(); });
}

void SentenceKeys::polled() {
  if (readingSubtitles_) {
    std::optional<SubtitleFinding> found = subtitles_->take(subtitleSerial_);
    if (!found) return;
    readingSubtitles_ = false;
    streams_ = std::move(found->streams);
    if (found->map.source == SentenceSource::Embedded) {
      poll_->setEnabled(false);
      map_ = std::move(found->map);
      return;
    }
    SentenceMap none;
    none.note = std::move(found->map.note);
    poll_->setEnabled(false);
    startScan(std::move(none));
    return;
  }
  if (!scan_) return;
  bool finished = false;
  std::vector<Sentence> found = scan_->found(scanSerial_, finished);
  map_.source = SentenceSource::Silence;
  map_.sentences = std::move(found);
  if (finished) poll_->setEnabled(false);
}

void SentenceKeys::mapRecording(const std::string& path, std::int32_t lengthMs, const std::string& alignedMap) {
  const std::uint32_t serial = ++readSerial_;
  std::vector<std::string> companions = companionPaths(path);
  if (companions.empty() && alignedMap.empty()) {
    mapRead(path, lengthMs, {});
    return;
  }
  if (path != mappedPath_) {  // another recording: no keys until its map is known
    map_ = {};
    streams_.clear();
    stopBackground();
  }
  const bool aligned = !alignedMap.empty();
  if (aligned) companions.insert(companions.begin(), alignedMap);
  reader_->read(std::move(companions), [this, serial, path, lengthMs, aligned](std::vector<FileBytes> files) {
    if (serial != readSerial_) return;  // another recording started meanwhile
    if (aligned) {
      if (SentenceMap map = sentenceMapFrom({files[0]}, lengthMs); !map.sentences.empty()) {
        mapRead(path, lengthMs, std::move(map));
        return;
      }
      files.erase(files.begin());
    }
    mapRead(path, lengthMs, sentenceMapFrom(files, lengthMs));
  });
}

void SentenceKeys::stopBackground() {
  if (subtitles_) subtitles_->cancel();
  readingSubtitles_ = false;
  if (scan_) scan_->cancel();
  if (poll_) poll_->setEnabled(false);
}

void SentenceKeys::mapRead(const std::string& path, std::int32_t lengthMs, SentenceMap map) {
  const bool ownMap = map_.source == SentenceSource::Silence || map_.source == SentenceSource::Embedded;
  if (map.source == SentenceSource::None && path == mappedPath_ && (readingSubtitles_ || ownMap))
    return;  // the same recording started again: its read or scan goes on, or is done
  mappedPath_ = path;
  stopBackground();
  if (map.source != SentenceSource::None) {
    map_ = std::move(map);
    return;
  }
  streams_.clear();
  if (subtitles_ && !path.empty()) {
    map_ = {};
    subtitleSerial_ = subtitles_->start(path, lengthMs, preferred_ ? preferred_(path) : -1);
    readingSubtitles_ = true;
    poll_->setEnabled(true);
    return;
  }
  startScan(std::move(map));
}

void SentenceKeys::rereadSubtitles(std::int32_t lengthMs) {
  if (!subtitles_ || map_.source != SentenceSource::Embedded || mappedPath_.empty()) return;
  stopBackground();
  subtitleSerial_ = subtitles_->start(mappedPath_, lengthMs, preferred_ ? preferred_(mappedPath_) : -1);
  readingSubtitles_ = true;
  poll_->setEnabled(true);
}

void SentenceKeys::startScan(SentenceMap map) {
  if (scan_) {
    scanSerial_ = scan_->start(mappedPath_);
    map.source = SentenceSource::Silence;
    poll_->setEnabled(true);
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
