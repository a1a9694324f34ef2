// SPDX-License-Identifier: GPL-3.0-or-later
// The verdict on a 跟读 take, on tones the test makes: what is not compared and the words for
// it (the device's failure first, then an unreadable sentence, then a take under 300 ms, then
// one without 100 ms of pitch), a voiced take compared, and a flat take named character by
// character only when the sentence is Mandarin.
#include "shadow/TakeJudge.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace tessaly::test {
namespace {

constexpr int kRate = 22050;
const std::string kCutShort = "录音设备停止工作了，这次跟读只录到一部分。";
const std::string kNoOriginal = "读不出这一句的原声，不能比较。";
const std::string kTooShort = "录音太短，没有能比较的声音。";
const std::string kMuted = "这遍跟读里没有听到说话的声音，请看看麦克风是不是静音了。";

// A tone gliding from `fromHz` to `toHz` over `ms`.
std::vector<float> glide(double fromHz, double toHz, int ms) {
  std::vector<float> out(static_cast<std::size_t>(kRate) * static_cast<std::size_t>(ms) / 1000);
  double phase = 0;
  for (std::size_t i = 0; i < out.size(); ++i) {
    const double hz = fromHz + (toHz - fromHz) * static_cast<double>(i) / static_cast<double>(out.size());
    phase += 2 * M_PI * hz / kRate;
    out[i] = 0.3f * static_cast<float>(std::sin(phase));
  }
  return out;
}

TEST(TakeJudge, WhatCannotBeComparedIsSaidBeforeItIsScored) {
  const std::size_t shortest = kRate * 300 / 1000;
  const struct {
    const char* what;
    std::string device;
    std::size_t original, take;
    std::string told;
  } cases[] = {
      {"a whole take", "", 40000, 30000, ""},
      {"just long enough", "", 40000, shortest, ""},
      {"a frame too short", "", 40000, shortest - 1, kTooShort},
      {"nothing recorded", "", 40000, 0, kTooShort},
      {"no original", "", 0, 30000, kNoOriginal},
      {"no original and too short", "", 0, 10, kNoOriginal},
      {"the device stopped", kCutShort, 40000, 30000, kCutShort},
      {"the device stopped, nothing else either", kCutShort, 0, 0, kCutShort},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(takeRefusal(c.device, c.original, c.take, kRate), c.told);
  }
  EXPECT_EQ(takeRefusal("", 1, 14399, 48000), kTooShort) << "300 ms at the rate given";
  EXPECT_EQ(takeRefusal("", 1, 14400, 48000), "");
}

TEST(TakeJudge, ATakeIsComparedOnceItHas100MsOfPitch) {
  const double none = std::numeric_limits<double>::quiet_NaN();
  // `voiced` hops with a pitch, each after as many of `unvoiced` as are left, a tenth of them.
  const auto line = [&](int voiced, int unvoiced) {
    std::vector<double> l;
    for (int i = 0; i < voiced || unvoiced > 0; ++i) {
      for (int gap = 0; gap < 10 && unvoiced > 0; ++gap, --unvoiced) l.push_back(none);
      if (i < voiced) l.push_back(0.5 * i);
    }
    return l;
  };
  const struct {
    const char* what;
    std::vector<double> takeLine;
    bool enough;
  } cases[] = {
      {"no line", {}, false},          {"all unvoiced", line(0, 200), false},   {"nine hops", line(9, 200), false},
      {"ten hops", line(10, 0), true}, {"ten among gaps", line(10, 200), true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(enoughVoice(c.takeLine), c.enough);
  }
}

TEST(TakeJudge, AVoicedTakeIsComparedAndASilentOneIsNot) {
  TakeRequest request;
  request.text = "今天";
  const std::vector<float> original = glide(150, 250, 1000);
  const struct {
    const char* what;
    std::vector<float> take;
    bool compared;
    std::string told;
  } cases[] = {
      {"the same tone", original, true, ""},
      {"silence", std::vector<float>(kRate, 0.0f), false, kMuted},
      {"a hum too faint to have a pitch", std::vector<float>(kRate, 1e-6f), false, kMuted},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const TakeComparison judged = judgeTake(request, original, c.take, kRate, nullptr);
    EXPECT_EQ(judged.compared, c.compared);
    EXPECT_EQ(judged.failure, c.told);
    EXPECT_NEAR(judged.originalMs, 1000, 0.1);
    EXPECT_NEAR(judged.takeMs, c.take.size() * 1000.0 / kRate, 0.1);
    EXPECT_EQ(judged.takePeaks.size(), (c.take.size() + 219) / 220);
    EXPECT_TRUE(judged.tones.empty()) << "no readings, no tones";
  }
}

TEST(TakeJudge, AFlatTakeIsNamedCharacterByCharacterOnlyInMandarin) {
  const std::vector<float> original = glide(140, 280, 1000), flat = glide(200, 200, 1000);
  const struct {
    const char* text;
    bool named;
  } cases[] = {{"今天", true}, {"hello world", false}, {"", false}, {"OK 好", true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    TakeRequest request;
    request.text = c.text;
    request.units = {{0, 500}, {500, 1000}};
    const TakeComparison judged = judgeTake(request, original, flat, kRate, nullptr);
    ASSERT_TRUE(judged.compared);
    EXPECT_EQ(!judged.score.flatUnits.empty(), c.named);
  }
}

TEST(TakeJudge, PeaksAreTheLoudestOfEach10Ms) {
  std::vector<float> samples(450, 0.0f);
  samples[5] = -0.25f;
  samples[100] = 0.5f;
  samples[221] = -1.5f;  // clipped to 1
  samples[449] = 0.125f;
  EXPECT_EQ(peaksOf(samples, kRate), (std::vector<float>{0.5f, 1.0f, 0.125f}));
  EXPECT_TRUE(peaksOf({}, kRate).empty());
}

}  // namespace
}  // namespace tessaly::test
