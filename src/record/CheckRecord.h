// SPDX-License-Identifier: GPL-3.0-or-later
// What the learner's record keeps of one check: for each sentence the check covered, where it
// lies in the recording, its reference text, what was written, its accuracy and each slip
// with its class and, for Han characters, both readings; the recording is named by its path
// and, once the record's writer has read it, by an identity that survives a move.
//
// A finished check is handed to the record through PracticeLog (record/RecordLog.h). Pure;
// any thread.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "check/Reference.h"

namespace tessaly {

struct RecordedSlip {
  std::string kind;                             // "homophone", "tone", "spelling", "other", "missing", "extra"
  std::string expected;                         // the reference's words ("" for an extra word)
  std::string written;                          // what was written instead ("" for a missing word)
  std::string expectedReading, writtenReading;  // pinyin with tone marks, Han for Han only
  int expectedTone = 0, writtenTone = 0;        // 1–5, 0 when there is no reading
  friend bool operator==(const RecordedSlip&, const RecordedSlip&) = default;
};

struct RecordedSentence {
  std::int32_t startMs = -1, endMs = -1;  // -1: a reference without times
  std::string reference;
  std::string written;
  double accuracy = 0;  // percent
  std::vector<RecordedSlip> slips;
};

struct CheckRecord {
  std::string recording;  // its path
  std::int64_t at = 0;    // seconds since 1970
  int day = 0;            // the learner's calendar day, days since 1970-01-01
  std::vector<RecordedSentence> sentences;
};

// A slip's kind in the learner's words: "同音字", "声调", "拼写", "漏写", "多写", "写错".
std::string slipKindName(std::string_view kind);
// A sentence's slips in a line: "声调：好 hǎo → 号 hào；漏写：it".
std::string slipsLine(const std::vector<RecordedSlip>& slips);

// The record of `result`, a check of `dictation` against `reference`: its covered sentences
// (a reference without sentences counts as one).
CheckRecord recordOfCheck(const CheckResult& result, const Reference& reference, std::string_view dictation,
                          std::string recording, std::int64_t at, int day);

// The learner's calendar day of `at` (seconds since 1970), in the local time zone.
int localDay(std::int64_t at);

}  // namespace tessaly
