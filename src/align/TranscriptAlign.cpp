// SPDX-License-Identifier: GPL-3.0-or-later
#include "align/TranscriptAlign.h"

#include <algorithm>

namespace tessaly {

std::string alignmentReport(const TranscriptAlignState& state, const std::string& recordingName) {
  if (!state.error.empty()) return state.error;
  std::string report = "已按文本为“" + recordingName + "”分好句子：" + std::to_string(state.found) + " 句";
  if (state.found < state.sentences) report += "（文本共 " + std::to_string(state.sentences) + " 句）";
  report += state.besideRecording
                ? "，保存为录音旁边的\n" + state.keptPath
                : "。录音旁边已有句子文件（或那里不能写），没有覆盖它；新的句子表保存在\n" + state.keptPath;
  report += "\n逐句键（Alt+P、Alt+N、Alt+R）、逐句检查和复习现在都按这些句子。";
  if (!state.leftOut.empty()) {
    report += "\n\n录音里没有找到下面的句子，没有放进句子表：";
    const int shown = std::min<int>(kLeftOutShown, static_cast<int>(state.leftOut.size()));
    for (int i = 0; i < shown; ++i) report += "\n· " + state.leftOut[static_cast<std::size_t>(i)];
    if (static_cast<int>(state.leftOut.size()) > shown)
      report += "\n……还有 " + std::to_string(state.leftOut.size() - static_cast<std::size_t>(shown)) + " 句";
  }
  return report;
}

}  // namespace tessaly
