#include "check/Report.h"

#include <cstdio>

namespace tessaly {

std::string scoreLine(const CheckResult& r) {
  char accuracy[16];
  std::snprintf(accuracy, sizeof accuracy, "%.1f%%", r.accuracy());
  return "参考共 " + std::to_string(r.referenceUnits()) + " 个字词，错 " + std::to_string(r.errors()) + " 处（写错 " +
         std::to_string(r.substitutions) + "，漏写 " + std::to_string(r.deletions) + "，多写 " +
         std::to_string(r.insertions) + "），正确率 " + accuracy;
}

std::string classesLine(const CheckResult& r) {
  return "写错的：同音字 " + std::to_string(r.homophones) + "，声调没听出 " + std::to_string(r.tones) + "，拼写 " +
         std::to_string(r.spellings) + "，其他 " + std::to_string(r.others);
}

std::string errorText(const CheckResult& r, const Edit& e) {
  const std::string want = e.reference >= 0 ? r.reference[static_cast<std::size_t>(e.reference)].text : "";
  const std::string got = e.dictation >= 0 ? r.dictation[static_cast<std::size_t>(e.dictation)].text : "";
  switch (e.kind) {
    case EditKind::Deletion: return "漏写：" + want;
    case EditKind::Insertion: return "多写：" + got;
    case EditKind::Substitution: {
      const char* slip = e.slip == SlipClass::Homophone ? "（同音）" : e.slip == SlipClass::Tone ? "（声调）" :
                         e.slip == SlipClass::Spelling ? "（拼写）" : "";
      return std::string("写错") + slip + "：" + got + " → " + want;
    }
    case EditKind::Match: break;
  }
  return {};
}

std::string checkReport(const CheckResult& r, std::size_t maxErrors) {
  std::string report = scoreLine(r) + "\n" + classesLine(r);
  std::size_t listed = 0;
  for (const Edit& e : r.edits) {
    if (e.kind == EditKind::Match) continue;
    if (++listed > maxErrors) {
      report += "\n……";
      break;
    }
    report += "\n" + errorText(r, e);
  }
  return report;
}

}  // namespace tessaly
