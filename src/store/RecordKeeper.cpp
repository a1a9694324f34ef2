// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/RecordKeeper.h"

#include <algorithm>
#include <chrono>
#include <filesystem>

#include "text/Fnv.h"
#include "text/TextFile.h"

namespace tessaly {

namespace {

namespace fs = std::filesystem;

constexpr const char* kNewerReason = "练习记录文件是较新版本的程序写的";

// Where the unwritten rows of `record` may be kept: beside it first, then in each spare
// folder under a name of the record's path (two records never share a spare file).
std::vector<fs::path> unwrittenPlaces(const std::string& record, const std::vector<std::string>& spareFolders) {
  std::vector<fs::path> places{fs::path(record + ".unwritten")};
  const std::string spareName = fs::path(record).filename().string() + ".unwritten-" + fnvHex(record);
  for (const std::string& folder : spareFolders) places.push_back(fs::path(folder) / spareName);
  return places;
}

// `place` and the names an earlier run may have taken beside it ("…unwritten", "…unwritten-2").
std::vector<fs::path> filesAt(const fs::path& place) {
  std::vector<fs::path> found;
  std::error_code error;
  const std::string name = place.filename().string();
  for (fs::directory_iterator it(place.parent_path(), error), end; !error && it != end; it.increment(error)) {
    const std::string other = it->path().filename().string();
    if (other != name &&
        !(other.starts_with(name + "-") && std::all_of(other.begin() + static_cast<std::ptrdiff_t>(name.size() + 1),
                                                       other.end(), [](char c) { return c >= '0' && c <= '9'; })))
      continue;
    if (std::error_code kind; it->is_regular_file(kind)) found.push_back(it->path());
  }
  std::sort(found.begin(), found.end());
  return found;
}

}  // namespace

RecordKeeper::RecordKeeper(std::string path, int retryMs) : RecordKeeper(std::move(path), Options{retryMs, 5000, {}}) {}

RecordKeeper::RecordKeeper(std::string path, Options options)
    : path_(std::move(path)),
      options_([&] {
        if (options.spareFolders.empty()) {
          std::error_code error;
          const fs::path temporary = fs::temp_directory_path(error);
          if (!error) options.spareFolders.push_back(temporary.string());
        }
        return std::move(options);
      }()),
      retrying_(
          writer_, std::chrono::milliseconds(options_.retryMs), [this] { return unwritten() > 0; },
          [this] { writeUnwritten(); }) {
  store_.setBusyTimeout(options_.busyMs);
  writer_.post([this] {
    const RecordStore::Opened opened = store_.open(path_);
    newer_ = opened.problem == RecordProblem::Newer;
    if (opened.problem != RecordProblem::None) {
      reason_ = newer_ ? kNewerReason : store_.lastReason();
      reopen_ = !store_.writable();
      tell(opened.problem, reason_, opened.movedTo);
    }
    takeBackUnwritten();
  });
}

RecordKeeper::~RecordKeeper() { finish(); }

std::string RecordKeeper::finish() {
  {
    std::lock_guard lock(mutex_);
    if (finished_) return {};
    finished_ = true;
  }
  // A lock another program holds is waited on a moment only, the wait under way included:
  // what it keeps from the record goes into the file of unwritten rows. What is queued is
  // written first, and what is still unwritten tried once more.
  store_.setBusyTimeout(std::min(options_.busyMs, kQuitBusyMs));
  writer_.finish([this] { finalWords_ = keepUnwritten(); });
  return std::move(finalWords_);
}

void RecordKeeper::record(CheckRecord record) {
  writer_.post([this, record = std::move(record)]() mutable {
    RecordingIdentity identity = identityOf(record.recording);
    queue({std::move(record), std::move(identity)});
  });
}

void RecordKeeper::recordTake(TakeRecord take) {
  writer_.post([this, take = std::move(take)]() mutable {
    RecordingIdentity identity = identityOf(take.recording);
    queue({std::move(take), std::move(identity)});
  });
}

void RecordKeeper::queue(UnwrittenRow row) {
  unwrittenRows_.push_back(std::move(row));
  writeUnwritten();
}

void RecordKeeper::reopen() {
  const RecordStore::Opened opened = store_.open(path_);
  newer_ = opened.problem == RecordProblem::Newer;
  reopen_ = !store_.writable();
  // A damaged file found now is moved aside as at the start, and said so at once.
  if (opened.problem == RecordProblem::Corrupt) tell(opened.problem, opened.detail, opened.movedTo);
}

void RecordKeeper::reopenToRead() {
  if (!store_.isOpen() && !newer_) reopen();
}

void RecordKeeper::writeUnwritten() {
  if (!unwrittenRows_.empty() && !newer_ && (reopen_ || !store_.writable())) reopen();
  bool wroteAny = false;
  while (!unwrittenRows_.empty()) {
    const UnwrittenRow& row = unwrittenRows_.front();
    const auto* check = std::get_if<CheckRecord>(&row.row);
    const auto* take = std::get_if<TakeRecord>(&row.row);
    const bool there = row.replayed && (check ? store_.holds(*check, row.identity) : store_.holds(*take));
    const RecordProblem problem = there   ? RecordProblem::None
                                  : check ? store_.add(*check, row.identity)
                                          : store_.addTake(*take, row.identity);
    if (problem != RecordProblem::None) {
      reason_ = newer_ ? kNewerReason : store_.lastReason();
      reopen_ = problem != RecordProblem::Busy;  // a lock is waited out on the same connection
      tell(newer_ ? RecordProblem::Newer : problem, reason_);
      break;
    }
    unwrittenRows_.pop_front();
    wroteAny = true;
    retrying_.succeeded();  // written again: the next problem is news
  }
  if (wroteAny && unwrittenRows_.empty()) removeTakenBack();  // every row of them is in the record now
  std::lock_guard lock(mutex_);
  unwrittenCount_ = unwrittenRows_.size();
}

void RecordKeeper::takeBackUnwritten() {
  for (const fs::path& place : unwrittenPlaces(path_, options_.spareFolders)) {
    for (const fs::path& file : filesAt(place)) {
      std::string bytes;
      std::optional<std::vector<UnwrittenRow>> rows;
      if (readFileBytes(file, bytes).ok) rows = readUnwrittenRows(bytes);
      if (!rows) {
        unread_.push_back(file);
        std::lock_guard lock(mutex_);
        problems_.push_back("有一个未写入练习记录的结果文件无法读取，已原样保留：\n" + file.string() +
                            "\n听写内容不受影响。");
        continue;
      }
      takenBack_.push_back(file);
      for (UnwrittenRow& row : *rows) unwrittenRows_.push_back(std::move(row));
    }
  }
  writeUnwritten();
}

void RecordKeeper::removeTakenBack() {
  for (const fs::path& file : takenBack_) {
    std::error_code error;
    fs::remove(file, error);  // left (a read-only folder): read again next time, nothing written twice
  }
  takenBack_.clear();
}

std::string RecordKeeper::keepUnwritten() {
  if (unwrittenRows_.empty()) {
    removeTakenBack();
    return {};
  }
  std::vector<UnwrittenRow> rows(unwrittenRows_.begin(), unwrittenRows_.end());
  const std::string text = unwrittenRowsText(rows);
  const std::string what = "有 " + unwrittenRowsSummary(rows) + "没能写入练习记录：\n" + path_ + "\n（" +
                           (reason_.empty() ? "原因不明" : reason_) + "）\n";
  std::string failed;
  for (const fs::path& place : unwrittenPlaces(path_, options_.spareFolders)) {
    // The first of its names that is free or holds rows now in the queue; never a file not read.
    fs::path file = place;
    for (int n = 2;; ++n) {
      std::error_code error;
      const bool ours = std::find(takenBack_.begin(), takenBack_.end(), file) != takenBack_.end();
      const bool unread = std::find(unread_.begin(), unread_.end(), file) != unread_.end();
      if (!unread && (ours || !fs::exists(file, error))) break;
      file = place.string() + "-" + std::to_string(n);
    }
    std::error_code error;
    fs::create_directories(file.parent_path(), error);
    const FileResult written = writeFileAtomically(file, text);
    if (!written.ok) {
      if (failed.empty()) failed = written.error;
      continue;
    }
    std::erase(takenBack_, file);
    removeTakenBack();  // their rows are in the new file
    return what + "它们已另存在：\n" + file.string() + "\n下次启动时会自动写入练习记录。";
  }
  // Nowhere to keep them: the files read at the start stay as they were.
  return what + "也没能另存（" + failed + "），这些结果没有保存下来。";
}

std::uint32_t RecordKeeper::askDue(int today, int most) {
  return dues_.ask([this, today, most] {
    reopenToRead();
    return DueList{store_.due(today, most), store_.dueCount(today)};
  });
}

std::optional<DueList> RecordKeeper::takeDue(std::uint32_t serial) { return dues_.take(serial); }

std::uint32_t RecordKeeper::askStats(int today, int days) {
  return stats_.ask([this, today, days] {
    reopenToRead();
    return store_.stats(today, days);
  });
}

std::optional<RecordStats> RecordKeeper::takeStats(std::uint32_t serial) { return stats_.take(serial); }

std::uint32_t RecordKeeper::askMissed(std::int64_t recordingId) {
  return missed_.ask([this, recordingId] {
    reopenToRead();
    return store_.missed(recordingId);
  });
}

std::optional<std::vector<MissedSentence>> RecordKeeper::takeMissed(std::uint32_t serial) { return missed_.take(serial); }

std::uint32_t RecordKeeper::askFind(const DueSentence& sentence, std::vector<std::string> folders) {
  return found_.ask(
      [this, id = sentence.recordingId, identity = sentence.identity, folders = std::move(folders)]() mutable {
        reopenToRead();
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
        return found;
      });
}

std::optional<std::string> RecordKeeper::takeFound(std::uint32_t serial) { return found_.take(serial); }

void RecordKeeper::relink(std::int64_t recordingId, std::string path) {
  writer_.post([this, recordingId, path = std::move(path)] { store_.relink(recordingId, path); });
}

void RecordKeeper::setAside(std::int64_t recordingId) {
  writer_.post([this, recordingId] { store_.setAside(recordingId); });
}

void RecordKeeper::tell(RecordProblem problem, const std::string& detail, const std::string& movedTo) {
  std::string text;
  switch (problem) {
    case RecordProblem::None: return;
    case RecordProblem::Corrupt:
      text = movedTo.empty()
                 ? "练习记录文件已损坏，无法使用：\n" + path_ + "\n本次不记录练习，听写内容不受影响。"
                 : "练习记录文件已损坏，原文件已改名保存为：\n" + movedTo + "\n程序新建了一个练习记录，听写内容不受影响。";
      break;
    case RecordProblem::Newer:
      text = "练习记录文件是较新版本的程序写的，这个版本不能改动它：\n" + path_ + "\n本次不记录练习，听写内容不受影响。";
      break;
    case RecordProblem::Busy:
    case RecordProblem::Unwritable:
      text = "无法写入练习记录：\n" + path_ + "\n（" + (detail.empty() ? "原因不明" : detail) +
             "）\n检查结果先留在内存中，程序会在后台再试，退出时没写入的会另存；听写内容不受影响。";
      break;
  }
  // A damaged file is always news: it has been moved aside.
  if (!retrying_.failed() && problem != RecordProblem::Corrupt) return;
  std::lock_guard lock(mutex_);
  problems_.push_back(std::move(text));
}

std::string RecordKeeper::takeProblem() {
  std::lock_guard lock(mutex_);
  if (problems_.empty()) return {};
  std::string text = std::move(problems_.front());
  problems_.erase(problems_.begin());
  return text;
}

void RecordKeeper::waitIdle() { writer_.waitIdle(); }

std::size_t RecordKeeper::unwritten() const {
  std::lock_guard lock(mutex_);
  return unwrittenCount_;
}

}  // namespace tessaly
