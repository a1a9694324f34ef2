// SPDX-License-Identifier: GPL-3.0-or-later
// The player sentence by sentence on a fake of the main window's listening: a unit's plan,
// the keys and jumps only while a file plays, a review's sentence opened first, the picture.
#include "practice/SentencePlayer.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "support/ManualClock.h"
#include "support/SimulatedDevices.h"
#include "support/TempFolder.h"

namespace tessaly::test {
namespace {

TEST(UnitPlan, PadsTheUnitSlowsItAndRepeatsItForTheLoopOptionsPasses) {
  struct Case {
    const char* name;
    double start, end, length;
    int speedTenths, passes, pauseMs;
    double wantStart, wantEnd;
    int wantSpeed, wantPasses;
  };
  const Case cases[] = {
      {"inside the recording", 4000, 4400, 20000, 10, 2, 500, 3930, 4470, 70, 2},
      {"at its start: not before 0", 30, 200, 20000, 10, 1, 0, 0, 270, 70, 1},
      {"at its end: not past the length", 19900, 19980, 20000, 10, 1, 0, 19830, 20000, 70, 1},
      {"unlimited passes: three", 1000, 1200, 20000, 10, 0, 300, 930, 1270, 70, 3},
      {"the learner slower still: theirs", 1000, 1200, 20000, 5, 1, 0, 930, 1270, 50, 1},
      {"the learner faster: 0.7x", 1000, 1200, 20000, 15, 1, 0, 930, 1270, 70, 1},
  };
  for (const Case& c : cases) {
    LoopOptions options;
    options.passes = c.passes;
    options.pauseMs = c.pauseMs;
    const std::vector<DrillStep> plan = unitPlan(c.start, c.end, 3, c.length, c.speedTenths, options);
    ASSERT_EQ(plan.size(), static_cast<std::size_t>(c.wantPasses)) << c.name;
    for (std::size_t i = 0; i < plan.size(); ++i) {
      const DrillStep& step = plan[i];
      EXPECT_EQ(step.startMs, c.wantStart) << c.name;
      EXPECT_EQ(step.endMs, c.wantEnd) << c.name;
      EXPECT_EQ(step.sentence, 3) << c.name;
      EXPECT_EQ(step.pass, static_cast<int>(i) + 1) << c.name;
      EXPECT_EQ(step.passes, c.wantPasses) << c.name;
      EXPECT_EQ(step.speedPercent, c.wantSpeed) << c.name;
      EXPECT_EQ(step.pauseAfterMs, i + 1 < plan.size() ? c.pauseMs : 0) << c.name << ": no pause after the last";
    }
  }
}

// The calls the player makes on the back-end, in order.
class RecordingBackEnd final : public PlayerBackEnd {
 public:
  void start() override { calls.push_back("start"); }
  void stop() override { calls.push_back("stop"); }
  void toggleRepeat() override { calls.push_back("toggleRepeat"); }
  void toEnd() override { calls.push_back("toEnd"); }
  void pause() override { calls.push_back("pause"); }
  void continuePlayback() override { calls.push_back("continue"); }
  void forward() override { calls.push_back("forward"); }
  void rewind() override { calls.push_back("rewind"); }
  void jumpTo(double ms) override { calls.push_back("jumpTo " + std::to_string(static_cast<int>(ms))); }
  void repeatRange(double start, double end) override {
    calls.push_back("repeatRange " + std::to_string(static_cast<int>(start)) + " " + std::to_string(static_cast<int>(end)));
  }
  std::vector<std::string> calls;
};

class FakeListening final : public Listening {
 public:
  bool playing() const override { return playing_; }
  double position() const override { return position_; }
  double length() const override { return length_; }
  PlayerBackEnd& backEnd() override { return backEnd_; }
  bool streaming() const override { return true; }
  const std::string& recording() const override { return recording_; }
  const PlayerVariables& variables() const override { return variables_; }
  int speedTenths() const override { return 10; }
  std::string dictationText() const override { return "听写"; }
  void pause() override { ++pauses; }
  void open(const std::string& recording) override {
    opened.push_back(recording);
    if (opens) {
      recording_ = recording;
      playing_ = true;
    }
  }

  bool playing_ = false;
  double position_ = 0;
  double length_ = 20000;
  std::string recording_;
  PlayerVariables variables_;
  RecordingBackEnd backEnd_;
  int pauses = 0;
  std::vector<std::string> opened;
  bool opens = true;  // whether open() succeeds
};

struct Rig {
  Rig() {
    recording = (folder.path() / "lesson.mp3").string();
    writeBytes(folder.path() / "lesson.mp3", "audio");
    // Three sentences: 1-3 s, 3-7 s, 7-9 s.
    writeBytes(folder.path() / "lesson.lrc", "[00:01.00]One.\n[00:03.00]Two.\n[00:07.00]Three.\n[00:09.00]\n");
    listening.recording_ = recording;
    player.mapSentences();
  }
  TempFolder folder;
  std::string recording;
  ManualClock clock;
  SimulatedMci mci{clock};
  SimulatedStream stream{clock};
  FakeListening listening;
  LoopPacer pacer{listening.variables_, mci, stream, [] {}};
  SentencePlayer player{listening, pacer};
};

TEST(SentencePlayer, KeysAndJumpsActOnlyWhileAFilePlays) {
  struct Case {
    const char* name;
    std::function<void(SentencePlayer&)> act;
    std::vector<std::string> whilePlaying;  // the back-end's calls from 5 s into the recording
    bool runs;                              // a run of the pacer starts
  };
  const Case cases[] = {
      {"Alt+P", [](SentencePlayer& p) { p.previousSentence(); }, {"jumpTo 3000"}, false},
      {"Alt+N", [](SentencePlayer& p) { p.nextSentence(); }, {"jumpTo 7000"}, false},
      {"Alt+R, the plain loop", [](SentencePlayer& p) { p.repeatHere(); }, {"repeatRange 3000 7000"}, false},
      {"a jump", [](SentencePlayer& p) { p.jumpTo(8000); }, {"jumpTo 8000"}, false},
      {"a sentence's loop",
       [](SentencePlayer& p) {
         p.repeatSentence({7000, 9000, std::nullopt});
       },
       {"repeatRange 7000 9000"},
       false},
      {"a unit", [](SentencePlayer& p) { p.loopUnit(4000, 4400, 1); }, {"repeatRange 3930 4470"}, true},
  };
  for (const bool playing : {false, true})
    for (const Case& c : cases) {
      Rig rig;
      rig.listening.playing_ = playing;
      rig.listening.position_ = 5000;
      c.act(rig.player);
      EXPECT_EQ(rig.listening.backEnd_.calls, playing ? c.whilePlaying : std::vector<std::string>{})
          << c.name << (playing ? " while playing" : " while stopped");
      EXPECT_EQ(rig.pacer.running(), playing && c.runs) << c.name;
    }
}

TEST(SentencePlayer, AltRRunsTheChosenSchemeFromTheSentenceBeingHeardAndItsCaptionSaysWhere) {
  Rig rig;
  rig.player.chooseScheme("逐句听写");
  rig.listening.playing_ = true;
  rig.listening.position_ = 5000;
  EXPECT_EQ(rig.player.runCaption(), "");
  rig.player.repeatHere();
  ASSERT_TRUE(rig.pacer.running());
  ASSERT_NE(rig.pacer.currentStep(), nullptr);
  EXPECT_EQ(rig.pacer.currentStep()->sentence, 1) << "the second sentence, the one being heard";
  EXPECT_NE(rig.player.runCaption(), "");
  EXPECT_FALSE(rig.player.exportPlan().empty());
  rig.player.chooseScheme("");
  EXPECT_TRUE(rig.player.exportPlan().empty()) << "the plain loop exports nothing";
}

TEST(SentencePlayer, AReviewsSentenceOpensItsRecordingFirstAndFailsWhenItCannotPlay) {
  struct Case {
    const char* name;
    bool sameRecording, playing, opens;
    bool wantOpened, wantResult;
  };
  const Case cases[] = {
      {"the one playing", true, true, true, false, true},
      {"the one chosen, stopped", true, false, true, true, true},
      {"another", false, true, true, true, true},
      {"another that cannot be opened", false, true, false, true, false},
  };
  for (const Case& c : cases) {
    Rig rig;
    rig.listening.playing_ = c.playing;
    rig.listening.opens = c.opens;
    const std::string wanted = c.sameRecording ? rig.recording : (rig.folder.path() / "other.mp3").string();
    EXPECT_EQ(rig.player.playSentence(wanted, 1000, 3000), c.wantResult) << c.name;
    EXPECT_EQ(rig.listening.opened, c.wantOpened ? std::vector<std::string>{wanted} : std::vector<std::string>{}) << c.name;
    EXPECT_EQ(rig.listening.backEnd_.calls,
              c.wantResult ? std::vector<std::string>{"repeatRange 1000 3000"} : std::vector<std::string>{})
        << c.name;
  }
}

TEST(SentencePlayer, PausesOnlyWhatPlaysAndDrawsThePlayersState) {
  Rig rig;
  rig.player.pausePlaying();
  EXPECT_EQ(rig.listening.pauses, 0);
  rig.listening.playing_ = true;
  rig.player.pausePlaying();
  EXPECT_EQ(rig.listening.pauses, 1);

  rig.listening.position_ = 4200;
  rig.listening.variables_.repeatState = RepeatState::Repeating;
  rig.listening.variables_.segmentStart = 3000;
  rig.listening.variables_.segmentEnd = 7000;
  const PlayerPicture p = rig.player.picture();
  EXPECT_EQ(p.recording, rig.recording);
  EXPECT_EQ(p.lengthMs, 20000);
  EXPECT_EQ(p.positionMs, 4200);
  EXPECT_TRUE(p.playing);
  EXPECT_TRUE(p.repeating);
  EXPECT_EQ(p.segmentStartMs, 3000);
  EXPECT_EQ(p.segmentEndMs, 7000);
  EXPECT_EQ(rig.player.dictationText(), "听写");
  EXPECT_EQ(rig.player.sentenceMap().sentences.size(), 3u);
}

}  // namespace
}  // namespace tessaly::test
