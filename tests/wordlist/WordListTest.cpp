// SPDX-License-Identifier: GPL-3.0-or-later
// Word lists: what a list file holds (a word a line, a phrase after a tab), what is said for
// each entry, the lesson's .lrc, and which files are lists.
#include "wordlist/WordList.h"

#include <gtest/gtest.h>

#include "sentences/SentenceMap.h"

namespace tessaly::test {
namespace {

TEST(WordList, ReadsAWordALineWithAPhraseAfterATab) {
  const struct {
    const char* text;
    std::vector<WordEntry> entries;
    bool mandarin;
  } cases[] = {
      {"长\t长大\n看\n\n  书  \r\n", {{"长", "长大", 1}, {"看", "", 2}, {"书", "", 4}}, true},
      {"\xEF\xBB\xBF"
       "apple\nbanana\tbanana split",
       {{"apple", "", 1}, {"banana", "banana split", 2}},
       false},
      {"\u3000行\u3000\t银行\u3000", {{"行", "银行", 1}}, true},
      {"go\t去", {{"go", "去", 1}}, true},
  };
  for (const auto& c : cases) {
    WordList list;
    EXPECT_EQ(parseWordList(c.text, list), "") << c.text;
    EXPECT_EQ(list.entries, c.entries) << c.text;
    EXPECT_EQ(list.mandarin, c.mandarin) << c.text;
  }
}

TEST(WordList, AnEmptyOrTooLongListOrAPhraseWithoutItsWordIsRefused) {
  std::string long501;
  for (int i = 0; i < 501; ++i) long501 += "字\n";
  std::string long500;
  for (int i = 0; i < 500; ++i) long500 += "字\n";
  const struct {
    std::string text;
    const char* said;  // part of the message; "" for a list
  } cases[] = {{"", "空的"}, {"\n \n\t\n", "空的"}, {long501, "太长"}, {long500, ""}, {"字\n\t长大\n", "第 2 行"}};
  for (const auto& c : cases) {
    WordList list;
    const std::string why = parseWordList(c.text, list);
    if (*c.said == '\0') {
      EXPECT_EQ(why, "");
    } else {
      EXPECT_NE(why.find(c.said), std::string::npos) << why;
    }
  }
}

TEST(WordList, WhatIsSaidTheLrcAndWhichFilesAreLists) {
  EXPECT_EQ(spokenParts({"长", "长大", 1}), (std::vector<std::string>{"长", "长大", "长"}));
  EXPECT_EQ(spokenParts({"看", "", 2}), (std::vector<std::string>{"看", "看"}));
  WordList list;
  ASSERT_EQ(parseWordList("长\t长大\n看\n", list), "");
  EXPECT_EQ(wordListLrc("第三课", list, {500, 4230}, 65432), "[ti:第三课]\n[00:00.50]长\n[00:04.23]看\n[01:05.43]\n");
  for (const char* yes : {"a.txt", "/x/第三课生字.TXT", "b.Txt"}) EXPECT_TRUE(isWordListPath(yes)) << yes;
  for (const char* no : {"a.mp3", "txt", "a.txt.wav", ""}) EXPECT_FALSE(isWordListPath(no)) << no;
}

TEST(WordList, ALineTooLongForADictationIsRefusedByItsNumber) {
  std::string hundred;
  for (int i = 0; i < 100; ++i) hundred += "字";
  const struct {
    std::string text;
    const char* said;  // part of the message; "" for a list
  } cases[] = {
      {"好\n" + hundred + "\n", ""},
      {"好\n" + hundred + "字\n", "第 2 行太长"},
      {"好\n看\t" + hundred + "字\n", "第 2 行太长"},
      {"好\n\n" + std::string(100 * 1024, 'a') + "\n", "第 3 行太长"},
      {"好\r\n看\r" + std::string(101, 'a'), "第 3 行太长"},
  };
  for (const auto& c : cases) {
    WordList list;
    const std::string why = parseWordList(c.text, list);
    if (*c.said == '\0') {
      EXPECT_EQ(why, "") << c.text.substr(0, 40);
    } else {
      EXPECT_NE(why.find(c.said), std::string::npos) << why;
    }
  }
}

TEST(WordList, EntriesThatLookLikeTagsReadBackFromTheLrcAsTheSameWords) {
  const struct {
    const char* text;
    std::vector<std::string> words;
  } cases[] = {
      {"[00:01.00]假\n[offset:+9000]\n真\n[ti:别的]\n", {"[00:01.00]假", "[offset:+9000]", "真", "[ti:别的]"}},
      {"[00:05.00]\n[]\n[\n", {"[00:05.00]", "[]", "["}},
      {"一\r[offset:-500]\r二", {"一", "[offset:-500]", "二"}},
      {"长\t[00:02.00]长大\n[re:x]\t词组\n", {"长", "[re:x]"}},
  };
  for (const auto& c : cases) {
    WordList list;
    ASSERT_EQ(parseWordList(c.text, list), "") << c.text;
    std::vector<double> starts;
    for (std::size_t i = 0; i < list.entries.size(); ++i) starts.push_back(1000.0 + 3000.0 * i);
    for (const std::string title : {"第三课", "a][00:00.10]b\n[offset:+50]"}) {
      const std::string lrc = wordListLrc(title, list, starts, 60000, wordListMark("/x/[00:00.20]%.txt"));
      const std::vector<Sentence> read = readLrc(lrc, 60000);
      std::vector<std::string> words;
      for (const Sentence& s : read) words.push_back(s.text.value_or("(none)"));
      EXPECT_EQ(words, c.words) << lrc;
      ASSERT_EQ(read.size(), starts.size()) << lrc;
      for (std::size_t i = 0; i < read.size(); ++i) EXPECT_EQ(read[i].startMs, starts[i]) << lrc;
    }
  }
}

TEST(WordList, ALessonsNamesAfterItsListsOwn) {
  EXPECT_EQ(lessonName("生字", 0), "生字");
  EXPECT_EQ(lessonName("生字", 1), "生字（听写）");
  EXPECT_EQ(lessonName("生字", 2), "生字（听写2）");
  EXPECT_EQ(lessonName("生字", 12), "生字（听写12）");
}

}  // namespace
}  // namespace tessaly::test
