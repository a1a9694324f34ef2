// SPDX-License-Identifier: GPL-3.0-or-later
// The subtitles inside recordings the tests make with the ffmpeg command-line tool: SubRip and
// ASS streams in an MKV (the Chinese one second), mov_text in an MP4, pictures of text (a
// hand-made PGS stream) that cannot be used, and a damaged file.
#include "sentences/engine/EmbeddedSubtitles.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <thread>

#include "sentences/engine/SubtitleScanner.h"
#include "support/TempFolder.h"

namespace tessaly::test {
namespace {

bool haveFfmpeg() { return std::system("ffmpeg -version >/dev/null 2>&1") == 0; }

// Runs `ffmpeg -v error -y <args> <out>`; whether it made `out`.
bool ffmpeg(const std::string& args, const std::filesystem::path& out) {
  const std::string command = "ffmpeg -nostdin -v error -y " + args + " '" + out.string() + "' 2>/dev/null";
  return std::system(command.c_str()) == 0 && std::filesystem::exists(out);
}

const char* kSound = "-f lavfi -i sine=frequency=300:duration=10:sample_rate=16000";

const char* kEnglishSrt =
    "1\n00:00:01,000 --> 00:00:02,500\n<i>Hello</i>\nthere.\n\n"
    "2\n00:00:04,000 --> 00:00:05,000\nGoodbye.\n";

const char* kChineseAss =
    "[Script Info]\nScriptType: v4.00+\nPlayResX: 384\nPlayResY: 288\n\n"
    "[V4+ Styles]\nFormat: Name, Fontname, Fontsize, PrimaryColour, SecondaryColour, OutlineColour, BackColour, Bold, "
    "Italic, Underline, StrikeOut, ScaleX, ScaleY, Spacing, Angle, BorderStyle, Outline, Shadow, Alignment, MarginL, "
    "MarginR, MarginV, Encoding\n"
    "Style: Default,Arial,16,&Hffffff,&Hffffff,&H0,&H0,0,0,0,0,100,100,0,0,1,1,0,2,10,10,10,0\n\n"
    "[Events]\nFormat: Layer, Start, End, Style, Name, MarginL, MarginR, MarginV, Effect, Text\n"
    "Dialogue: 0,0:00:01.00,0:00:03.00,Default,,0,0,0,,{\\an8}{\\k20}你{\\k30}好，\\N{\\i1}朋友{\\i0}。\n"
    "Dialogue: 0,0:00:04.50,0:00:06.00,Default,,0,0,0,,我们, 走吧。\n";

std::vector<std::string> textsOf(const SentenceMap& map) {
  std::vector<std::string> texts;
  for (const Sentence& s : map.sentences) texts.push_back(s.text.value_or("<none>"));
  return texts;
}

// A PGS (Blu-ray) subtitle stream of two display sets: a composition at 1 s with no objects
// and its end, then the same at 3 s. Pictures of text only: nothing the program can read.
std::string pgsStream() {
  std::string bytes;
  const auto segment = [&](std::uint32_t pts90k, std::uint8_t type, const std::string& data) {
    bytes += "PG";
    for (const std::uint32_t stamp : {pts90k, 0u})
      for (int shift = 24; shift >= 0; shift -= 8) bytes += static_cast<char>(stamp >> shift & 0xFF);
    bytes += static_cast<char>(type);
    bytes += static_cast<char>(data.size() >> 8);
    bytes += static_cast<char>(data.size() & 0xFF);
    bytes += data;
  };
  // Presentation composition: 1920x1080, 0x10 frame rate, composition 0, epoch start, no
  // palette update, palette 0, no objects.
  const std::string composition("\x07\x80\x04\x38\x10\x00\x00\x80\x00\x00\x00", 11);
  const std::string window("\x01\x00\x00\x00\x00\x00\x00\x00\x10\x00\x10", 10);
  for (const std::uint32_t at : {90000u, 270000u}) {
    segment(at, 0x16, composition);
    segment(at, 0x17, window);
    segment(at, 0x80, "");
  }
  return bytes;
}

class EmbeddedSubtitles : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!haveFfmpeg()) GTEST_SKIP() << "the ffmpeg command-line tool is missing";
    writeBytes(folder / "en.srt", kEnglishSrt);
    writeBytes(folder / "zh.ass", kChineseAss);
  }
  TempFolder folder;
};

TEST_F(EmbeddedSubtitles, AnMkvsChineseStreamComesFirstAndTheLearnerMayChooseAnother) {
  const auto mkv = folder / "lesson.mkv";
  ASSERT_TRUE(ffmpeg(std::string(kSound) + " -i '" + (folder / "en.srt").string() + "' -i '" +
                         (folder / "zh.ass").string() +
                         "' -map 0 -map 1 -map 2 -c:a flac -c:s:0 srt -c:s:1 ass -metadata:s:s:0 language=eng "
                         "-metadata:s:s:1 language=chi",
                     mkv));
  const SubtitleFinding found = subtitles::readEmbeddedSubtitles(mkv.string(), 10000);
  ASSERT_EQ(found.streams.size(), 2u);
  EXPECT_EQ(found.streams[0].index, 1);
  EXPECT_EQ(found.streams[0].language, "eng");
  EXPECT_EQ(found.streams[0].kind, SubtitleKind::Text);
  EXPECT_EQ(found.streams[1].language, "chi");
  EXPECT_EQ(found.map.source, SentenceSource::Embedded);
  EXPECT_EQ(found.map.stream, 2);
  EXPECT_EQ(found.map.language, "chi");
  EXPECT_EQ(textsOf(found.map), (std::vector<std::string>{"你好，朋友。", "我们, 走吧。"}));
  ASSERT_EQ(found.map.sentences.size(), 2u);
  EXPECT_EQ(found.map.sentences[0].startMs, 1000);
  EXPECT_EQ(found.map.sentences[0].endMs, 3000);
  EXPECT_EQ(found.map.sentences[1].startMs, 4500);
  EXPECT_EQ(found.map.sentences[1].endMs, 6000);

  const SubtitleFinding english = subtitles::readEmbeddedSubtitles(mkv.string(), 10000, 1);
  EXPECT_EQ(english.map.stream, 1);
  EXPECT_EQ(textsOf(english.map), (std::vector<std::string>{"Hello there.", "Goodbye."}));
  EXPECT_EQ(english.map.sentences.front().endMs, 2500);

  // The same on the program's worker thread.
  subtitles::SubtitleScanner scanner;
  const std::uint32_t serial = scanner.start(mkv.string(), 10000, -1);
  std::optional<SubtitleFinding> taken;
  while (!(taken = scanner.take(serial))) std::this_thread::yield();
  EXPECT_EQ(textsOf(taken->map), textsOf(found.map));
  EXPECT_FALSE(scanner.take(serial)) << "handed over once";
}

TEST_F(EmbeddedSubtitles, UntaggedStreamsAreToldChineseByTheirWords) {
  const auto mkv = folder / "untagged.mkv";
  ASSERT_TRUE(ffmpeg(std::string(kSound) + " -i '" + (folder / "en.srt").string() + "' -i '" +
                         (folder / "zh.ass").string() + "' -map 0 -map 1 -map 2 -c:a flac -c:s:0 srt -c:s:1 ass",
                     mkv));
  const SubtitleFinding found = subtitles::readEmbeddedSubtitles(mkv.string(), 10000);
  EXPECT_EQ(found.map.stream, 2);
  EXPECT_EQ(textsOf(found.map).front(), "你好，朋友。");
}

TEST_F(EmbeddedSubtitles, AnMp4sMovText) {
  const auto mp4 = folder / "lesson.mp4";
  ASSERT_TRUE(ffmpeg(std::string(kSound) + " -i '" + (folder / "en.srt").string() +
                         "' -map 0 -map 1 -c:a aac -c:s mov_text -metadata:s:s:0 language=eng",
                     mp4));
  const SubtitleFinding found = subtitles::readEmbeddedSubtitles(mp4.string(), 10000);
  ASSERT_EQ(found.streams.size(), 1u);
  EXPECT_EQ(found.streams[0].codec, "mov_text");
  EXPECT_EQ(found.map.source, SentenceSource::Embedded);
  EXPECT_EQ(found.map.language, "eng");
  // mov_text's empty samples between the cues are no sentences.
  EXPECT_EQ(textsOf(found.map), (std::vector<std::string>{"Hello there.", "Goodbye."}));
  ASSERT_EQ(found.map.sentences.size(), 2u);
  EXPECT_NEAR(found.map.sentences[0].startMs, 1000, 30);
  EXPECT_NEAR(found.map.sentences[0].endMs, 2500, 30);
}

TEST_F(EmbeddedSubtitles, PicturesOfTextAreNamedUnusable) {
  writeBytes(folder / "pictures.sup", pgsStream());
  const auto mkv = folder / "pictures.mkv";
  ASSERT_TRUE(ffmpeg(std::string(kSound) + " -i '" + (folder / "pictures.sup").string() +
                         "' -map 0 -map 1 -c:a flac -c:s copy -metadata:s:s:0 language=chi",
                     mkv));
  const SubtitleFinding found = subtitles::readEmbeddedSubtitles(mkv.string(), 10000);
  ASSERT_EQ(found.streams.size(), 1u);
  EXPECT_EQ(found.streams[0].codec, "hdmv_pgs_subtitle");
  EXPECT_EQ(found.streams[0].kind, SubtitleKind::Bitmap);
  EXPECT_EQ(found.map.source, SentenceSource::None);
  EXPECT_TRUE(found.map.sentences.empty());
  EXPECT_EQ(found.map.note, subtitleProblemWords(SubtitleProblem::OnlyBitmaps));

  // Beside a text stream, the pictures are passed over.
  const auto both = folder / "both.mkv";
  ASSERT_TRUE(ffmpeg(std::string(kSound) + " -i '" + (folder / "pictures.sup").string() + "' -i '" +
                         (folder / "en.srt").string() + "' -map 0 -map 1 -map 2 -c:a flac -c:s:0 copy -c:s:1 srt",
                     both));
  const SubtitleFinding mixed = subtitles::readEmbeddedSubtitles(both.string(), 10000);
  EXPECT_EQ(mixed.map.stream, 2);
  EXPECT_TRUE(mixed.map.note.empty());
}

TEST_F(EmbeddedSubtitles, NoSubtitlesDamageAndCancelGiveNoMap) {
  const auto wav = folder / "plain.wav";
  ASSERT_TRUE(ffmpeg(kSound, wav));
  const SubtitleFinding plain = subtitles::readEmbeddedSubtitles(wav.string(), 10000);
  EXPECT_TRUE(plain.streams.empty());
  EXPECT_EQ(plain.map.source, SentenceSource::None);
  EXPECT_TRUE(plain.map.note.empty()) << "a recording without subtitles says nothing";
  EXPECT_EQ(subtitles::readEmbeddedSubtitles((folder / "missing.mkv").string(), 0).map.source, SentenceSource::None);

  // An ASS with junk among its lines, and the MKV made of it with its middle overwritten.
  writeBytes(folder / "junk.ass", std::string(kChineseAss) + std::string("Dialogue: \x01\xff\xfe,,,\x80\x80\n", 18) +
                                      "Dialogue: 0,0:00:07.00,0:00:08.00,Default,,0,0,0,,{\\k\n");
  const auto mkv = folder / "damaged.mkv";
  ASSERT_TRUE(
      ffmpeg(std::string(kSound) + " -i '" + (folder / "junk.ass").string() + "' -map 0 -map 1 -c:a flac -c:s ass", mkv));
  {
    std::fstream file(mkv, std::ios::in | std::ios::out | std::ios::binary);
    file.seekp(static_cast<std::streamoff>(std::filesystem::file_size(mkv) / 2));
    for (int i = 0; i < 4096; ++i) file.put(static_cast<char>(i * 37 & 0xFF));
  }
  const SubtitleFinding damaged = subtitles::readEmbeddedSubtitles(mkv.string(), 10000);
  EXPECT_LE(damaged.map.sentences.size(), 4u);

  const std::atomic<bool> cancelled{true};
  EXPECT_EQ(subtitles::readEmbeddedSubtitles(mkv.string(), 10000, -1, &cancelled).map.source, SentenceSource::None);
}

}  // namespace
}  // namespace tessaly::test
