// SPDX-License-Identifier: GPL-3.0-or-later
#include "review/RecordKeeper.h"

#include <algorithm>
#include <chrono>
#include <filesystem>

namespace tessaly {

RecordKeeper::RecordKeeper(std::string path, int retryMs)
    : path_(std::move(path)), retryMs_(retryMs), thread_([this] { run(); }) {
  std::lock_guard lock(mutex_);
  jobs_.push_front([this] {
    const RecordStore::Opened opened = store_.open(path_);
    if (opened.problem != RecordProblem::None) tell(opened.problem, opened.detail, opened.movedTo);
  });
  wake_.notify_one();
}

RecordKeeper::~RecordKeeper() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_one();
  thread_.join();
}

void RecordKeeper::record(CheckRecord record) {
  std::lock_guard lock(mutex_);
  jobs_.push_back([this, record = std::move(record)] {
    unwrittenRecords_.emplace_back(record, identityOf(record.recording));
    writeUnwritten();
  });
  wake_.notify_one();
}

void RecordKeeper::recordTake(TakeRecord take) {
  std::lock_guard lock(mutex_);
  jobs_.push_back([this, take = std::move(take)] {
    if (const RecordProblem problem = store_.addTake(take, identityOf(take.recording)); problem != RecordProblem::None)
      tell(problem, store_.lastError());
  });
  wake_.notify_one();
}

void RecordKeeper::writeUnwritten() {
  while (!unwrittenRecords_.empty()) {
    const auto& [record, identity] = unwrittenRecords_.front();
    const RecordProblem problem = store_.add(record, identity);
    if (problem != RecordProblem::None) {
      tell(problem, store_.lastError());  // busy (held past the wait by another program): unsaid
      break;
    }
    unwrittenRecords_.pop_front();
    std::lock_guard lock(mutex_);
    told_ = false;  // written again: the next problem is news
  }
  std::lock_guard lock(mutex_);
  unwrittenCount_ = unwrittenRecords_.size();
}

std::uint32_t RecordKeeper::ask(std::function<void(std::uint32_t)> job) {
  std::lock_guard lock(mutex_);
  const std::uint32_t serial = ++serial_;
  jobs_.push_back([job = std::move(job), serial] { job(serial); });
  wake_.notify_one();
  return serial;
}

std::uint32_t RecordKeeper::askDue(int today, int most) {
  return ask([this, today, most](std::uint32_t serial) {
    answer(dues_, serial, DueList{store_.due(today, most), store_.dueCount(today)});
  });
}

std::optional<DueList> RecordKeeper::takeDue(std::uint32_t serial) { return takeAnswer(dues_, serial); }

std::uint32_t RecordKeeper::askStats(int today, int days) {
  return ask([this, today, days](std::uint32_t serial) { answer(stats_, serial, store_.stats(today, days)); });
}

std::optional<RecordStats> RecordKeeper::takeStats(std::uint32_t serial) { return takeAnswer(stats_, serial); }

std::uint32_t RecordKeeper::askMissed(std::int64_t recordingId) {
  return ask([this, recordingId](std::uint32_t serial) { answer(missed_, serial, store_.missed(recordingId)); });
}

std::optional<std::vector<AnkiNote>> RecordKeeper::takeMissed(std::uint32_t serial) { return takeAnswer(missed_, serial); }

std::uint32_t RecordKeeper::askFind(const DueSentence& sentence, std::vector<std::string> folders) {
  return ask([this, id = sentence.recordingId, identity = sentence.identity,
              folders = std::move(folders)](std::uint32_t serial) mutable {
    for (const KnownRecording& known : store_.recordings())
      folders.push_back(std::filesystem::path(known.path).parent_path().string());
    std::sort(folders.begin(), folders.end());
    folders.erase(std::unique(folders.begin(), folders.end()), folders.end());
    std::string found;
    for (const std::string& folder : folders) {
      std::error_code error;
      for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end && found.empty();
           it.increment(error)) {
        std::error_code sizeError;
        if (!it->is_regular_file(sizeError) || static_cast<std::int64_t>(it->file_size(sizeError)) != identity.size ||
            sizeError)
          continue;
        if (identityOf(it->path().string()) == identity) found = it->path().string();
      }
      if (!found.empty()) break;
    }
    if (!found.empty()) store_.relink(id, found);
    answer(found_, serial, std::move(found));
  });
}

std::optional<std::string> RecordKeeper::takeFound(std::uint32_t serial) { return takeAnswer(found_, serial); }

void RecordKeeper::relink(std::int64_t recordingId, std::string path) {
  std::lock_guard lock(mutex_);
  jobs_.push_back([this, recordingId, path = std::move(path)] { store_.relink(recordingId, path); });
  wake_.notify_one();
}

void RecordKeeper::setAside(std::int64_t recordingId) {
  std::lock_guard lock(mutex_);
  jobs_.push_back([this, recordingId] { store_.setAside(recordingId); });
  wake_.notify_one();
}

void RecordKeeper::tell(RecordProblem problem, const std::string& detail, const std::string& movedTo) {
  std::string text;
  switch (problem) {
    case RecordProblem::None:
    case RecordProblem::Busy: return;
    case RecordProblem::Corrupt:
      text = movedTo.empty()
                 ? "练习记录文件已损坏，无法使用：\n" + path_ + "\n本次不记录练习，听写内容不受影响。"
                 : "练习记录文件已损坏，原文件已改名保存为：\n" + movedTo + "\n程序新建了一个练习记录，听写内容不受影响。";
      break;
    case RecordProblem::Newer:
      text = "练习记录文件是较新版本的程序写的，这个版本不能改动它：\n" + path_ + "\n本次不记录练习，听写内容不受影响。";
      break;
    case RecordProblem::Unwritable:
      text = "无法写入练习记录：\n" + path_ + "\n（" + detail +
             "）\n检查结果先留在内存中，程序会在后台再试；听写内容不受影响。";
      break;
  }
  std::lock_guard lock(mutex_);
  if (told_) return;
  told_ = true;
  problems_.push_back(std::move(text));
}

std::string RecordKeeper::takeProblem() {
  std::lock_guard lock(mutex_);
  if (problems_.empty()) return {};
  std::string text = std::move(problems_.front());
  problems_.erase(problems_.begin());
  return text;
}

void RecordKeeper::waitIdle() {
  std::unique_lock lock(mutex_);
  idle_.wait(lock, [this] { return jobs_.empty() && !busy_; });
}

std::size_t RecordKeeper::unwritten() const {
  std::lock_guard lock(mutex_);
  return unwrittenCount_;
}

void RecordKeeper::run() {
  std::unique_lock lock(mutex_);
  for (;;) {
    if (jobs_.empty()) {
      busy_ = false;
      idle_.notify_all();
      if (stopping_) break;
      // Unwritten records are tried again after a while; otherwise the writer sleeps.
      if (unwrittenCount_ > 0) {
        if (!wake_.wait_for(lock, std::chrono::milliseconds(retryMs_), [this] { return !jobs_.empty() || stopping_; })) {
          busy_ = true;
          lock.unlock();
          writeUnwritten();
          lock.lock();
        }
      } else {
        wake_.wait(lock, [this] { return !jobs_.empty() || stopping_; });
      }
      continue;
    }
    auto job = std::move(jobs_.front());
    jobs_.pop_front();
    busy_ = true;
    lock.unlock();
    job();
    lock.lock();
  }
  lock.unlock();
  if (!unwrittenRecords_.empty()) writeUnwritten();  // once more at the end
}

}  // namespace tessaly
