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

std::uint32_t CheckRunner::start(std::string dictation, Reference reference, std::string referenceFile) {
  return worker_.start([this, dictation = std::move(dictation), reference = std::move(reference),
                        file = std::move(referenceFile)](const std::atomic<bool>&, const auto& publish) mutable {
    PracticeCheck check;
    if (!file.empty() && !referenceFromFile(file, reference)) {
      check.unreadableFile = file;
    } else {
      if (!tables_) tables_ = sharedCheckTables(readingsPath_);
      // A check that fails (no memory left for it) is told; it must not end the program.
      try {
        check = practiceCheck(dictation, reference, tables_->tables);
      } catch (const std::exception&) {
        check = {};
        check.failure = "听写或参考文本太长，检查没能完成。";
      }
    }
    publish([&](PracticeCheck& result) { result = std::move(check); }, true);
  });
}

}  // namespace tessaly
