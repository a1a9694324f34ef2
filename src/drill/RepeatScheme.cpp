// SPDX-License-Identifier: GPL-3.0-or-later
#include "drill/RepeatScheme.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

#include "text/Module1.h"

namespace tessaly {

namespace {

// A whole number; one too large (or too small) for an int is the largest (or smallest), which
// every field then brings within its range.
std::optional<int> number(std::string_view text) {
  int value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || end != text.data() + text.size()) return std::nullopt;
  if (error == std::errc::result_out_of_range)
    return text[0] == '-' ? std::numeric_limits<int>::min() : std::numeric_limits<int>::max();
  if (error != std::errc()) return std::nullopt;
  return value;
}

SchemePass withinRange(SchemePass pass) {
  // Within the range first, then to the nearest step of 5: no sum can overflow.
  pass.speedPercent = (std::clamp(pass.speedPercent, kSlowestPassPercent, kFastestPassPercent) + 2) / 5 * 5;
  pass.pauseMs = std::clamp(pass.pauseMs, 0, kLongestSchemePauseMs);
  pass.pauseLengthTenths = std::clamp(pass.pauseLengthTenths, 0, 100);
  return pass;
}

}  // namespace

const std::vector<RepeatScheme>& builtInSchemes() {
  static const std::vector<RepeatScheme> schemes = [] {
    std::vector<RepeatScheme> s;
    s.push_back({"单句循环", {}, AfterPasses::ListenOn, 0, 0});
    const SchemePass writing{100, 0, 15};  // a pause of 1.5 times the sentence
    s.push_back({"逐句听写", {writing, writing, writing}, AfterPasses::NextSentence, 0, 0});
    s.push_back({"由慢到快", {{70, 1000, 0}, {85, 1000, 0}, {100, 1000, 0}}, AfterPasses::NextSentence, 0, 0});
    s.push_back({"听写考试", {{100, 15000, 0}, {100, 15000, 0}}, AfterPasses::NextSentence, 1, 1});
    return s;
  }();
  return schemes;
}

RepeatScheme schemeNamed(std::string_view name, const std::vector<RepeatScheme>& kept) {
  for (const auto* list : {&builtInSchemes(), &kept})
    for (const RepeatScheme& scheme : *list)
      if (scheme.name == name) return scheme;
  return builtInSchemes().front();
}

std::string schemeText(const RepeatScheme& scheme) {
  std::string text = scheme.name + ";" + (scheme.after == AfterPasses::NextSentence ? "next" : "on") + ";" +
                     std::to_string(scheme.wholeBefore) + ";" + std::to_string(scheme.wholeAfter) + ";";
  for (std::size_t i = 0; i < scheme.passes.size(); ++i) {
    const SchemePass& p = scheme.passes[i];
    if (i > 0) text += ",";
    text += std::to_string(p.speedPercent) + "/" + std::to_string(p.pauseMs) + "+" + std::to_string(p.pauseLengthTenths);
  }
  return text;
}

std::optional<RepeatScheme> parseScheme(std::string_view text) {
  const auto fields = splitAt(text, ';');
  if (fields.size() != 5 || fields[0].empty() || (fields[1] != "next" && fields[1] != "on")) return std::nullopt;
  RepeatScheme scheme;
  scheme.name = std::string(fields[0]);
  scheme.after = fields[1] == "next" ? AfterPasses::NextSentence : AfterPasses::ListenOn;
  const auto before = number(fields[2]), after = number(fields[3]);
  if (!before || !after) return std::nullopt;
  scheme.wholeBefore = std::clamp(*before, 0, 3);
  scheme.wholeAfter = std::clamp(*after, 0, 3);
  if (fields[4].empty()) return scheme;
  for (std::string_view pass : splitAt(fields[4], ',')) {
    const auto slash = pass.find('/'), plus = pass.find('+');
    if (slash == std::string_view::npos || plus == std::string_view::npos || plus < slash) return std::nullopt;
    const auto speed = number(pass.substr(0, slash));
    const auto pauseMs = number(pass.substr(slash + 1, plus - slash - 1));
    const auto tenths = number(pass.substr(plus + 1));
    if (!speed || !pauseMs || !tenths) return std::nullopt;
    if (scheme.passes.size() == kMostSchemePasses) break;
    scheme.passes.push_back(withinRange({*speed, *pauseMs, *tenths}));
  }
  return scheme;
}

std::string schemeDescription(const RepeatScheme& scheme) {
  if (scheme.plainLoop()) return "按 Alt+R 循环正在听的这一句，遍数和停顿按下面的复读选项。";
  const auto speed = [](int percent) {
    std::string text = std::to_string(percent / 100) + "." + std::to_string(percent % 100 / 10);
    if (percent % 10 != 0) text += std::to_string(percent % 10);
    return text + "×";
  };
  const auto pause = [](const SchemePass& p) {
    std::string text;
    if (p.pauseMs > 0)
      text += std::to_string(p.pauseMs / 1000) + (p.pauseMs % 1000 ? "." + std::to_string(p.pauseMs % 1000 / 100) : "") +
              " 秒";
    if (p.pauseLengthTenths > 0)
      text += (text.empty() ? "" : " 加 ") + std::string("句长的 ") + std::to_string(p.pauseLengthTenths / 10) +
              (p.pauseLengthTenths % 10 ? "." + std::to_string(p.pauseLengthTenths % 10) : "") + " 倍";
    return text.empty() ? std::string("（不停）") : "（停 " + text + "）";
  };
  std::string text;
  if (scheme.wholeBefore > 0) text += "先放全文 " + std::to_string(scheme.wholeBefore) + " 遍；";
  text += "每句放 " + std::to_string(scheme.passes.size()) + " 遍：";
  for (std::size_t i = 0; i < scheme.passes.size(); ++i)
    text += (i ? "，" : "") + speed(scheme.passes[i].speedPercent) + pause(scheme.passes[i]);
  text += scheme.after == AfterPasses::NextSentence ? "；然后下一句" : "；然后接着往下听";
  if (scheme.wholeAfter > 0) text += "；最后再放全文 " + std::to_string(scheme.wholeAfter) + " 遍";
  return text + "。";
}

std::string schemeNameFault(std::string_view name, const std::vector<RepeatScheme>& others) {
  if (name.find_first_not_of(" \t\u3000") == std::string_view::npos) return "请给复读方案起个名字。";
  if (name.find_first_of(";\r\n") != std::string_view::npos) return "复读方案的名字里不能有分号或换行。";
  for (const auto* list : {&builtInSchemes(), &others})
    for (const RepeatScheme& scheme : *list)
      if (scheme.name == name) return "已经有叫“" + std::string(name) + "”的复读方案了，请换一个名字。";
  return {};
}

int pauseAfter(const SchemePass& pass, double lengthMs) {
  const double ms = pass.pauseMs + std::max(0.0, lengthMs) * pass.pauseLengthTenths / 10.0;
  return static_cast<int>(std::lround(std::min(ms, static_cast<double>(kLongestSchemePauseMs))));
}

}  // namespace tessaly
