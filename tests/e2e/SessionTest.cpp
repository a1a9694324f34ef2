// SPDX-License-Identifier: GPL-3.0-or-later
// Whole sessions as a learner has them, on the real program: the main window on the offscreen
// platform, the audio engine on SDL's disk driver, only the file dialog scripted (and the
// message box recorded, which must stay silent). Each test prepares a program folder with
// the sample lesson, goes through a session with real time passing, starts the program a
// second time on the same folder where that matters, and then reads what the program left:
// the dictation text, path.ini, 900_8.dat, and the sound the disk driver wrote.
//
// Everything runs on the test's thread (the user-interface thread); the engine's workers and
// SDL's audio thread run as in the program.
#include <QApplication>
#include <QInputMethodEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/ProgramFolder.h"
#include "audio/AudioEngine.h"
#include "audio/AudioTestSupport.h"
#include "dictation/AppearanceFile.h"
#include "e2e/OutputTrace.h"
#include "e2e/ProgramStart.h"
#include "playback/PlayerLayouts.h"
#include "qt/MainWindow.h"
#include "qt/QtControls.h"
#include "support/FakeControls.h"
#include "support/TempFolder.h"
#include "text/Encoding.h"

namespace tessaly::test {
namespace {

namespace fs = std::filesystem;

// 900_8.dat as the session's appearance commands leave it, built from the record layout:
// slot 0 the default record with size 63, bold, text colour 1 and background 5; slots 1 to
// 3 cleared (all numbers 0, all texts empty).
std::string expectedAppearanceBytes() {
  std::string slot0(66, '\0');
  const double reserved = 2000.0;
  std::memcpy(slot0.data() + 6, &reserved, sizeof reserved);  // little-endian machine
  const auto put = [&slot0](int offset, int value) {
    slot0[static_cast<std::size_t>(offset)] = static_cast<char>(value & 0xFF);
    slot0[static_cast<std::size_t>(offset + 1)] = static_cast<char>((value >> 8) & 0xFF);
  };
  put(14, 63);  // fontSize: 64, smaller, then bigger refused above 60
  put(16, 0);   // notBold: bold now
  put(22, 1);   // textColourIndex 0 -> 1
  put(24, 5);   // backColourIndex 4 -> 5
  put(28, 1);
  put(30, 100);
  put(32, 5);
  for (int i = 0; i < 15; ++i) slot0 += std::string("\x01\x00\x30", 3);
  return slot0 + std::string(3 * 96, '\0');
}

class SessionTest : public ::testing::Test {
 protected:
  SessionTest() {
    // A folder name in Chinese, so that every file naming it shows its encoding.
    fs::create_directories(appPath);
    // An empty 900_8.dat, read as it always was: the session's looks start from the default
    // record (a folder without one would get the readable first-start record).
    std::ofstream(appPath / "900_8.dat", std::ios::binary);
    prepareProgramFolder(appPath, {fs::path(TESSALY_SOURCE_DATA)});
  }
  void SetUp() override {
    if (!haveFfmpeg()) GTEST_SKIP() << "the ffmpeg command-line tool decodes the reference";
  }

  std::string voice(const std::string& name) const { return (appPath / "voice" / name).string(); }

  TempFolder folder;
  fs::path appPath = folder.path() / "听写程序";
};

// ---- A lesson file, on each back-end ----

struct LessonCase {
  const char* file;
  EngineKind engineKind;
  int rate;                  // the file's sample rate: the device runs at it
  double passOvershootMs;    // how far past the loop's end a pass may play before it jumps back
  bool forwardEndsPlayback;  // Alt+D 30 s ahead of a 23 s file: the MCI device stays, the streaming one ends
};

class LessonSessionTest : public SessionTest, public ::testing::WithParamInterface<LessonCase> {};

TEST_P(LessonSessionTest, LoopsContinuesKeepsTheTextAndTheLook) {
  const LessonCase& c = GetParam();
  const std::string lesson = voice(c.file);
  const fs::path sound = folder / "session.f32";
  const QString typed = QStringLiteral("今天我们听写第一句话。");

  double p = 0, q = 0, pausedAt = 0, forwardAt = 0;
  {
    ProgramStart program(appPath, sound);
    program.dialog.answer(lesson);
    program.alt(Qt::Key_F);
    ASSERT_EQ(program.caption(2), lesson);
    ASSERT_EQ(program.form().engineKind(), c.engineKind);
    ASSERT_EQ(program.dialog.calls().size(), 1u);
    EXPECT_EQ(program.dialog.calls()[0].initialFolder, (appPath / "voice").string() + "/");  // no path.ini yet

    // Listen about 2 s, loop it twice, go on from where the loop began.
    LoopPresses presses;
    ASSERT_NO_FATAL_FAILURE(loopTwiceAndGoOn(program, presses));
    p = presses.p;
    q = presses.q;
    ASSERT_TRUE(waitFor([&] { return program.position() >= p + 600; }));

    // Type a line, pause and go on, jump 30 s, change the look, leave.
    ASSERT_EQ(QApplication::focusWidget(), program.window().text1());
    program.typeChinese(typed);
    EXPECT_EQ(program.window().text1()->toPlainText(), typed);

    pausedAt = program.position();
    program.alt(Qt::Key_Z);
    EXPECT_EQ(program.caption(1), captions::kPaused);
    QTest::qWait(400);
    program.alt(Qt::Key_Z);
    EXPECT_EQ(program.caption(1), captions::kPlaying);
    ASSERT_TRUE(waitFor([&] { return program.position() >= pausedAt + 500; }));

    forwardAt = program.position();
    program.alt(Qt::Key_D);
    if (c.forwardEndsPlayback) {
      ASSERT_TRUE(waitFor([&] { return program.position() == 0; }));
    }

    QPlainTextEdit* text1 = program.window().text1();
    EXPECT_EQ(text1->font().pointSize(), 64);
    program.click(4);  // bigger: refused above 60
    program.click(5);  // smaller
    program.click(4);
    EXPECT_EQ(text1->font().pointSize(), 63);
    const bool wasBold = text1->font().bold();
    program.click(8);
    EXPECT_NE(text1->font().bold(), wasBold);
    program.click(9);
    program.click(10);
    EXPECT_EQ(text1->palette().color(QPalette::Text), QColor(255, 0, 0));
    EXPECT_EQ(text1->palette().color(QPalette::Base), QColor(255, 255, 236));
    EXPECT_EQ(QApplication::focusWidget(), text1);
    QTest::qWait(300);

    program.alt(Qt::Key_Q);
    EXPECT_FALSE(program.window().isVisible());
    EXPECT_TRUE(program.messages.shown().empty()) << program.messages.shown().front();
  }

  // What the session left in the folders.
  const std::string folderLine = (appPath / "voice").string() + "/";
  EXPECT_EQ(readBytes(appPath / "path.ini"), utf8ToGb18030(folderLine) + "\r\n");
  const std::string dictation = voice(std::string(c.file).substr(0, std::strlen(c.file) - 3) + "txt");
  EXPECT_EQ(readBytes(dictation), utf8ToGb18030(qt::fromQt(typed)));
  const std::string looks = readBytes(appPath / "900_8.dat");
  EXPECT_EQ(looks.size(), 399u);
  EXPECT_EQ(looks, expectedAppearanceBytes());
  const AppearanceFile parsed = parseAppearanceFile(looks);
  EXPECT_EQ(parsed.records[0].fontSize, 63);
  EXPECT_EQ(parsed.records[0].notBold, 0);
  EXPECT_EQ(parsed.records[0].textColourIndex, 1);
  EXPECT_EQ(parsed.records[0].backColourIndex, 5);
  EXPECT_EQ(parsed.records[1].fontSize, 0);
  EXPECT_TRUE(parsed.tail.empty());

  // A second start on the same folder: the look comes back, the dialog opens where the last
  // file was, and the file brings its text back.
  {
    ProgramStart program(appPath, folder / "second.f32");
    QPlainTextEdit* text1 = program.window().text1();
    EXPECT_EQ(text1->font().pointSize(), 63);
    EXPECT_TRUE(text1->font().bold());
    EXPECT_EQ(text1->palette().color(QPalette::Text), QColor(255, 0, 0));
    EXPECT_EQ(text1->palette().color(QPalette::Base), QColor(255, 255, 236));
    program.dialog.answer(lesson);
    program.alt(Qt::Key_F);
    ASSERT_EQ(program.dialog.calls().size(), 1u);
    EXPECT_EQ(program.dialog.calls()[0].initialFolder, folderLine);
    EXPECT_EQ(program.caption(2), lesson);
    EXPECT_EQ(text1->toPlainText(), typed + u'\n');  // every line read back ends in a line break
    program.alt(Qt::Key_Q);
    EXPECT_TRUE(program.messages.shown().empty()) << program.messages.shown().front();
  }
  EXPECT_EQ(readBytes(dictation), utf8ToGb18030(qt::fromQt(typed)) + "\r\n") << "saved again as read, nothing added";

  // The sound: from the start to P; at least two whole passes from 1 ms to P; the pass cut
  // short at Q; then on from P (not from Q), through the pause, to the end of the session.
  const int rate = c.rate;
  const Trace trace = traceOutput(readFloats(sound.string()), {referenceDecode(lesson, 1)}, 1, rate);
  SCOPED_TRACE("P = " + std::to_string(p) + " ms, Q = " + std::to_string(q) + " ms, paused at " + std::to_string(pausedAt) +
               " ms, Alt+D at " + std::to_string(forwardAt) + " ms\n" + describe(trace, rate));
  const auto ms = [rate](std::int64_t frames) { return framesToMs(frames, rate); };
  const std::vector<Stretch>& runs = trace.runs;
  ASSERT_GE(runs.size(), 5u);

  const auto endsAtLoopEnd = [&](const Stretch& run) {
    return ms(run.sourceEnd) >= p - 70 && ms(run.sourceEnd) <= p + c.passOvershootMs;
  };
  EXPECT_LE(ms(runs[0].sourceStart), 30);
  EXPECT_TRUE(endsAtLoopEnd(runs[0])) << "the first stretch ends where Alt+X was pressed";
  std::size_t i = 1;
  int passes = 0;
  while (i < runs.size() && ms(runs[i].sourceStart) <= 30 && endsAtLoopEnd(runs[i])) {
    ++passes;
    ++i;
  }
  EXPECT_GE(passes, 2) << "whole passes from 1 ms to P";
  ASSERT_LT(i + 1, runs.size());
  const Stretch& cut = runs[i];
  EXPECT_LE(ms(cut.sourceStart), 30) << "the pass left by Alt+X";
  EXPECT_GE(ms(cut.sourceEnd), q - 60);
  EXPECT_LE(ms(cut.sourceEnd), q + 150);
  const Stretch& goingOn = runs[i + 1];
  EXPECT_GE(ms(goingOn.sourceStart), p - 70) << "listening goes on from P";
  EXPECT_LE(ms(goingOn.sourceStart), p + 70) << "listening goes on from P";
  EXPECT_EQ(i + 2, runs.size()) << "nothing after the last stretch: the pause resumed where it stopped";
  EXPECT_GE(ms(goingOn.longestSilence), 200) << "the pause is silent";
  EXPECT_GE(ms(goingOn.sourceEnd), pausedAt + 400);
  if (c.forwardEndsPlayback) {
    EXPECT_GE(ms(goingOn.sourceEnd), forwardAt - 60) << "the sound stops at Alt+D";
    EXPECT_LE(ms(goingOn.sourceEnd), forwardAt + 150) << "the sound stops at Alt+D";
  } else {
    EXPECT_GE(ms(goingOn.sourceEnd), forwardAt + 200) << "Alt+D near the end changes nothing";
  }
  // Nothing else sounded: what the trace could not place is never more than 30 ms in a row.
  EXPECT_LE(ms(trace.longestUnmatched), 30);
}

INSTANTIATE_TEST_SUITE_P(SampleLesson, LessonSessionTest,
                         ::testing::Values(LessonCase{"样例课文.wav", EngineKind::Mci, 16000, 40, false},
                                           LessonCase{"样例课文.mp3", EngineKind::Stream, 22050, 250, true}),
                         [](const ::testing::TestParamInfo<LessonCase>& p) {
                           return p.param.engineKind == EngineKind::Mci ? "WavOnMci" : "Mp3OnStream";
                         });

// ---- The sample play list ----

TEST_F(SessionTest, PlayListGoesFromTheEndOfTheFirstEntryToTheSecond) {
  const std::string list = voice("样例课文.lst");
  const std::string first = voice("样例课文一.mp3");
  const std::string second = voice("样例课文二.mp3");
  const fs::path sound = folder / "list.f32";
  constexpr int rate = 22050;

  double heard = 0, firstLength = 0, secondHeard = 0;
  {
    ProgramStart program(appPath, sound);
    program.dialog.answer(list);
    program.alt(Qt::Key_L);
    ASSERT_EQ(program.caption(2), first);
    ASSERT_EQ(program.form().engineKind(), EngineKind::Stream);
    ASSERT_TRUE(waitFor([&] { return program.position() >= 1500; }));
    heard = program.position();
    program.alt(Qt::Key_C);
    firstLength = program.streamLength();
    EXPECT_EQ(program.variables().segmentStart, firstLength - 500);
    ASSERT_TRUE(waitFor([&] { return program.caption(2) == second; })) << "the next entry follows the first";
    ASSERT_TRUE(waitFor([&] { return program.position() >= 1000; }));
    secondHeard = program.position();
    program.alt(Qt::Key_Q);
    EXPECT_TRUE(program.messages.shown().empty()) << program.messages.shown().front();
  }
  EXPECT_EQ(readBytes(appPath / "path.ini"), utf8ToGb18030((appPath / "voice").string() + "/") + "\r\n");

  // The first entry up to Alt+C; its last 500 ms (silent in this recording: the output holds
  // that much silence and nothing else); the second entry from its start.
  const std::vector<float> output = readFloats(sound.string());
  const Trace trace = traceOutput(output, {referenceDecode(first, 1), referenceDecode(second, 1)}, 1, rate);
  SCOPED_TRACE("Alt+C at " + std::to_string(heard) + " ms of " + std::to_string(firstLength) + " ms\n" +
               describe(trace, rate));
  const auto ms = [](std::int64_t frames) { return framesToMs(frames, rate); };
  ASSERT_EQ(trace.runs.size(), 2u);
  const Stretch& one = trace.runs[0];
  const Stretch& two = trace.runs[1];
  EXPECT_EQ(one.source, 0);
  EXPECT_LE(ms(one.sourceStart), 30);
  EXPECT_GE(ms(one.sourceEnd), heard - 60);
  EXPECT_LE(ms(one.sourceEnd), heard + 150);
  EXPECT_EQ(two.source, 1);
  EXPECT_LE(ms(two.sourceStart), 30);
  EXPECT_GE(ms(two.sourceEnd), secondHeard - 60);
  const double between = ms(two.outStart - one.outEnd);
  EXPECT_GE(between, 500 - 60) << "the last 500 ms of the first entry play before the second";
  EXPECT_LE(between, 3000) << "the second entry follows without a stall";
  // Leaving out the chunks next to either stretch, which may hold the edge of its sound.
  float loudest = 0;
  for (std::int64_t f = one.outEnd + rate / 50; f < two.outStart - rate / 50; ++f)
    loudest = std::max(loudest, std::abs(output[static_cast<std::size_t>(f)]));
  EXPECT_LT(loudest, 0.01f) << "only the silent end of the first entry between the two";
  EXPECT_LE(ms(trace.longestUnmatched), 30);
}

}  // namespace
}  // namespace tessaly::test
