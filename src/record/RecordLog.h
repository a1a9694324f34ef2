// SPDX-License-Identifier: GPL-3.0-or-later
// The learner's record as the rest of the program sees it: where a finished check or a
// compared 跟读 take is handed (PracticeLog, TakeLog), and RecordLog, which adds the record's
// other writes (a recording relinked or set aside) and its reads (the due list, the charts'
// figures, the missed sentences, a moved recording looked for).
//
// A write returns at once; the keeping is the log's own business. A read is asked for and
// its answer taken later by the serial the question returned: take…(serial) gives nullopt
// until the answer is there, then the answer once. A problem keeping the record comes back
// as a sentence for the 提示窗口, once.
//
// Threads: every call on one thread, the user-interface thread (or a test's); an
// implementation answers from a thread of its own (store/RecordKeeper.h: SQLite on its
// writer thread). The answers' types are pure, any thread.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "record/CheckRecord.h"
#include "record/ReviewState.h"
#include "record/TakeRecord.h"
#include "text/FileIdentity.h"

namespace tessaly {

// A sentence due for review, and where its recording was last seen.
struct DueSentence {
  std::int64_t recordingId = 0;
  std::string recording;  // the path it was last seen at
  RecordingIdentity identity;
  std::int32_t startMs = 0, endMs = 0;
  std::string reference;
  ReviewState state;
};

struct DueList {
  std::vector<DueSentence> sentences;  // the most overdue first
  int count = 0;                       // all that are due
};

struct RecordStats {
  std::vector<std::pair<int, double>> accuracyByDay;     // day, mean accuracy of its sentences
  std::vector<std::pair<std::string, int>> slipKinds;    // kind, count; most first
  std::array<std::array<int, 5>, 5> tones{};             // [reference tone − 1][written tone − 1]
  std::vector<std::pair<std::string, int>> wordsMissed;  // Latin words missed or misspelt, most first
  std::int64_t sentences = 0;                            // every sentence checked
};

// A sentence in the review with its last attempt that missed.
struct MissedSentence {
  std::string recording;
  std::string recordingHash;  // the recording's identity
  std::int32_t startMs = 0, endMs = 0;
  std::string reference;
  std::string written;  // the last attempt that missed
  std::vector<RecordedSlip> slips;
};

class PracticeLog {
 public:
  virtual ~PracticeLog() = default;
  // Keeps `record`; returns at once.
  virtual void record(CheckRecord record) = 0;
};

class TakeLog {
 public:
  virtual ~TakeLog() = default;
  // Keeps `record`; returns at once.
  virtual void recordTake(TakeRecord record) = 0;
};

class RecordLog : public PracticeLog, public TakeLog {
 public:
  // The sentences due on `today` or before, the most overdue first (at most `most`), and how
  // many are due.
  virtual std::uint32_t askDue(int today, int most) = 0;
  virtual std::optional<DueList> takeDue(std::uint32_t serial) = 0;
  // The record drawn over the `days` days up to `today`.
  virtual std::uint32_t askStats(int today, int days) = 0;
  virtual std::optional<RecordStats> takeStats(std::uint32_t serial) = 0;
  // The sentences in the review, of every recording (`recordingId` 0) or of one, in the
  // order of their recordings and their starts.
  virtual std::uint32_t askMissed(std::int64_t recordingId) = 0;
  virtual std::optional<std::vector<MissedSentence>> takeMissed(std::uint32_t serial) = 0;
  // Looks for a recording that is no longer where it was: a file of its identity in the
  // folders of the recordings the record has seen and in `folders`; found, it is relinked.
  // The answer is the path it was found at, "" for none.
  virtual std::uint32_t askFind(const DueSentence& sentence, std::vector<std::string> folders) = 0;
  virtual std::optional<std::string> takeFound(std::uint32_t serial) = 0;
  // The learner pointed to a moved recording, or gave a vanished one up (its sentences set
  // aside from the review until it is seen again).
  virtual void relink(std::int64_t recordingId, std::string path) = 0;
  virtual void setAside(std::int64_t recordingId) = 0;
  // A problem not told yet ("" for none), in a sentence for the 提示窗口; each once.
  virtual std::string takeProblem() = 0;
};

}  // namespace tessaly
