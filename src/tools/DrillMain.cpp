// SPDX-License-Identifier: GPL-3.0-or-later
// tessaly-drill --scheme NAME [--sentences FIRST-LAST] RECORDING OUT.mp3|OUT.wav: a repeat
// scheme over a recording's sentences rendered to a file (and its .lrc) for any player, for
// teachers who hand drills out. The sentences come from the recording's .lrc, .srt, .vtt or
// .ass, else from the subtitles inside it, else from its pauses; --sentences makes a drill of those sentences alone (no
// whole-recording passes). Progress on standard error. A recording that cannot be read, an unknown scheme, a bad argument,
// or a file of the learner's in the way (drill/DrillFiles.h: never written over): a message, exit status 2; a file that
// cannot be written, or an export stopped by Ctrl+C or a signal (it leaves nothing): exit 1; written, but the recording
// ended before its header said (the passes past there silent): a warning, exit 3.
#include <atomic>
#include <csignal>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "audio/Decoder.h"
#include "drill/DrillFiles.h"
#include "drill/DrillPlan.h"
#include "drill/engine/DrillRenderer.h"
#include "playback/FailureText.h"
#include "sentences/SentenceMap.h"
#include "sentences/engine/EmbeddedSubtitles.h"
#include "sentences/engine/SentenceScanner.h"

namespace {

using namespace tessaly;

std::atomic<bool> stopped{false};

extern "C" void stop(int) { stopped = true; }

int usage(const std::string& why) {
  std::fprintf(stderr, "%s\n用法：tessaly-drill --scheme 方案名 [--sentences 起-止|序号] 录音 输出.mp3|输出.wav\n方案：",
               why.c_str());
  for (const RepeatScheme& scheme : builtInSchemes())
    if (!scheme.plainLoop()) std::fprintf(stderr, " %s", scheme.name.c_str());
  std::fprintf(stderr, "\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::string schemeName;
  std::optional<std::string> range;
  std::vector<std::string> files;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--scheme" && i + 1 < argc) schemeName = argv[++i];
    else if (arg == "--sentences" && i + 1 < argc) range = argv[++i];
    else if (arg.starts_with("--")) return usage("不认识的选项：" + arg);
    else files.push_back(arg);
  }
  if (files.size() != 2 || schemeName.empty()) return usage("缺少参数。");
  const std::string& recording = files[0];
  const std::string& outPath = files[1];
  // What a run of this output that was killed left behind goes first, whatever this run does.
  removeLeftParts(outPath);
  const RepeatScheme scheme = schemeNamed(schemeName);
  if (scheme.name != schemeName || scheme.plainLoop()) return usage("没有这个复读方案：" + schemeName);
  if (const std::vector<std::string> inTheWay = filesInTheWay(outPath); !inTheWay.empty()) {
    std::fprintf(stderr, "没有导出：下面的文件属于另一个录音，或者是你自己的文件，导出会覆盖或占用它们：\n");
    for (const std::string& file : inTheWay) std::fprintf(stderr, "  %s\n", file.c_str());
    std::fprintf(stderr, "请换一个输出文件名，或者先把它们移走。\n");
    return 2;
  }

  Failure failure;
  const auto decoder = audio::Decoder::open(recording, nullptr, &failure);
  if (!decoder) {
    std::fprintf(stderr, "无法读取这个语音文件：%s\n%s\n", recording.c_str(), failureInChinese(failure).c_str());
    return 2;
  }
  const auto& info = decoder->info();
  const double lengthMs = info.lengthFrames > 0 ? info.lengthFrames * 1000.0 / info.sampleRate : 0;
  // The map the program would use: the files beside the recording, the subtitles inside it
  // (a Chinese stream first), its pauses.
  std::vector<Sentence> sentences = loadSentenceMap(recording, static_cast<std::int32_t>(lengthMs)).sentences;
  if (sentences.empty()) {
    const SubtitleFinding inside = subtitles::readEmbeddedSubtitles(recording, static_cast<std::int32_t>(lengthMs));
    sentences = inside.map.sentences;
    if (sentences.empty() && !inside.map.note.empty()) std::fprintf(stderr, "%s\n", inside.map.note.c_str());
  }
  if (sentences.empty()) sentences = SentenceScanner::scan(recording);

  SentenceRange chosenRange{1, static_cast<int>(sentences.size())};
  if (range) {
    std::string why;
    const auto parsed = parseSentenceRange(*range, static_cast<int>(sentences.size()), why);
    if (!parsed) return usage(why);
    chosenRange = *parsed;
  }
  const int first = chosenRange.first, last = chosenRange.last;
  if (sentences.empty()) return usage("这个录音没有可以复读的句子。");
  // Chosen sentences are a drill of their own: no whole-recording passes, numbered as in the recording.
  const std::vector<Sentence> chosen(sentences.begin() + first - 1, sentences.begin() + last);
  std::vector<DrillStep> plan = planWholeDrill(scheme, chosen, range ? 0 : lengthMs);
  for (DrillStep& step : plan)
    if (step.sentence >= 0) step.sentence += first - 1;

  for (const int signal : {SIGINT, SIGTERM, SIGHUP}) std::signal(signal, stop);
  const RenderedDrill done = renderDrill(
      recording, plan, outPath, [](double share) { std::fprintf(stderr, "\r导出 %3d%%", static_cast<int>(share * 100)); },
      &stopped);
  std::fprintf(stderr, "\n");
  if (!done.error.empty()) {
    std::fprintf(stderr, "%s\n", done.error.c_str());
    return done.inTheWay ? 2 : 1;
  }
  const long long seconds = done.frames / std::max(1, done.sampleRate);
  std::fprintf(stderr, "已导出：%s（%lld:%02lld，%zu 段），和它的 %s\n", outPath.c_str(), seconds / 60, seconds % 60,
               plan.size(), drillLrcPath(outPath).c_str());
  if (!done.warning.empty()) {
    std::fprintf(stderr, "警告：%s\n", done.warning.c_str());
    return 3;
  }
  return 0;
}
