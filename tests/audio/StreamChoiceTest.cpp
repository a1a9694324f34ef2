// SPDX-License-Identifier: GPL-3.0-or-later
// Which audio stream of a file is played, and whether the file has a picture: the rule in
// tables, then files with several audio streams made by FFmpeg, each stream a tone of its
// own, read through the decoder.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>

#include "AudioTestSupport.h"
#include "audio/Decoder.h"
#include "audio/StreamChoice.h"

namespace tessaly::test {
namespace {

using audio::chooseAudioStream;
using audio::hasPicture;
using audio::languageOf;
using audio::StreamFacts;
using Kind = StreamFacts::Kind;

TEST(StreamLanguage, TagsOfOneLanguageAreOne) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"chi", "zh"}, {"zho", "zh"}, {"ZH", "zh"},    {"zh-CN", "zh"}, {"zh_TW", "zh"},
      {"cmn", "zh"}, {"eng", "en"}, {"en-US", "en"}, {"jpn", "ja"},   {"fre", "fr"},
      {"fra", "fr"}, {"und", ""},   {"", ""},        {"qaa", "qaa"},  {"-", ""},
  };
  for (const auto& [tag, language] : cases) EXPECT_EQ(languageOf(tag), language) << tag;
}

StreamFacts audio(std::string language, bool isDefault = false, bool decodable = true) {
  return {Kind::Audio, std::move(language), isDefault, decodable};
}
StreamFacts text(std::string language) { return {Kind::TextSubtitle, std::move(language), false, true}; }
StreamFacts other(Kind kind, std::string language = "") { return {kind, std::move(language), false, true}; }

struct ChoiceCase {
  const char* name;
  std::vector<StreamFacts> streams;
  int chosen;
};

class AudioStreamChoice : public ::testing::TestWithParam<ChoiceCase> {};

TEST_P(AudioStreamChoice, Chooses) { EXPECT_EQ(chooseAudioStream(GetParam().streams), GetParam().chosen); }

INSTANTIATE_TEST_SUITE_P(
    Files, AudioStreamChoice,
    ::testing::Values(
        ChoiceCase{"NoStreams", {}, -1}, ChoiceCase{"OnlyAPicture", {other(Kind::Picture)}, -1},
        ChoiceCase{"OneAudioStream", {other(Kind::Picture), audio("eng")}, 1},
        ChoiceCase{"TheFirstWithoutSubtitles", {other(Kind::Picture), audio("eng"), audio("chi")}, 1},
        ChoiceCase{"TheDefaultOneWithoutSubtitles", {audio("eng"), audio("chi", true)}, 1},
        ChoiceCase{"TheChineseTextsLanguage", {audio("eng", true), audio("chi"), text("eng"), text("zho")}, 1},
        ChoiceCase{"TheFirstTaggedTextsLanguage", {audio("fre", true), audio("eng"), text(""), text("en-GB")}, 1},
        ChoiceCase{"NoAudioInTheTextsLanguage", {audio("eng"), audio("fre", true), text("chi")}, 1},
        ChoiceCase{"BitmapSubtitlesSayNothing", {audio("eng"), audio("chi"), other(Kind::OtherSubtitle, "chi")}, 0},
        ChoiceCase{"AnUndecodableStreamIsPassedOver", {audio("chi", true, false), audio("eng"), text("chi")}, 1},
        ChoiceCase{"NothingDecodable", {audio("chi", false, false)}, -1}),
    [](const auto& p) { return std::string(p.param.name); });

TEST(StreamPicture, OnlyAMovingPictureCounts) {
  EXPECT_TRUE(hasPicture({audio("eng"), other(Kind::Picture)}));
  EXPECT_FALSE(hasPicture({audio("eng"), other(Kind::CoverPicture)}));
  EXPECT_FALSE(hasPicture({audio("eng"), text("chi")}));
}

// ---- Real files: an English tone of 440 Hz and a Chinese one of 660 Hz.

// The strongest of 440 and 660 Hz in the first second of what the decoder plays of `path`.
double toneOf(const std::string& path, bool* picture = nullptr) {
  Failure failure;
  auto decoder = audio::Decoder::open(path, nullptr, &failure);
  if (!decoder) return 0;
  if (picture) *picture = decoder->info().picture;
  const std::vector<float> mono = audio::readMono(*decoder, 0, 1000);
  const double rate = decoder->info().sampleRate;
  auto power = [&](double hz) {
    double re = 0, im = 0;
    for (std::size_t i = 0; i < mono.size(); ++i) {
      re += mono[i] * std::cos(2 * M_PI * hz * static_cast<double>(i) / rate);
      im += mono[i] * std::sin(2 * M_PI * hz * static_cast<double>(i) / rate);
    }
    return re * re + im * im;
  };
  return power(440) > power(660) ? 440 : 660;
}

class StreamChoiceFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!haveFfmpeg()) GTEST_SKIP() << "ffmpeg is not installed";
    std::ofstream(dir_.file("zh.srt")) << "1\n00:00:00,500 --> 00:00:01,500\n你好。\n";
  }
  // Two audio streams (English first, the default) and `extra` inputs mapped after them.
  std::string make(const std::string& name, const std::string& inputs, const std::string& maps) {
    return makeWithFfmpeg("-f lavfi -i sine=frequency=440:duration=2 -f lavfi -i sine=frequency=660:duration=2 " + inputs +
                              " -map 0:a -map 1:a " + maps +
                              " -metadata:s:a:0 language=eng -metadata:s:a:1 language=chi -c:a aac",
                          dir_.file(name));
  }
  TempDir dir_;
};

TEST_F(StreamChoiceFiles, TheSoundFollowsTheChineseSubtitles) {
  const std::string mkv = make("two.mkv", "-i " + dir_.file("zh.srt"), "-map 2:s -c:s srt -metadata:s:s:0 language=chi");
  ASSERT_FALSE(mkv.empty());
  EXPECT_EQ(toneOf(mkv), 660);
}

TEST_F(StreamChoiceFiles, WithoutSubtitlesTheFirstStreamPlays) {
  const std::string mkv = make("plain.mkv", "", "");
  ASSERT_FALSE(mkv.empty());
  EXPECT_EQ(toneOf(mkv), 440);
}

TEST_F(StreamChoiceFiles, AVideoSaysItHasAPictureACoverDoesNot) {
  const std::string mp4 = makeWithFfmpeg(
      "-f lavfi -i sine=frequency=440:duration=1 -f lavfi -i color=c=blue:s=64x48:d=1 -c:a aac -c:v mpeg4",
      dir_.file("video.mp4"));
  ASSERT_FALSE(mp4.empty());
  bool picture = false;
  EXPECT_EQ(toneOf(mp4, &picture), 440);
  EXPECT_TRUE(picture);

  const std::string cover = makeWithFfmpeg("-f lavfi -i color=c=red:s=32x32:d=1 -frames:v 1", dir_.file("cover.png"));
  ASSERT_FALSE(cover.empty());
  const std::string mp3 = makeWithFfmpeg("-f lavfi -i sine=frequency=440:duration=1 -i " + cover +
                                             " -map 0:a -map 1:v -c:a libmp3lame -c:v png -disposition:v:0 attached_pic",
                                         dir_.file("cover.mp3"));
  ASSERT_FALSE(mp3.empty());
  picture = true;
  EXPECT_EQ(toneOf(mp3, &picture), 440);
  EXPECT_FALSE(picture);
}

}  // namespace
}  // namespace tessaly::test
