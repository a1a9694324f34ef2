// SPDX-License-Identifier: GPL-3.0-or-later
// Repeat schemes: the built-ins, their line in the settings file, and their plan over a
// recording's sentences (passes, speeds, pauses as multiples of a length, the whole recording
// before and after, where a run moves with Alt+N and Alt+P).
#include "drill/DrillPlan.h"

#include <gtest/gtest.h>

namespace tessaly::test {
namespace {

const std::vector<Sentence> kSentences = {{1000, 3000, "一"}, {3000, 7000, "二"}, {7000, 8000, "三"}};

TEST(RepeatScheme, TheBuiltInsAreWhatTheirNamesPromise) {
  const auto& s = builtInSchemes();
  ASSERT_EQ(s.size(), 4u);
  EXPECT_EQ(s[0].name, "单句循环");
  EXPECT_TRUE(s[0].plainLoop());
  EXPECT_EQ(schemeNamed("no such scheme").name, "单句循环");
  EXPECT_EQ(schemeNamed("").name, "单句循环");
  for (const RepeatScheme& scheme : s) EXPECT_EQ(parseScheme(schemeText(scheme)), scheme) << schemeText(scheme);
  const RepeatScheme mine{"我的", {{75, 2000, 5}}, AfterPasses::ListenOn, 0, 0};
  EXPECT_EQ(schemeNamed("我的", {mine}), mine);
}

TEST(RepeatScheme, ALineOfTheSettingsFileIsReadWithinRangeOrNotAtAll) {
  const struct {
    const char* line;
    std::optional<std::vector<SchemePass>> passes;
  } cases[] = {
      {"a;next;0;0;100/0+15,85/1000+0", std::vector<SchemePass>{{100, 0, 15}, {85, 1000, 0}}},
      {"a;on;0;0;", std::vector<SchemePass>{}},
      {"a;on;0;0;10/-5+500,300/999999+0,72/0+0",
       std::vector<SchemePass>{{50, 0, 100}, {200, kLongestSchemePauseMs, 0}, {70, 0, 0}}},
      // Too large for an int, or at its edge: the fastest, the longest; never wrapped round.
      {"a;on;0;0;2147483647/0+0,10000/0+0,99999999999/2147483647+99999999999",
       std::vector<SchemePass>{{200, 0, 0}, {200, 0, 0}, {200, kLongestSchemePauseMs, 100}}},
      {"a;on;0;0;-2147483648/-99999999999+0,198/0+0,52/0+0", std::vector<SchemePass>{{50, 0, 0}, {200, 0, 0}, {50, 0, 0}}},
      {"a;on;99999999999;0;100/0+0", std::vector<SchemePass>{{100, 0, 0}}},
      {"a;later;0;0;100/0+0", std::nullopt},
      {";on;0;0;100/0+0", std::nullopt},
      {"a;on;0;0;100/0", std::nullopt},
      {"a;on;x;0;100/0+0", std::nullopt},
      {"a;on;0;0;100/0+0;extra", std::nullopt},
  };
  for (const auto& c : cases) {
    const auto scheme = parseScheme(c.line);
    ASSERT_EQ(scheme.has_value(), c.passes.has_value()) << c.line;
    if (scheme) {
      EXPECT_EQ(scheme->passes, *c.passes) << c.line;
    }
  }
}

TEST(RepeatScheme, TheOptionsWindowSaysWhatEachDoes) {
  const struct {
    const char* scheme;
    const char* said;
  } cases[] = {
      {"逐句听写",
       "每句放 3 遍：1.0×（停 句长的 1.5 倍），1.0×（停 句长的 1.5 倍），1.0×（停 句长的 1.5 倍）；然后下一句。"},
      {"听写考试", "先放全文 1 遍；每句放 2 遍：1.0×（停 15 秒），1.0×（停 15 秒）；然后下一句；最后再放全文 1 遍。"},
  };
  for (const auto& c : cases) EXPECT_EQ(schemeDescription(schemeNamed(c.scheme)), c.said);
  EXPECT_EQ(schemeDescription({"x", {{125, 2500, 5}}, AfterPasses::ListenOn, 0, 0}),
            "每句放 1 遍：1.25×（停 2.5 秒 加 句长的 0.5 倍）；然后接着往下听。");
}

TEST(RepeatScheme, ANameTheLearnerGivesMustBeNewAndFitOnItsLine) {
  const std::vector<RepeatScheme> mine = {{"我的", {{100, 0, 0}}, AfterPasses::ListenOn, 0, 0}};
  const struct {
    const char* name;
    const char* fault;
  } cases[] = {
      {"新方案", ""},
      {"", "请给复读方案起个名字。"},
      {" \u3000", "请给复读方案起个名字。"},
      {"a;b", "复读方案的名字里不能有分号或换行。"},
      {"a\nb", "复读方案的名字里不能有分号或换行。"},
      {"逐句听写", "已经有叫“逐句听写”的复读方案了，请换一个名字。"},
      {"我的", "已经有叫“我的”的复读方案了，请换一个名字。"},
  };
  for (const auto& c : cases) EXPECT_EQ(schemeNameFault(c.name, mine), c.fault) << c.name;
}

TEST(DrillPlan, EachSchemeLaysOutItsPassesAndPauses) {
  const auto plan = planDrill(schemeNamed("逐句听写"), kSentences, 9000, 1);
  ASSERT_EQ(plan.size(), 6u) << "sentences 2 and 3, three passes each, no whole passes from the middle";
  EXPECT_EQ(plan[0], (DrillStep{3000, 7000, 1, 1, 3, 100, 6000})) << "a pause of 1.5 times its 4 s";
  EXPECT_EQ(plan[5], (DrillStep{7000, 8000, 2, 3, 3, 100, 1500}));

  const auto slowToFast = planDrill(schemeNamed("由慢到快"), kSentences, 9000, 0);
  ASSERT_EQ(slowToFast.size(), 9u);
  EXPECT_EQ(slowToFast[0].speedPercent, 70);
  EXPECT_EQ(slowToFast[1].speedPercent, 85);
  EXPECT_EQ(slowToFast[2].speedPercent, 100);
  EXPECT_EQ(slowToFast[1].pauseAfterMs, 1000);

  const auto exam = planDrill(schemeNamed("听写考试"), kSentences, 9000, 0);
  ASSERT_EQ(exam.size(), 1u + 3 * 2 + 1);
  EXPECT_EQ(exam.front(), (DrillStep{0, 9000, -1, 1, 1, 100, 0}));
  EXPECT_EQ(exam[1].pauseAfterMs, 15000);
  EXPECT_EQ(exam.back(), exam.front());

  const RepeatScheme once{"一句", {{100, 500, 0}, {90, 0, 0}}, AfterPasses::ListenOn, 1, 1};
  EXPECT_EQ(planDrill(once, kSentences, 9000, 2).size(), 2u) << "listening on after the one sentence";
  EXPECT_TRUE(planDrill(schemeNamed("单句循环"), kSentences, 9000, 0).empty());
  EXPECT_TRUE(planDrill(schemeNamed("逐句听写"), kSentences, 9000, 3).empty());
  EXPECT_TRUE(planDrill(schemeNamed("逐句听写"), {}, 9000, 0).empty());
}

TEST(DrillPlan, TheStatusLineAndTheMovesOfARun) {
  EXPECT_EQ(stepCaption({0, 1, 2, 2, 3, 85, 0}), "第 3 句\u3000第 2 遍（共 3 遍）\u30000.85×");
  EXPECT_EQ(stepCaption({0, 1, -1, 1, 1, 100, 0}), "全文\u3000第 1 遍（共 1 遍）\u30001.0×");
  EXPECT_EQ(pauseCaption({0, 1, 0, 1, 3, 100, 3000}), "第 1 句\u3000第 1 遍后停顿 3 秒");
  EXPECT_EQ(pauseCaption({0, 1, 2, 2, 3, 100, 1500}), "第 3 句\u3000第 2 遍后停顿 1.5 秒");
  EXPECT_EQ(pauseCaption({0, 1, -1, 1, 1, 100, 2960}), "全文\u3000第 1 遍后停顿 3 秒");
  const auto exam = planDrill(schemeNamed("听写考试"), kSentences, 9000, 0);  // whole, 1 1, 2 2, 3 3, whole
  const struct {
    int from;
    bool earlier;
    int to;
  } moves[] = {{0, false, 1}, {2, false, 3}, {3, false, 5}, {6, false, 7}, {7, false, -1},
               {4, true, 1},  {3, true, 1},  {2, true, 0},  {0, true, -1}, {7, true, 5}};
  for (const auto& m : moves) EXPECT_EQ(stepOfNextSentence(exam, m.from, m.earlier), m.to) << m.from << m.earlier;
}

}  // namespace
}  // namespace tessaly::test
