// SPDX-License-Identifier: GPL-3.0-or-later
// A take's score ranks, for each sentence of the sample lesson, a take made from the original itself (10 % slower,
// the pitch kept) above one said in a monotone and above one with its characters' tones swapped;
// the monotone's flat characters are named.
#include "pitch/TakeScore.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "AudioTestSupport.h"
#include "audio/Speech.h"

namespace tessaly::test {
namespace {

constexpr int kRate = 22050;

std::vector<float> floats(const std::vector<short>& samples) {
  std::vector<float> out;
  for (short s : samples) out.push_back(static_cast<float>(s) / 32768.0f);
  return out;
}

TEST(TakeScore, TheSpeakersOwnSlowerRanksAboveAMonotoneAndSwappedTones) {
  if (!haveFfmpeg()) GTEST_SKIP() << "ffmpeg is missing";
  TempDir dir;
  const struct {
    const char* characters;  // spaced: a word each, so each has its time
    const char* swapped;     // the same syllables in pinyin, the tones in reverse order
  } sentences[] = {
      {"你 好 欢 迎 来 到 听 写 练 习", "ni2 hao4 huan3 ying1 lai4 dao2 ting2 xie1 lian3 xi3"},
      {"今 天 天 气 很 好", "jin3 tian3 tian4 qi1 hen1 hao1"},
      {"我 每 天 早 上 七 点 起 床", "wo2 mei3 tian3 zao1 shang4 qi3 dian1 qi3 chuang3"},
      {"我 们 一 起 去 图 书 馆 吧", "wo5 men2 yi1 qi4 qu3 tu4 shu1 guan5 ba3"},
      {"请 你 听 一 句 写 一 句", "qing4 ni2 ting3 yi4 ju2 xie1 yi3 ju3"},
      {"学 习 语 言 要 每 天 练 习", "xue2 xi4 yu1 yan3 yao4 mei2 tian3 lian2 xi2"},
  };
  std::size_t ownFlat = 0, monotoneFlat = 0, unlike = 0;
  for (const auto& s : sentences) {
    const audio::Spoken original = audio::speak(s.characters, "cmn-latn-pinyin");
    ASSERT_EQ(original.sampleRate, kRate);
    std::vector<align::Span> units;
    for (std::size_t w = 0; w < original.words.size(); ++w)
      units.push_back({original.words[w].startMs, w + 1 < original.words.size()
                                                      ? original.words[w + 1].startMs
                                                      : original.samples.size() * 1000.0 / kRate});
    writeMonoWav(dir.file("original.wav"), floats(original.samples), kRate);
    ASSERT_FALSE(
        makeWithFfmpeg("-i " + dir.file("original.wav") + " -filter:a atempo=0.91", dir.file("slower.wav")).empty());
    const std::vector<float> slower = referenceDecode(dir.file("slower.wav"), 1);
    const std::vector<float> monotone = floats(audio::speak(s.characters, "cmn-latn-pinyin", 175, 50, 0).samples);
    const std::vector<float> swapped = floats(audio::speak(s.swapped, "cmn-latn-pinyin").samples);
    const std::vector<float> own = floats(original.samples);

    const auto a = pitch::scoreTake(own, kRate, slower, kRate, units);
    const auto b = pitch::scoreTake(own, kRate, monotone, kRate, units);
    const auto c = pitch::scoreTake(own, kRate, swapped, kRate, units);
    std::string said;
    for (const std::string& r : b.reasons) said += r + "；";
    std::printf("%s: own slower %d, monotone %d (%s), tones swapped %d\n", s.characters, a.score, b.score, said.c_str(),
                c.score);
    EXPECT_GT(a.score, b.score) << s.characters;
    EXPECT_GT(a.score, c.score) << s.characters;
    EXPECT_NEAR(a.lengthRatio, 1.1, 0.05) << s.characters;
    EXPECT_GT(a.shape, b.shape) << s.characters << ": the monotone's line is less like the speaker's";
    ownFlat += a.flatUnits.size();
    monotoneFlat += b.flatUnits.size();
    unlike += said.find("音高的起伏和原声不像") != std::string::npos;
  }
  // How unlike a monotone sounds depends on how much the synthesiser moved the sentence's pitch
  // this time: most monotones are told so in words.
  EXPECT_GE(unlike, std::size(sentences) / 2 + 1);
  // The synthesiser's voice wavers a little differently each time it speaks (its state carries
  // over from one sentence to the next) and its tones move little, so which characters are
  // named flat varies: the monotone's are named, and more of them than the speaker's own.
  EXPECT_GT(monotoneFlat, 0u) << "the monotone's flat characters are named";
  EXPECT_GT(monotoneFlat, ownFlat);
}

}  // namespace
}  // namespace tessaly::test
