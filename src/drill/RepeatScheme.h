// SPDX-License-Identifier: GPL-3.0-or-later
// Repeat schemes (复读方案): how a sentence is played over and over, as a tape repeater did.
// A scheme has passes, each with its speed and the pause after it (fixed, or a multiple of
// the sentence's length, so a longer sentence leaves longer to write), then either the next
// sentence's passes or listening on; the exam's scheme also plays the whole recording before
// and after. The plain loop (no passes of its own) is the loop as it has always been, paced by
// the loop options. Pure; any thread.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tessaly {

struct SchemePass {
  int speedPercent = 100;     // 50 to 200, in steps of 5
  int pauseMs = 0;            // the pause after the pass: this much
  int pauseLengthTenths = 0;  // and this many tenths of the sentence's length
  friend bool operator==(const SchemePass&, const SchemePass&) = default;
};

enum class AfterPasses { ListenOn, NextSentence };

struct RepeatScheme {
  std::string name;
  std::vector<SchemePass> passes;  // empty: the plain loop
  AfterPasses after = AfterPasses::ListenOn;
  int wholeBefore = 0;  // passes of the whole recording at 1.0× before the sentences
  int wholeAfter = 0;   // and after them
  friend bool operator==(const RepeatScheme&, const RepeatScheme&) = default;

  bool plainLoop() const { return passes.empty(); }
};

inline constexpr int kSlowestPassPercent = 50;
inline constexpr int kFastestPassPercent = 200;
inline constexpr int kMostSchemePasses = 20;
inline constexpr int kLongestSchemePauseMs = 120000;

// "单句循环" (the plain loop, the default), "逐句听写", "由慢到快", "听写考试".
const std::vector<RepeatScheme>& builtInSchemes();
// The built-in or kept scheme named `name`; the plain loop for a name no scheme has.
RepeatScheme schemeNamed(std::string_view name, const std::vector<RepeatScheme>& kept = {});

// One line of the settings file: "name;next|on;wholeBefore;wholeAfter;100/0+15,85/1000+0".
// Each pass is speed%/pauseMs+pauseTenthsOfLength. Values out of range are brought within.
std::string schemeText(const RepeatScheme& scheme);
std::optional<RepeatScheme> parseScheme(std::string_view text);

// What the scheme does, in a sentence for the options window: "每句放 3 遍：1.0×（停 句长的 1.5 倍），
// ……；然后下一句。"
std::string schemeDescription(const RepeatScheme& scheme);

// Why `name` cannot name a scheme of the learner's beside `others` (the built-ins and the
// learner's other schemes), in a sentence for the 提示窗口; "" when it can.
std::string schemeNameFault(std::string_view name, const std::vector<RepeatScheme>& others);

// The pause after `pass` for a sentence of `lengthMs`.
int pauseAfter(const SchemePass& pass, double lengthMs);

}  // namespace tessaly
