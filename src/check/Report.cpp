#include "check/Report.h"

#include <cstdio>

namespace tessaly {

std::string checkReport(const CheckResult& r, std::size_t maxErrors) {
  char accuracy[16];
  std::snprintf(accuracy, sizeof accuracy, "%.1f%%", r.accuracy());
  std::string report = "参考共 " + std::to_string(r.referenceUnits()) + " 个字词，错 " + std::to_string(r.errors()) +
                       " 处（写错 " + std::to_string(r.substitutions) + "，漏写 " + std::to_string(r.deletions) +
                       "，多写 " + std::to_string(r.insertions) + "），正确率 " + accuracy + "\n";
  report += "写错的：同音字 " + std::to_string(r.homophones) + "，声调没听出 " + std::to_string(r.tones) + "，拼写 " +
            std::to_string(r.spellings) + "，其他 " + std::to_string(r.others);
  std::size_t listed = 0;
  for (const Edit& e : r.edits) {
    if (e.kind == EditKind::Match) continue;
    if (++listed > maxErrors) {
      report += "\n……";
      break;
    }
    const std::string want = e.reference >= 0 ? r.reference[static_cast<std::size_t>(e.reference)].text : "";
    const std::string got = e.dictation >= 0 ? r.dictation[static_cast<std::size_t>(e.dictation)].text : "";
    if (e.kind == EditKind::Deletion) {
      report += "\n漏写：" + want;
    } else if (e.kind == EditKind::Insertion) {
      report += "\n多写：" + got;
    } else {
      const char* slip = e.slip == SlipClass::Homophone ? "（同音）" : e.slip == SlipClass::Tone ? "（声调）" :
                         e.slip == SlipClass::Spelling ? "（拼写）" : "";
      report += std::string("\n写错") + slip + "：" + got + " → " + want;
    }
  }
  return report;
}

}  // namespace tessaly
