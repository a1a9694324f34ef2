// SPDX-License-Identifier: GPL-3.0-or-later
// A listening session on RealMedia files, on the real program: a play list of two .rm files
// made with ffmpeg's RealAudio 14.4 encoder in the test's folder. Such files carry no
// duration, so the engine finds the length in the background and the streaming length reads
// 0 until then. The session loops what was heard on the first entry, goes on, jumps to the
// end; the end of entry 1 starts entry 2, whose end is then shown in the time labels. The
// sound the disk driver wrote is read back as stretches of the two files.
//
// Everything runs on the test's thread (the user-interface thread); the engine's workers and
// SDL's audio thread run as in the program.
#include <QApplication>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "app/ProgramFolder.h"
#include "audio/AudioTestSupport.h"
#include "audio/Output.h"
#include "e2e/OutputTrace.h"
#include "e2e/ProgramStart.h"
#include "playback/PlayerLayouts.h"
#include "support/TempFolder.h"
#include "text/Encoding.h"
#include "text/Module1.h"

namespace tessaly::test {
namespace {

namespace fs = std::filesystem;

constexpr int kRate = 8000;  // the files' rate: the device runs at it

// How far past P a pass may play before the loop takes it back: Timer3 looks every 20 ms,
// and the output buffer then playing holds 10 ms at this rate. On top of that, a margin for
// a timer that fires late: the test's own waits (QTest::qWaitFor) sleep up to 10 ms between
// rounds of events, when no timer can fire, and a busy machine adds its scheduling delay;
// 10 ms for each. Measured to the frame in 78 passes, idle and with both cores kept busy
// by two CPU-bound processes: every pass ended 1.0 or 11.1 ms past P, and the stretch before
// the first jump 20 ms past it (the first tick comes 20 ms after Alt+X). The bound, P + 50 ms,
// is under half of one decoded block (1024 frames, 128 ms): a jump that let a block already
// queued play out first, or a loop that waited for the tracking tick, would fail it.
constexpr double kLoopTickMs = 20;
constexpr double kLateTimerMarginMs = 20;

// Where a stretch the trace found really begins and ends, to the frame: the output is
// followed sample by sample along the source, out of the stretch's first and last chunk,
// until four samples in a row differ by more than 5 % (and 1e-4). The trace sees only chunks
// that sound, so a pass that ends in a pause between two words looks shorter to it than it
// was. This needs the output to equal FFmpeg's decoding of the file, and it does here, see
// below; a decoding that drifted would stop the walk early and fail the checks, not pass them.
struct Exact {
  std::int64_t sourceStart = 0, sourceEnd = 0;
};
Exact exactBounds(const std::vector<float>& output, const std::vector<float>& source, const Stretch& run) {
  const auto out = static_cast<std::int64_t>(output.size());
  const auto src = static_cast<std::int64_t>(source.size());
  const auto same = [&](std::int64_t o, std::int64_t s) {
    if (o < 0 || o >= out || s < 0 || s >= src) return false;
    const float a = output[static_cast<std::size_t>(o)], b = source[static_cast<std::size_t>(s)];
    return std::fabs(a - b) <= 1e-4f + 0.05f * std::fabs(b);
  };
  const auto follow = [&](std::int64_t o, std::int64_t s, int step) {
    std::int64_t lastSame = 0;
    for (std::int64_t k = 0, misses = 0; misses < 4; k += step) {
      if (same(o + k, s + k)) {
        lastSame = k;
        misses = 0;
      } else {
        ++misses;
      }
    }
    return lastSame;
  };
  return {run.sourceStart + follow(run.outStart, run.sourceStart, -1),
          run.sourceEnd + follow(run.outEnd - 1, run.sourceEnd - 1, 1)};
}

class RealMediaSessionTest : public ::testing::Test {
 protected:
  RealMediaSessionTest() {
    fs::create_directories(appPath);
    prepareProgramFolder(appPath, {fs::path(TESSALY_SOURCE_DATA)});
  }
  void SetUp() override {
    if (!haveFfmpeg()) GTEST_SKIP() << "the ffmpeg command-line tool makes the files and decodes the reference";
  }

  std::string voice(const std::string& name) const { return (appPath / "voice" / name).string(); }

  TempFolder folder;
  fs::path appPath = folder.path() / "听写程序";
};

TEST_F(RealMediaSessionTest, LoopsGoesOnAndEndsEachEntryOfAList) {
  // Entry 1: the sample lesson. Entry 2: its first six seconds played backwards, speech of
  // the same voice that nowhere resembles entry 1, so the trace tells the two apart.
  const std::string lesson = voice("样例课文.wav");
  const std::string first = voice("课文录音.rm");
  const std::string second = voice("倒放录音.rm");
  const std::string codec = " -ar 8000 -ac 1 -c:a real_144 -f rm";
  ASSERT_EQ(makeWithFfmpeg("-i '" + lesson + "'" + codec, first), first) << "ffmpeg's real_144 encoder";
  ASSERT_EQ(makeWithFfmpeg("-t 6 -i '" + lesson + "' -af areverse" + codec, second), second);
  const std::string list = voice("录音列表.lst");
  writeBytes(list, utf8ToGb18030(first + "\r\n" + second + "\r\n"));

  const std::vector<float> firstFrames = referenceDecode(first, 1);
  const std::vector<float> secondFrames = referenceDecode(second, 1);
  const auto ms = [](std::int64_t frames) { return framesToMs(frames, kRate); };
  const double firstTrueMs = ms(static_cast<std::int64_t>(firstFrames.size()));
  const double secondTrueMs = ms(static_cast<std::int64_t>(secondFrames.size()));
  ASSERT_GT(firstTrueMs, 20000);
  ASSERT_GT(secondTrueMs, 5000);

  const fs::path sound = folder / "realmedia.f32";
  double p = 0, q = 0, heard = 0, secondHeard = 0;
  std::int32_t firstLength = 0, secondLength = 0, lengthAtOpen = -1;
  {
    ProgramStart program(appPath, sound);
    program.dialog.answer(list);
    program.alt(Qt::Key_L);
    lengthAtOpen = program.streamLength();
    ASSERT_EQ(program.caption(2), first);
    ASSERT_EQ(program.form().engineKind(), EngineKind::Stream);

    // Listen about 2 s, loop it twice, go on from where the loop began.
    LoopPresses presses;
    ASSERT_NO_FATAL_FAILURE(loopTwiceAndGoOn(program, presses));
    p = presses.p;
    q = presses.q;
    ASSERT_TRUE(waitFor([&] { return program.position() >= p + 1000; }));

    // To the end: Alt+C goes 500 ms before the end, so it needs the length, which the engine
    // finds in the background (it reads 0 until then, and Alt+C would then start over).
    ASSERT_TRUE(waitFor([&] { return program.streamLength() > 0; })) << "the length is found";
    firstLength = program.streamLength();
    heard = program.position();
    program.alt(Qt::Key_C);
    EXPECT_EQ(program.variables().segmentStart, firstLength - 500);
    EXPECT_EQ(program.variables().repeatState, RepeatState::Listening);

    // The end of entry 1 is seen and starts entry 2.
    ASSERT_TRUE(waitFor([&] { return program.caption(2) == second; })) << "the next entry follows the first";
    EXPECT_EQ(program.caption(1), captions::kPlaying);
    ASSERT_TRUE(waitFor([&] { return program.position() >= 1000 && program.streamLength() > 0; }));
    secondLength = program.streamLength();
    secondHeard = program.position();
    program.alt(Qt::Key_C);

    // The end of the last entry: the position reads 0, the labels show 0 and the length,
    // and nothing starts again.
    ASSERT_TRUE(waitFor([&] {
      return program.position() == 0 && program.caption(6) == captions::kIdleTime &&
             program.caption(7) == formatPosition(secondLength);
    })) << "Label6 "
        << program.caption(6) << ", Label7 " << program.caption(7);
    QTest::qWait(300);
    EXPECT_EQ(program.position(), 0);
    EXPECT_EQ(program.caption(2), second);
    EXPECT_EQ(program.caption(6), captions::kIdleTime);
    EXPECT_EQ(program.caption(7), formatPosition(secondLength));

    program.alt(Qt::Key_Q);
    EXPECT_TRUE(program.messages.shown().empty()) << program.messages.shown().front();
  }

  // The lengths found are the files' true lengths (to the codec frame of 20 ms).
  EXPECT_NEAR(firstLength, firstTrueMs, 20);
  EXPECT_NEAR(secondLength, secondTrueMs, 20);

  // The sound: entry 1 from the start to P; at least two whole passes from 1 ms to P; the
  // pass cut short at Q; on from P to Alt+C; perhaps entry 1's last 500 ms; entry 2 from its
  // start to its Alt+C; perhaps its last 500 ms; nothing else.
  // RealAudio 14.4's decoder carries its filters and gains from frame to frame, so a decoding
  // that starts at a seek differs from one from the start; but the engine decodes two
  // seconds before a seek's target and drops them, and after that its output equals FFmpeg's
  // decoding from the start sample for sample (measured: the loop's passes, the jump back to
  // P and the jump to 5.5 s of entry 2). So the trace's usual threshold (2 %) holds.
  const std::vector<float> output = readFloats(sound.string());
  const Trace trace = traceOutput(output, {firstFrames, secondFrames}, 1, kRate);
  SCOPED_TRACE("P = " + std::to_string(p) + " ms, Q = " + std::to_string(q) + " ms, Alt+C at " + std::to_string(heard) +
               " ms of " + std::to_string(firstLength) + " ms, then at " + std::to_string(secondHeard) + " ms of " +
               std::to_string(secondLength) + " ms; length on opening " + std::to_string(lengthAtOpen) + " ms\n" +
               describe(trace, kRate));
  const std::vector<Stretch>& runs = trace.runs;
  ASSERT_GE(runs.size(), 6u);

  const double bufferMs = framesToMs(audio::Output::bufferFrames(kRate), kRate);
  const double startSlackMs = 30 + bufferMs;
  const double latestEnd = p + kLoopTickMs + bufferMs + kLateTimerMarginMs;
  const auto bounds = [&](const Stretch& run) {
    const Exact e = exactBounds(output, run.source == 0 ? firstFrames : secondFrames, run);
    return std::pair{ms(e.sourceStart), ms(e.sourceEnd)};
  };
  // A pass starts at the segment start, 1 ms, and ends at P or after it by no more than the
  // loop allows.
  const auto isPass = [&](const Stretch& run) {
    const auto [from, to] = bounds(run);
    return run.source == 0 && from >= 0 && from <= 1 + startSlackMs && to >= p && to <= latestEnd;
  };
  std::string measured;
  for (const Stretch& run : runs) {
    const auto [from, to] = bounds(run);
    char item[48];
    std::snprintf(item, sizeof item, " %.1f-%.1f", from, to);
    measured += item;
  }
  SCOPED_TRACE("the stretches to the frame, ms:" + measured);

  ASSERT_EQ(runs[0].source, 0);
  EXPECT_LE(bounds(runs[0]).first, 30) << "entry 1 plays from its start";
  EXPECT_GE(bounds(runs[0]).second, p) << "the first stretch plays on to P, where Alt+X was pressed";
  EXPECT_LE(bounds(runs[0]).second, latestEnd) << "the first stretch ends at P, where Alt+X was pressed";
  std::size_t i = 1;
  int passes = 0;
  while (i < runs.size() && isPass(runs[i])) {
    ++passes;
    ++i;
  }
  EXPECT_GE(passes, 2) << "whole passes from the segment start to P";
  ASSERT_LT(i + 2, runs.size());
  const Stretch& cut = runs[i++];
  EXPECT_EQ(cut.source, 0);
  EXPECT_LE(bounds(cut).first, 1 + startSlackMs) << "the pass left by Alt+X";
  EXPECT_GE(bounds(cut).second, q - 60);
  EXPECT_LE(bounds(cut).second, q + 150);
  const Stretch& goingOn = runs[i++];
  EXPECT_EQ(goingOn.source, 0);
  EXPECT_GE(bounds(goingOn).first, p - 10) << "listening goes on from P";
  EXPECT_LE(bounds(goingOn).first, p + startSlackMs) << "listening goes on from P";
  EXPECT_GE(bounds(goingOn).second, heard - 60) << "and on to Alt+C";
  EXPECT_LE(bounds(goingOn).second, heard + 150) << "and stops at Alt+C";
  // Entry 1's last 500 ms, where they sound.
  if (i < runs.size() && runs[i].source == 0) {
    EXPECT_GE(ms(runs[i].sourceStart), firstLength - 500 - 30);
    ++i;
  }
  ASSERT_LT(i, runs.size());
  const Stretch& two = runs[i++];
  EXPECT_EQ(two.source, 1) << "entry 2 follows entry 1";
  EXPECT_LE(ms(two.sourceStart), 30) << "entry 2 plays from its start";
  EXPECT_GE(ms(two.sourceEnd), secondHeard - 60);
  EXPECT_LE(ms(two.sourceEnd), secondHeard + 150);
  if (i < runs.size() && runs[i].source == 1) {
    EXPECT_GE(ms(runs[i].sourceStart), secondLength - 500 - 30);
    EXPECT_LE(ms(runs[i].sourceEnd), secondTrueMs);
    ++i;
  }
  EXPECT_EQ(i, runs.size()) << "nothing plays after the end of the last entry";
  EXPECT_LE(ms(trace.longestUnmatched), 30);
}

}  // namespace
}  // namespace tessaly::test
