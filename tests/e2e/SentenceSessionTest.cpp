// SPDX-License-Identifier: GPL-3.0-or-later
// A sentence looped on the real program and engine: the sample lesson's .lrc maps it, Alt+R
// loops exactly the sentence being heard, three passes with a second's pause between them
// (the options), and listening goes on from the sentence's end; a character heard alone,
// slower, three times, and listening goes on where it was; checked on the sound the disk
// driver wrote.
#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>

#include "app/ProgramFolder.h"
#include "audio/AudioTestSupport.h"
#include "e2e/OutputTrace.h"
#include "e2e/ProgramStart.h"
#include "support/TempFolder.h"

namespace tessaly::test {
namespace {

namespace fs = std::filesystem;

TEST(SentenceSession, ASentenceLoopedThreeTimesWithAPauseThenOn) {
  if (!haveFfmpeg()) GTEST_SKIP() << "the ffmpeg command-line tool decodes the reference";
  TempFolder folder;
  const fs::path appPath = folder.path() / "听写程序";
  fs::create_directories(appPath);
  prepareProgramFolder(appPath, {fs::path(TESSALY_SOURCE_DATA)});
  const std::string lesson = (appPath / "voice" / "样例课文.wav").string();
  const fs::path sound = folder / "sentences.f32";
  constexpr double kStart = 4560, kEnd = 7750;  // the second sentence, from the .lrc
  {
    ProgramStart program(appPath, sound);
    program.form().loopPacer().setOptions({3, 1000, 0});
    program.dialog.answer(lesson);
    program.alt(Qt::Key_F);
    ASSERT_EQ(program.form().player().sentenceMap().sentences.size(), 6u);
    ASSERT_TRUE(waitFor([&] { return program.position() >= 5500; }));
    program.alt(Qt::Key_R);
    ASSERT_EQ(program.variables().repeatState, RepeatState::Repeating);
    EXPECT_EQ(program.variables().segmentStart, kStart);
    EXPECT_EQ(program.variables().segmentEnd, kEnd);
    ASSERT_TRUE(waitFor([&] { return program.variables().repeatState == RepeatState::Listening; }))
        << "the loop is left after three passes";
    EXPECT_EQ(program.variables().segmentStart, kEnd);
    ASSERT_TRUE(waitFor([&] { return program.position() >= 9500; }));
    program.alt(Qt::Key_Q);
  }
  const int rate = 16000;
  const Trace trace = traceOutput(readFloats(sound.string()), {referenceDecode(lesson, 1)}, 1, rate);
  SCOPED_TRACE(describe(trace, rate));
  const auto ms = [rate](std::int64_t frames) { return framesToMs(frames, rate); };
  ASSERT_EQ(trace.runs.size(), 4u) << "up to Alt+R, two whole passes, the third going on";
  for (std::size_t i = 1; i < 4; ++i) {
    SCOPED_TRACE(i);
    EXPECT_NEAR(ms(trace.runs[i].sourceStart), kStart, 40) << "each pass from the sentence's start";
    if (i >= 2) {
      // A pass sounds to the end of the sentence's speech; the lesson's own 0.8 s of
      // silence follows it to the sentence's end.
      const double soundEnd = ms(trace.runs[i - 1].sourceEnd);
      EXPECT_GE(soundEnd, kEnd - 850) << "each pass to the sentence's end";
      EXPECT_LE(soundEnd, kEnd + 40);
      // What is silent beyond that is the pause: 1 s, the MCI device's 600 ms tick counted in.
      const double pause = ms(trace.runs[i].outStart - trace.runs[i - 1].outEnd) - (kEnd - soundEnd);
      EXPECT_GE(pause, 500) << "the pause between passes";
      EXPECT_LE(pause, 1400);
    }
  }
  EXPECT_GE(ms(trace.runs[3].sourceEnd), 9400) << "on from the sentence's end";
  EXPECT_LE(ms(trace.runs[3].longestSilence), 700) << "no pause after the last pass, only the MCI tick's wait";
  EXPECT_LE(ms(trace.longestUnmatched), 30);
}

TEST(SentenceSession, ACharacterHeardAloneSlowerThreeTimesThenOnFromWhereItWas) {
  if (!haveFfmpeg()) GTEST_SKIP() << "the ffmpeg command-line tool decodes the reference";
  TempFolder folder;
  const fs::path appPath = folder.path() / "听写程序";
  fs::create_directories(appPath);
  prepareProgramFolder(appPath, {fs::path(TESSALY_SOURCE_DATA)});
  const std::string lesson = (appPath / "voice" / "样例课文.mp3").string();  // streaming: passes back to back
  const fs::path sound = folder / "unit.f32";
  constexpr double kStart = 6540, kEnd = 6940;  // 好 in the second sentence, where the aligner finds it
  {
    ProgramStart program(appPath, sound);
    program.dialog.answer(lesson);
    program.alt(Qt::Key_F);
    ASSERT_TRUE(waitFor([&] { return program.position() >= 9000; }));
    program.form().player().loopUnit(kStart, kEnd, 1);
    ASSERT_TRUE(program.form().loopPacer().running());
    ASSERT_TRUE(waitFor([&] { return !program.form().loopPacer().running(); })) << "three passes, then done";
    QTest::qWait(1500);  // and listening goes on
    EXPECT_EQ(program.variables().repeatState, RepeatState::Listening);
    program.alt(Qt::Key_Q);
  }
  const int rate = 16000;
  const Trace trace = traceOutput(readFloats(sound.string()), {referenceDecode(lesson, 1)}, 1, rate);
  SCOPED_TRACE(describe(trace, rate));
  const auto ms = [rate](std::int64_t frames) { return framesToMs(frames, rate); };
  ASSERT_GE(trace.runs.size(), 2u);
  // The slowed passes are not the file's own frames: between the run up to the call and the
  // run after, the output holds them, three times the padded span at 0.7× (and the seams of
  // the passes); after them the sound goes on from where it was when the call came.
  const Stretch& up = trace.runs.front();
  const Stretch& on = trace.runs.back();
  EXPECT_NEAR(ms(on.sourceStart), ms(up.sourceEnd), 150) << "listening goes on where it was";
  const double slowed = ms(on.outStart - up.outEnd), passes = 3 * (kEnd - kStart + 140) / 0.7;
  EXPECT_GE(slowed, passes - 100) << "three slowed passes";
  EXPECT_LE(slowed, passes + 1200);
}

}  // namespace
}  // namespace tessaly::test
