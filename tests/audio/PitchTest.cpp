// SPDX-License-Identifier: GPL-3.0-or-later
// The pitch line on material whose pitch is known: sox's tones and a sweep, and libespeak-ng
// speech in a monotone, each clean and with white noise at 20 dB SNR. The gross error (voiced
// frames more than 20 % off) stays at 5 % or less. Prints the figures the README's table holds.
#include "pitch/Pitch.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>

#include "AudioTestSupport.h"
#include "audio/Speech.h"

namespace tessaly::test {
namespace {

constexpr int kRate = 22050;

// The share of voiced frames more than 20 % off `expected(ms)` (0 where nothing is expected),
// and how many frames were voiced where something was.
std::pair<double, std::size_t> grossError(const std::vector<float>& samples,
                                          const std::function<double(double)>& expected) {
  const auto frames = pitch::trackPitch(samples.data(), samples.size(), kRate);
  std::size_t voiced = 0, gross = 0;
  for (std::size_t k = 0; k < frames.size(); ++k) {
    const double e = expected(static_cast<double>(k) * pitch::kHopMs);
    if (e <= 0 || frames[k].hz <= 0) continue;
    ++voiced;
    gross += std::abs(frames[k].hz - e) > 0.2 * e;
  }
  return {voiced ? 100.0 * gross / voiced : 100.0, voiced};
}

TEST(PitchLine, GrossErrorsStayUnderFivePercentOnKnownPitch) {
  if (!haveFfmpeg() || std::system("command -v sox >/dev/null") != 0) GTEST_SKIP() << "ffmpeg or sox is missing";
  TempDir dir;
  const auto sox = [&](const std::string& synth) {
    const std::string file = dir.file("sox.wav");
    if (std::system(("sox -R -n -r 22050 -c 1 " + file + " " + synth).c_str()) != 0) return std::vector<float>{};
    return referenceDecode(file, 1);
  };
  // A monotone: libespeak-ng with no pitch range; its pitch is the clean line's median.
  std::vector<float> monotone;
  for (short s : audio::speak("今天天气很好，我们一起去图书馆吧。", "cmn-latn-pinyin", 175, 50, 0).samples)
    monotone.push_back(static_cast<float>(s) / 32768.0f);
  const auto clean = pitch::trackPitch(monotone.data(), monotone.size(), kRate);
  std::vector<double> voiced;
  for (const auto& f : clean)
    if (f.hz > 0) voiced.push_back(f.hz);
  ASSERT_FALSE(voiced.empty());
  std::nth_element(voiced.begin(), voiced.begin() + static_cast<std::ptrdiff_t>(voiced.size() / 2), voiced.end());
  const double speaker = voiced[voiced.size() / 2];

  const struct {
    const char* name;
    std::vector<float> samples;
    std::function<double(double)> expected;
  } cases[] = {
      {"220 Hz tone", sox("synth 2 sine 220 vol 0.5"), [](double) { return 220.0; }},
      {"110 Hz tone", sox("synth 2 sine 110 vol 0.5"), [](double) { return 110.0; }},
      {"sweep 120 to 400 Hz", sox("synth 3 sine 120-400 vol 0.5"), [](double ms) { return 120 + 280 * ms / 3000; }},
      {"espeak-ng monotone", monotone, [&](double) { return speaker; }},
  };
  for (const auto& c : cases) {
    ASSERT_FALSE(c.samples.empty()) << c.name;
    for (const double snr : {0.0, 20.0}) {
      const auto [gross, frames] = grossError(snr > 0 ? withNoise(c.samples, snr) : c.samples, c.expected);
      std::printf("%s, %s: %zu voiced frames, gross error %.1f %%\n", c.name, snr > 0 ? "20 dB SNR" : "clean", frames,
                  gross);
      EXPECT_LE(gross, 5.0) << c.name << (snr > 0 ? " with noise" : " clean");
      EXPECT_GT(frames, 50u) << c.name;
    }
  }
  EXPECT_NEAR(speaker, 100, 30) << "the monotone is the voice's own pitch";
}

}  // namespace
}  // namespace tessaly::test
