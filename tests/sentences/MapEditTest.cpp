// SPDX-License-Identifier: GPL-3.0-or-later
// A map corrected by hand: each step's effect and refusals, the texts cut and joined, undo and
// redo over mixed steps, and wrong indices and times that must change nothing.
#include "sentences/MapEdit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <functional>
#include <limits>

namespace tessaly {
namespace {

using Sentences = std::vector<Sentence>;
constexpr std::int32_t kLatest = std::numeric_limits<std::int32_t>::max();

Sentence s(std::int32_t start, std::int32_t end, const char* text) {
  return {start, end, text ? std::optional<std::string>(text) : std::nullopt};
}
std::optional<std::string> t(const char* text) { return text ? std::optional<std::string>(text) : std::nullopt; }

// "0-1000 1000-2000": sentences without text at those times.
Sentences times(const char* spec) {
  Sentences map;
  int start = 0, end = 0, used = 0;
  while (std::sscanf(spec, " %d-%d%n", &start, &end, &used) == 2) map.push_back({start, end, {}}), spec += used;
  return map;
}

const char* const kThree = "0-1000 1000-2000 2500-4000";  // the first two touch; a gap after the second

TEST(MapEdit, MoveStartKeepsOrderAndTheShortestLength) {
  const struct {
    const char *what, *map;
    int i;
    double ms;
    std::int32_t applied;
    const char* expected;
  } cases[] = {
      {"touching: the end before follows", kThree, 1, 1300, 1300, "0-1300 1300-2000 2500-4000"},
      {"earlier than the one before allows", kThree, 1, 100, 200, "0-200 200-2000 2500-4000"},
      {"later than its own end allows", kThree, 1, 1990, 1800, "0-1800 1800-2000 2500-4000"},
      {"after a gap: the end before stays", kThree, 2, 2200, 2200, "0-1000 1000-2000 2200-4000"},
      {"into the one before: it is cut", kThree, 2, 1500, 1500, "0-1000 1000-1500 1500-4000"},
      {"into the one before, too far", kThree, 2, 1050, 1200, "0-1000 1000-1200 1200-4000"},
      {"the first: not before 0", kThree, 0, -50, 0, kThree},
      {"the first, later, rounded", kThree, 0, 400.4, 400, "400-1000 1000-2000 2500-4000"},
      {"the first, past its shortest", kThree, 0, 999, 800, "800-1000 1000-2000 2500-4000"},
      {"a short one before is made no shorter", "0-100 100-1000", 1, 50, 100, "0-100 100-1000"},
      {"a short one before may grow", "0-100 100-1000", 1, 300, 300, "0-300 300-1000"},
      {"a short one before a gap: up to its end", "0-100 500-1000", 1, 50, 100, "0-100 100-1000"},
      {"a short one itself is made no shorter", "0-100 100-1000", 0, 50, 0, "0-100 100-1000"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    MapEdit edit(times(c.map), 4000);
    const MapEditResult result = edit.moveStart(c.i, c.ms);
    EXPECT_TRUE(result.ok);
    EXPECT_EQ(result.ms, c.applied);
    EXPECT_EQ(edit.sentences(), times(c.expected));
    EXPECT_EQ(edit.canUndo(), times(c.expected) != times(c.map));
  }
}

TEST(MapEdit, SplitCutsTheTextAtAUnit) {
  std::vector<align::UnitSpan> han;  // the units of sentence 0 every 300 ms
  for (int u = 0; u < 6; ++u) han.push_back({0, u, 1000.0 + 300 * u, 1300.0 + 300 * u, 1, ""});
  const std::vector<align::UnitSpan> english = {
      {1, 0, 3000, 3400, 1, ""}, {1, 1, 3500, 3900, 1, ""}, {1, 2, 4400, 4900, 1, ""}};
  const Sentences map = {s(1000, 3000, "今天天气很好。"),
                         s(3000, 5000, "Hello, world. Again"),
                         s(5000, 7000, "你好，世界"),
                         s(7000, 9000, nullptr),
                         s(9000, 11000, "……"),
                         s(11000, 13000, "Yes.")};
  const struct {
    const char* what;
    int i;
    double atMs;
    const std::vector<align::UnitSpan>* spans;
    const char *before, *after;
  } cases[] = {
      {"Han, halfway", 0, 2000, nullptr, "今天天", "气很好。"},
      {"near the start: a unit at least before", 2, 5200, nullptr, "你", "好，世界"},
      {"Han, near the end: one unit at least", 0, 2800, nullptr, "今天天气很", "好。"},
      {"Han, at the first unit starting after", 0, 1950, &han, "今天天气", "很好。"},
      {"Han, after every unit's start", 0, 2700, &han, "今天天气很好。", nullptr},
      {"English, halfway: punctuation with the word before", 1, 4000, nullptr, "Hello, world.", "Again"},
      {"English, at the first unit starting after", 1, 3450, &english, "Hello,", "world. Again"},
      {"another sentence's spans are not this one's", 1, 4000, &han, "Hello, world.", "Again"},
      {"Han punctuation with the unit before", 2, 6000, nullptr, "你好，", "世界"},
      {"no text: two without", 3, 8000, nullptr, nullptr, nullptr},
      {"nothing but punctuation stays first", 4, 10000, nullptr, "……", nullptr},
      {"one word goes where the cut is nearer", 5, 11300, nullptr, nullptr, "Yes."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    MapEdit edit(map, 13000);
    ASSERT_TRUE(edit.split(c.i, c.atMs, c.spans ? *c.spans : std::vector<align::UnitSpan>{}).ok);
    Sentences expected = map;
    expected[c.i] = s(map[c.i].startMs, static_cast<std::int32_t>(c.atMs), c.before);
    expected.insert(expected.begin() + c.i + 1, s(static_cast<std::int32_t>(c.atMs), map[c.i].endMs, c.after));
    EXPECT_EQ(edit.sentences(), expected);
  }
  // Within the shortest length of either edge: refused, said why.
  for (const double atMs : {1000.0, 1199.6, 2800.4, 3000.0, 500.0, 9000.0}) {
    MapEdit edit(map, 13000);
    EXPECT_EQ(edit.split(0, atMs).words, "这里离句子的开头或结尾太近，不能在这里分开。") << atMs;
    EXPECT_EQ(edit.sentences(), map);
  }
}

TEST(MapEdit, JoinMakesOneOfTwo) {
  const struct {
    const char *what, *first, *second, *joined;
  } cases[] = {
      {"Han", "你好。", "再见。", "你好。再见。"},
      {"Latin", "Hello.", "Bye.", "Hello. Bye."},
      {"Han then Latin", "你好。", "Hello", "你好。Hello"},
      {"Latin then Han", "Hello", "你好", "Hello你好"},
      {"no text and text", nullptr, "再见", "再见"},
      {"text and no text", "你好", nullptr, "你好"},
      {"neither", nullptr, nullptr, nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    MapEdit edit({s(0, 800, "前"), s(1000, 2000, c.first), s(2500, 4000, c.second)}, 4000);
    ASSERT_TRUE(edit.join(1).ok);
    EXPECT_EQ(edit.sentences(), (Sentences{s(0, 800, "前"), s(1000, 4000, c.joined)}));  // over the gap
  }
  MapEdit last(times(kThree), 4000);
  EXPECT_EQ(last.join(2).words, "这是最后一句，后面没有句子可以合并。");
  EXPECT_EQ(last.sentences(), times(kThree));
}

TEST(MapEdit, EditTextTrimsAndEmptyIsNoText) {
  const struct {
    const char *typed, *kept;
  } cases[] = {{"  新的  ", "新的"},         {"", nullptr}, {" \t ", nullptr}, {"a\r\nb", "a  b"},
               {"\u3000全角\u3000", "全角"}, {"二", "二"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.typed);
    MapEdit edit({s(0, 1000, "一"), s(1000, 2000, "二")}, 2000);
    ASSERT_TRUE(edit.editText(1, c.typed).ok);
    EXPECT_EQ(edit.sentences()[1].text, t(c.kept));
    EXPECT_EQ(edit.canUndo(), t(c.kept) != t("二"));  // the same text again is no step
  }
}

TEST(MapEdit, UndoAndRedoWalkMixedSteps) {
  MapEdit edit(times(kThree), 4000);
  const std::function<MapEditResult()> steps[] = {[&] { return edit.moveStart(1, 1300); },
                                                  [&] { return edit.split(2, 3000); },
                                                  [&] { return edit.editText(0, "改了"); }, [&] { return edit.join(1); }};
  std::vector<Sentences> seen = {edit.sentences()};
  for (const auto& step : steps) {
    ASSERT_TRUE(step().ok);
    seen.push_back(edit.sentences());
  }
  for (std::size_t k = seen.size() - 1; k > 0; --k) {
    ASSERT_TRUE(edit.undo().ok);
    EXPECT_EQ(edit.sentences(), seen[k - 1]);
  }
  EXPECT_EQ(edit.undo().words, "没有可以撤销的修改。");
  EXPECT_FALSE(edit.dirty());
  for (std::size_t k = 1; k < seen.size(); ++k) {
    ASSERT_TRUE(edit.redo().ok);
    EXPECT_EQ(edit.sentences(), seen[k]);
  }
  EXPECT_EQ(edit.redo().words, "没有可以重做的修改。");
  // Saved two steps back; a new step there forgets what was undone.
  edit.undo();
  edit.undo();
  edit.markSaved();
  edit.redo();
  EXPECT_TRUE(edit.dirty());
  edit.undo();
  EXPECT_FALSE(edit.dirty());
  ASSERT_TRUE(edit.editText(2, "新").ok);
  EXPECT_FALSE(edit.canRedo());
  EXPECT_TRUE(edit.undo().ok && edit.sentences() == seen[2] && !edit.dirty());
}

TEST(MapEdit, HistoryKeepsTheLastHundredSteps) {
  MapEdit edit(times("0-10000"), 10000);
  for (int k = 1; k <= 150; ++k) ASSERT_TRUE(edit.moveStart(0, k).ok);
  int undone = 0;
  while (edit.undo().ok) ++undone;
  EXPECT_EQ(undone, static_cast<int>(kEditHistorySteps));
  EXPECT_EQ(edit.sentences()[0].startMs, 50);
  EXPECT_TRUE(edit.dirty());  // the map it came with is no longer in the history
}

TEST(MapEdit, ABadMapIsPutInOrder) {
  MapEdit bad({s(3000, 0, "c"), s(1000, 4000, "a"), s(1000, 5000, "dup"), s(-5, 100, "neg"), s(9000, 9500, "past"),
               s(3500, 3600, " "), s(4000, 4500, "  d ")},
              5000);
  EXPECT_EQ(bad.sentences(),
            (Sentences{s(1000, 3000, "a"), s(3000, 3500, "c"), s(3500, 3600, nullptr), s(4000, 4500, "d")}));
  EXPECT_FALSE(bad.dirty());
  // Length unknown: the last keeps its end, and one running to the latest time splits without overflow.
  EXPECT_EQ(MapEdit(times("0-1000 1000-2000"), 0).sentences(), times("0-1000 1000-2000"));
  MapEdit open({s(kLatest - 300, kLatest, "x")}, 0);
  EXPECT_FALSE(open.split(0, kLatest - 150.0).ok);
  EXPECT_FALSE(open.split(0, 1e12).ok);
  EXPECT_EQ(open.sentences(), (Sentences{s(kLatest - 300, kLatest, "x")}));
}

TEST(MapEdit, WrongIndicesAndTimesChangeNothing) {
  constexpr double kNan = std::numeric_limits<double>::quiet_NaN(), kInf = std::numeric_limits<double>::infinity();
  const struct {
    const char *what, *map;
    int i;
    double ms;
  } cases[] = {
      {"empty map", "", 0, 100},
      {"index -1", kThree, -1, 1500},
      {"index past the end", kThree, 3, 1500},
      {"largest index", kThree, std::numeric_limits<int>::max(), 1500},
      {"smallest index", kThree, std::numeric_limits<int>::min(), 1500},
      {"NaN", kThree, 1, kNan},
      {"infinity", kThree, 1, kInf},
      {"minus infinity", kThree, 1, -kInf},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    MapEdit edit(times(c.map), 4000);
    for (const MapEditResult& result : {edit.moveStart(c.i, c.ms), edit.split(c.i, c.ms)})
      EXPECT_TRUE(!result.ok && !result.words.empty());
    if (std::isfinite(c.ms)) {  // a wrong index: join and editText refuse it too
      for (const MapEditResult& result : {edit.join(c.i), edit.editText(c.i, "字")}) EXPECT_FALSE(result.ok);
    }
    EXPECT_EQ(edit.sentences(), times(c.map));
    EXPECT_FALSE(edit.canUndo());
  }
  // Huge finite times are clamped, never wrapped.
  for (const double ms : {-1e300, 1e300, -3e9, 3e9}) {
    MapEdit edit(times(kThree), 4000);
    EXPECT_EQ(edit.moveStart(1, ms).ms, ms < 0 ? 200 : 1800);
    EXPECT_FALSE(edit.split(1, ms).ok);
  }
}

}  // namespace
}  // namespace tessaly
