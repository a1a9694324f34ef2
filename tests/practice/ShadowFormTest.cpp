// SPDX-License-Identifier: GPL-3.0-or-later
// 跟读's logic on a scripted engine: which sentence a take is of and how long it may be, the
// lesson paused only once a take has started, a take that cannot start changing nothing, the
// comparison's caption and its record, hearing with the loop options' passes, and the player
// taking the sound back.
#include "shadow/ShadowForm.h"

#include <gtest/gtest.h>

#include <deque>

#include "record/CheckRecord.h"
#include "support/ScriptedShadowEngine.h"

namespace tessaly::test {
namespace {

class Player final : public PracticePlayer {
 public:
  PlayerPicture picture() const override { return now; }
  const SentenceMap& sentenceMap() const override { return map; }
  std::string dictationText() const override { return {}; }
  void jumpTo(double) override {}
  void repeatSentence(const Sentence&) override {}
  void pausePlaying() override {
    pauses += now.playing;
    now.playing = false;
  }
  LoopOptions loopOptions() const override { return options; }

  PlayerPicture now{"/lessons/a.mp3", 60000, 5000, true, false, 0, 0};
  SentenceMap map;
  LoopOptions options;
  int pauses = 0;
};

using Engine = ScriptedShadowEngine;

class Log final : public TakeLog {
 public:
  void recordTake(TakeRecord r) override { kept.push_back(std::move(r)); }
  std::vector<TakeRecord> kept;
};

const std::vector<Sentence> kSentences = {{0, 4000, "你好。"}, {4000, 5000, "今天天气很好。"}, {5000, 9000, std::nullopt}};

TakeComparison compared(int score, std::vector<std::string> reasons) {
  TakeComparison c;
  c.compared = true;
  c.takePath = "/takes/x.flac";
  c.score.score = score;
  c.score.reasons = std::move(reasons);
  c.score.lengthRatio = 1.4;
  return c;
}

TEST(ShadowForm, WhatATakeKeyDoes) {
  const struct {
    const char* what;
    std::string recording;
    int sentence;
    bool microphone;
    std::string said, told;  // "" when the take starts; what the first tick tells
  } cases[] = {
      {"no recording", "", 1, true, "请先打开一个语音文件，再跟读。", ""},
      {"no sentence", "/lessons/a.mp3", -1, true, "请先播放到要跟读的句子，或在句子列表里选中一句，再按跟读录音。", ""},
      {"no microphone", "/lessons/a.mp3", 1, false, "", "没有找到麦克风（录音设备），不能跟读录音。"},
      {"a take", "/lessons/a.mp3", 1, true, "", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Player player;
    player.now.recording = c.recording;
    Engine engine;
    engine.microphone = c.microphone;
    ShadowForm form(player, engine);
    std::vector<align::UnitSpan> units = {
        {0, 0, 100, 400, 1, "你"}, {1, 0, 4100, 4300, 1, "今"}, {1, 1, 4300, 4500, 1, "天"}};
    EXPECT_EQ(form.toggleTake(kSentences, c.sentence, units), c.said);
    if (c.said.empty()) {
      EXPECT_EQ(form.state(), TakeState::Starting);
      EXPECT_EQ(form.caption(), "正在打开麦克风……");
    }
    EXPECT_EQ(player.pauses, 0) << "the lesson goes on until the microphone records";
    form.tick();
    EXPECT_EQ(form.takeProblem(), c.told);
    if (!c.said.empty() || !c.told.empty()) {
      EXPECT_EQ(player.pauses, 0) << "nothing changes";
      EXPECT_EQ(form.state(), TakeState::Idle);
      EXPECT_FALSE(form.comparison());
      EXPECT_EQ(engine.requests.size(), c.said.empty() ? 1u : 0u);
      continue;
    }
    EXPECT_EQ(player.pauses, 1) << "the lesson pauses while the take records";
    EXPECT_EQ(form.state(), TakeState::Recording);
    ASSERT_EQ(engine.requests.size(), 1u);
    const TakeRequest& r = engine.requests[0];
    EXPECT_EQ(r.startMs, 4000);
    EXPECT_EQ(r.endMs, 5000);
    EXPECT_EQ(r.text, "今天天气很好。");
    EXPECT_EQ(r.longestMs, 3000) << "twice the sentence, but never under three seconds";
    ASSERT_EQ(r.units.size(), 2u) << "only its own units, from its start";
    EXPECT_EQ(r.units[1].startMs, 300);
    EXPECT_EQ(form.caption(), "正在录音：第 2 句。说完停一秒会自动结束，也可以再按一次跟读录音。");
    EXPECT_EQ(form.toggleTake(kSentences, 1, units), "") << "the key again ends it";
    EXPECT_EQ(engine.stops, 1);
  }
}

TEST(ShadowForm, WhileASlowMicrophoneOpensTheLessonGoesOn) {
  const struct {
    const char* what;
    bool microphone;
    bool pressedAgain;  // the take key pressed again while the microphone opens
    TakeState after;    // once it has opened (or failed to)
    int pauses;
    std::string told;
  } cases[] = {
      {"it opens", true, false, TakeState::Recording, 1, ""},
      {"the key again while it opens", true, true, TakeState::Comparing, 0, ""},
      {"there is none", false, false, TakeState::Idle, 0, "没有找到麦克风（录音设备），不能跟读录音。"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Player player;
    Engine engine;
    engine.microphone = c.microphone;
    engine.openingPolls = 5;
    ShadowForm form(player, engine);
    ASSERT_EQ(form.toggleTake(kSentences, 1, {}), "");
    for (int tick = 0; tick < 3; ++tick) {
      form.tick();
      EXPECT_EQ(form.state(), TakeState::Starting);
      EXPECT_EQ(form.caption(), "正在打开麦克风……");
      EXPECT_EQ(form.meter(), 0);
      EXPECT_EQ(player.pauses, 0) << "the lesson goes on until the microphone records";
      EXPECT_EQ(form.hear(false), "这一句还没有跟读录音：先按“跟读录音”录一遍。");
    }
    if (c.pressedAgain) {
      EXPECT_EQ(form.toggleTake(kSentences, 1, {}), "") << "the key again ends the take";
      EXPECT_EQ(engine.stops, 1);
    }
    for (int tick = 0; tick < 3; ++tick) form.tick();
    EXPECT_EQ(form.state(), c.after);
    EXPECT_EQ(player.pauses, c.pauses);
    EXPECT_EQ(form.takeProblem(), c.told);
    EXPECT_EQ(engine.requests.size(), 1u) << "one take, never a second one started";
  }
}

TEST(ShadowForm, AComparisonIsShownKeptAndHeardForTheLoopsPasses) {
  Player player;
  player.options = {3, 800, 0};
  Engine engine;
  Log log;
  ShadowForm form(player, engine);
  form.keepTakesIn(&log, [] { return std::int64_t{1796000000}; });
  EXPECT_EQ(form.hear(true), "这一句还没有跟读录音：先按“跟读录音”录一遍。");
  EXPECT_TRUE(engine.heard.empty());

  ASSERT_EQ(form.toggleTake(kSentences, 1, {}), "");
  engine.db = -30;
  form.tick();
  EXPECT_EQ(form.meter(), 50) << "-30 dBFS: half way from -60 to 0";
  engine.stopTake();
  EXPECT_TRUE(form.tick().state);
  EXPECT_EQ(form.caption(), "正在和原声比较……");
  engine.ready = compared(72, {"整句比原声慢 40 %", "第 4 个字的声调偏平"});
  const ShadowForm::Changes changes = form.tick();
  EXPECT_TRUE(changes.comparison);
  EXPECT_EQ(form.state(), TakeState::Idle);
  EXPECT_EQ(form.meter(), 0);
  EXPECT_EQ(form.caption(), "第 2 句的跟读：72 分。整句比原声慢 40 %；第 4 个字的声调偏平");
  ASSERT_EQ(log.kept.size(), 1u);
  EXPECT_EQ(log.kept[0].recording, "/lessons/a.mp3");
  EXPECT_EQ(log.kept[0].startMs, 4000);
  EXPECT_EQ(log.kept[0].reasons, "整句比原声慢 40 %；第 4 个字的声调偏平");
  EXPECT_EQ(log.kept[0].takePath, "/takes/x.flac");
  EXPECT_EQ(log.kept[0].day, localDay(1796000000));

  // Heard after the original for the loop's three passes; an unlimited loop hears it once.
  player.now.playing = true;
  EXPECT_EQ(form.hear(true), "");
  EXPECT_FALSE(player.now.playing) << "the lesson pauses for it";
  ASSERT_EQ(engine.heard.size(), 1u);
  EXPECT_TRUE(engine.heard[0].original);
  EXPECT_EQ(engine.heard[0].passes, 3);
  EXPECT_EQ(engine.heard[0].pauseMs, 800);
  EXPECT_TRUE(form.tick().hearing);
  EXPECT_EQ(form.caption(), "正在听原声（第 1 遍，共 3 遍）");
  // Going on with the lesson ends it.
  const int stops = engine.hearingStops;
  player.now.playing = true;
  form.tick();
  EXPECT_EQ(engine.hearingStops, stops + 1);
  EXPECT_EQ(engine.hearing().part, Hearing::Part::Nothing);
  player.options = {};
  EXPECT_EQ(form.hear(false), "");
  EXPECT_FALSE(engine.heard[1].original);
  EXPECT_EQ(engine.heard[1].passes, 1);
}

TEST(ShadowForm, ATakeThatCouldNotBeComparedIsToldAndChangesNothing) {
  Player player;
  Engine engine;
  Log log;
  ShadowForm form(player, engine);
  form.keepTakesIn(&log, {});
  ASSERT_EQ(form.toggleTake(kSentences, 0, {}), "");
  engine.ready = compared(80, {"和原声很接近"});
  form.tick();
  const std::string before = form.caption();
  EXPECT_EQ(before, "第 1 句的跟读：80 分。和原声很接近");

  ASSERT_EQ(form.toggleTake(kSentences, 1, {}), "");
  TakeComparison failed;
  failed.failure = "录音设备停止工作了，这次跟读只录到一部分。";
  engine.ready = failed;
  const ShadowForm::Changes changes = form.tick();
  EXPECT_FALSE(changes.comparison);
  EXPECT_EQ(form.takeProblem(), failed.failure);
  EXPECT_EQ(form.takeProblem(), "") << "told once";
  EXPECT_EQ(form.caption(), before) << "the last comparison stays";
  EXPECT_EQ(form.comparison()->score.score, 80);
  EXPECT_EQ(log.kept.size(), 1u) << "only the compared take is kept";
  EXPECT_EQ(form.hear(false), "") << "and its take is still heard";
}

TEST(ShadowForm, ATakeScoredButNotKeptIsToldOnceUntilATakeIsKeptAgain) {
  Player player;
  Engine engine;
  Log log;
  ShadowForm form(player, engine);
  form.keepTakesIn(&log, {});
  const std::string why = "跟读录音没能保存到 /data/takes：磁盘已满。";
  const std::string told = why +
                           "\n这遍跟读照样打了分，也能马上回听，但录音不会留下来。能保存之前，以后的跟读不再提示，"
                           "只在跟读一行里注明“录音没有保存”。";
  const struct {
    bool kept;
    std::string told;
  } takes[] = {{true, ""}, {false, told}, {false, ""}, {false, ""}, {true, ""}, {false, told}};
  for (std::size_t i = 0; i < std::size(takes); ++i) {
    SCOPED_TRACE(i);
    ASSERT_EQ(form.toggleTake(kSentences, 0, {}), "");
    TakeComparison c = compared(80, {"和原声很接近"});
    if (!takes[i].kept) {
      c.takePath.clear();
      c.unkept = why;
    }
    engine.ready = c;
    EXPECT_TRUE(form.tick().comparison) << "scored all the same";
    EXPECT_EQ(form.takeProblem(), takes[i].told);
    EXPECT_EQ(form.caption(),
              takes[i].kept ? "第 1 句的跟读：80 分。和原声很接近" : "第 1 句的跟读：80 分（录音没有保存）。和原声很接近");
  }
  EXPECT_EQ(log.kept.size(), std::size(takes)) << "every score is in the record";
  EXPECT_EQ(log.kept[1].takePath, "");
}

}  // namespace
}  // namespace tessaly::test
