// SPDX-License-Identifier: GPL-3.0-or-later
#include "practice/CheckRunner.h"

#include <algorithm>
#include <exception>

#include "check/Report.h"

namespace tessaly {

PracticeCheck practiceCheck(const std::string& dictation, const Reference& reference, const CheckTables& tables) {
  PracticeCheck check;
  check.result = checkAgainst(dictation, reference, tables);
  check.reference = reference;
  check.marks = markUp(dictation, check.result);
  if (reference.sentences.empty()) return check;
  for (const Edit& e : check.result.edits) {
    const int sentence = std::max(0, e.sentence);
    if (e.kind == EditKind::Match) continue;
    if (check.sentenceErrors.empty() || check.sentenceErrors.back().sentence != sentence)
      check.sentenceErrors.push_back({sentence, {}});
    check.sentenceErrors.back().errors.push_back(errorText(check.result, e));
  }
  return check;
}

CheckRunner::CheckRunner(std::string readingsPath)
    : readingsPath_(std::move(readingsPath)), thread_([this] { run(); }) {}

CheckRunner::~CheckRunner() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_one();
  thread_.join();
}

std::uint32_t CheckRunner::start(std::string dictation, Reference reference, std::string referenceFile) {
  const std::uint32_t serial = ++serial_;
  {
    std::lock_guard lock(mutex_);
    requestSerial_ = serial;
    dictation_ = std::move(dictation);
    reference_ = std::move(reference);
    referenceFile_ = std::move(referenceFile);
  }
  wake_.notify_one();
  return serial;
}

std::optional<PracticeCheck> CheckRunner::take(std::uint32_t serial) {
  std::lock_guard lock(mutex_);
  if (resultSerial_ != serial || !result_) return std::nullopt;
  std::optional<PracticeCheck> done = std::move(result_);
  result_.reset();
  return done;
}

void CheckRunner::run() {
  std::optional<CheckTables> tables;  // read by the first check
  std::unique_lock lock(mutex_);
  for (;;) {
    wake_.wait(lock, [this] { return stopping_ || requestSerial_ != 0; });
    if (stopping_) return;
    const std::uint32_t serial = requestSerial_;
    requestSerial_ = 0;
    const std::string dictation = std::move(dictation_);
    Reference reference = std::move(reference_);
    const std::string file = std::move(referenceFile_);
    lock.unlock();
    PracticeCheck check;
    if (!file.empty() && !referenceFromFile(file, reference)) {
      check.unreadableFile = file;
    } else {
      if (!tables) {
        tables.emplace();
        loadCheckTables(readingsPath_, *tables);
      }
      // A check that fails (no memory left for it) is told; it must not end the program.
      try {
        check = practiceCheck(dictation, reference, *tables);
      } catch (const std::exception&) {
        check = {};
        check.failure = "听写或参考文本太长，检查没能完成。";
      }
    }
    lock.lock();
    resultSerial_ = serial;
    result_ = std::move(check);
  }
}

}  // namespace tessaly
