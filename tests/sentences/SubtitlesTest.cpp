// SPDX-License-Identifier: GPL-3.0-or-later
// Subtitles as sentences: WebVTT and ASS/SSA files, a cue's markup, the events decoded from a
// video's streams, and which of a file's streams is used.
#include "sentences/Subtitles.h"

#include <gtest/gtest.h>

#include "support/TempFolder.h"

namespace tessaly {
namespace {

using Sentences = std::vector<Sentence>;

Sentence s(std::int32_t start, std::int32_t end, const char* text) {
  return {start, end, text ? std::optional<std::string>(text) : std::nullopt};
}

TEST(CueText, DropsMarkupAndJoinsLines) {
  const struct {
    const char* what;
    CueMarkup markup;
    const char* raw;
    const char* expected;
  } cases[] = {
      {"srt italics over two lines", CueMarkup::Srt, "<i>Hello</i>\nthere.", "Hello there."},
      {"srt position tag", CueMarkup::Srt, "{\\an8}上面", "上面"},
      {"vtt voice and class", CueMarkup::WebVtt, "<v Roger Bingham>Hi <c.yellow.bg_blue>there</c></v>", "Hi there"},
      {"vtt ruby: the reading dropped", CueMarkup::WebVtt,
       "<ruby>汉<rt>hàn</rt></ruby><ruby>字<rp>(</rp><rt>zì</rt></ruby>", "汉字"},
      {"vtt inline timestamps", CueMarkup::WebVtt, "Never <00:00:01.500>drink <00:01.750>liquid", "Never drink liquid"},
      {"vtt entities", CueMarkup::WebVtt, "Tom &amp; Jerry &lt;3 &lt;b&gt;", "Tom & Jerry <3 <b>"},
      {"vtt Han lines joined without a space", CueMarkup::WebVtt, "<i>第一行</i>\n第二行", "第一行第二行"},
      {"ass karaoke and a hard line break", CueMarkup::Ass, "{\\an8}{\\k12}你{\\k20}好\\N{\\k30}世界", "你好世界"},
      {"ass soft break and hard space", CueMarkup::Ass, "{\\i1}Hello{\\i0}\\nthere\\hmy  friend", "Hello there my friend"},
      {"ass drawing dropped", CueMarkup::Ass, "{\\p1}m 0 0 l 100 0 100 100{\\p0}字", "字"},
      {"ass position is no drawing", CueMarkup::Ass, "{\\pos(10,20)\\fad(200,200)}位置", "位置"},
      {"ass comment braces", CueMarkup::Ass, "{a translator's note}说话", "说话"},
      {"an unclosed brace stays", CueMarkup::Ass, "a {b", "a {b"},
      {"a bracket open on one line keeps the next", CueMarkup::Srt, "a < b\nc > d", "a < b c > d"},
      {"Han then Latin: nothing between", CueMarkup::Srt, "我们\nHello", "我们Hello"},
      {"only markup", CueMarkup::Ass, "{\\k50}", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(cueText(c.raw, c.markup), c.expected);
  }
}

TEST(Vtt, ReadsCuesAndSkipsTheRest) {
  const struct {
    const char* what;
    const char* file;
    Sentences expected;
  } cases[] = {
      {"header, note, style, ids, short and long times, settings",
       "\xEF\xBB\xBFWEBVTT - 第一课\nKind: captions\nLanguage: zh\n\n"
       "STYLE\n::cue { color: yellow }\n\n"
       "NOTE this is\na comment --> not a cue 00:00:05.000 --> 00:00:06.000\n\n"
       "intro\n00:01.000 --> 00:02.500 align:start position:10%\n<v 老师>你好。\n\n"
       "2\n00:00:03.000 --> 00:00:04.000 line:0\n再见\n吧。\n",
       {s(1000, 2500, "你好。"), s(3000, 4000, "再见吧。")}},
      {"CR LF, a cue without its blank line, cues out of order",
       "WEBVTT\r\n\r\n00:05.000 --> 00:06.000\r\n后\r\n00:01.000 --> 00:02.000\r\n前\r\n",
       {s(1000, 2000, "前"), s(5000, 6000, "后")}},
      {"an end past the next start is cut, an empty cue has no text",
       "WEBVTT\n\n00:01.000 --> 00:09.000\n长\n\n00:03.000 --> 00:04.000\n<c></c>\n",
       {s(1000, 3000, "长"), s(3000, 4000, nullptr)}},
      {"impossible times and junk after the end dropped",
       "WEBVTT\n\n00:75.000 --> 00:76.000\nx\n\n00:01.000 --> 00:02.000x\ny\n\n00:03.000 --> 00:04.000\n好\n",
       {s(3000, 4000, "好")}},
      {"no header: still its cues", "00:00:01.000 --> 00:00:02.000\nHello\n", {s(1000, 2000, "Hello")}},
      {"binary", "WEBVTT\n\n\x01\xff-->\xfe\n\x00\x00", {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(readVtt(c.file, 10000), c.expected);
  }
}

TEST(Ass, ReadsDialogueByItsFormatLine) {
  const char* header =
      "[Script Info]\nScriptType: v4.00+\n\n[V4+ Styles]\n"
      "Format: Name, Fontname, Fontsize, PrimaryColour\nStyle: Default,Arial,20,&H00FFFFFF\n\n";
  const struct {
    const char* what;
    std::string file;
    Sentences expected;
  } cases[] = {
      {"the usual order, tags, commas in the text, comments skipped",
       std::string(header) +
           "[Events]\nFormat: Layer, Start, End, Style, Name, MarginL, MarginR, MarginV, Effect, Text\n"
           "Comment: 0,0:00:00.50,0:00:01.00,Default,,0,0,0,,not shown\n"
           "Dialogue: 0,0:00:01.00,0:00:02.50,Default,,0,0,0,,{\\k20}你{\\k30}好，{\\i1}朋友{\\i0}\\N再见\n"
           "Dialogue: 0,0:00:03.00,0:00:04.00,Default,,0,0,0,,Yes, sir\n",
       {s(1000, 2500, "你好，朋友再见"), s(3000, 4000, "Yes, sir")}},
      {"fields in another order",
       std::string(header) +
           "[Events]\r\nFormat: Layer, Style, Start, End, Name, MarginL, MarginR, MarginV, Effect, Text\r\n"
           "Dialogue: 0,Default,0:00:02.00,0:00:03.00,,0,0,0,,二\r\nDialogue: 0,Default,0:00:01.00,0:00:01.50,,0,0,0,,一\r\n",
       {s(1000, 1500, "一"), s(2000, 3000, "二")}},
      {"SSA without a Format line",
       "[Script Info]\nScriptType: v4.00\n[Events]\nDialogue: Marked=0,0:00:01.20,0:00:02.00,Default,NTP,0000,0000,0000,!"
       "Effect,旧格式\n",
       {s(1200, 2000, "旧格式")}},
      {"overlapping events cut, a drawing has no text",
       "[Events]\nDialogue: 0,0:00:01.00,0:00:05.00,Sign,,0,0,0,,{\\p1}m 0 0 l 10 10{\\p0}\n"
       "Dialogue: 0,0:00:02.00,0:00:03.00,Default,,0,0,0,,话\n",
       {s(1000, 2000, nullptr), s(2000, 3000, "话")}},
      {"bad times and short lines skipped",
       "[Events]\nDialogue: 0,0:00:71.00,0:00:72.00,D,,0,0,0,,x\nDialogue: 0,0:00:01.00\nDialogue: 0,0:00:04.00,0:00:05.00,D,,0,"
       "0,0,,好\n",
       {s(4000, 5000, "好")}},
      {"binary", std::string("[Events]\nDialogue: \x01\xff,,,\x00,,,,,,,\n", 30), {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(readAss(c.file, 10000), c.expected);
  }
}

TEST(Ass, TheEventsOfADecodedStream) {
  const struct {
    const char* event;
    const char* expected;
  } cases[] = {
      {"0,0,Default,,0,0,0,,{\\k10}你{\\k12}好\\N世界", "你好世界"},
      {"3,0,Default,Actor,0,0,0,,Well, then", "Well, then"},
      {"Dialogue: 0,0:00:01.00,0:00:02.00,Default,,0,0,0,,旧的一行", "旧的一行"},
      {"no commas at all", ""},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(assEventText(c.event), c.expected) << c.event;
}

TEST(SubtitleStreams, MostlyHanAndChineseTags) {
  const struct {
    const char* text;
    bool han;
  } texts[] = {
      {"你好，朋友！", true},
      {"我们去 KTV 唱歌吧", true},
      {"Hello, how are you?", false},
      {"今日はいい天気ですね", false},
      {"OK 好", false},
      {"", false},
      {"。。！！", false},
  };
  for (const auto& t : texts) EXPECT_EQ(mostlyHan(t.text), t.han) << t.text;
  const struct {
    const char* tag;
    bool chinese;
  } tags[] = {{"chi", true}, {"zho", true},  {"zh", true},  {"ZH-cn", true}, {"zh_TW", true},
              {"cmn", true}, {"eng", false}, {"zu", false}, {"", false},     {"chinese", false}};
  for (const auto& t : tags) EXPECT_EQ(chineseLanguageTag(t.tag), t.chinese) << t.tag;
}

TEST(SubtitleStreams, AChineseOneFirstElseTheFirstWithWords) {
  using K = SubtitleKind;
  const struct {
    const char* what;
    std::vector<SubtitleStream> streams;
    int preferred;
    StreamChoice expected;
  } cases[] = {
      {"Chinese by its tag, second", {{2, "eng", "subrip", K::Text, "Hi"}, {3, "chi", "ass", K::Text, "Ni hao"}}, -1, {3}},
      {"Chinese by its words, untagged", {{2, "eng", "subrip", K::Text, "Hi"}, {4, "", "ass", K::Text, "你好"}}, -1, {4}},
      {"Han words tagged Japanese are not Chinese",
       {{2, "eng", "subrip", K::Text, "Hi"}, {3, "jpn", "ass", K::Text, "日本語字幕"}},
       -1,
       {2}},
      {"no Chinese: the first text stream",
       {{5, "eng", "subrip", K::Text, "Hi"}, {6, "fre", "ass", K::Text, "Salut"}},
       -1,
       {5}},
      {"the learner's choice", {{2, "chi", "subrip", K::Text, "你好"}, {3, "eng", "ass", K::Text, "Hi"}}, 3, {3}},
      {"a choice of a stream no longer there", {{2, "chi", "subrip", K::Text, "你好"}}, 7, {2}},
      {"a choice of pictures is not taken",
       {{2, "eng", "hdmv_pgs_subtitle", K::Bitmap, ""}, {3, "eng", "subrip", K::Text, "Hi"}},
       2,
       {3}},
      {"bitmaps skipped", {{2, "chi", "dvd_subtitle", K::Bitmap, ""}, {3, "eng", "subrip", K::Text, "Hi"}}, -1, {3}},
      {"a text stream without words skipped",
       {{2, "chi", "ass", K::Text, ""}, {3, "eng", "subrip", K::Text, "Hi"}},
       -1,
       {3}},
      {"only bitmaps",
       {{2, "chi", "hdmv_pgs_subtitle", K::Bitmap, ""}, {3, "eng", "dvd_subtitle", K::Bitmap, ""}},
       -1,
       {-1, SubtitleProblem::OnlyBitmaps}},
      {"text without words",
       {{2, "chi", "ass", K::Text, "  "}, {3, "", "x", K::Bitmap, ""}},
       -1,
       {-1, SubtitleProblem::NoText}},
      {"none at all", {}, -1, {-1, SubtitleProblem::NoSubtitles}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const StreamChoice got = chooseSubtitleStream(c.streams, c.preferred);
    EXPECT_EQ(got.index, c.expected.index);
    EXPECT_EQ(got.problem, c.expected.problem);
  }
  EXPECT_FALSE(subtitleProblemWords(SubtitleProblem::OnlyBitmaps).empty());
  EXPECT_TRUE(subtitleProblemWords(SubtitleProblem::NoSubtitles).empty()) << "a plain recording says nothing";
}

TEST(SentenceMap, SubtitleFilesBesideTheRecordingComeAfterTheSrt) {
  test::TempFolder folder;
  const std::string audio = (folder / "lesson.mkv").string();
  const struct {
    const char* file;
    const char* text;
    SentenceSource expected;
  } steps[] = {
      {"lesson.ssa", "[Events]\nDialogue: Marked=0,0:00:01.00,0:00:02.00,D,,0,0,0,,ssa\n", SentenceSource::Ass},
      {"lesson.ass", "[Events]\nDialogue: 0,0:00:01.00,0:00:02.00,D,,0,0,0,,ass\n", SentenceSource::Ass},
      {"lesson.vtt", "WEBVTT\n\n00:01.000 --> 00:02.000\nvtt\n", SentenceSource::Vtt},
      {"lesson.srt", "1\n00:00:01,000 --> 00:00:02,000\nsrt\n", SentenceSource::Srt},
  };
  const char* texts[] = {"ssa", "ass", "vtt", "srt"};
  for (std::size_t i = 0; i < std::size(steps); ++i) {
    SCOPED_TRACE(steps[i].file);
    test::writeBytes(folder / steps[i].file, steps[i].text);
    const SentenceMap map = loadSentenceMap(audio, 10000);
    EXPECT_EQ(map.source, steps[i].expected);
    ASSERT_EQ(map.sentences.size(), 1u);
    EXPECT_EQ(map.sentences[0].text, texts[i]);
  }
  test::writeBytes(folder / "lesson.srt", "no cues here\n");  // a map-less .srt: the .vtt then
  EXPECT_EQ(loadSentenceMap(audio, 10000).source, SentenceSource::Vtt);
}

}  // namespace
}  // namespace tessaly
