// SPDX-License-Identifier: GPL-3.0-or-later
// A check's slips heard alone: each slip found in the units of its sentence (a missing one
// with its neighbours, an extra one not at all), and a slip chosen loops its span.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "practice/PracticeForm.h"

namespace tessaly::test {
namespace {

struct Player final : PracticePlayer {
  PlayerPicture picture() const override { return {"/lessons/a.mp3", 60000, 0, true, false, 0, 0}; }
  const SentenceMap& sentenceMap() const override { return map; }
  std::string dictationText() const override { return dictation; }
  void jumpTo(double) override {}
  void repeatSentence(const Sentence&) override {}
  void loopUnit(double startMs, double endMs, int sentence) override { loops.push_back({startMs, endMs, sentence}); }

  // A sentence without text first: the map's numbering is not the reference's.
  SentenceMap map{SentenceSource::Lrc, {{0, 1000, std::nullopt}, {1000, 4000, "他去学校。"}, {4000, 9000, "我们买东西。"}}};
  std::string dictation;
  struct Loop {
    double startMs, endMs;
    int sentence;
  };
  std::vector<Loop> loops;
};

// Every unit 200 ms long from its sentence's start, all found at once.
struct Units final : UnitScan {
  std::uint32_t start(const std::string&, const std::vector<Sentence>& sentences) override {
    all.clear();
    for (std::size_t s = 0; s < sentences.size(); ++s)
      for (int u = 0; sentences[s].text && u < static_cast<int>(unitsOf(*sentences[s].text).size()); ++u)
        all.push_back(
            {static_cast<int>(s), u, sentences[s].startMs + 200.0 * u, sentences[s].startMs + 200.0 * (u + 1), 1, ""});
    return ++serial;
  }
  bool take(std::uint32_t s, std::vector<align::UnitSpan>& units) const override {
    if (s == serial) units = all;
    return true;
  }
  std::vector<align::UnitSpan> all;
  std::uint32_t serial = 0;
};

TEST(SlipSounds, EachSlipIsFoundInItsSentencesUnitsAndLoopsItsSpan) {
  Player player;
  Units units;
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

}  // namespace
}  // namespace tessaly::test
