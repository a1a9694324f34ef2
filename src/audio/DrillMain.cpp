// SPDX-License-Identifier: GPL-3.0-or-later
// tessaly-drill --scheme NAME [--sentences FIRST-LAST] RECORDING OUT.mp3|OUT.wav: a repeat
// scheme over a recording's sentences rendered to a file (and its .lrc) for any player, for
// teachers who hand drills out. The sentences come from the recording's .lrc or .srt, else
// from its pauses. Progress on standard error. A recording that cannot be read, an unknown
// scheme or a bad argument: a message, exit status 2; a file that cannot be written: exit 1.
#include <cstdio>
#include <string>
#include <vector>

#include "audio/Decoder.h"
#include "audio/DrillRenderer.h"
#include "audio/FailureText.h"
#include "audio/SentenceScanner.h"
#include "drill/DrillPlan.h"
#include "sentences/SentenceMap.h"

namespace {

using namespace tessaly;

int usage(const std::string& why) {
  std::fprintf(stderr, "%s\n用法：tessaly-drill --scheme 方案名 [--sentences 起-止] 录音 输出.mp3|输出.wav\n方案：",
               why.c_str());
  for (const RepeatScheme& scheme : builtInSchemes())
    if (!scheme.plainLoop()) std::fprintf(stderr, " %s", scheme.name.c_str());
  std::fprintf(stderr, "\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::string schemeName, range;
  std::vector<std::string> files;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if ((arg == "--scheme" || arg == "--sentences") && i + 1 < argc) (arg == "--scheme" ? schemeName : range) = argv[++i];
    else if (arg.starts_with("--")) return usage("不认识的选项：" + arg);
    else files.push_back(arg);
  }
  if (files.size() != 2 || schemeName.empty()) return usage("缺少参数。");
  const RepeatScheme scheme = schemeNamed(schemeName);
  if (scheme.name != schemeName || scheme.plainLoop()) return usage("没有这个复读方案：" + schemeName);
  const std::string& recording = files[0];

  audio::Failure failure;
  const auto decoder = audio::Decoder::open(recording, nullptr, &failure);
  if (!decoder) {
    std::fprintf(stderr, "无法读取这个语音文件：%s\n%s\n", recording.c_str(), audio::failureInChinese(failure).c_str());
    return 2;
  }
  const auto& info = decoder->info();
  const double lengthMs = info.lengthFrames > 0 ? info.lengthFrames * 1000.0 / info.sampleRate : 0;
  std::vector<Sentence> sentences = loadSentenceMap(recording, static_cast<std::int32_t>(lengthMs)).sentences;
  if (sentences.empty()) sentences = audio::SentenceScanner::scan(recording);

  int first = 1, last = static_cast<int>(sentences.size());
  if (!range.empty() && std::sscanf(range.c_str(), "%d-%d", &first, &last) != 2 &&
      std::sscanf(range.c_str(), "%d", &first) == 1)
    last = first;
  if (first < 1 || last < first || last > static_cast<int>(sentences.size()))
    return usage("句子的范围不对：" + range + "（这个录音有 " + std::to_string(sentences.size()) + " 句）");
  // Chosen sentences are a drill of their own: no whole-recording passes, numbered as in the recording.
  const bool all = first == 1 && last == static_cast<int>(sentences.size());
  const std::vector<Sentence> chosen(sentences.begin() + first - 1, sentences.begin() + last);
  std::vector<DrillStep> plan = planWholeDrill(scheme, chosen, all ? lengthMs : 0);
  for (DrillStep& step : plan)
    if (step.sentence >= 0) step.sentence += first - 1;

  const audio::RenderedDrill done = audio::renderDrill(
      recording, plan, files[1], [](double share) { std::fprintf(stderr, "\r导出 %3d%%", static_cast<int>(share * 100)); });
  std::fprintf(stderr, "\n");
  if (!done.error.empty()) {
    std::fprintf(stderr, "%s\n", done.error.c_str());
    return 1;
  }
  const long long seconds = done.frames / std::max(1, done.sampleRate);
  std::fprintf(stderr, "已导出：%s（%lld:%02lld，%zu 段），和它的 %s\n", files[1].c_str(), seconds / 60, seconds % 60,
               plan.size(), audio::drillLrcPath(files[1]).c_str());
  return 0;
}
