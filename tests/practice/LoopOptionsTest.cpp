// SPDX-License-Identifier: GPL-3.0-or-later
// The loop options on both back-ends: the passes counted and the loop left as Alt+X leaves
// it, the pause between passes (silent, the MCI device's tick counted in), the step back on
// continue; with the defaults the loop is what it always was. Simulated devices, manual clock.
#include "practice/LoopOptions.h"

#include <gtest/gtest.h>

#include "../app/Form1Rig.h"
#include "playback/PlayerLayouts.h"
#include "support/MemoryFolder.h"

namespace tessaly::test {
namespace {

struct Case {
  const char* file;
  bool mci;
};

class LoopOptionsOnForm1 : public ::testing::TestWithParam<Case> {
 protected:
  void SetUp() override {
    rig.start();
    rig.open(rig.audio(GetParam().file, 60000));
    rig.clock.advance(10000);
  }
  std::vector<PlayedRange> played() const { return GetParam().mci ? rig.mci.played() : rig.stream.played(); }
  std::int32_t position() const { return GetParam().mci ? rig.mci.position() : rig.stream.position(); }
  bool sounding() const { return GetParam().mci ? rig.mci.playing() : rig.stream.playing(); }
  const PlayerVariables& v() const { return rig.form->variables(); }

  Form1Rig rig;
};

TEST_P(LoopOptionsOnForm1, ThreePassesWithAPauseThenListeningGoesOn) {
  rig.form->loopPacer().setOptions({3, 2000, 0});
  ASSERT_TRUE(rig.form->accessKey('x'));  // a loop over 1 ms to 10001 ms
  const double end = v().segmentEnd;
  int silentTicks = 0;
  int passesSeen = 0;
  bool wasSounding = true;
  for (int t = 0; t < 60000 && v().repeatState == RepeatState::Repeating; t += 100) {
    rig.clock.advance(100);
    const bool now = sounding();
    if (!now) ++silentTicks;
    if (wasSounding && !now) ++passesSeen;
    wasSounding = now;
  }
  EXPECT_EQ(v().repeatState, RepeatState::Listening) << "left after the third pass";
  EXPECT_EQ(v().segmentStart, end) << "as Alt+X leaves: on from the loop's end";
  EXPECT_EQ(rig.label(1).caption(), captions::kPlaying);
  // Two pauses of about 2 s (between passes 1-2 and 2-3); none after the third.
  EXPECT_GE(silentTicks, 2 * 2000 / 100 - 2);
  EXPECT_LE(silentTicks, 2 * (2000 + 600) / 100 + 2);
  rig.clock.advance(1000);
  EXPECT_GT(position(), end);
}

TEST_P(LoopOptionsOnForm1, TheDefaultsLoopForeverWithoutAPause) {
  ASSERT_TRUE(rig.form->accessKey('x'));
  rig.clock.advance(100000);
  EXPECT_EQ(v().repeatState, RepeatState::Repeating);
  const auto ranges = played();
  int passes = 0;
  for (const auto& r : ranges) passes += r.from <= 1 && r.to >= 10000;
  EXPECT_GE(passes, 9) << "ten seconds a pass, back to back";
}

TEST_P(LoopOptionsOnForm1, ContinuingStepsBack) {
  rig.form->loopPacer().setOptions({0, 0, 3000});
  const std::int32_t pausedAt = position();  // the MCI device reads 0 once paused (closed)
  rig.form->accessKey('z');                  // pause at 10 s
  rig.clock.advance(5000);
  rig.form->accessKey('z');  // continue: 3 s earlier
  rig.clock.advance(100);
  EXPECT_NEAR(position(), pausedAt - 3000 + 100, 150);
}

INSTANTIATE_TEST_SUITE_P(BothBackEnds, LoopOptionsOnForm1,
                         ::testing::Values(Case{"lesson.wav", true}, Case{"lesson.mp3", false}),
                         [](const auto& param) { return std::string(param.param.mci ? "Mci" : "Streaming"); });

TEST(LoopOptions, KeptInTheSettingsWithinTheirRanges) {
  MemoryFolder folder;
  folder.files[UserSettings::kFileName] = "loop_passes=500\nloop_pause_ms=-4\nstep_back_ms=2500\n";
  UserSettings settings{folder};
  EXPECT_EQ(LoopOptions::load(settings), (LoopOptions{LoopOptions::kMostPasses, 0, 2500}));
  LoopOptions{3, 1500, 0}.save(settings);
  EXPECT_EQ(LoopOptions::load(UserSettings{folder}), (LoopOptions{3, 1500, 0}));
}

TEST(LoopOptions, TheStretchEngineIsReadFromItsKeyAndAnythingUnknownIsTheDefault) {
  const std::pair<const char*, StretchEngine> cases[] = {
      {"stretch=speech\n", StretchEngine::Speech},
      {"stretch=rubberband\n", StretchEngine::RubberBand},
      {"stretch=rubberband\r\n", StretchEngine::RubberBand},
      {"", kDefaultStretchEngine},
      {"stretch=\n", kDefaultStretchEngine},
      {"stretch=RubberBand\n", kDefaultStretchEngine},
      {"stretch=wsola\n", kDefaultStretchEngine},
      {"stretch=rubberband\nstretch=speech\n", StretchEngine::Speech},
  };
  for (const auto& [file, engine] : cases) {
    SCOPED_TRACE(file);
    MemoryFolder folder;
    folder.files[UserSettings::kFileName] = file;
    EXPECT_EQ(LoopOptions::load(UserSettings{folder}).stretch, engine);
  }
}

TEST(LoopOptions, TheStretchEngineIsWrittenOnceTheLearnerHasOneOfTheirOwn) {
  const StretchEngine other = kDefaultStretchEngine == StretchEngine::Speech ? StretchEngine::RubberBand
                                                                             : StretchEngine::Speech;
  MemoryFolder folder;
  UserSettings settings{folder};
  LoopOptions{}.save(settings);
  EXPECT_FALSE(settings.get(kStretchSettingsKey)) << "no choice made: the program's default stays free to change";
  LoopOptions{0, 0, 0, other}.save(settings);
  EXPECT_EQ(settings.get(kStretchSettingsKey), std::string(stretchEngineName(other)));
  EXPECT_EQ(LoopOptions::load(UserSettings{folder}).stretch, other);
  LoopOptions{}.save(settings);
  EXPECT_EQ(LoopOptions::load(UserSettings{folder}).stretch, kDefaultStretchEngine) << "and back";
}

// The options window, left with the other stretch engine chosen.
class StretchDialog final : public LoopOptionsDialog {
 public:
  bool edit(LoopOptions& options) override {
    options.stretch = chosen;
    return true;
  }
  StretchEngine chosen = StretchEngine::Speech;
};

TEST(LoopOptions, TheStretchEngineKeptOrChosenReachesBothDevices) {
  MemoryFolder folder;
  folder.files[UserSettings::kFileName] = "stretch=rubberband\n";
  UserSettings settings{folder};
  Form1Rig rig;
  StretchDialog dialog;
  rig.form->keepUserSettings(settings);
  rig.form->useLoopOptionsDialog(dialog);
  rig.start();
  EXPECT_EQ(rig.mci.stretch(), StretchEngine::RubberBand) << "kept from the last run";
  EXPECT_EQ(rig.stream.stretch(), StretchEngine::RubberBand);
  rig.form->run(Command::LoopOptions);
  EXPECT_EQ(rig.mci.stretch(), StretchEngine::Speech) << "chosen in the window";
  EXPECT_EQ(rig.stream.stretch(), StretchEngine::Speech);
  EXPECT_EQ(settings.get(kStretchSettingsKey), "speech");
}

// The options window as the learner leaves it: the options changed, a scheme of their own
// added and chosen.
class AddingDialog final : public LoopOptionsDialog {
 public:
  bool edit(LoopOptions& options) override {
    options = {2, 1000, 500};
    return true;
  }
  void offerSchemes(const std::vector<RepeatScheme>& schemes, const std::string&) override {
    offered = schemes.size();
    left = schemes;
    left.push_back({"新加的", {{80, 0, 10}}, AfterPasses::NextSentence, 0, 0});
  }
  std::string chosenScheme() const override { return "新加的"; }
  std::vector<RepeatScheme> schemes() const override { return left; }

  std::size_t offered = 0;
  std::vector<RepeatScheme> left;
};

TEST(LoopOptions, OkOverTenThousandSchemeLinesKeepsThemAllInOneWrite) {
  MemoryFolder folder;
  std::string file = "# the learner's own\n";
  for (int n = 1; n <= 10000; ++n)
    file += "scheme_" + std::to_string(n) + "=方案" + std::to_string(n) + ";on;0;0;100/0+0\n";
  folder.files[UserSettings::kFileName] = file;
  UserSettings settings{folder};
  Form1Rig rig;
  AddingDialog dialog;
  rig.form->keepUserSettings(settings);
  rig.form->useLoopOptionsDialog(dialog);
  rig.start();
  const int writes = folder.writes;
  rig.form->run(Command::LoopOptions);
  EXPECT_EQ(dialog.offered, builtInSchemes().size() + 10000) << "every scheme the learner made";
  EXPECT_EQ(folder.writes, writes + 1) << "the options, the new scheme and the choice together";
  EXPECT_EQ(folder.files[UserSettings::kFileName],
            file +
                "loop_passes=2\nloop_pause_ms=1000\nstep_back_ms=500\nscheme_10001=新加的;next;0;0;80/0+10\n"
                "repeat_scheme=新加的\n");
  EXPECT_EQ(rig.form->player().chosenScheme(), "新加的");
  EXPECT_EQ(rig.form->loopPacer().options(), (LoopOptions{2, 1000, 500}));
}

}  // namespace
}  // namespace tessaly::test
