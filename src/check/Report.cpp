// SPDX-License-Identifier: GPL-3.0-or-later
#include "check/Report.h"

#include <cstdio>

namespace tessaly {

std::string percentText(double accuracy) {
  char text[16];
  std::snprintf(text, sizeof text, "%.1f%%", accuracy);
  return text;
}

std::string scoreLine(const CheckResult& r) {
  if (r.tooDifferent)
    return "听写和参考文本相差太远，无法逐字对照：请确认选的是这篇听写的参考文本（共 " +
           std::to_string(r.dictation.size()) + " 个字词）";
  std::string covered;
  if (r.sentencesTotal > 0) {
    const std::string total = "（共 " + std::to_string(r.sentencesTotal) + " 句）";
    if (r.sentencesChecked == 0) return "还没有写：听写里还没有可以和第 1 句对照的内容" + total;
    covered = "检查了第 1" + (r.sentencesChecked > 1 ? "–" + std::to_string(r.sentencesChecked) : std::string()) + " 句" +
              total + "：";
  }
  return covered + "参考共 " + std::to_string(r.referenceUnits()) + " 个字词，错 " + std::to_string(r.errors()) +
         " 处（写错 " + std::to_string(r.substitutions) + "，漏写 " + std::to_string(r.deletions) + "，多写 " +
         std::to_string(r.insertions) + "），正确率 " + percentText(r.accuracy());
}

std::string classesLine(const CheckResult& r) {
  std::string line = "写错的：同音字 " + std::to_string(r.homophones) + "，声调没听出 " + std::to_string(r.tones) +
                     "，拼写 " + std::to_string(r.spellings) + "，其他 " + std::to_string(r.others);
  if (r.equivalences > 0) line += "；写法不同也算对 " + std::to_string(r.equivalences) + " 处";
  return line;
}

std::string errorText(const CheckResult& r, const Edit& e) {
  const std::string want = e.reference >= 0 ? r.reference[static_cast<std::size_t>(e.reference)].text : "";
  const std::string got = e.dictation >= 0 ? r.dictation[static_cast<std::size_t>(e.dictation)].text : "";
  switch (e.kind) {
    case EditKind::Deletion: return "漏写：" + want;
    case EditKind::Insertion: return "多写：" + got;
    case EditKind::Substitution: {
      const auto read = [](const std::string& unit, const Reading& reading) {
        return reading.syllable.empty() ? unit : unit + " " + pinyinOf(reading);
      };
      const char* label = e.slip == SlipClass::Homophone  ? "写错（同音）"
                          : e.slip == SlipClass::Tone     ? "声调没听出"
                          : e.slip == SlipClass::Spelling ? "写错（拼写）"
                                                          : "写错";
      return std::string(label) + "：" + read(got, e.writtenReading) + " → " + read(want, e.referenceReading);
    }
    case EditKind::Match: break;
  }
  return {};
}

std::string checkReport(const CheckResult& r, std::size_t maxErrors) {
  std::string report = scoreLine(r) + "\n" + classesLine(r);
  for (const SentenceScore& s : r.sentenceScores)
    report += "\n第 " + std::to_string(s.sentence + 1) + " 句：正确率 " + percentText(s.accuracy()) + "，错 " +
              std::to_string(s.errors) + " 处";
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
