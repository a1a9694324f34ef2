// SPDX-License-Identifier: GPL-3.0-or-later
#include "practice/ReviewSession.h"

#include <filesystem>

#include "practice/Timestamps.h"

namespace tessaly {

namespace {
constexpr int kMostShown = 200;
}  // namespace

ReviewSession::ReviewSession(RecordLog& record, ReviewPlayer& player, std::string readingsPath,
                             std::function<std::int64_t()> now, std::vector<std::string> folders)
    : record_(record),
      player_(player),
      checks_(std::move(readingsPath)),
      now_(std::move(now)),
      folders_(std::move(folders)) {}

int ReviewSession::today() const { return localDay(now_()); }

void ReviewSession::refresh() { dueSerial_ = record_.askDue(today(), kMostShown); }

ReviewSession::Changes ReviewSession::tick() {
  Changes changes;
  if (dueSerial_ != 0) {
    if (auto list = record_.takeDue(dueSerial_)) {
      due_ = std::move(*list);
      dueSerial_ = 0;
      selected_ = due_.sentences.empty() ? -1
                                         : std::min(std::max(selected_, 0), static_cast<int>(due_.sentences.size()) - 1);
      changes.list = true;
    }
  }
  if (findSerial_ != 0) {
    if (auto found = record_.takeFound(findSerial_)) {
      findSerial_ = 0;
      if (found->empty()) {
        changes.missing = true;
      } else if (selected_ >= 0) {
        due_.sentences[static_cast<std::size_t>(selected_)].recording = *found;
        playSelected();
        changes.list = true;
      }
    }
  }
  if (checkSerial_ != 0) {
    if (auto done = checks_.take(checkSerial_)) {
      checkSerial_ = 0;
      result_ = std::move(done);
      changes.check = true;
      if (result_->failure.empty()) {
        const std::int64_t at = now_();
        record_.record(recordOfCheck(result_->result, result_->reference, written_, checked_.recording, at, localDay(at)));
        refresh();  // the schedule has moved
      }
    }
  }
  return changes;
}

std::string ReviewSession::rowText(int row) const {
  const DueSentence& d = due_.sentences.at(static_cast<std::size_t>(row));
  const std::string stamp = timestampText(d.startMs);
  const int late = today() - d.state.dueDay;
  return "第 " + stamp.substr(1, stamp.size() - 2) + " 起　" + std::filesystem::path(d.recording).filename().string() +
         "　" + (late > 0 ? "过期 " + std::to_string(late) + " 天" : std::string("今天到期"));
}

void ReviewSession::select(int row) {
  if (row >= -1 && row < static_cast<int>(due_.sentences.size()) && row != selected_) {
    selected_ = row;
    result_.reset();
  }
}

bool ReviewSession::playSelected() {
  if (selected_ < 0) return false;
  const DueSentence& d = due_.sentences[static_cast<std::size_t>(selected_)];
  std::error_code error;
  if (!std::filesystem::exists(d.recording, error)) {
    findSerial_ = record_.askFind(d, folders_);
    return false;
  }
  return player_.playSentence(d.recording, d.startMs, d.endMs);
}

void ReviewSession::pointTo(const std::string& path) {
  if (selected_ < 0) return;
  DueSentence& d = due_.sentences[static_cast<std::size_t>(selected_)];
  record_.relink(d.recordingId, path);
  for (DueSentence& other : due_.sentences)
    if (other.recordingId == d.recordingId) other.recording = path;
  playSelected();
}

void ReviewSession::setAsideSelected() {
  if (selected_ < 0) return;
  record_.setAside(due_.sentences[static_cast<std::size_t>(selected_)].recordingId);
  refresh();
}

bool ReviewSession::check(std::string written) {
  if (selected_ < 0) return false;
  checked_ = due_.sentences[static_cast<std::size_t>(selected_)];
  written_ = std::move(written);
  const Reference reference = referenceFromSentences({Sentence{checked_.startMs, checked_.endMs, checked_.reference}});
  checkSerial_ = checks_.start(written_, reference, {});
  return true;
}

}  // namespace tessaly
