// SPDX-License-Identifier: GPL-3.0-or-later
// The sentence map's readers on the variety of real companion files, and bad ones.
#include "sentences/SentenceMap.h"

#include <gtest/gtest.h>

#include <limits>

#include "support/TempFolder.h"
#include "text/Encoding.h"

namespace tessaly {
namespace {

using Sentences = std::vector<Sentence>;

Sentence s(std::int32_t start, std::int32_t end, const char* text) {
  return {start, end, text ? std::optional<std::string>(text) : std::nullopt};
}

TEST(Lrc, ReadsTheTagsLearnersFilesUse) {
  const struct {
    const char* what;
    const char* file;
    Sentences expected;
  } cases[] = {
      {"two-digit hundredths", "[00:01.50]你好\n[00:04.25]再见\n", {s(1500, 4250, "你好"), s(4250, 10000, "再见")}},
      {"colon hundredths, bare seconds, milliseconds",
       "[00:01:50]一\n[00:03]二\n[00:05.125]三\n",
       {s(1500, 3000, "一"), s(3000, 5125, "二"), s(5125, 10000, "三")}},
      {"metadata ignored, CR LF",
       "[ti:第一课]\r\n[ar:老师]\r\n[al:听力]\r\n[by:me]\r\n[00:02.00]Hello there.\r\n",
       {s(2000, 10000, "Hello there.")}},
      {"several tags on a line",
       "[00:01.00][00:06.00]副歌\n[00:03.00]中间\n",
       {s(1000, 3000, "副歌"), s(3000, 6000, "中间"), s(6000, 10000, "副歌")}},
      {"an empty tag ends the sentence before it",
       "[00:01.00]一句\n[00:02.50]\n[00:04.00]二句\n[00:05.00]\n",
       {s(1000, 2500, "一句"), s(4000, 5000, "二句")}},
      {"lines in any order", "[00:04.00]后\n[00:01.00]前\n", {s(1000, 4000, "前"), s(4000, 10000, "后")}},
      {"positive offset: the words earlier",
       "[offset:+500]\n[00:01.00]一\n[00:03.00]二\n",
       {s(500, 2500, "一"), s(2500, 10000, "二")}},
      {"negative offset", "[offset:-250]\n[00:01.00]一\n", {s(1250, 10000, "一")}},
      {"duplicate time: the first text", "[00:01.00]甲\n[00:01.00]乙\n", {s(1000, 10000, "甲")}},
      {"impossible and past the end dropped",
       "[00:61.00]x\n[00:01.00]一\n[00:12.00]过了\n[ab:cd]y\n",
       {s(1000, 10000, "一")}},
      {"no tags at all", "just words\n\x01\x02\xff binary\n", {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(readLrc(c.file, 10000), c.expected);
  }
  // Length unknown: the last sentence stays open to the end of whatever plays.
  EXPECT_EQ(readLrc("[00:01.00]一\n", 0).back().endMs, std::numeric_limits<std::int32_t>::max());
}

TEST(Lrc, TheNoTextTagStartsASentenceWithoutWords) {
  const struct {
    const char* what;
    const char* file;
    Sentences expected;
  } cases[] = {
      {"after an empty tag, which still ends the one before",
       "[00:01.00]一\n[00:02.00]\n[00:03.00][tessaly:no-text]\n",
       {s(1000, 2000, "一"), s(3000, 5000, nullptr)}},
      {"another tag after the time is no such sentence", "[00:01.00]一\n[00:02.00][ar:x]\n", {s(1000, 2000, "一")}},
      {"words after it are the text", "[00:01.00][tessaly:no-text]有字\n", {s(1000, 5000, "有字")}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(readLrc(c.file, 5000), c.expected);
  }
}

TEST(Srt, ReadsCuesJoinsLinesAndDropsMarkup) {
  const struct {
    const char* what;
    const char* file;
    Sentences expected;
  } cases[] = {
      {"numbered cues",
       "1\n00:00:01,000 --> 00:00:02,500\n你好。\n\n2\n00:00:03,000 --> 00:00:04,000\n再见。\n",
       {s(1000, 2500, "你好。"), s(3000, 4000, "再见。")}},
      {"multi-line texts joined, Latin words spaced",
       "1\r\n00:00:01,000 --> 00:00:03,000\r\n<i>Hello</i>\r\nthere.\r\n\r\n",
       {s(1000, 3000, "Hello there.")}},
      {"Chinese lines joined as they are",
       "1\n00:00:01,000 --> 00:00:03,000\n{\\an8}第一行\n第二行\n",
       {s(1000, 3000, "第一行第二行")}},
      {"a dot for the comma, no numbers, cues out of order",
       "00:00:05.000 --> 00:00:06.000\n后\n\n00:00:01.000 --> 00:00:02.000\n前\n",
       {s(1000, 2000, "前"), s(5000, 6000, "后")}},
      {"an end past the next start is cut",
       "1\n00:00:01,000 --> 00:00:09,000\n长\n\n2\n00:00:03,000 --> 00:00:04,000\n短\n",
       {s(1000, 3000, "长"), s(3000, 4000, "短")}},
      {"an end before its start runs to the next",
       "1\n00:00:02,000 --> 00:00:01,000\n反\n\n2\n00:00:05,000 --> 00:00:06,000\n正\n",
       {s(2000, 5000, "反"), s(5000, 6000, "正")}},
      {"impossible times dropped",
       "1\n00:00:75,000 --> 00:00:76,000\nx\n\n2\n00:00:01,000 --> 00:00:02,000\n好\n",
       {s(1000, 2000, "好")}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(readSrt(c.file, 10000), c.expected);
  }
}

TEST(SentenceMap, TheLrcBesideTheRecordingComesFirstInAnyEncoding) {
  test::TempFolder folder;
  const std::string audio = (folder / "lesson.mp3").string();
  EXPECT_EQ(loadSentenceMap(audio, 10000).source, SentenceSource::None);
  test::writeBytes(folder / "lesson.srt", "1\n00:00:01,000 --> 00:00:02,000\nsrt\n");
  EXPECT_EQ(loadSentenceMap(audio, 10000).source, SentenceSource::Srt);
  test::writeBytes(folder / "lesson.lrc", utf8ToGb18030("[00:02.00]国标码的歌词\r\n"));
  const SentenceMap map = loadSentenceMap(audio, 10000);
  EXPECT_EQ(map.source, SentenceSource::Lrc);
  EXPECT_EQ(map.sentences, (Sentences{s(2000, 10000, "国标码的歌词")}));
  test::writeBytes(folder / "lesson.lrc", "\xEF\xBB\xBF[00:03.00]带BOM的UTF-8\n");
  EXPECT_EQ(loadSentenceMap(audio, 10000).sentences.front().text, "带BOM的UTF-8");
  test::writeBytes(folder / "lesson.lrc", "[ti:only a title]\n");  // a map-less .lrc: the .srt then
  EXPECT_EQ(loadSentenceMap(audio, 10000).source, SentenceSource::Srt);
}

TEST(SentenceMap, ALargeFileGivesABoundedMap) {
  std::string big;
  for (int i = 0; i < 200000; ++i) big += "[" + std::to_string(i / 60 % 100) + ":" + std::to_string(i % 60) + ".00]句\n";
  EXPECT_LE(readLrc(big, 0).size(), kMaxSentences);
}

}  // namespace
}  // namespace tessaly

#include "sentences/PauseFinder.h"

namespace tessaly {
namespace {

// An envelope from a script of (milliseconds, dB) stretches.
std::vector<float> envelope(std::initializer_list<std::pair<int, float>> script) {
  std::vector<float> e;
  for (const auto& [ms, db] : script) e.insert(e.end(), static_cast<std::size_t>(ms / kEnvelopeFrameMs), db);
  return e;
}

TEST(PauseFinder, SplitsAtSentencePausesOnly) {
  const struct {
    const char* what;
    std::vector<float> envelope;
    std::vector<std::pair<int, int>> expected;  // start, end
  } cases[] = {
      {"two sentences, a long pause",
       envelope({{500, -70}, {2000, -20}, {600, -70}, {1500, -22}, {500, -70}}),
       {{500, 2500}, {3100, 4600}}},
      {"a comma pause stays inside",
       envelope({{500, -70}, {1200, -20}, {250, -70}, {1200, -20}, {800, -70}}),
       {{500, 3150}}},
      {"just long enough to split",
       envelope({{300, -70}, {1000, -20}, {350, -70}, {1000, -20}, {300, -70}}),
       {{300, 1300}, {1650, 2650}}},
      {"a cough joins its neighbour",
       envelope({{500, -70}, {2000, -20}, {500, -70}, {200, -25}, {1500, -70}}),
       {{500, 3200}}},
      {"quiet recording, hiss under it",
       envelope({{500, -52}, {1500, -38}, {700, -51}, {1500, -37}, {500, -52}}),
       {{500, 2000}, {2700, 4200}}},
      {"loud recording",
       envelope({{500, -30}, {1500, -3}, {700, -31}, {1500, -4}, {500, -30}}),
       {{500, 2000}, {2700, 4200}}},
      {"noise only", envelope({{3000, -50}}), {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<std::pair<int, int>> got;
    for (const Sentence& s : findSentences(c.envelope, 0)) got.emplace_back(s.startMs, s.endMs);
    EXPECT_EQ(got, c.expected);
  }
  // The recording's length caps the last sentence.
  EXPECT_EQ(findSentences(envelope({{500, -70}, {2000, -20}}), 2000).back().endMs, 2000);
}

TEST(Lrc, ATagWrittenIsReadBackToTheHundredth) {
  const struct {
    double ms;
    const char* tag;
  } cases[] = {
      {0, "[00:00.00]"}, {3500, "[00:03.50]"}, {65437.9, "[01:05.43]"}, {-5, "[00:00.00]"}, {5999990, "[99:59.99]"}};
  for (const auto& c : cases) {
    EXPECT_EQ(lrcTag(c.ms), c.tag);
    const auto read = readLrc(lrcTag(c.ms) + "一\n", 0);
    ASSERT_EQ(read.size(), 1u) << c.tag;
    EXPECT_EQ(read[0].startMs, static_cast<std::int32_t>(std::max(0.0, c.ms) / 10) * 10) << c.tag;
  }
}

}  // namespace
}  // namespace tessaly
