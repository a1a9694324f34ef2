// SPDX-License-Identifier: GPL-3.0-or-later
// The learner's record on disk: one SQLite database (practice.sqlite3 in the per-user data
// folder), WAL journal, a schema version (PRAGMA user_version) brought up to date by
// migrations at open. It holds every checked sentence with its slips, the recordings by path
// and by identity (size and a hash of the first and last 64 KiB, so a moved file is found
// again), the review schedule of each sentence that was missed, and the score of each 跟读
// take.
//
// At open: a file that is damaged (not a database by its header, or its integrity check finds
// faults) is moved aside (kept, never deleted) and a new one made; a file that merely cannot
// be read or written now (a full disk, a read-only file or folder, another program's lock) is
// left as it is and the open fails, to be tried again. A file of a newer schema is left alone
// and the store does not write. A write is one transaction per check, so a kill loses at most
// the check under way; a busy database is waited on (busy timeout), a full or read-only one
// fails that write, which the caller keeps for later.
//
// Used by one thread at a time: the record's writer (review/RecordKeeper.h), the benchmark and
// the tests; setBusyTimeout alone may be called from any thread (the writer's owner shortens
// a wait under way when the program quits).
#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "review/AnkiNotes.h"
#include "review/CheckRecord.h"
#include "review/ReviewSchedule.h"
#include "review/TakeRecord.h"
#include "text/FileIdentity.h"

struct sqlite3;

namespace tessaly {

enum class RecordProblem { None, Corrupt, Newer, Unwritable, Busy };

struct DueSentence {
  std::int64_t recordingId = 0;
  std::string recording;  // the path it was last seen at
  RecordingIdentity identity;
  std::int32_t startMs = 0, endMs = 0;
  std::string reference;
  ReviewState state;
};

struct RecordStats {
  std::vector<std::pair<int, double>> accuracyByDay;     // day, mean accuracy of its sentences
  std::vector<std::pair<std::string, int>> slipKinds;    // kind, count; most first
  std::array<std::array<int, 5>, 5> tones{};             // [reference tone − 1][written tone − 1]
  std::vector<std::pair<std::string, int>> wordsMissed;  // Latin words missed or misspelt, most first
  std::int64_t sentences = 0;                            // every sentence checked
};

struct KnownRecording {
  std::int64_t id = 0;
  std::string path;
  RecordingIdentity identity;
  bool setAside = false;
};

class RecordStore {
 public:
  static constexpr int kSchemaVersion = 3;

  RecordStore() = default;
  RecordStore(const RecordStore&) = delete;
  RecordStore& operator=(const RecordStore&) = delete;
  ~RecordStore();

  struct Opened {
    RecordProblem problem = RecordProblem::None;
    std::string movedTo;  // a corrupt file's new name
    std::string detail;   // SQLite's words
  };
  // Opens (making it, and its folder, when missing) the record at `path`.
  Opened open(const std::string& path);
  bool isOpen() const { return db_ != nullptr; }
  // How long a database another program holds is waited on, from now on (a wait under way
  // included). Any thread.
  void setBusyTimeout(int ms) { busyTimeoutMs_.store(ms); }
  bool writable() const { return db_ != nullptr && writable_; }

  // Keeps one check: its sentences and slips, and the schedule of each sentence it covered
  // that has one or was missed. None on success; otherwise nothing of it was kept.
  RecordProblem add(const CheckRecord& record, const RecordingIdentity& identity);
  // Keeps a compared 跟读 take's score, in one transaction.
  RecordProblem addTake(const TakeRecord& take, const RecordingIdentity& identity);
  // Every take kept, the first first.
  std::vector<TakeRecord> takes();

  // The sentences due on `today` or before, most overdue first (at most `most`), and how many.
  std::vector<DueSentence> due(int today, int most);
  int dueCount(int today);
  // The record drawn over the `days` days up to `today`.
  RecordStats stats(int today, int days);

  // The sentences in the review (all, or those of recording `recordingId`), each with its
  // last attempt that missed: for flash cards.
  std::vector<AnkiNote> missed(std::int64_t recordingId = 0);

  std::vector<KnownRecording> recordings();
  // A recording found at another path, or vanished (its sentences set aside from review).
  bool relink(std::int64_t recordingId, const std::string& path);
  bool setAside(std::int64_t recordingId);

  // Whether the record holds `record` (a check of that recording at that second with as many
  // sentences) or `take` already: a row read back from the unwritten file may have been
  // written before the program stopped.
  bool holds(const CheckRecord& record, const RecordingIdentity& identity);
  bool holds(const TakeRecord& take);

  const std::string& lastError() const { return lastError_; }
  // Why the last open or write failed, in the learner's words: "磁盘已满", "文件是只读的",
  // "被另一个程序占用"…
  std::string lastReason() const;

 private:
  bool exec(const char* sql);
  bool migrate(int from);
  void close();
  void rollback();
  RecordProblem lastProblem() const;
  // Notes the connection's last error (its code, the system's errno and SQLite's words).
  RecordProblem failure();
  RecordProblem openFailure(int code, int systemErrno, std::string words);
  void noteFolderUnwritable(const std::string& path);
  static int onBusy(void* self, int count);
  // The recording's row (made, or its path brought up to date); 0 when that failed.
  std::int64_t recordingIdOf(const std::string& path, const RecordingIdentity& identity);
  // One transaction: the recording's row, then `write` with its id; all of it or nothing.
  RecordProblem writeFor(const std::string& path, const RecordingIdentity& identity,
                         const std::function<bool(std::int64_t recordingId)>& write);

  sqlite3* db_ = nullptr;
  bool writable_ = false;
  std::string lastError_;
  int lastCode_ = 0, lastErrno_ = 0;
  std::atomic<int> busyTimeoutMs_{5000};
  std::chrono::steady_clock::time_point busySince_;
};

}  // namespace tessaly
