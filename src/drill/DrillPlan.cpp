// SPDX-License-Identifier: GPL-3.0-or-later
#include "drill/DrillPlan.h"

#include <charconv>
#include <cstdio>

namespace tessaly {

std::vector<DrillStep> planDrill(const RepeatScheme& scheme, const std::vector<Sentence>& sentences, double lengthMs,
                                 int first) {
  std::vector<DrillStep> plan;
  if (scheme.plainLoop() || first < 0 || first >= static_cast<int>(sentences.size())) return plan;
  const bool whole = first == 0 && lengthMs > 0;
  const auto wholePasses = [&](int count) {
    for (int pass = 1; whole && pass <= count; ++pass) plan.push_back({0, lengthMs, -1, pass, count, 100, 0});
  };
  wholePasses(scheme.wholeBefore);
  const int last = scheme.after == AfterPasses::NextSentence ? static_cast<int>(sentences.size()) - 1 : first;
  const int passes = static_cast<int>(scheme.passes.size());
  for (int s = first; s <= last; ++s) {
    const Sentence& sentence = sentences[static_cast<std::size_t>(s)];
    for (int pass = 1; pass <= passes; ++pass) {
      const SchemePass& p = scheme.passes[static_cast<std::size_t>(pass - 1)];
      const double start = sentence.startMs, end = sentence.endMs;
      plan.push_back({start, end, s, pass, passes, p.speedPercent, pauseAfter(p, end - start)});
    }
  }
  wholePasses(scheme.wholeAfter);
  return plan;
}

std::vector<DrillStep> planWholeDrill(const RepeatScheme& scheme, const std::vector<Sentence>& sentences, double lengthMs) {
  if (scheme.after == AfterPasses::NextSentence) return planDrill(scheme, sentences, lengthMs, 0);
  RepeatScheme onward = scheme;
  onward.after = AfterPasses::NextSentence;
  return planDrill(onward, sentences, lengthMs, 0);
}

namespace {

std::string whereOf(const DrillStep& step) {
  return step.sentence < 0 ? "全文" : "第 " + std::to_string(step.sentence + 1) + " 句";
}

}  // namespace

std::optional<SentenceRange> parseSentenceRange(std::string_view text, int count, std::string& why) {
  const auto number = [](std::string_view digits) -> std::optional<int> {
    int value = 0;
    if (digits.empty() || digits.find_first_not_of("0123456789") != std::string_view::npos) return std::nullopt;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (error != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
    return value;
  };
  const std::string has = "（这个录音有 " + std::to_string(count) + " 句）";
  const std::size_t dash = text.find('-');
  const auto first = number(text.substr(0, dash));
  const auto last = dash == std::string_view::npos ? first : number(text.substr(dash + 1));
  if (!first || !last) {
    why = "句子的范围要写成“起-止”（例如 2-5）或一句的序号（例如 3），只用数字，不加空格；“" + std::string(text) +
          "”不是这样的范围" + has + "。";
    return std::nullopt;
  }
  if (*first < 1 || *last < *first || *last > count) {
    why = "句子的范围不对：" + std::string(text) + has + "。";
    return std::nullopt;
  }
  return SentenceRange{*first, *last};
}

std::string stepCaption(const DrillStep& step) {
  char speed[16];
  std::snprintf(speed, sizeof speed, step.speedPercent % 10 == 0 ? "%.1f×" : "%.2f×", step.speedPercent / 100.0);
  return whereOf(step) + "\u3000第 " + std::to_string(step.pass) + " 遍（共 " + std::to_string(step.passes) +
         " 遍）\u3000" + speed;
}

std::string pauseCaption(const DrillStep& step) {
  // Whole seconds as they are, tenths when there are any ("3 秒", "1.5 秒").
  const int tenths = (step.pauseAfterMs + 50) / 100;
  const std::string seconds = std::to_string(tenths / 10) +
                              (tenths % 10 != 0 ? "." + std::to_string(tenths % 10) : std::string());
  return whereOf(step) + "\u3000第 " + std::to_string(step.pass) + " 遍后停顿 " + seconds + " 秒";
}

int stepOfNextSentence(const std::vector<DrillStep>& plan, int from, bool earlier) {
  if (from < 0 || from >= static_cast<int>(plan.size())) return -1;
  const int current = plan[static_cast<std::size_t>(from)].sentence;
  if (!earlier) {
    for (int i = from + 1; i < static_cast<int>(plan.size()); ++i)
      if (plan[static_cast<std::size_t>(i)].sentence != current) return i;
    return -1;
  }
  // The start of the stretch before the current one's first step.
  int start = from;
  while (start > 0 && plan[static_cast<std::size_t>(start - 1)].sentence == current) --start;
  if (start == 0) return -1;
  const int previous = plan[static_cast<std::size_t>(start - 1)].sentence;
  while (start > 0 && plan[static_cast<std::size_t>(start - 1)].sentence == previous) --start;
  return start;
}

}  // namespace tessaly
