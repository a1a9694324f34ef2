// SPDX-License-Identifier: GPL-3.0-or-later
// What every 跟读 engine promises the practice window, run on the logic's scripted engine and on
// the engine's own (the disk driver's microphone): nothing to hear before a take; no
// microphone is a comparison that failed, in words, and then nothing to hear; a take under way
// refuses a second one and ends when stopped.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <thread>

#include "AudioTestSupport.h"
#include "audio/Output.h"
#include "shadow/engine/Shadowing.h"
#include "support/ScriptedShadowEngine.h"

namespace tessaly::test {
namespace {

// One engine with a microphone or without, and what it needs kept alive.
struct Rig {
  virtual ~Rig() = default;
  virtual ShadowEngine& engine() = 0;
};

struct ScriptedRig final : Rig {
  explicit ScriptedRig(bool microphone) { scripted.microphone = microphone; }
  ShadowEngine& engine() override { return scripted; }
  ScriptedShadowEngine scripted;
};

// Three seconds of silence from the disk driver's microphone, or none at all.
struct EngineRig final : Rig {
  explicit EngineRig(bool microphone) {
    writeFloats(dir.file("mic.raw"), std::vector<float>(3 * audio::kTakeRate, 0.0F));
    environment.useDiskMicrophone(microphone ? dir.file("mic.raw") : "/nonexistent/tessaly-microphone.raw",
                                  dir.file("out.raw"));
    shadowing = std::make_unique<Shadowing>(output, dir.file("takes"), 50 << 20, "");
  }
  ShadowEngine& engine() override { return *shadowing; }
  TempDir dir;
  Environment environment;
  audio::Output output;
  std::unique_ptr<Shadowing> shadowing;
};

struct Engine {
  const char* name;
  std::unique_ptr<Rig> (*make)(bool microphone);
};

void PrintTo(const Engine& engine, std::ostream* out) { *out << engine.name; }

const Engine kEngines[] = {
    {"Scripted", [](bool microphone) { return std::unique_ptr<Rig>(std::make_unique<ScriptedRig>(microphone)); }},
    {"Engine", [](bool microphone) { return std::unique_ptr<Rig>(std::make_unique<EngineRig>(microphone)); }},
};

TakeRequest aSentence() {
  TakeRequest request;
  request.recording = TESSALY_SAMPLES "/样例课文.wav";
  request.startMs = 4560;
  request.endMs = 7750;
  request.text = "今天天气很好。";
  request.longestMs = 2000;
  return request;
}

template <typename Condition>
bool waitUntil(Condition done) {
  for (int waited = 0; waited < 20000; waited += 10) {
    if (done()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return done();
}

class ShadowEngineContract : public testing::TestWithParam<Engine> {};

TEST_P(ShadowEngineContract, NothingIsHeardBeforeATake) {
  const auto rig = GetParam().make(true);
  ShadowEngine& engine = rig->engine();
  EXPECT_EQ(engine.state(), TakeState::Idle);
  EXPECT_FALSE(engine.takeComparison());
  EXPECT_FALSE(engine.hear(true, 2, 500));
  EXPECT_FALSE(engine.hear(false, 1, 0));
  EXPECT_EQ(engine.hearing().part, Hearing::Part::Nothing);
  engine.stopHearing();  // nothing heard: harmless
  EXPECT_EQ(engine.hearing().part, Hearing::Part::Nothing);
}

TEST_P(ShadowEngineContract, NoMicrophoneIsAComparisonThatFailedInWords) {
  const auto rig = GetParam().make(false);
  ShadowEngine& engine = rig->engine();
  EXPECT_EQ(engine.startTake(aSentence()), "") << "the microphone is found missing later";
  std::optional<TakeComparison> compared;
  ASSERT_TRUE(waitUntil([&] { return (compared = engine.takeComparison()).has_value(); }));
  EXPECT_FALSE(compared->compared);
  EXPECT_EQ(compared->failure, "没有找到麦克风（录音设备），不能跟读录音。");
  EXPECT_EQ(compared->takePath, "");
  EXPECT_FALSE(engine.takeComparison()) << "handed over once";
  EXPECT_EQ(engine.state(), TakeState::Idle);
  EXPECT_FALSE(engine.hear(true, 1, 0)) << "no take to hear";
}

TEST_P(ShadowEngineContract, ATakeUnderWayRefusesASecondAndEndsWhenStopped) {
  const auto rig = GetParam().make(true);
  ShadowEngine& engine = rig->engine();
  ASSERT_EQ(engine.startTake(aSentence()), "");
  ASSERT_TRUE(waitUntil([&] { return engine.state() == TakeState::Recording; }));
  EXPECT_EQ(engine.startTake(aSentence()), "上一遍跟读还没有结束。");
  engine.stopTake();
  EXPECT_TRUE(waitUntil([&] {
    const TakeState now = engine.state();
    return now == TakeState::Comparing || now == TakeState::Idle;
  }));
}

INSTANTIATE_TEST_SUITE_P(Both, ShadowEngineContract, testing::ValuesIn(kEngines),
                         [](const testing::TestParamInfo<Engine>& param) { return std::string(param.param.name); });

}  // namespace
}  // namespace tessaly::test
