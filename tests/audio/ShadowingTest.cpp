// SPDX-License-Identifier: GPL-3.0-or-later
// 跟读 on the real engine: the disk driver's microphone says the sample lesson's second
// sentence with one character's tone flattened (the synthesiser's reading of it with that
// tone made the level first tone); the take is recorded, compared with the sentence, kept with
// its score in its tags, and that character is named. A take heard after the original sounds
// the original, then the take, for the loop options' passes. No microphone changes nothing.
#include "shadow/engine/Shadowing.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <fstream>
#include <future>
#include <iterator>
#include <thread>

#include "AudioTestSupport.h"
#include "align/engine/UnitAligner.h"
#include "audio/Output.h"
#include "audio/Speech.h"
#include "sentences/SentenceMap.h"

namespace tessaly::test {
namespace {

constexpr double kStart = 4560, kEnd = 7750;  // the second sentence, from the .lrc

template <typename Condition>
bool waitUntil(Condition done, int ms = 20000) {
  for (int waited = 0; waited < ms; waited += 10) {
    if (done()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return done();
}

TakeRequest secondSentence() {
  TakeRequest request;
  request.recording = TESSALY_SAMPLES "/样例课文.wav";
  request.startMs = kStart;
  request.endMs = kEnd;
  request.text = "今天天气很好。";
  const Sentence sentence{static_cast<std::int32_t>(kStart), static_cast<std::int32_t>(kEnd), request.text};
  for (const align::UnitSpan& u : align::alignUnits(request.recording, {sentence}))
    request.units.push_back({u.startMs - kStart, u.endMs - kStart});
  request.longestMs = 2 * static_cast<int>(kEnd - kStart);
  return request;
}

TEST(Shadowing, AFlattenedToneIsNamedAndTheTakeIsKeptWithItsScore) {
  TempDir dir;
  // The second sentence as the learner says it: 今天天气很好 with 气 (qì, falling) said level.
  const std::vector<float> mic = spokenTake("jin1 tian1 tian1 qi1 hen3 hao3");
  writeFloats(dir.file("mic.raw"), mic);
  Environment environment;
  environment.useDiskMicrophone(dir.file("mic.raw"), dir.file("out.raw"));
  audio::Output output;
  Shadowing shadowing(output, dir.file("takes"), 50 << 20, TESSALY_PINYIN_TABLE);
  const TakeRequest request = secondSentence();
  ASSERT_EQ(request.units.size(), 6u) << "each character's time";

  ASSERT_EQ(shadowing.startTake(request), "");
  EXPECT_NE(shadowing.state(), TakeState::Idle);
  EXPECT_TRUE(waitUntil([&] { return shadowing.state() == TakeState::Recording; })) << "once the microphone is open";
  std::optional<TakeComparison> c;
  ASSERT_TRUE(waitUntil([&] { return (c = shadowing.takeComparison()).has_value(); }));
  EXPECT_EQ(shadowing.state(), TakeState::Idle);
  ASSERT_TRUE(c->compared) << c->failure;
  std::string said;
  for (const std::string& r : c->score.reasons) said += r + "；";
  std::printf("flattened 气: %d 分, %s\n", c->score.score, said.c_str());
  EXPECT_NE(said.find("第 4 个字的声调偏平"), std::string::npos) << said;

  // The take stopped a second after the voice: its length is the voice's, plus that second.
  const double voiceMs = (mic.size() - 3 * audio::kTakeRate) * 1000.0 / audio::kTakeRate;
  EXPECT_NEAR(c->takeMs, voiceMs + 1000, 150);
  EXPECT_NEAR(c->originalMs, kEnd - kStart, 1);
  // The lines: a value every 10 ms of the sentence, both voiced over most of the speech.
  ASSERT_EQ(c->score.originalLine.size(), c->score.takeLine.size());
  EXPECT_NEAR(c->score.originalLine.size(), (kEnd - kStart) / 10, 2);
  const auto voiced = [](const std::vector<double>& line) {
    return std::count_if(line.begin(), line.end(), [](double v) { return !std::isnan(v); });
  };
  EXPECT_GT(voiced(c->score.originalLine), 80);
  EXPECT_GT(voiced(c->score.takeLine), 80);
  // The tones written above the characters, over their spans.
  ASSERT_EQ(c->tones.size(), 6u);
  const int expected[] = {1, 1, 1, 4, 3, 3};
  for (std::size_t i = 0; i < 6; ++i) {
    EXPECT_EQ(c->tones[i].tone, expected[i]) << c->tones[i].character;
    EXPECT_TRUE(c->tones[i].timed);
    EXPECT_DOUBLE_EQ(c->tones[i].startMs, request.units[i].startMs);
  }
  EXPECT_EQ(c->tones[3].character, "气");
  EXPECT_EQ(c->tones[3].pinyin, "qì");

  // Kept as FLAC in the takes folder, every sample, with the score in its tags.
  ASSERT_FALSE(c->takePath.empty());
  EXPECT_EQ(std::filesystem::path(c->takePath).parent_path(), std::filesystem::path(dir.file("takes")));
  const std::vector<float> kept = referenceDecode(c->takePath, 1);
  ASSERT_EQ(kept.size(), static_cast<std::size_t>(c->takeMs * audio::kTakeRate / 1000 + 0.5));
  for (std::size_t i = 0; i < kept.size(); i += 101) EXPECT_NEAR(kept[i], mic[i], 1.0 / 16384) << i;
  const std::string tags = makeWithFfmpeg("-i " + c->takePath + " -f ffmetadata", dir.file("tags.txt"));
  ASSERT_FALSE(tags.empty());
  std::ifstream in(tags);
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_NE(text.find(std::to_string(c->score.score) + " 分"), std::string::npos) << text;
  EXPECT_NE(text.find("第 4 个字的声调偏平"), std::string::npos) << text;

  // Heard after the original, twice with a pause: original, take, pause, original, take.
  ASSERT_TRUE(shadowing.hear(true, 2, 300));
  std::vector<std::pair<Hearing::Part, int>> heard;
  ASSERT_TRUE(waitUntil([&] {
    const Hearing h = shadowing.hearing();
    if (heard.empty() || heard.back() != std::make_pair(h.part, h.pass)) heard.push_back({h.part, h.pass});
    return h.part == Hearing::Part::Nothing && heard.size() > 1;
  }));
  using P = Hearing::Part;
  const std::vector<std::pair<P, int>> order = {{P::Nothing, 0}, {P::Original, 1}, {P::Pause, 1},
                                                {P::Take, 1},    {P::Pause, 1},    {P::Original, 2},
                                                {P::Pause, 2},   {P::Take, 2},     {P::Nothing, 0}};
  // A render may pass over a short part (the pauses); what sounds comes in this order.
  std::size_t at = 0;
  for (const auto& part : heard) {
    while (at < order.size() && order[at] != part) ++at;
    ASSERT_LT(at, order.size()) << "heard out of order";
  }
  EXPECT_NE(std::find(heard.begin(), heard.end(), std::make_pair(P::Take, 2)), heard.end());
  shadowing.stopHearing();
}

TEST(Shadowing, ATakeThatCannotBeKeptIsScoredAndSaidWhy) {
  TempDir dir;
  writeFloats(dir.file("mic.raw"), spokenTake("jin1 tian1 tian1 qi4 hen3 hao3"));
  std::ofstream(dir.file("takes")) << "the learner's file";  // where the takes' folder would be
  Environment environment;
  environment.useDiskMicrophone(dir.file("mic.raw"), dir.file("out.raw"));
  audio::Output output;
  Shadowing shadowing(output, dir.file("takes"), 50 << 20, "");
  ASSERT_EQ(shadowing.startTake(secondSentence()), "");
  std::optional<TakeComparison> c;
  ASSERT_TRUE(waitUntil([&] { return (c = shadowing.takeComparison()).has_value(); }));
  ASSERT_TRUE(c->compared) << c->failure;
  EXPECT_GT(c->score.score, 0);
  EXPECT_EQ(c->takePath, "");
  EXPECT_EQ(c->unkept, "跟读录音没能保存到 " + dir.file("takes") + "：那里有一个同名的文件，不是文件夹。");
  std::ifstream in(dir.file("takes"));
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()), "the learner's file");
  EXPECT_TRUE(shadowing.hear(false, 1, 0)) << "heard from memory all the same";
  shadowing.stopHearing();

  // A device that takes its time to open (the output held meanwhile): F6, F6 again, F7 each
  // return while it is still held, and the last is what is heard once it is free.
  std::promise<void> entered, release;
  std::atomic<bool> held{true};
  std::thread device([&] {
    output.runExclusive([&] {
      entered.set_value();
      release.get_future().wait_for(std::chrono::seconds(30));
    });
    held = false;
  });
  entered.get_future().wait();
  EXPECT_TRUE(shadowing.hear(true, 1, 0));
  EXPECT_TRUE(shadowing.hear(true, 1, 0));
  EXPECT_TRUE(shadowing.hear(false, 1, 0));
  EXPECT_TRUE(held) << "a hearing waited for the device";
  release.set_value();
  device.join();
  EXPECT_TRUE(waitUntil([&] { return shadowing.hearing().part == Hearing::Part::Take; }));
  shadowing.stopHearing();
}

TEST(Shadowing, WhatCannotBeComparedKeepsNothing) {
  const struct {
    const char* what;
    bool microphone;
    std::string told;
  } cases[] = {
      {"no microphone", false, "没有找到麦克风（录音设备），不能跟读录音。"},
      {"a muted microphone", true, "这遍跟读里没有听到说话的声音，请看看麦克风是不是静音了。"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    writeFloats(dir.file("mic.raw"), std::vector<float>(3 * audio::kTakeRate, 0.0f));
    Environment environment;
    environment.useDiskMicrophone(c.microphone ? dir.file("mic.raw") : "/nonexistent/tessaly-microphone.raw",
                                  dir.file("out.raw"));
    audio::Output output;
    Shadowing shadowing(output, dir.file("takes"), 50 << 20, "");
    TakeRequest request = secondSentence();
    request.longestMs = 1000;
    EXPECT_EQ(shadowing.startTake(request), "") << "the microphone is opened on the capture's thread";
    std::optional<TakeComparison> compared;
    ASSERT_TRUE(waitUntil([&] { return (compared = shadowing.takeComparison()).has_value(); }));
    EXPECT_FALSE(compared->compared);
    EXPECT_EQ(compared->failure, c.told);
    EXPECT_EQ(shadowing.state(), TakeState::Idle);
    EXPECT_FALSE(shadowing.hear(true, 1, 0)) << "no take to hear";
    EXPECT_FALSE(std::filesystem::exists(dir.file("takes"))) << "nothing kept";
  }
}

}  // namespace
}  // namespace tessaly::test
