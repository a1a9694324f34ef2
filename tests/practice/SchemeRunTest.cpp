// SPDX-License-Identifier: GPL-3.0-or-later
// A repeat scheme run by Alt+R on both back-ends: each sentence's passes at their speeds with
// their pauses, then the next sentence, and the end; the status line; Alt+X out, Alt+Z inside
// a pause, Alt+N inside a run; the learner's own speed untouched. Simulated devices, manual
// clock.
#include <gtest/gtest.h>

#include <filesystem>

#include "../app/Form1Rig.h"
#include "playback/PlayerLayouts.h"
#include "practice/SchemeChoice.h"
#include "support/MemoryFolder.h"

namespace tessaly::test {
namespace {

struct Case {
  const char* file;
  bool mci;
};

// What the device did, tick by tick: a stretch of sound and the speed it played at, or a
// stretch of silence.
struct Stretch {
  bool sounding;
  double speed;
  int ms;
};

class SchemeRun : public ::testing::TestWithParam<Case> {
 protected:
  void SetUp() override {
    const std::string audio = rig.audio(GetParam().file, 20000);
    // Three sentences: 1-3 s, 3-7 s, 7-9 s.
    writeBytes(rig.appPath / "voice" / (std::string(GetParam().file).substr(0, 6) + ".lrc"),
               "[00:01.00]One.\n[00:03.00]Two.\n[00:07.00]Three.\n[00:09.00]\n");
    rig.start();
    rig.open(audio);
    rig.clock.advance(3500);  // in the second sentence
  }
  bool sounding() const { return GetParam().mci ? rig.mci.playing() : rig.stream.playing(); }
  double speed() const { return GetParam().mci ? rig.mci.speed() : rig.stream.speed(); }
  std::int32_t position() const { return GetParam().mci ? rig.mci.position() : rig.stream.position(); }
  const PlayerVariables& v() const { return rig.form->variables(); }
  // Runs the clock until the run ends (or `ms` pass), noting the stretches.
  std::vector<Stretch> watch(int ms, const std::function<void(int)>& atTick = {}) {
    std::vector<Stretch> seen;
    for (int t = 0; t < ms && rig.form->loopPacer().running(); t += 20) {
      if (atTick) atTick(t);
      rig.clock.advance(20);
      const bool now = sounding();
      if (seen.empty() || seen.back().sounding != now || (now && seen.back().speed != speed()))
        seen.push_back({now, now ? speed() : 0, 0});
      seen.back().ms += 20;
    }
    return seen;
  }

  Form1Rig rig;
};

TEST_P(SchemeRun, SentenceBySentenceDictationPlaysEachThreeTimesWithItsPausesAndEnds) {
  rig.form->player().chooseScheme("逐句听写");
  ASSERT_TRUE(rig.form->accessKey('r'));
  EXPECT_EQ(rig.label(1).caption(), "第 2 句\u3000第 1 遍（共 3 遍）\u30001.0×");
  EXPECT_EQ(v().segmentStart, 3000);
  const std::vector<Stretch> seen = watch(120000);
  EXPECT_FALSE(rig.form->loopPacer().running()) << "the run ends after the last sentence";
  // Sentence 2 (4 s) three times with 6 s pauses, then sentence 3 (2 s) with 3 s pauses; the
  // last pause too, to write the last sentence.
  const int expected[][2] = {{4000, 6000}, {4000, 6000}, {4000, 6000}, {2000, 3000}, {2000, 3000}, {2000, 3000}};
  std::vector<Stretch> sounds, pauses;
  for (const Stretch& s : seen) (s.sounding ? sounds : pauses).push_back(s);
  ASSERT_GE(sounds.size(), 6u);
  ASSERT_EQ(pauses.size(), 6u);
  const int slack = GetParam().mci ? 700 : 100;  // the MCI loop is looked at every 600 ms
  for (std::size_t i = 0; i < 6; ++i) {
    EXPECT_NEAR(sounds[i].ms, expected[i][0], slack) << "pass " << i + 1;
    EXPECT_NEAR(pauses[i].ms, expected[i][1], slack) << "pause after pass " << i + 1;
  }
  EXPECT_EQ(v().repeatState, RepeatState::Listening) << "after the run, listening goes on";
  EXPECT_EQ(rig.label(1).caption(), captions::kPlaying);
  rig.clock.advance(700);
  EXPECT_TRUE(sounding()) << "the sound goes on after the last pause";
}

TEST_P(SchemeRun, SlowToFastPlaysEachPassAtItsSpeedAndLeavesTheLearnersSpeedAlone) {
  rig.form->accessKey('j');  // the learner's own 0.9×
  rig.form->player().chooseScheme("由慢到快");
  ASSERT_TRUE(rig.form->accessKey('r'));
  std::vector<double> speeds;
  for (const Stretch& s : watch(14000))
    if (s.sounding && (speeds.empty() || speeds.back() != s.speed)) speeds.push_back(s.speed);
  ASSERT_GE(speeds.size(), 3u);
  EXPECT_DOUBLE_EQ(speeds[0], 0.7);
  EXPECT_DOUBLE_EQ(speeds[1], 0.85);
  EXPECT_DOUBLE_EQ(speeds[2], 1.0);
  EXPECT_EQ(rig.form->speed().tenths(), 9) << "the learner's speed is not the scheme's";
  rig.form->accessKey('x');  // out of the run
  EXPECT_FALSE(rig.form->loopPacer().running());
  EXPECT_EQ(v().repeatState, RepeatState::Listening);
  EXPECT_DOUBLE_EQ(speed(), 0.9) << "the learner's speed back";
}

TEST_P(SchemeRun, AltZInsideAPauseStopsItsClockAndAltNMovesTheRun) {
  rig.form->player().chooseScheme("逐句听写");
  ASSERT_TRUE(rig.form->accessKey('r'));
  // Into the first pause (after 4 s of sound), then paused for 10 s there.
  for (int t = 0; t < 5000 && sounding(); t += 20) rig.clock.advance(20);
  ASSERT_FALSE(sounding());
  rig.clock.advance(1000);
  EXPECT_EQ(rig.label(1).caption(), "第 2 句\u3000第 1 遍后停顿 6 秒") << "the line says the pause";
  ASSERT_TRUE(rig.form->accessKey('z'));
  rig.clock.advance(10000);
  EXPECT_EQ(rig.form->loopPacer().currentStep()->pass, 1) << "the pause waited while paused";
  EXPECT_FALSE(sounding());
  ASSERT_TRUE(rig.form->accessKey('z'));  // on: the rest of the pause, silent, then pass 2
  EXPECT_EQ(rig.label(1).caption(), "第 2 句\u3000第 1 遍后停顿 6 秒");
  rig.clock.advance(2000);
  EXPECT_FALSE(sounding()) << "continuing inside the pause keeps it silent";
  rig.clock.advance(4000);
  EXPECT_TRUE(sounding());
  EXPECT_EQ(rig.form->loopPacer().currentStep()->pass, 2);
  EXPECT_EQ(rig.label(1).caption(), "第 2 句\u3000第 2 遍（共 3 遍）\u30001.0×");
  ASSERT_TRUE(rig.form->accessKey('n'));
  EXPECT_EQ(rig.form->loopPacer().currentStep()->sentence, 2);
  EXPECT_EQ(rig.form->loopPacer().currentStep()->pass, 1);
  EXPECT_EQ(v().segmentStart, 7000);
  EXPECT_EQ(rig.label(1).caption(), "第 3 句\u3000第 1 遍（共 3 遍）\u30001.0×");
  ASSERT_TRUE(rig.form->accessKey('p'));
  EXPECT_EQ(rig.form->loopPacer().currentStep()->sentence, 1);
  // A key the run has turned off says what to press; the run goes on.
  const std::size_t dialogs = rig.dialog.calls().size();
  EXPECT_TRUE(rig.form->accessKey('f'));
  EXPECT_EQ(rig.label(1).caption(), Form1::kKeyOffDuringRun);
  EXPECT_TRUE(rig.form->loopPacer().running());
  EXPECT_EQ(rig.dialog.calls().size(), dialogs);
}

TEST_P(SchemeRun, ThePlainLoopIsAltRAsItWas) {
  ASSERT_TRUE(rig.form->accessKey('r'));
  EXPECT_FALSE(rig.form->loopPacer().running());
  EXPECT_EQ(v().repeatState, RepeatState::Repeating);
  EXPECT_EQ(v().segmentStart, 3000);
  EXPECT_EQ(v().segmentEnd, 7000);
  EXPECT_EQ(rig.label(1).caption(), captions::kRepeating);
}

TEST_P(SchemeRun, TheEnglishSampleSentenceBySentencePlaysEachOfItsSixSentencesThreeTimesAndEnds) {
  Form1Rig english;
  const std::string lesson = english.audio(GetParam().mci ? "english.wav" : "english.mp3", 22500);
  std::filesystem::copy_file(TESSALY_ENGLISH_LRC, english.appPath / "voice" / "english.lrc");
  english.start();
  english.open(lesson);
  english.clock.advance(1000);
  english.form->player().chooseScheme("逐句听写");
  english.form->player().startSchemeFromFirstSentence();
  std::vector<int> passesOf(6, 0);
  int lastStep = -1;
  for (int t = 0; t < 400000 && english.form->loopPacer().running(); t += 20) {
    const DrillStep* step = english.form->loopPacer().currentStep();
    const int at = step->sentence * 10 + step->pass;
    if (at != lastStep) ++passesOf[static_cast<std::size_t>(step->sentence)];
    lastStep = at;
    english.clock.advance(20);
  }
  EXPECT_FALSE(english.form->loopPacer().running()) << "the run ends";
  EXPECT_EQ(passesOf, std::vector<int>(6, 3));
  EXPECT_EQ(english.form->variables().repeatState, RepeatState::Listening);
}

TEST_P(SchemeRun, AUnitHeardAloneIsItsPaddedSpanSlowerThreeTimesThenListeningGoesOnWhereItWas) {
  rig.form->accessKey('h');  // the learner's 1.0×
  const double before = position();
  rig.form->player().loopUnit(4000, 4400, 1);
  ASSERT_TRUE(rig.form->loopPacer().running());
  EXPECT_EQ(v().segmentStart, 3930) << "padded by 70 ms";
  EXPECT_EQ(v().segmentEnd, 4470);
  EXPECT_DOUBLE_EQ(speed(), 0.7) << "the slower of the learner's speed and 0.7×";
  EXPECT_EQ(rig.label(1).caption(), "第 2 句\u3000第 1 遍（共 3 遍）\u30000.7×");
  const std::vector<Stretch> seen = watch(20000);
  EXPECT_FALSE(rig.form->loopPacer().running());
  int heard = 0;
  for (const Stretch& x : seen) heard += x.sounding ? x.ms : 0;
  if (!GetParam().mci) {  // the MCI loop is looked at every 600 ms: longer than a pass
    EXPECT_NEAR(heard, 3 * 540 / 0.7, 100) << "three passes of 540 ms at 0.7×, back to back";
  }
  EXPECT_EQ(v().repeatState, RepeatState::Listening);
  EXPECT_NEAR(position(), before, GetParam().mci ? 700 : 100) << "back where it was";
  EXPECT_DOUBLE_EQ(speed(), 1.0) << "and at the learner's speed";
  rig.clock.advance(1000);
  EXPECT_TRUE(sounding());
}

TEST(SchemeChoice, IsKeptWithTheLearnersOwnSchemes) {
  MemoryFolder folder;
  UserSettings settings(folder);
  settings.set("scheme_1", "慢慢听;next;0;0;75/2000+10,100/2000+10");
  settings.set("scheme_2", "broken line");
  SchemeChoice choice;
  choice.useSettings(&settings);
  EXPECT_EQ(choice.name(), "");
  EXPECT_TRUE(choice.scheme().plainLoop());
  choice.choose("单句循环");
  EXPECT_FALSE(settings.get("repeat_scheme")) << "the plain loop leaves no line behind";
  ASSERT_EQ(choice.all().size(), 5u) << "the built-ins, then the learner's one readable scheme";
  EXPECT_EQ(choice.all().back().name, "慢慢听");
  choice.choose("慢慢听");
  SchemeChoice later;
  later.useSettings(&settings);
  EXPECT_EQ(later.scheme().passes.size(), 2u);
  EXPECT_EQ(later.scheme().passes[0].speedPercent, 75);
  later.choose("");
  EXPECT_EQ(settings.get("repeat_scheme"), "");
}

TEST(SchemeChoice, KeepsTheLearnersSchemesAsTheOptionsWindowLeftThem) {
  MemoryFolder folder;
  UserSettings settings(folder);
  settings.set("scheme_1", "一;next;0;0;100/0+0");
  settings.set("scheme_2", "二;on;0;0;70/0+0");
  settings.set("scheme_3", "三;on;1;1;85/0+5");
  SchemeChoice choice;
  choice.useSettings(&settings);
  choice.choose("三");
  std::vector<RepeatScheme> left = choice.all();
  left.erase(left.begin() + 4);         // "一" removed
  left[4].passes[0].speedPercent = 75;  // "二" changed
  left.push_back({"四", {{100, 500, 0}}, AfterPasses::NextSentence, 0, 0});
  left[1].passes.clear();  // a built-in's name is never kept
  choice.keepOwn(left);
  // Each on its own line: the removed one's gone, the changed one's rewritten, the new one's
  // added after the others; the one left as it was is not touched.
  EXPECT_FALSE(settings.get("scheme_1"));
  EXPECT_EQ(settings.get("scheme_2"), "二;on;0;0;75/0+0");
  EXPECT_EQ(settings.get("scheme_3"), "三;on;1;1;85/0+5");
  EXPECT_EQ(settings.get("scheme_4"), "四;next;0;0;100/500+0");
  EXPECT_FALSE(settings.get("scheme_5"));
  std::vector<std::string> order;
  for (const RepeatScheme& s : choice.all()) order.push_back(s.name);
  EXPECT_EQ(order, (std::vector<std::string>{"单句循环", "逐句听写", "由慢到快", "听写考试", "二", "三", "四"}));
  EXPECT_EQ(choice.name(), "三") << "the chosen scheme is still there";
  EXPECT_EQ(schemeNamed("逐句听写", choice.all()).passes.size(), 3u);

  choice.keepOwn(std::vector<RepeatScheme>(builtInSchemes()));
  EXPECT_FALSE(settings.get("scheme_1"));
  EXPECT_EQ(choice.name(), "") << "the chosen scheme is gone: the plain loop";
}

INSTANTIATE_TEST_SUITE_P(BothBackEnds, SchemeRun, ::testing::Values(Case{"lesson.wav", true}, Case{"lesson.mp3", false}),
                         [](const ::testing::TestParamInfo<Case>& p) { return p.param.mci ? "Mci" : "Stream"; });

}  // namespace
}  // namespace tessaly::test
