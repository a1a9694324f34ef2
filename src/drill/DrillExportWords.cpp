// SPDX-License-Identifier: GPL-3.0-or-later
#include "drill/DrillExportWords.h"

#include <filesystem>

namespace tessaly {

std::string drillExportProblem(const std::string& recording, const std::vector<DrillStep>& plan) {
  if (recording.empty()) return "请先打开语音文件，再导出它的复读录音。";
  if (plan.empty()) return "请先在复读选项（Alt+O）里选一个复读方案（“单句循环”不能导出）；录音也要先有句子。";
  return {};
}

DrillFileOffer drillFileOffer(const std::string& recording, const std::string& scheme) {
  const std::filesystem::path source(recording);
  return {source.parent_path().string(), source.stem().string() + "-" + scheme + ".mp3"};
}

std::string drillInTheWayQuestion(const std::string& outPath, const std::vector<std::string>& inTheWay) {
  std::string others;
  for (const std::string& file : inTheWay)
    if (file != outPath) others += file + "\n";
  if (others.empty()) return {};
  return "导出的复读录音会覆盖或占用下面的文件，它们属于另一个录音，或者是你自己的文件：\n" + others + "仍要导出吗？";
}

std::string drillExportReport(const DrillExportState& state, const std::string& outPath) {
  if (!state.error.empty()) return state.error;
  return "已导出复读录音：\n" + outPath + "\n和它的 .lrc 文件。" + (state.warning.empty() ? "" : "\n\n" + state.warning);
}

}  // namespace tessaly
