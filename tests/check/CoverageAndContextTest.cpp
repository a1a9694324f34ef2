// SPDX-License-Identifier: GPL-3.0-or-later
// The check's rules that follow the learner: only the sentences written so far are checked,
// each reference character is read as its word says (real polyphones from the build's
// tables), English written the ways learners write it, each sentence's score, and
// tessaly-check's JSON with its sentences and slips.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <memory>

#include "check/Check.h"
#include "check/Markup.h"
#include "check/Reference.h"
#include "check/Report.h"
#include "support/TempFolder.h"

namespace tessaly {
namespace {

const CheckTables& tables() {
  static const CheckTables loaded = [] {
    CheckTables t;
    EXPECT_TRUE(loadCheckTables(TESSALY_PINYIN_TABLE, t)) << TESSALY_PINYIN_TABLE;
    return t;
  }();
  return loaded;
}

constexpr const char* kLesson =
    "[00:00.00]Welcome to your first dictation lesson.\n[00:03.60]Listen to each sentence, then write it down.\n"
    "[00:07.88]The library opens at nine in the morning.\n[00:11.40]My sister walks to school every day.\n"
    "[00:14.99]We are going to the park after lunch.\n[00:18.29]Practice a little every day and you will improve.\n";

std::string shownText(const std::string& dictation, const CheckResult& r) {
  std::string shown;
  for (const MarkPiece& piece : markUp(dictation, r)) shown += piece.text + piece.expected + "|";
  for (const Edit& e : r.edits)
    if (e.kind != EditKind::Match) shown += errorText(r, e) + "|";
  return shown;
}

TEST(CheckCoverage, OnlyTheSentencesTheDictationReachesAreCheckedOrShown) {
  const Reference lesson = referenceFromText("lesson.lrc", kLesson);
  const struct {
    const char* name;
    const char* dictation;
    int checked, units, deletions, substitutions;
    std::vector<double> perSentence;
  } cases[] = {
      {"first three",
       "Welcome to your first dictation lesson. Listen to each sentence, then write it down. "
       "The library opens at nine in the morning.",
       3,
       22,
       0,
       0,
       {100, 100, 100}},
      {"second skipped",
       "Welcome to your first dictation lesson. The library opens at nine in the morning.",
       3,
       22,
       8,
       0,
       {100, 0, 100}},
      {"last half written", "Welcome to your first dictation lesson. Listen to each sentense", 2, 14, 4, 1, {100, 37.5}},
      {"a slip at the very end", "Welcome to your first dictation lessen", 1, 6, 0, 1, {83.3}},
      {"nothing yet", "", 0, 0, 0, 0, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const CheckResult r = checkAgainst(c.dictation, lesson, tables());
    EXPECT_EQ(r.sentencesTotal, 6);
    EXPECT_EQ(r.sentencesChecked, c.checked);
    EXPECT_EQ(r.referenceUnits(), c.units);
    EXPECT_EQ(r.deletions, c.deletions);
    EXPECT_EQ(r.substitutions, c.substitutions);
    std::vector<double> scores;
    for (const SentenceScore& s : r.sentenceScores) scores.push_back(s.accuracy());
    EXPECT_EQ(scores, c.perSentence);
    // Nothing of a sentence after the covered ones, in the markup or the errors.
    const std::string shown = shownText(c.dictation, r);
    for (const char* later : {"sister", "park", "improve"}) EXPECT_EQ(shown.find(later), std::string::npos) << later;
  }
  EXPECT_TRUE(scoreLine(checkAgainst("Welcome to your first", lesson, tables()))
                  .starts_with("检查了第 1 句（共 6 句）：参考共 6 个"));
  const CheckResult none = checkAgainst("", lesson, tables());
  EXPECT_EQ(scoreLine(none), "还没有写：听写里还没有可以和第 1 句对照的内容（共 6 句）");
  EXPECT_EQ(none.accuracy(), 0.0);
}

TEST(CheckCoverage, PlainTextsAreSplitAtSentenceEndsAndOneSentenceIsCheckedWhole) {
  const struct {
    const char* text;
    std::vector<std::string> sentences;
  } cases[] = {
      {"今天天气很好。我们去公园吧！你去吗？", {"今天天气很好。", "我们去公园吧！", "你去吗？"}},
      {"第一行\r\n第二行\n\n第三行", {"第一行", "第二行", "第三行"}},
      {"It costs 3.5 dollars. Mr. Li paid!", {"It costs 3.5 dollars.", "Mr.", "Li paid!"}},
      {"今天天气很好，我们去公园吧", {}},  // no sentence end: checked whole, no map
      {"今天天气很好。", {}},
      {"。！？", {}},
  };
  for (const auto& c : cases) {
    const Reference r = referenceFromPlainText(c.text);
    std::vector<std::string> texts;
    for (const Sentence& s : r.sentences) texts.push_back(*s.text);
    EXPECT_EQ(texts, c.sentences) << c.text;
    EXPECT_EQ(r.ends.size(), r.sentences.size());
    EXPECT_FALSE(r.timed);
  }
  // Without a map the whole reference counts, as it always did.
  const CheckResult whole = checkAgainst("今天天气", referenceFromPlainText("今天天气很好，我们去公园吧"), tables());
  EXPECT_EQ(whole.sentencesTotal, 0);
  EXPECT_EQ(whole.referenceUnits(), 12);
  EXPECT_EQ(whole.deletions, 8);
  // With one, only the first sentence.
  const CheckResult split = checkAgainst("今天天气", referenceFromPlainText("今天天气很好。\n我们去公园吧。"), tables());
  EXPECT_EQ(split.sentencesChecked, 1);
  EXPECT_EQ(split.deletions, 2);
}

TEST(CheckContext, EachCharacterIsReadAsItsWordSays) {
  const struct {
    const char* reference;
    const char* dictation;
    SlipClass slip;
    const char* heard;    // the reference character's reading in context
    const char* written;  // the written one's reading named beside it
  } cases[] = {
      {"今天天气很好。", "今天天气很号。", SlipClass::Tone, "hǎo", "hào"},
      {"我每天早上七点起床。", "我每天早上骑点起床。", SlipClass::Tone, "qī", "qí"},
      {"我的爱好", "我的爱号", SlipClass::Homophone, "hào", "hào"},  // 好 in 爱好 is hào
      {"他得到了", "他德到了", SlipClass::Homophone, "dé", "dé"},
      {"我觉得", "我决得", SlipClass::Homophone, "jué", "jué"},
      {"我要睡觉", "我要睡叫", SlipClass::Homophone, "jiào", "jiào"},
      {"我们去银行", "我们去银航", SlipClass::Homophone, "háng", "háng"},
      {"我们都是", "我们豆是", SlipClass::Tone, "dōu", "dòu"},
      {"北京是首都", "北京是首读", SlipClass::Tone, "dū", "dú"},
      {"差不多", "茶不多", SlipClass::Tone, "chà", "chá"},
      {"他出差了", "他出拆了", SlipClass::Homophone, "chāi", "chāi"},
      {"种子", "肿子", SlipClass::Homophone, "zhǒng", "zhǒng"},
      {"种树", "肿树", SlipClass::Tone, "zhòng", "zhǒng"},
      {"孩子长大了", "孩子涨大了", SlipClass::Homophone, "zhǎng", "zhǎng"},
      {"长城", "常城", SlipClass::Homophone, "cháng", "cháng"},
      {"数学", "树学", SlipClass::Homophone, "shù", "shù"},
      {"音乐", "音月", SlipClass::Homophone, "yuè", "yuè"},
      {"快乐", "快了", SlipClass::Tone, "lè", "le"},
      {"还是", "孩是", SlipClass::Homophone, "hái", "hái"},
      {"还给他", "环给他", SlipClass::Homophone, "huán", "huán"},
      {"大", "小", SlipClass::Other, "dà", "xiǎo"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.reference) + " / " + c.dictation);
    const CheckResult r = checkAgainst(c.dictation, referenceFromPlainText(c.reference), tables());
    ASSERT_EQ(r.substitutions, 1);
    const auto slip = std::find_if(r.edits.begin(), r.edits.end(),
                                   [](const Edit& e) { return e.kind == EditKind::Substitution; });
    EXPECT_EQ(slip->slip, c.slip);
    EXPECT_EQ(pinyinOf(slip->referenceReading), c.heard);
    EXPECT_EQ(pinyinOf(slip->writtenReading), c.written);
  }
  const CheckResult r = checkAgainst("很号", referenceFromPlainText("很好"), tables());
  EXPECT_EQ(errorText(r, r.edits[1]), "声调没听出：号 hào → 好 hǎo");
}

TEST(CheckContext, PinyinIsWrittenWithItsToneMark) {
  const struct {
    const char* numbered;
    const char* marked;
  } cases[] = {{"hao3", "hǎo"}, {"lv4", "lǜ"}, {"nv3", "nǚ"},       {"lve4", "lüè"}, {"gou3", "gǒu"}, {"gui4", "guì"},
               {"liu2", "liú"}, {"ma5", "ma"}, {"zhong1", "zhōng"}, {"er2", "ér"},   {"n2", "ń"}};
  for (const auto& c : cases) EXPECT_EQ(pinyinOf(parseNumberedReading(c.numbered)), c.marked) << c.numbered;
  EXPECT_EQ(parseNumberedReading("hao").syllable, "");
  EXPECT_EQ(parseNumberedReading("hao6").syllable, "");
}

TEST(CheckEnglish, NumbersCompoundsContractionsAndSpellingsAreTheSameWords) {
  const struct {
    const char* reference;
    const char* dictation;
    int errors, equivalences;
  } cases[] = {
      {"I have nine books.", "I have 9 books.", 0, 1},
      {"She is twenty-one.", "She is 21.", 0, 1},
      {"She is 21.", "She is twenty one.", 0, 1},
      {"Born in 1990.", "Born in nineteen ninety.", 0, 1},
      {"It costs one hundred and five yuan.", "It costs 105 yuan.", 0, 1},
      {"Two thousand five", "2005", 0, 1},
      {"A well-known song", "A well known song", 0, 0},  // the same units already
      {"I read every day.", "I read everyday.", 0, 1},
      {"an everyday habit", "an every day habit", 0, 1},
      {"I don't know.", "I do not know.", 0, 1},
      {"It is late.", "It's late.", 0, 1},
      {"I cannot go.", "I can't go.", 0, 1},
      {"What colour is it?", "What color is it?", 0, 1},
      {"The theatre centre", "The theater center", 0, 2},
      {"A grey sky", "A gray sky", 0, 1},
      {"He was sceptical of the judgement.", "He was skeptical of the judgment.", 0, 2},
      {"The ploughed field, the mouldy tyre", "The plowed field, the moldy tire", 0, 3},
      {"Fulfil it, anaesthetise him.", "Fulfill it, anesthetize him.", 0, 2},
      {"An ageing grey cat", "An aging gray cat", 0, 2},
      {"A grey sky", "A grew sky", 1, 0},  // a pair, not any near spelling
      {"one two", "12", 2, 0},             // two numbers are not one
      {"I have nine books.", "I have 8 books.", 1, 0},
      {"007", "7", 1, 0},  // a code stays as written
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.reference) + " / " + c.dictation);
    const CheckResult r = checkAgainst(c.dictation, referenceFromPlainText(c.reference), tables());
    EXPECT_EQ(r.errors(), c.errors);
    EXPECT_EQ(r.equivalences, c.equivalences);
    EXPECT_EQ(r.referenceUnits(), static_cast<int>(unitsOf(c.reference).size()));  // N is the reference's units
  }
  // The marked-up text keeps what was typed, a run matched as one word included.
  const std::string typed = "I do not know, 21 times.";
  const CheckResult r = checkAgainst(typed, referenceFromPlainText("I don't know, twenty-one times."), tables());
  std::string plain;
  for (const MarkPiece& p : markUp(typed, r)) plain += p.text;
  EXPECT_EQ(plain, typed);
  EXPECT_EQ(r.equivalences, 2);
  EXPECT_NE(classesLine(r).find("写法不同也算对 2 处"), std::string::npos);
}

TEST(CheckEnglish, NumbersInWords) {
  using W = std::vector<std::string_view>;
  const struct {
    W words;
    long long value;  // -1: not one number
  } cases[] = {
      {{"nine"}, 9},
      {{"twenty", "one"}, 21},
      {{"nineteen", "ninety"}, 1990},
      {{"nineteen", "ninety", "nine"}, 1999},
      {{"twenty", "twenty"}, 2020},
      {{"one", "hundred", "and", "five"}, 105},
      {{"three", "thousand", "two", "hundred"}, 3200},
      {{"one", "two"}, -1},
      {{"hundred"}, -1},
      {{"and", "five"}, -1},
      {{"twenty", "apples"}, -1},
  };
  for (const auto& c : cases) {
    const auto value = numberOfWords(c.words);
    EXPECT_EQ(value.value_or(-1), c.value) << c.words.size() << " " << c.words[0];
  }
}

TEST(TessalyCheck, JsonTellsEachCheckedSentenceAndEachSlip) {
  test::TempFolder folder;
  test::writeBytes(folder / "dictation.txt", "你好，欢迎来到听写练习。\n今天天气很号。\n");
  test::writeBytes(folder / "answer.lrc",
                   "[00:00.00]你好，欢迎来到听写练习。\n[00:04.56]今天天气很好。\n[00:07.75]我每天早上七点起床。\n");
  test::writeBytes(folder / "answer.txt", "你好，欢迎来到听写练习。\n今天天气很好。\n我每天早上七点起床。\n");
  const auto run = [&](const char* reference) {
    std::string out;
    const std::string command = std::string(TESSALY_CHECK) + " --json " + (folder / "dictation.txt").string() + " " +
                                (folder / reference).string();
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    std::array<char, 4096> buffer{};
    while (fgets(buffer.data(), buffer.size(), pipe.get())) out += buffer.data();
    return out;
  };
  const std::string slip =
      "\"slips\":[{\"kind\":\"substitution\",\"reference\":\"好\",\"written\":\"号\",\"class\":\"tone\","
      "\"reference_reading\":\"hǎo\",\"written_reading\":\"hào\",\"sentence\":2}]}\n";
  EXPECT_EQ(
      run("answer.lrc"),
      "{\"reference_units\":16,\"errors\":1,\"substitutions\":1,\"deletions\":0,\"insertions\":0,\"accuracy\":93.8,"
      "\"classes\":{\"homophone\":0,\"tone\":1,\"spelling\":0,\"other\":0},\"equivalences\":0,\"too_different\":false,"
      "\"sentences_checked\":2,\"sentences_total\":3,\"sentences\":[{\"index\":1,\"start_ms\":0,\"accuracy\":100.0,"
      "\"errors\":0},{\"index\":2,\"start_ms\":4560,\"accuracy\":83.3,\"errors\":1}]," +
          slip);
  // A plain text has no times.
  const std::string plain = run("answer.txt");
  EXPECT_NE(plain.find("\"sentences\":[{\"index\":1,\"start_ms\":null,\"accuracy\":100.0"), std::string::npos) << plain;
  EXPECT_NE(plain.find(slip), std::string::npos) << plain;
}

}  // namespace
}  // namespace tessaly
