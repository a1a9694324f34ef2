#include "practice/CheckRunner.h"

#include <algorithm>

#include "check/Report.h"

namespace tessaly {

PracticeCheck practiceCheck(const std::string& dictation, const Reference& reference, const ReadingTable& readings) {
  PracticeCheck check;
  check.result = checkDictation(dictation, reference.text, readings);
  check.reference = reference;
  check.marks = markUp(dictation, check.result);
  if (reference.sentences.empty()) return check;
  // Each error goes with the sentence of its reference unit; an extra unit with the sentence
  // of the unit before it (the first sentence when it comes before all of them).
  int sentence = 0;
  for (const Edit& e : check.result.edits) {
    if (e.reference >= 0) sentence = std::max(0, sentenceOfUnit(reference, check.result, e.reference));
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
  std::optional<ReadingTable> readings;  // read by the first check
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
      if (!readings) {
        readings.emplace();
        readings->load(readingsPath_);
      }
      check = practiceCheck(dictation, reference, *readings);
    }
    lock.lock();
    resultSerial_ = serial;
    result_ = std::move(check);
  }
}

}  // namespace tessaly
