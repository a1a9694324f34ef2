// SPDX-License-Identifier: GPL-3.0-or-later
// Checks in the background: the practice window hands over the dictation and its reference
// and takes the result on a later tick, so a long dictation, or the first check's reading of
// its tables, never holds up the window; a check that fails (no memory left) is told, never
// ends the program. The newest request wins; an older one's result, stale by its serial
// number, is never handed out.
//
// Threads: start() and take() on the user-interface thread; the checks on the runner's
// worker (worker/BackgroundWorker.h). The check's tables (readings, words, spellings) are the
// program's one copy (check/SharedCheckTables.h), fetched by the first check and only read.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "check/Check.h"
#include "check/Markup.h"
#include "check/Reference.h"
#include "check/SharedCheckTables.h"
#include "worker/BackgroundWorker.h"

namespace tessaly {

// One reference sentence's errors, in the words of the report ("漏写：他").
struct SentenceErrors {
  int sentence = -1;  // in Reference::sentences
  std::vector<std::string> errors;
};

struct PracticeCheck {
  std::string unreadableFile;  // the chosen reference file could not be read: nothing else is set
  std::string failure;         // the check could not be made (out of memory): nothing else is set
  CheckResult result;
  Reference reference;
  std::vector<MarkPiece> marks;                // the dictation marked up
  std::vector<SentenceErrors> sentenceErrors;  // when the reference has sentences; those with errors
};

// The whole check of `dictation` against `reference`. Pure.
PracticeCheck practiceCheck(const std::string& dictation, const Reference& reference, const CheckTables& tables);

class CheckRunner {
 public:
  explicit CheckRunner(std::string readingsPath) : readingsPath_(std::move(readingsPath)) {}

  // Checks `dictation` against `referenceFile` (read on the worker) when one is named, else
  // against `reference`.
  std::uint32_t start(std::string dictation, Reference reference, std::string referenceFile);
  // The result of check `serial` once it is done (once only).
  std::optional<PracticeCheck> take(std::uint32_t serial) { return worker_.take(serial); }

 private:
  const std::string readingsPath_;
  std::shared_ptr<const LoadedCheckTables> tables_;  // the worker's alone
  BackgroundWorker<PracticeCheck> worker_;           // last: its job uses the members above
};

}  // namespace tessaly
