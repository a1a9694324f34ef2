// SPDX-License-Identifier: GPL-3.0-or-later
// A published transcript as the aligner reads it: sentences split at the terminators of both
// languages with quotes kept, speaker labels taken off, the three encodings read alike, a
// binary or empty file told apart; the .lrc made of what was found.
#include "align/Transcript.h"
#include "align/TranscriptAlign.h"

#include <gtest/gtest.h>

#include "sentences/SentenceMap.h"
#include "text/Encoding.h"

namespace tessaly::test {
namespace {

using align::TranscriptProblem;
using Sentences = std::vector<std::string>;

TEST(TranscriptSentences, SplitAtBothLanguagesTerminatorsWithQuotesKept) {
  const struct {
    const char* line;
    Sentences sentences;
  } cases[] = {
      {"你好。今天天气很好！你呢？", {"你好。", "今天天气很好！", "你呢？"}},
      {"他说：“我来了。”然后走了。", {"他说：“我来了。”", "然后走了。"}},
      {"第一句；第二句", {"第一句；", "第二句"}},
      {"《背影》。", {"《背影》。"}},
      {"Good morning. How are you?", {"Good morning.", "How are you?"}},
      {"\"Stop!\" she said. Why?!", {"\"Stop!\"", "she said.", "Why?!"}},
      {"Mr. Smith paid 3.50 dollars, e.g. coins. Then he left!",
       {"Mr. Smith paid 3.50 dollars, e.g. coins.", "Then he left!"}},
      {"J. K. wrote (a lot.) And more", {"J. K. wrote (a lot.)", "And more"}},
      {"  no terminator at the end  ", {"no terminator at the end"}},
      {"Wait... what?", {"Wait...", "what?"}},
      {"", {}},
  };
  for (const auto& c : cases) EXPECT_EQ(align::sentencesOfLine(c.line), c.sentences) << c.line;
}

TEST(TranscriptSentences, SpeakerLabelsComeOffAndOnlyThem) {
  const struct {
    const char* line;
    const char* text;
  } cases[] = {
      {"Helen: Good morning.", "Good morning."},
      {"Mr. Smith: Sit down, please.", "Sit down, please."},
      {"A: Hello.", "Hello."},
      {"A：你好。", "你好。"},
      {"老师：请坐。", "请坐。"},
      {"男：你去哪儿？", "你去哪儿？"},
      {"Speaker 2：Thanks.", "Thanks."},
      {"　女：　谢谢。", "谢谢。"},
      // Not labels: no text after, a long phrase, a time, punctuation before the colon.
      {"Helen:", "Helen:"},
      {"我们今天要学的内容：生词。", "我们今天要学的内容：生词。"},
      {"9:30 is too early.", "9:30 is too early."},
      {"\"Why\": a question.", "\"Why\": a question."},
      {"She said one two three four: go.", "She said one two three four: go."},
  };
  for (const auto& c : cases) EXPECT_EQ(align::withoutSpeakerLabel(c.line), c.text) << c.line;
}

std::string utf16(const std::string& utf8, bool bigEndian) {
  std::string out = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
  for (std::size_t i = 0; i < utf8.size();) {
    const auto c = static_cast<unsigned char>(utf8[i]);
    const int n = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
    char32_t cp = n == 1 ? c : c & (0x7F >> n);
    for (int k = 1; k < n; ++k) cp = (cp << 6) | (static_cast<unsigned char>(utf8[i + static_cast<std::size_t>(k)]) & 0x3F);
    i += static_cast<std::size_t>(n);
    std::vector<char32_t> units;
    if (cp >= 0x10000) units = {0xD800 + ((cp - 0x10000) >> 10), 0xDC00 + ((cp - 0x10000) & 0x3FF)};
    else units = {cp};
    for (char32_t u : units) {
      const char hi = static_cast<char>(u >> 8), lo = static_cast<char>(u & 0xFF);
      out += bigEndian ? hi : lo;
      out += bigEndian ? lo : hi;
    }
  }
  return out;
}

TEST(Transcript, ReadsTheSameSentencesFromEachEncoding) {
  const std::string text =
      "第三课　在图书馆\r\n\r\n老师：同学们好。今天我们去图书馆！\r\n"
      "Helen: Where is the library?\n\n男：在那儿。𠀀字也能读。\r\n——\r\n";
  const std::vector<align::TranscriptSentence> expected = {
      {"第三课　在图书馆", true, 1},       {"同学们好。", true, 3}, {"今天我们去图书馆！", true, 3},
      {"Where is the library?", false, 4}, {"在那儿。", true, 6},   {"𠀀字也能读。", true, 6},
  };
  const struct {
    const char* name;
    std::string bytes;
  } encodings[] = {
      {"UTF-8", text},
      {"UTF-8 with a BOM", "\xEF\xBB\xBF" + text},
      {"UTF-16 LE", utf16(text, false)},
      {"UTF-16 BE", utf16(text, true)},
      {"GB18030", encodeText(text, TextEncoding::Gb18030)},
  };
  for (const auto& e : encodings) {
    const align::Transcript t = align::readTranscript(e.bytes);
    EXPECT_EQ(t.problem, TranscriptProblem::None) << e.name;
    EXPECT_EQ(t.sentences, expected) << e.name;
  }
}

TEST(Transcript, TellsABinaryFileAndAnEmptyOneFromAText) {
  const struct {
    const char* name;
    std::string bytes;
    TranscriptProblem problem;
  } cases[] = {
      {"a picture", std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR\0\0\0\x10", 24), TranscriptProblem::Binary},
      {"control bytes", std::string(200, '\x01') + "text.", TranscriptProblem::Binary},
      {"UTF-16 holding a NUL",
       std::string("\xFF\xFE"
                   "a\0\0\0",
                   6),
       TranscriptProblem::Binary},
      {"nothing", "", TranscriptProblem::Empty},
      {"blank lines", "\r\n  \r\n\t\n", TranscriptProblem::Empty},
      {"symbols only", "……\r\n——\r\n***", TranscriptProblem::Empty},
      {"a word", "Hello", TranscriptProblem::None},
  };
  for (const auto& c : cases) EXPECT_EQ(align::readTranscript(c.bytes).problem, c.problem) << c.name;
}

TEST(TranscriptLrc, HoldsTheFoundSentencesInOrderAndEndsOnesBeforeLongGaps) {
  const std::vector<align::AlignedSentence> sentences = {
      {"第一课", 1, false, 0, 0},          {"你好。", 2, true, 1500, 2400},
      {"再见。", 2, true, 3000, 3900},  // 0.6 s after the one before: no end tag between
      {"Never said.", 3, false, 0, 0},  // left out
      {"Last one.", 4, true, 9000, 10000},
  };
  const std::string lrc = align::lrcText(sentences);
  EXPECT_EQ(lrc, "[00:01.50]你好。\r\n[00:03.00]再见。\r\n[00:04.20]\r\n[00:09.00]Last one.\r\n[00:10.30]\r\n");
  // As the program reads it back: the sentences at their times, a gap ended where the sound does.
  const std::vector<Sentence> read = readLrc(lrc, 20000);
  ASSERT_EQ(read.size(), 3u);
  EXPECT_EQ(read[0], (Sentence{1500, 3000, "你好。"}));
  EXPECT_EQ(read[1], (Sentence{3000, 4200, "再见。"}));
  EXPECT_EQ(read[2], (Sentence{9000, 10300, "Last one."}));
}

// What the learner is told when an alignment ends: where the map went, how many sentences, the
// ones left out (a few, then how many more), or only why not.
TEST(AlignmentReport, SaysWhereTheMapWentAndWhatWasLeftOut) {
  std::vector<std::string> many;
  for (int i = 1; i <= 11; ++i) many.push_back("第" + std::to_string(i) + "句。");
  const struct {
    const char* name;
    TranscriptAlignState state;
    std::vector<std::string> says, never;
  } cases[] = {
      {"beside",
       {1, true, "", "/a/课文.lrc", true, 4, 4, {}},
       {"4 句", "录音旁边", "/a/课文.lrc", "Alt+N"},
       {"共", "没有找到"}},
      {"in the cache",
       {1, true, "", "/c/map-1.lrc", false, 5, 4, {"印在书上。"}},
       {"4 句（文本共 5 句）", "没有覆盖", "/c/map-1.lrc", "· 印在书上。"},
       {"还有"}},
      {"many left out", {1, true, "", "/a/x.lrc", true, 20, 9, many}, {"· 第8句。", "还有 3 句"}, {"第9句。"}},
      {"not kept", {1, true, "文本和录音对不上，什么也没有保存。", "", false, 4, 0, {}}, {"对不上"}, {"分好", "Alt+N"}},
  };
  for (const auto& c : cases) {
    const std::string report = alignmentReport(c.state, "课文.mp3");
    for (const std::string& part : c.says) EXPECT_NE(report.find(part), std::string::npos) << c.name << ": " << report;
    for (const std::string& part : c.never) EXPECT_EQ(report.find(part), std::string::npos) << c.name << ": " << report;
  }
}

}  // namespace
}  // namespace tessaly::test
