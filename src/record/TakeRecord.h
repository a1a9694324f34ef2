// SPDX-License-Identifier: GPL-3.0-or-later
// What the learner's record keeps of a compared 跟读 take: the sentence, the score with its
// parts and its reasons, and where the take's sound is kept; handed to the record through
// TakeLog (record/RecordLog.h). Pure; any thread.
#pragma once

#include <cstdint>
#include <string>

namespace tessaly {

struct TakeRecord {
  std::string recording;  // its path
  std::int32_t startMs = 0, endMs = 0;
  std::string reference;
  int score = 0;  // 0 to 100
  double lengthRatio = 0, shape = 0, rangeSt = 0;
  std::string reasons;  // "整句比原声慢 40 %；第 3 个字的声调偏平"
  std::string takePath;
  std::int64_t at = 0;  // seconds since 1970
  int day = 0;          // the learner's calendar day
};

}  // namespace tessaly
