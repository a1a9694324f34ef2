// SPDX-License-Identifier: GPL-3.0-or-later
// The marked-up dictation (every typed byte kept, each error where it is) and the reference
// from a sentence map or a file, with each unit's sentence.
#include <gtest/gtest.h>

#include <fstream>

#include "check/Markup.h"
#include "check/Reference.h"
#include "support/TempFolder.h"

namespace tessaly {
namespace {

std::string joined(const std::vector<MarkPiece>& pieces) {
  std::string s;
  for (const MarkPiece& p : pieces) {
    switch (p.kind) {
      case MarkKind::Plain: s += p.text; break;
      case MarkKind::Wrong: s += "<" + p.text + ">" + p.expected + "</>"; break;
      case MarkKind::Missing: s += "[+" + p.text + "]"; break;
      case MarkKind::Extra: s += "[-" + p.text + "]"; break;
    }
  }
  return s;
}

TEST(Markup, KeepsWhatWasTypedAndPutsEachErrorWhereItIs) {
  const ReadingTable none;
  struct Case {
    const char* dictation;
    const char* reference;
    const char* marked;
  } cases[] = {
      {"她去了学校。", "他去学校。", "<她>他</>去[-了]学校。"},
      {"我们，学校！", "我们去学校。", "我们[+去]，学校！"},
      {"I dont  like it", "I don't like it.", "I <dont>don't</>  like it"},
      {"", "他去", "[+他][+去]"},
      {"，。\n", "", "，。\n"},
      {"听写 dictation 2 次", "听写dictation两次", "听写 dictation <2>两</> 次"},
  };
  for (const Case& c : cases) {
    const CheckResult r = checkDictation(c.dictation, c.reference, none);
    EXPECT_EQ(joined(markUp(c.dictation, r)), c.marked) << c.dictation << " / " << c.reference;
  }
}

TEST(Reference, SentencesCarryTheirWordsAndEachUnitKnowsItsSentence) {
  const std::vector<Sentence> map = {{0, 1000, "你好，"}, {1000, 2000, std::nullopt}, {2000, 3000, "再见。"}};
  const Reference r = referenceFromSentences(map);
  ASSERT_EQ(r.sentences.size(), 2u);  // the one without text is none
  EXPECT_EQ(r.text, "你好，\n再见。\n");
  const ReadingTable none;
  const CheckResult result = checkDictation("", r.text, none);
  const int expected[] = {0, 0, 1, 1};
  for (int unit = 0; unit < 4; ++unit) EXPECT_EQ(sentenceOfUnit(r, result, unit), expected[unit]) << unit;
  EXPECT_EQ(sentenceOfUnit(r, result, 4), -1);
  EXPECT_EQ(sentenceOfUnit(Reference{"你好", {}, {}}, result, 0), -1);  // a plain text has no sentences
}

TEST(Reference, FilesAreReadByTheirKindInTheProgramsEncodings) {
  test::TempFolder folder;
  const auto write = [&](const std::string& name, const std::string& bytes) {
    std::ofstream(folder.path() / name, std::ios::binary) << bytes;
    return (folder.path() / name).string();
  };
  Reference r;
  ASSERT_TRUE(referenceFromFile(write("a.LRC", "[00:01.00]第一句\n[00:03.50]第二句\n"), r));
  EXPECT_EQ(r.text, "第一句\n第二句\n");
  ASSERT_EQ(r.sentences.size(), 2u);
  EXPECT_EQ(r.sentences[1].startMs, 3500);
  ASSERT_TRUE(referenceFromFile(write("b.srt", "1\n00:00:01,000 --> 00:00:02,000\nHello there\n"), r));
  EXPECT_EQ(r.text, "Hello there\n");
  ASSERT_TRUE(referenceFromFile(write("d.vtt", "WEBVTT\n\n00:01.000 --> 00:02.000\n<v 老师>第一句\n"), r));
  EXPECT_EQ(r.text, "第一句\n");
  ASSERT_TRUE(referenceFromFile(write("e.Ass", "[Events]\nDialogue: 0,0:00:01.00,0:00:02.00,D,,0,0,0,,{\\k9}第二句\n"), r));
  EXPECT_EQ(r.text, "第二句\n");
  EXPECT_EQ(r.sentences.at(0).startMs, 1000);
  ASSERT_TRUE(referenceFromFile(write("c.txt", "\xC4\xE3\xBA\xC3"), r));  // 你好 in GBK
  EXPECT_EQ(r.text, "你好");
  EXPECT_TRUE(r.sentences.empty());
  EXPECT_FALSE(referenceFromFile((folder.path() / "missing.txt").string(), r));
}

}  // namespace
}  // namespace tessaly
