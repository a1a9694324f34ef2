// SPDX-License-Identifier: GPL-3.0-or-later
// The learner's record (record/RecordLog.h), kept by a writer thread of its own: the user-interface thread only
// queues (a check's record, a question for the due list or the charts, a relink) and takes
// answers later by serial number, so it never waits on SQLite or the disk.
//
// The writer opens the record (store/RecordStore.h) first, then takes back the rows an earlier
// run could not write (record/UnwrittenRows.h). A row it cannot write (a full disk, a
// read-only file or folder, a database another program holds too long) stays queued in memory
// and is tried again every few seconds, the record reopened first when it could not be opened
// or written; a problem is told once (until a row is written again), with its reason in words,
// in a sentence for the 提示窗口, and the program goes on (the dictation is kept elsewhere and
// never at stake).
//
// At quit (finish()) another program's lock is waited on a moment only; what is still
// unwritten goes, written atomically, to practice.sqlite3.unwritten beside the record (or, when
// that folder takes no file, to a spare folder), never over such a file it could not read, and
// the learner is told what and where. The next start writes it into the record (a row already
// there is not written twice) and removes the file.
//
// Threads: every public call on the user-interface thread (or a test's); the store, the
// unwritten rows and the files of them on the writer's (a worker/SerialQueue.h, whose
// questions keep only the newest answer of each kind). mutex_ guards the count of unwritten
// rows and the problems.
#pragma once

#include <cstdint>
#include <deque>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "record/RecordLog.h"
#include "record/UnwrittenRows.h"
#include "store/RecordStore.h"
#include "worker/SerialQueue.h"

namespace tessaly {

class RecordKeeper final : public RecordLog {
 public:
  struct Options {
    int retryMs = 5000;  // how often unwritten rows are tried again
    int busyMs = 5000;   // how long another program's lock is waited on (at quit: kQuitBusyMs at most)
    // Where the unwritten rows go at quit when the record's own folder takes no file; empty:
    // the system's temporary folder.
    std::vector<std::string> spareFolders;
  };
  static constexpr int kQuitBusyMs = 200;

  explicit RecordKeeper(std::string path, int retryMs = 5000);
  RecordKeeper(std::string path, Options options);
  // finish(), when it was not called.
  ~RecordKeeper() override;

  // Writes what is queued (and tries the unwritten once more), keeps what is still unwritten
  // in its file, and stops the writer. The answer is the sentence for the 提示窗口 saying what
  // could not be written and where it is kept; "" when everything was written. Once.
  std::string finish();

  void record(CheckRecord record) override;
  // A take's score is queued and kept as a check is.
  void recordTake(TakeRecord take) override;

  std::uint32_t askDue(int today, int most) override;
  std::optional<DueList> takeDue(std::uint32_t serial) override;
  std::uint32_t askStats(int today, int days) override;
  std::optional<RecordStats> takeStats(std::uint32_t serial) override;
  std::uint32_t askMissed(std::int64_t recordingId) override;
  std::optional<std::vector<MissedSentence>> takeMissed(std::uint32_t serial) override;
  std::uint32_t askFind(const DueSentence& sentence, std::vector<std::string> folders) override;
  std::optional<std::string> takeFound(std::uint32_t serial) override;
  void relink(std::int64_t recordingId, std::string path) override;
  void setAside(std::int64_t recordingId) override;

  // A problem not told yet ("" for none): the first after a record was written (or after the
  // start), once.
  std::string takeProblem() override;
  const std::string& path() const { return path_; }

  // For the tests and the benchmark: returns once every job queued so far has run.
  void waitIdle();
  // Records kept in memory after a failed write (the writer's count, read under the lock).
  std::size_t unwritten() const;

 private:
  void queue(UnwrittenRow row);
  void writeUnwritten();
  // Opens the record again (a failed open or write may have passed: room again, the lock let go).
  void reopen();
  void reopenToRead();
  // The files of unwritten rows an earlier run left, read into the queue.
  void takeBackUnwritten();
  void removeTakenBack();
  // At the end: the unwritten rows into their file; the sentence for finish().
  std::string keepUnwritten();
  void tell(RecordProblem problem, const std::string& detail, const std::string& movedTo = {});

  const std::string path_;
  const Options options_;
  RecordStore store_;  // the writer's alone, but for its busy timeout
  // The writer's alone:
  std::deque<UnwrittenRow> unwrittenRows_;
  std::vector<std::filesystem::path> takenBack_;  // files whose rows are in the queue or the record
  std::vector<std::filesystem::path> unread_;     // files of that name not read: never written over
  bool newer_ = false;                            // the record is a newer program's: not reopened
  bool reopen_ = false;                           // the last write failed other than by a lock
  std::string reason_;                            // the last failure's, in words
  std::string finalWords_;

  mutable std::mutex mutex_;
  std::size_t unwrittenCount_ = 0;
  std::vector<std::string> problems_;
  bool finished_ = false;

  SerialQueue writer_;  // after everything its jobs use
  Retrying retrying_;   // the unwritten rows, tried again every retryMs; the writer's
  Answers<DueList> dues_{writer_};
  Answers<RecordStats> stats_{writer_};
  Answers<std::string> found_{writer_};
  Answers<std::vector<MissedSentence>> missed_{writer_};
};

}  // namespace tessaly
