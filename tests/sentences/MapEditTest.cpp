// SPDX-License-Identifier: GPL-3.0-or-later
// A map corrected by hand: each step's effect and refusals, the texts cut and joined, undo and
// redo over mixed steps, and wrong indices and times that must change nothing.
#include "sentences/MapEdit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace tessaly {
namespace {

using Sentences = std::vector<Sentence>;

Sentence s(std::int32_t start, std::int32_t end, const char* text) {
  return {start, end, text ? std::optional<std::string>(text) : std::nullopt};
}

std::optional<std::string> t(const char* text) { return text ? std::optional<std::string>(text) : std::nullopt; }

// What every map the editor holds must be.
void expectSound(const MapEdit& edit) {
  const Sentences& map = edit.sentences();
  const std::int64_t end = edit.lengthMs() > 0 ? edit.lengthMs() : std::numeric_limits<std::int32_t>::max();
  for (std::size_t i = 0; i < map.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_GE(map[i].startMs, 0);
    EXPECT_GT(map[i].endMs, map[i].startMs);
    EXPECT_LE(map[i].endMs, end);
    if (i + 1 < map.size()) {
      EXPECT_LE(map[i].endMs, map[i + 1].startMs);
    }
  }
}

// 一 and 二 touch; a gap between 二 and 三.
const Sentences kThree = {s(0, 1000, "一"), s(1000, 2000, "二"), s(2500, 4000, "三")};

TEST(MapEdit, MoveStartKeepsOrderAndTheShortestLength) {
  const struct {
    const char* what;
    Sentences map;
    int i;
    double ms;
    std::int32_t applied;
    Sentences expected;
  } cases[] = {
      {"touching: the end before follows",
       kThree,
       1,
       1300,
       1300,
       {s(0, 1300, "一"), s(1300, 2000, "二"), s(2500, 4000, "三")}},
      {"earlier than the one before allows",
       kThree,
       1,
       100,
       200,
       {s(0, 200, "一"), s(200, 2000, "二"), s(2500, 4000, "三")}},
      {"later than its own end allows",
       kThree,
       1,
       1990,
       1800,
       {s(0, 1800, "一"), s(1800, 2000, "二"), s(2500, 4000, "三")}},
      {"after a gap: the end before stays",
       kThree,
       2,
       2200,
       2200,
       {s(0, 1000, "一"), s(1000, 2000, "二"), s(2200, 4000, "三")}},
      {"into the one before: it is cut",
       kThree,
       2,
       1500,
       1500,
       {s(0, 1000, "一"), s(1000, 1500, "二"), s(1500, 4000, "三")}},
      {"into the one before, too far", kThree, 2, 1050, 1200, {s(0, 1000, "一"), s(1000, 1200, "二"), s(1200, 4000, "三")}},
      {"the first: not before 0", kThree, 0, -50, 0, kThree},
      {"the first, later", kThree, 0, 400.4, 400, {s(400, 1000, "一"), s(1000, 2000, "二"), s(2500, 4000, "三")}},
      {"the first, past its shortest", kThree, 0, 999, 800, {s(800, 1000, "一"), s(1000, 2000, "二"), s(2500, 4000, "三")}},
      {"a short one before is made no shorter",
       {s(0, 100, "a"), s(100, 1000, "b")},
       1,
       50,
       100,
       {s(0, 100, "a"), s(100, 1000, "b")}},
      {"a short one before may grow",
       {s(0, 100, "a"), s(100, 1000, "b")},
       1,
       300,
       300,
       {s(0, 300, "a"), s(300, 1000, "b")}},
      {"a short one before a gap: up to its end",
       {s(0, 100, "a"), s(500, 1000, "b")},
       1,
       50,
       100,
       {s(0, 100, "a"), s(100, 1000, "b")}},
      {"a short one itself is made no shorter",
       {s(0, 100, "a"), s(100, 1000, "b")},
       0,
       50,
       0,
       {s(0, 100, "a"), s(100, 1000, "b")}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    MapEdit edit(c.map, 4000);
    const MapEditResult result = edit.moveStart(c.i, c.ms);
    EXPECT_TRUE(result.ok);
    EXPECT_EQ(result.ms, c.applied);
    EXPECT_EQ(edit.sentences(), c.expected);
    EXPECT_EQ(edit.canUndo(), c.expected != c.map);
    expectSound(edit);
  }
}

TEST(MapEdit, SplitCutsTheTextAtAUnit) {
  // Spans of sentence 0 ("今天天气很好。" from 1000 to 3000) every 300 ms, and of "Hello, world. Again" (1).
  std::vector<align::UnitSpan> spans;
  for (int u = 0; u < 6; ++u) spans.push_back({0, u, 1000.0 + 300 * u, 1300.0 + 300 * u, 1, ""});
  const std::vector<align::UnitSpan> english = {
      {1, 0, 3000, 3400, 1, "hello"}, {1, 1, 3500, 3900, 1, "world"}, {1, 2, 4400, 4900, 1, "again"}};
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
    const char* before;
    const char* after;
  } cases[] = {
      {"Han, halfway", 0, 2000, nullptr, "今天天", "气很好。"},
      {"Han, near the start: one unit at least", 0, 1200, nullptr, "今", "天天气很好。"},
      {"Han, near the end: one unit at least", 0, 2800, nullptr, "今天天气很", "好。"},
      {"Han, by the units' times", 0, 1950, &spans, "今天天气", "很好。"},
      {"Han, after every unit's start", 0, 2700, &spans, "今天天气很好。", nullptr},
      {"English, halfway: punctuation with the word before", 1, 4000, nullptr, "Hello, world.", "Again"},
      {"English, by the units' times", 1, 3450, &english, "Hello,", "world. Again"},
      {"English, the first unit after the cut", 1, 4000, &english, "Hello, world.", "Again"},
      {"another sentence's spans are not this one's", 1, 4000, &spans, "Hello, world.", "Again"},
      {"Han punctuation with the unit before", 2, 6000, nullptr, "你好，", "世界"},
      {"no text: two without", 3, 8000, nullptr, nullptr, nullptr},
      {"nothing but punctuation stays first", 4, 10000, nullptr, "……", nullptr},
      {"one word goes where the cut is nearer", 5, 11300, nullptr, nullptr, "Yes."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    MapEdit edit(map, 13000);
    const MapEditResult result = edit.split(c.i, c.atMs, c.spans ? *c.spans : std::vector<align::UnitSpan>{});
    ASSERT_TRUE(result.ok) << result.words;
    const auto i = static_cast<std::size_t>(c.i);
    ASSERT_EQ(edit.sentences().size(), map.size() + 1);
    EXPECT_EQ(edit.sentences()[i], (Sentence{map[i].startMs, static_cast<std::int32_t>(c.atMs), t(c.before)}));
    EXPECT_EQ(edit.sentences()[i + 1], (Sentence{static_cast<std::int32_t>(c.atMs), map[i].endMs, t(c.after)}));
    expectSound(edit);
  }
}

TEST(MapEdit, SplitIsRefusedNearEitherEdge) {
  const struct {
    double atMs;
    bool ok;
  } cases[] = {{1000, false},  {1199, false}, {1199.6, false}, {1200, true}, {2800, true}, {2800.4, false},
               {2000.5, true}, {2801, false}, {3000, false},   {500, false}, {9000, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.atMs);
    MapEdit edit({s(1000, 3000, "今天天气很好。")}, 3000);
    const MapEditResult result = edit.split(0, c.atMs);
    EXPECT_EQ(result.ok, c.ok);
    EXPECT_EQ(edit.sentences().size(), c.ok ? 2u : 1u);
    if (!c.ok) {
      EXPECT_EQ(result.words, "这里离句子的开头或结尾太近，不能在这里分开。");
    }
    expectSound(edit);
  }
}

TEST(MapEdit, JoinMakesOneOfTwo) {
  const struct {
    const char* what;
    const char* first;
    const char* second;
    const char* joined;
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
    // A gap between the two: the one sentence covers it.
    MapEdit edit({s(0, 800, "前"), s(1000, 2000, c.first), s(2500, 4000, c.second)}, 4000);
    ASSERT_TRUE(edit.join(1).ok);
    EXPECT_EQ(edit.sentences(), (Sentences{s(0, 800, "前"), s(1000, 4000, c.joined)}));
  }
  MapEdit last(kThree, 4000);
  const MapEditResult refused = last.join(2);
  EXPECT_FALSE(refused.ok);
  EXPECT_EQ(refused.words, "这是最后一句，后面没有句子可以合并。");
  EXPECT_EQ(last.sentences(), kThree);
}

TEST(MapEdit, EditTextTrimsAndEmptyIsNoText) {
  const struct {
    const char* typed;
    const char* kept;
  } cases[] = {{"  新的  ", "新的"},         {"", nullptr}, {" \t ", nullptr}, {"a\r\nb", "a  b"},
               {"\u3000全角\u3000", "全角"}, {"二", "二"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.typed);
    MapEdit edit(kThree, 4000);
    ASSERT_TRUE(edit.editText(1, c.typed).ok);
    EXPECT_EQ(edit.sentences()[1].text, t(c.kept));
    // The same text again is no step to undo.
    EXPECT_EQ(edit.canUndo(), t(c.kept) != t("二"));
  }
}

TEST(MapEdit, UndoAndRedoWalkMixedSteps) {
  MapEdit edit(kThree, 4000);
  std::vector<Sentences> seen = {edit.sentences()};
  ASSERT_TRUE(edit.moveStart(1, 1300).ok);
  seen.push_back(edit.sentences());
  ASSERT_TRUE(edit.split(2, 3000).ok);
  seen.push_back(edit.sentences());
  ASSERT_TRUE(edit.editText(0, "改了").ok);
  seen.push_back(edit.sentences());
  ASSERT_TRUE(edit.join(1).ok);
  seen.push_back(edit.sentences());
  EXPECT_TRUE(edit.dirty());
  for (std::size_t k = seen.size() - 1; k > 0; --k) {
    ASSERT_TRUE(edit.undo().ok);
    EXPECT_EQ(edit.sentences(), seen[k - 1]);
  }
  EXPECT_FALSE(edit.canUndo());
  EXPECT_EQ(edit.undo().words, "没有可以撤销的修改。");
  EXPECT_FALSE(edit.dirty());
  for (std::size_t k = 1; k < seen.size(); ++k) {
    ASSERT_TRUE(edit.redo().ok);
    EXPECT_EQ(edit.sentences(), seen[k]);
  }
  EXPECT_FALSE(edit.redo().ok);

  // Saved two steps back; a new step there forgets what was undone.
  edit.undo();
  edit.undo();
  edit.markSaved();
  EXPECT_FALSE(edit.dirty());
  edit.redo();
  EXPECT_TRUE(edit.dirty());
  edit.undo();
  EXPECT_FALSE(edit.dirty());
  ASSERT_TRUE(edit.editText(2, "新").ok);
  EXPECT_FALSE(edit.canRedo());
  EXPECT_TRUE(edit.dirty());
  edit.undo();
  EXPECT_EQ(edit.sentences(), seen[2]);
  EXPECT_FALSE(edit.dirty());
}

TEST(MapEdit, HistoryKeepsTheLastHundredSteps) {
  MapEdit edit({s(0, 10000, "x")}, 10000);
  for (int k = 0; k < 150; ++k) ASSERT_TRUE(edit.moveStart(0, k + 1).ok);
  int undone = 0;
  while (edit.undo().ok) ++undone;
  EXPECT_EQ(undone, static_cast<int>(kEditHistorySteps));
  EXPECT_EQ(edit.sentences()[0].startMs, 50);
  // The map it came with is out of the history: what is shown is not it.
  EXPECT_TRUE(edit.dirty());
}

TEST(MapEdit, ABadMapIsPutInOrder) {
  const struct {
    const char* what;
    Sentences map;
    std::int32_t lengthMs;
    Sentences expected;
  } cases[] = {
      {"unsorted, a duplicate start, past the end, negative",
       {s(3000, 0, "c"), s(1000, 0, "a"), s(1000, 5000, "dup"), s(-5, 100, "neg"), s(9000, 9500, "past")},
       5000,
       {s(1000, 3000, "a"), s(3000, 5000, "c")}},
      {"an end past the next start, an empty text",
       {s(0, 4000, ""), s(2000, 2500, "  b ")},
       5000,
       {s(0, 2000, nullptr), s(2000, 2500, "b")}},
      {"length unknown: the last keeps its end",
       {s(0, 1000, "a"), s(1000, 2000, "b")},
       0,
       {s(0, 1000, "a"), s(1000, 2000, "b")}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    MapEdit edit(c.map, c.lengthMs);
    EXPECT_EQ(edit.sentences(), c.expected);
    EXPECT_FALSE(edit.dirty());
    expectSound(edit);
  }
}

TEST(MapEdit, WrongIndicesAndTimesChangeNothing) {
  constexpr double kNan = std::numeric_limits<double>::quiet_NaN();
  constexpr double kInf = std::numeric_limits<double>::infinity();
  constexpr int kIntMax = std::numeric_limits<int>::max(), kIntMin = std::numeric_limits<int>::min();
  const struct {
    const char* what;
    Sentences map;
    int i;
    double ms;
  } cases[] = {
      {"empty map", {}, 0, 100},
      {"index -1", kThree, -1, 1500},
      {"index past the end", kThree, 3, 1500},
      {"largest index", kThree, kIntMax, 1500},
      {"smallest index", kThree, kIntMin, 1500},
      {"NaN", kThree, 1, kNan},
      {"infinity", kThree, 1, kInf},
      {"minus infinity", kThree, 1, -kInf},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    MapEdit edit(c.map, 4000);
    const Sentences before = edit.sentences();
    for (const MapEditResult& result : {edit.moveStart(c.i, c.ms), edit.split(c.i, c.ms)}) {
      EXPECT_FALSE(result.ok);
      EXPECT_FALSE(result.words.empty());
    }
    EXPECT_EQ(edit.sentences(), before);
    if (!std::isfinite(c.ms)) continue;  // join and editText take no time: the index is right
    for (const MapEditResult& result : {edit.join(c.i), edit.editText(c.i, "字")}) EXPECT_FALSE(result.ok);
    EXPECT_EQ(edit.sentences(), before);
    EXPECT_FALSE(edit.canUndo());
  }
  // Huge but finite times are clamped, never wrapped.
  for (const double ms : {-1e300, 1e300, -3e9, 3e9}) {
    SCOPED_TRACE(ms);
    MapEdit edit(kThree, 4000);
    EXPECT_TRUE(edit.moveStart(1, ms).ok);
    EXPECT_FALSE(edit.split(1, ms).ok);
    expectSound(edit);
  }
  // A sentence running to the largest time there is (length unknown) splits without overflow.
  MapEdit open({s(std::numeric_limits<std::int32_t>::max() - 300, std::numeric_limits<std::int32_t>::max(), "x")}, 0);
  EXPECT_FALSE(open.split(0, std::numeric_limits<std::int32_t>::max() - 150.0).ok);
  EXPECT_FALSE(open.split(0, 1e12).ok);
  expectSound(open);
}

}  // namespace
}  // namespace tessaly
