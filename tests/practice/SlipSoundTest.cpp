// SPDX-License-Identifier: GPL-3.0-or-later
// A check's slips heard alone: each slip found in the units of its sentence (a missing one
// with its neighbours, an extra one not at all), and a slip chosen loops its span; zoomed in,
// the units of the sentence heard, their texts once revealed, a click on one hearing it.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "practice/PracticeForm.h"
#include "support/FakeUnitScan.h"

namespace tessaly::test {
namespace {

struct Player final : PracticePlayer {
  PlayerPicture picture() const override { return {"/lessons/a.mp3", 60000, at, true, false, 0, 0}; }
  const SentenceMap& sentenceMap() const override { return map; }
  std::string dictationText() const override { return dictation; }
  void jumpTo(double) override {}
  void repeatSentence(const Sentence&) override {}
  void loopUnit(double startMs, double endMs, int sentence) override { loops.push_back({startMs, endMs, sentence}); }

  // A sentence without text first: the map's numbering is not the reference's.
  SentenceMap map{SentenceSource::Lrc, {{0, 1000, std::nullopt}, {1000, 4000, "他去学校。"}, {4000, 9000, "我们买东西。"}}};
  std::string dictation;
  double at = 0;
  struct Loop {
    double startMs, endMs;
    int sentence;
  };
  std::vector<Loop> loops;
};

TEST(SlipSounds, EachSlipIsFoundInItsSentencesUnitsAndLoopsItsSpan) {
  Player player;
  FakeUnitScan units;
  PracticeForm form(player, nullptr, nullptr, TESSALY_PINYIN_TABLE);
  form.useUnitScan(&units);
  form.tick();
  ASSERT_EQ(form.units().size(), 4u + 5u);
  // 学 left out, 买 heard as 卖, 了 written too many.
  player.dictation = "他去校。我们卖东西了。";
  ASSERT_TRUE(form.startCheck());
  bool arrived = false;
  for (int i = 0; i < 500 && !arrived; ++i) {
    arrived = form.tick().check;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ASSERT_TRUE(arrived);
  const auto sounds = form.slipSounds();
  ASSERT_EQ(sounds.size(), 2u) << "the extra 了 has no sound of its own";
  EXPECT_EQ(sounds[0].sentence, 1);
  EXPECT_EQ(sounds[0].startMs, 1200) << "学 missing: heard with 去 before it";
  EXPECT_EQ(sounds[0].endMs, 1800) << "and 校 after it";
  EXPECT_EQ(sounds[1].sentence, 2);
  EXPECT_EQ(sounds[1].startMs, 4400) << "买, the third unit of its sentence";
  EXPECT_EQ(sounds[1].endMs, 4600);
  EXPECT_NE(sounds[1].label.find("第 2 句"), std::string::npos) << sounds[1].label;
  form.loopSlip(1);
  ASSERT_EQ(player.loops.size(), 1u);
  EXPECT_EQ(player.loops[0].startMs, 4400);
  EXPECT_EQ(player.loops[0].sentence, 2);
  form.loopSlip(5);
  EXPECT_EQ(player.loops.size(), 1u) << "no such slip: nothing";
}

TEST(SlipSounds, ZoomedInTheSentencesUnitsAreShownTheirTextOnceRevealedAndAClickHearsOne) {
  Player player;
  FakeUnitScan units;
  player.at = 4500;  // in 我们买东西。
  PracticeForm form(player, nullptr, nullptr, TESSALY_PINYIN_TABLE);
  form.useUnitScan(&units);
  form.view().setWidth(600);
  form.tick();
  EXPECT_TRUE(form.shownUnits().empty()) << "the whole minute in sight: too far out";
  form.view().zoomIn(4500);  // 30 s
  form.view().zoomIn(4500);  // 15 s
  const auto shown = form.shownUnits();
  ASSERT_EQ(shown.size(), 5u);
  EXPECT_EQ(shown[2].startMs, 4400);
  EXPECT_EQ(shown[2].text, "") << "hidden until revealed";
  form.reveal(2);
  EXPECT_EQ(form.shownUnits()[2].text, "买");
  EXPECT_TRUE(form.clickUnitAt(form.view().xAt(4500)));
  ASSERT_EQ(player.loops.size(), 1u);
  EXPECT_EQ(player.loops[0].startMs, 4400);
  EXPECT_EQ(player.loops[0].endMs, 4600);
  EXPECT_FALSE(form.clickUnitAt(form.view().xAt(6000))) << "no unit there: the click is a jump";
}

}  // namespace
}  // namespace tessaly::test
