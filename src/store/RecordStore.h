// SPDX-License-Identifier: GPL-3.0-or-later
// The learner's record on disk: one SQLite database (practice.sqlite3 in the per-user data
// folder) of a schema version (PRAGMA user_version) brought up to date by migrations at open.
// It holds every checked sentence with its slips, the recordings by path and by identity
// (text/FileIdentity.h, so a moved file is found again), the review schedule of each sentence
// that was missed, and the score of each 跟读 take. The queries are here; opening the file
// (a damaged one moved aside, a newer one left alone) and the transactions are
// store/Sqlite.h's. The schedule written is the one review/ReviewSchedule.h decides.
//
// A write is one transaction per check, so a kill loses at most the check under way; a busy
// database is waited on (busy timeout), a full or read-only one fails that write, which the
// caller keeps for later.
//
// Used by one thread at a time: the record's writer (store/RecordKeeper.h), the benchmark and
// the tests; setBusyTimeout alone may be called from any thread (the writer's owner shortens
// a wait under way when the program quits).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "record/RecordLog.h"
#include "store/Sqlite.h"

namespace tessaly {

using RecordProblem = sqlite::Problem;

struct KnownRecording {
  std::int64_t id = 0;
  std::string path;
  RecordingIdentity identity;
  bool setAside = false;
};

class RecordStore {
 public:
  static constexpr int kSchemaVersion = 3;

  using Opened = sqlite::Database::Opened;
  // Opens (making it, and its folder, when missing) the record at `path`.
  Opened open(const std::string& path);
  bool isOpen() const { return database_.isOpen(); }
  // How long a database another program holds is waited on, from now on (a wait under way
  // included). Any thread.
  void setBusyTimeout(int ms) { database_.setBusyTimeout(ms); }
  bool writable() const { return database_.writable(); }

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
  // last attempt that missed.
  std::vector<MissedSentence> missed(std::int64_t recordingId = 0);

  std::vector<KnownRecording> recordings();
  // A recording found at another path, or vanished (its sentences set aside from review).
  bool relink(std::int64_t recordingId, const std::string& path);
  bool setAside(std::int64_t recordingId);

  // Whether the record holds `record` (a check of that recording at that second with as many
  // sentences) or `take` already: a row read back from the unwritten file may have been
  // written before the program stopped.
  bool holds(const CheckRecord& record, const RecordingIdentity& identity);
  bool holds(const TakeRecord& take);

  const std::string& lastError() const { return database_.lastError(); }
  // Why the last open or write failed, in the learner's words: "磁盘已满", "文件是只读的",
  // "被另一个程序占用"…
  std::string lastReason() const { return database_.lastReason(); }

 private:
  sqlite3* db() const { return database_.handle(); }
  // The recording's row (made, or its path brought up to date); 0 when that failed.
  std::int64_t recordingIdOf(const std::string& path, const RecordingIdentity& identity);
  // One transaction: the recording's row, then `write` with its id; all of it or nothing.
  RecordProblem writeFor(const std::string& path, const RecordingIdentity& identity,
                         const std::function<bool(std::int64_t recordingId)>& write);

  sqlite::Database database_;
};

}  // namespace tessaly
